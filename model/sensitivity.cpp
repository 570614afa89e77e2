#include "sensitivity.h"

#include "geometry.h"

#include <Eigen/Dense>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace Kgw {

namespace {

// Gauss-Legendre rules on [0, 1], from the eigen-decomposition of the Jacobi matrix.
constexpr int MaxRule = 20;

struct GaussRule {
    int n = 0;
    std::array<double, MaxRule> x {};
    std::array<double, MaxRule> w {};
};

const GaussRule &gaussRule(int n)
{
    static const std::array<GaussRule, MaxRule + 1> rules = [] {
        std::array<GaussRule, MaxRule + 1> all;
        for (int size = 1; size <= MaxRule; ++size) {
            Eigen::VectorXd diagonal = Eigen::VectorXd::Zero(size);
            Eigen::VectorXd offDiagonal(std::max(size - 1, 1));
            for (int i = 1; i < size; ++i)
                offDiagonal(i - 1) = i / std::sqrt(4.0 * i * i - 1);
            Eigen::SelfAdjointEigenSolver<Eigen::MatrixXd> solver;
            solver.computeFromTridiagonal(diagonal, offDiagonal.head(size - 1));
            GaussRule &rule = all[size];
            rule.n = size;
            for (int i = 0; i < size; ++i) {
                rule.x[i] = (solver.eigenvalues()(i) + 1) / 2;
                const double v = solver.eigenvectors()(0, i);
                rule.w[i] = v * v;
            }
        }
        return all;
    }();
    return rules[std::clamp(n, 1, MaxRule)];
}

// The far part of the strike integral, y = beta tan(theta) for theta in [pi/4, pi/2], has fixed
// nodes: their cos² and sin² once.
constexpr int FarNodes = 6;

struct FarRule {
    std::array<double, FarNodes> cos2 {};
    std::array<double, FarNodes> sin2 {};
    std::array<double, FarNodes> w {};
};

const FarRule &farRule()
{
    static const FarRule rule = [] {
        FarRule r;
        const GaussRule &g = gaussRule(FarNodes);
        for (int i = 0; i < FarNodes; ++i) {
            const double theta = Pi / 4 * (1 + g.x[i]);
            r.cos2[i] = std::cos(theta) * std::cos(theta);
            r.sin2[i] = 1 - r.cos2[i];
            r.w[i] = g.w[i] * Pi / 4;
        }
        return r;
    }();
    return rule;
}

// The integral of S_PQ over all y at (x, z), z > 0.
//
// With alpha and beta the distances to the nearer and the farther pole in the x-z plane and
// c = (r - rP).(r - rQ) at y = 0, the integrand is (c + y²) / ((alpha² + y²)(beta² + y²))^1.5.
// Up to y = beta it is flat on a logarithmic scale of y / alpha, so y = alpha sinh(u) makes it
// smooth however close the point is to a pole; beyond, y = beta tan(theta) is.
double strikeIntegral(double x, double z, double xp, double xq)
{
    const double dp = x - xp;
    const double dq = x - xq;
    const double z2 = z * z;
    double alpha2 = dp * dp + z2;
    double beta2 = dq * dq + z2;
    const double c = dp * dq + z2;
    if (alpha2 > beta2)
        std::swap(alpha2, beta2);

    const double top = std::asinh(std::sqrt(beta2 / alpha2));
    const GaussRule &g = gaussRule(6 + int(std::ceil(top)));
    double nearPart = 0;
    for (int i = 0; i < g.n; ++i) {
        const double e = std::exp(top * g.x[i]);
        const double sh = (e - 1 / e) / 2;
        const double y2 = alpha2 * sh * sh;
        const double t = beta2 + y2;
        nearPart += g.w[i] * (c + y2) / (alpha2 * (1 + sh * sh) * t * std::sqrt(t));
    }
    nearPart *= top;

    const FarRule &f = farRule();
    double farPart = 0;
    for (int i = 0; i < FarNodes; ++i) {
        const double t = alpha2 * f.cos2[i] + beta2 * f.sin2[i];
        farPart += f.w[i] * f.cos2[i] * (c * f.cos2[i] + beta2 * f.sin2[i])
            / (beta2 * t * std::sqrt(t));
    }
    // Both halves of the y axis, and the 1 / (4 pi²) of the two unit potentials.
    return 2 * (nearPart + farPart) / (4 * Pi * Pi);
}

double rectangle(double x0, double x1, double z0, double z1, double xp, double xq, int n)
{
    const GaussRule &g = gaussRule(n);
    double sum = 0;
    for (int i = 0; i < n; ++i) {
        const double x = x0 + (x1 - x0) * g.x[i];
        for (int j = 0; j < n; ++j)
            sum += g.w[i] * g.w[j] * strikeIntegral(x, z0 + (z1 - z0) * g.x[j], xp, xq);
    }
    return sum * (x1 - x0) * (z1 - z0);
}

// A triangle with a pole at its corner (cx, 0), mapped onto the unit square so that the
// Jacobian u cancels the 1/r of the kernel; u = s² also smooths the logarithmic term that
// the strike integral leaves.
double singularTriangle(
    double cx, double v1x, double v1z, double v2x, double v2z, double xp, double xq)
{
    constexpr int n = 8;
    const GaussRule &g = gaussRule(n);
    const double det = std::abs((v1x - cx) * (v2z - v1z) - v1z * (v2x - v1x));
    double sum = 0;
    for (int i = 0; i < n; ++i) {
        const double s = g.x[i];
        const double u = s * s;
        for (int j = 0; j < n; ++j) {
            const double v = g.x[j];
            const double x = cx + u * (v1x - cx) + u * v * (v2x - v1x);
            const double z = u * v1z + u * v * (v2z - v1z);
            sum += g.w[i] * g.w[j] * 2 * s * u * strikeIntegral(x, z, xp, xq);
        }
    }
    return sum * det;
}

// The cell [x0, x1] × [z0, z1]. The kernel is singular at the poles on the surface: a cell with
// a pole on its top edge is cut there and integrated from the pole outwards; cells close to a
// pole are divided until the pole is far compared with their size.
double cellIntegral(double x0, double x1, double z0, double z1, double xp, double xq, int depth = 0)
{
    if (z0 == 0) {
        for (const double pole : { xp, xq }) {
            if (pole > x0 && pole < x1)
                return cellIntegral(x0, pole, z0, z1, xp, xq, depth)
                    + cellIntegral(pole, x1, z0, z1, xp, xq, depth);
        }
        const bool left = x0 == xp || x0 == xq;
        const bool right = x1 == xp || x1 == xq;
        if (left && right) {
            const double middle = (x0 + x1) / 2;
            return cellIntegral(x0, middle, z0, z1, xp, xq, depth)
                + cellIntegral(middle, x1, z0, z1, xp, xq, depth);
        }
        if (left || right) {
            const double corner = left ? x0 : x1;
            const double other = left ? x1 : x0;
            return singularTriangle(corner, other, 0, other, z1, xp, xq)
                + singularTriangle(corner, other, z1, corner, z1, xp, xq);
        }
    }
    const double size = std::max(x1 - x0, z1 - z0);
    double distance = std::numeric_limits<double>::infinity();
    for (const double pole : { xp, xq }) {
        const double dx = std::max({ x0 - pole, 0.0, pole - x1 });
        distance = std::min(distance, std::hypot(dx, z0));
    }
    constexpr int MaxDepth = 3;
    if (distance < size && depth < MaxDepth) {
        const double xm = (x0 + x1) / 2;
        const double zm = (z0 + z1) / 2;
        return cellIntegral(x0, xm, z0, zm, xp, xq, depth + 1)
            + cellIntegral(xm, x1, z0, zm, xp, xq, depth + 1)
            + cellIntegral(x0, xm, zm, z1, xp, xq, depth + 1)
            + cellIntegral(xm, x1, zm, z1, xp, xq, depth + 1);
    }
    const int n = distance < 2 * size ? 6 : distance < 6 * size ? 4 : 3;
    return rectangle(x0, x1, z0, z1, xp, xq, n);
}

} // namespace

