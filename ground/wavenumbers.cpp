#include "wavenumbers.h"

#include <Eigen/Eigenvalues>

#include <algorithm>
#include <cmath>

namespace Kgw {

namespace {

struct Rule {
    Eigen::VectorXd nodes;
    Eigen::VectorXd weights;
};

// Gauss quadrature from the three-term recurrence of its orthogonal polynomials (Golub and
// Welsch 1969): the nodes are the eigenvalues of the symmetric tridiagonal Jacobi matrix, the
// weights the squared first components of its eigenvectors times the weight function's integral.
Rule gaussRule(const Eigen::VectorXd &diagonal, const Eigen::VectorXd &offDiagonal, double mass)
{
    Eigen::SelfAdjointEigenSolver<Eigen::MatrixXd> solver;
    solver.computeFromTridiagonal(diagonal, offDiagonal);
    Rule rule;
    rule.nodes = solver.eigenvalues();
    rule.weights = mass * solver.eigenvectors().row(0).transpose().array().square();
    return rule;
}

// On [0, 1] with weight 1.
Rule gaussLegendre(int n)
{
    Eigen::VectorXd offDiagonal(n - 1);
    for (int i = 1; i < n; ++i)
        offDiagonal(i - 1) = i / std::sqrt(4.0 * i * i - 1);
    Rule rule = gaussRule(Eigen::VectorXd::Zero(n), offDiagonal, 2);
    rule.nodes = (rule.nodes.array() + 1) / 2;
    rule.weights /= 2;
    return rule;
}

// On [0, ∞) with weight e^(−t).
Rule gaussLaguerre(int n)
{
    Eigen::VectorXd diagonal(n);
    Eigen::VectorXd offDiagonal(n - 1);
    for (int i = 0; i < n; ++i)
        diagonal(i) = 2 * i + 1;
    for (int i = 1; i < n; ++i)
        offDiagonal(i - 1) = i;
    return gaussRule(diagonal, offDiagonal, 1);
}

} // namespace

QVector<Wavenumber> wavenumbers(double smallestDistance, double largestDistance)
{
    if (!(smallestDistance > 0 && smallestDistance <= largestDistance)
        || !std::isfinite(largestDistance))
        return {};
    const double rMin = smallestDistance / 2;
    const double rMax = 2 * largestDistance;
    const double k0 = 1 / (2 * rMin);
    const int legendre = std::max(int(std::floor(6 * std::log10(rMax / rMin))), 4);
    QVector<Wavenumber> points;
    const Rule below = gaussLegendre(legendre);
    for (int i = 0; i < legendre; ++i) {
        const double t = below.nodes(i);
        points.append({ k0 * t * t, 2 * k0 * t * below.weights(i) });
    }
    const Rule above = gaussLaguerre(4);
    for (int i = 0; i < 4; ++i) {
        const double t = above.nodes(i);
        points.append({ k0 * (1 + t), k0 * std::exp(t) * above.weights(i) });
    }
    return points;
}

} // namespace Kgw