PairTable::PairTable(const ModelGrid &grid, const ProgressFunction &progress)
    : m_grid(grid)
{
    if (!grid.isValid())
        return;
    const int electrodes = grid.electrodes();
    const int spread = grid.spread();
    const int r = grid.cellsPerSpacing();
    const int columns = grid.columns();
    const int layers = grid.layers();
    // Computed in units of the spacing, where the poles and the cell edges are exact, and
    // scaled afterwards: S falls off as 1/length^4, so its cell integrals scale as 1/length.
    const double s = grid.spacing();
    QVector<double> z = grid.zEdges();
    for (double &depth : z)
        depth /= s;
    const int firstEdge = grid.electrodeEdge(1);

    // Work per distance grows with the columns computed; report by that.
    double total = 0;
    for (int d = 1; d < spread; ++d)
        total += columns + r * (electrodes - d - 1);
    double done = 0;

    // No configuration spans more than the cable, so no pair is further apart.
    m_distances.resize(spread);
    for (int d = 1; d < spread; ++d) {
        // Pole P at electrode 1, Q at electrode 1 + d. Column k stands where grid column
        // k - shift stands, so that a pair further right reads from further left.
        const int shift = r * (electrodes - d - 1);
        const int count = columns + shift;
        QVector<double> &values = m_distances[d];
        values.resize(count * layers);
        // The mirror image of a column about the pair's midpoint is again a column, so only
        // one of the two is integrated.
        const int mirrorSum = d * r + 2 * firstEdge + 2 * shift - 1;
        for (int k = 0; k < count; ++k) {
            const int mirror = mirrorSum - k;
            double *column = values.data() + k * layers;
            if (mirror >= 0 && mirror < k) {
                std::copy_n(values.constData() + mirror * layers, layers, column);
                continue;
            }
            const int edge = k - shift - firstEdge;
            const double x0 = double(edge) / r;
            const double x1 = double(edge + 1) / r;
            for (int l = 0; l < layers; ++l)
                column[l] = cellIntegral(x0, x1, z.at(l), z.at(l + 1), 0, d) / s;
        }
        done += count;
        if (progress)
            progress(done / total);
    }
}

const double *PairTable::pair(int p, int q) const
{
    const int d = std::abs(p - q);
    const int first = std::min(p, q);
    const int r = m_grid.cellsPerSpacing();
    return m_distances.at(d).constData() + r * (m_grid.electrodes() - d - first) * m_grid.layers();
}

template <typename Row>
int PairTable::termsOf(const Row &q, Term terms[4], double *factor) const
{
    const int electrodes = m_grid.electrodes();
    for (const int e : { int(q.a), int(q.b), int(q.m), int(q.n) }) {
        if (e < 0 || e > electrodes)
            return 0;
    }
    // A row that spans more than the cable is not measured on any spread.
    if (m_grid.isLine()
        && electrodeSpan(LineQuadruple(q.a, q.b, q.m, q.n)).positions() > m_grid.spread())
        return 0;
    const double k = geometricFactor(q, m_grid.spacing());
    if (!std::isfinite(k))
        return 0;
    const Term all[4] = { { q.a, q.m, 1 }, { q.a, q.n, -1 }, { q.b, q.m, -1 }, { q.b, q.n, 1 } };
    int count = 0;
    for (const Term &t : all) {
        if (t.p != 0 && t.q != 0)
            terms[count++] = t;
    }
    *factor = k;
    return count;
}

int PairTable::terms(const Quadruple &q, Term terms[4], double *factor) const
{
    return termsOf(q, terms, factor);
}

int PairTable::terms(const LineQuadruple &q, Term terms[4], double *factor) const
{
    return termsOf(q, terms, factor);
}

template <typename Row>
bool PairTable::rowOf(const Row &q, double *out) const
{
    Term pairs[4];
    double k = 0;
    const int count = terms(q, pairs, &k);
    if (count == 0)
        return false;
    const int cells = m_grid.cellCount();
    std::fill_n(out, cells, 0.0);
    for (int i = 0; i < count; ++i) {
        const double *values = pair(pairs[i].p, pairs[i].q);
        const double scale = k * pairs[i].sign;
        for (int c = 0; c < cells; ++c)
            out[c] += scale * values[c];
    }
    return true;
}

bool PairTable::row(const Quadruple &q, double *out) const
{
    return rowOf(q, out);
}

bool PairTable::row(const LineQuadruple &q, double *out) const
{
    return rowOf(q, out);
}

} // namespace Kgw
