#include "forward.h"

#include "geometry.h"
#include "solverparts.h"

#include <Eigen/Core>

#include <algorithm>
#include <cmath>
#include <numeric>

namespace Kgw {

namespace {

// Cells worked out together on one thread: enough to keep a thread busy between handovers.
constexpr int CellBlock = 64;

// The Gauss–Legendre points of two-point rules on [0, 1], exact for the products of two bilinear
// functions (and of their derivatives) that the cell integrals take.
const double GaussPoints[2] = { 0.5 - 0.5 / std::sqrt(3.0), 0.5 + 0.5 / std::sqrt(3.0) };

// Features per cell and wavenumber: ∂U/∂x at two depths, ∂U/∂z at two places along x, U at
// four points; two more per boundary edge.
constexpr int CellFeatures = 8;
constexpr int EdgeFeatures = 2;

struct RowTerms {
    int count = 0; // -1 for a row with no transfer resistance
    int current[4];
    int potential[4];
    int sign[4];
};

} // namespace

Eigen::MatrixXd ForwardModel::jacobian(
    const QVector<LineQuadruple> &rows, const ProgressFunction &progress)
{
    ensurePoles(progressRange(progress, 0, 0.5), true);
    const int electrodes = m_electrodeX.size();
    const int cells = m_mesh.cellCount();

    // Only the electrodes the rows use take part, in the order they first appear.
    std::vector<int> usedIndex(size_t(electrodes), -1);
    std::vector<int> used;
    std::vector<RowTerms> rowTerms(size_t(rows.size()));
    Eigen::VectorXd inverseR(rows.size());
    for (int i = 0; i < rows.size(); ++i) {
        PoleTerm terms[4];
        RowTerms &row = rowTerms[size_t(i)];
        row.count = poleTerms(rows.at(i), electrodes, terms);
        double r = 0;
        for (int t = 0; t < row.count; ++t) {
            for (const int e : { terms[t].current, terms[t].potential }) {
                if (usedIndex[size_t(e)] < 0) {
                    usedIndex[size_t(e)] = int(used.size());
                    used.push_back(e);
                }
            }
            row.current[t] = usedIndex[size_t(terms[t].current)];
            row.potential[t] = usedIndex[size_t(terms[t].potential)];
            row.sign[t] = terms[t].sign;
            r += terms[t].sign * m_poles(terms[t].potential, terms[t].current);
        }
        inverseR(i) = 1 / r;
    }

    Eigen::MatrixXd jacobian(rows.size(), cells);
    cellGrams(
        used,
        [&](int cell, const Eigen::MatrixXd &gram, double scale) {
            for (int i = 0; i < rows.size(); ++i) {
                const RowTerms &row = rowTerms[size_t(i)];
                double sum = 0;
                for (int t = 0; t < row.count; ++t)
                    sum += row.sign[t] * gram(row.potential[t], row.current[t]);
                jacobian(i, cell) = row.count < 0 ? qQNaN() : scale * sum * inverseR(i);
            }
        },
        progressRange(progress, 0.5, 1));
    return jacobian;
}

Eigen::MatrixXd ForwardModel::poleJacobian(
    const QVector<QPair<int, int>> &pairs, const ProgressFunction &progress)
{
    ensurePoles(progressRange(progress, 0, 0.5), true);
    std::vector<int> used(size_t(m_electrodeX.size()));
    std::iota(used.begin(), used.end(), 0);
    Eigen::MatrixXd result(m_mesh.cellCount(), pairs.size());
    cellGrams(
        used,
        [&](int cell, const Eigen::MatrixXd &gram, double scale) {
            for (int i = 0; i < pairs.size(); ++i)
                result(cell, i) = scale * gram(pairs.at(i).second - 1, pairs.at(i).first - 1);
        },
        progressRange(progress, 0.5, 1));
    return result;
}

void ForwardModel::cellGrams(
    const std::vector<int> &used, const CellGram &take, const ProgressFunction &progress) const
{
    const int cells = m_mesh.cellCount();
    const int wavenumbers = m_wavenumbers.size();

    // The boundary edges of each cell, most cells having none.
    std::vector<int> edgeStart(size_t(cells) + 1, 0);
    for (const Edge &edge : m_edges)
        ++edgeStart[size_t(edge.cell) + 1];
    for (int c = 0; c < cells; ++c)
        edgeStart[size_t(c) + 1] += edgeStart[size_t(c)];
    std::vector<int> edgeOrder(m_edges.size());
    {
        std::vector<int> fill(edgeStart.begin(), edgeStart.end() - 1);
        for (int i = 0; i < int(m_edges.size()); ++i)
            edgeOrder[size_t(fill[size_t(m_edges[size_t(i)].cell)]++)] = i;
    }
    int mostEdges = 0;
    for (int c = 0; c < cells; ++c)
        mostEdges = std::max(mostEdges, edgeStart[size_t(c) + 1] - edgeStart[size_t(c)]);

    const int usedCount = int(used.size());
    const int blocks = (cells + CellBlock - 1) / CellBlock;
    runInParallel(
        blocks, m_threads,
        [&](int block, int) {
            // Each electrode's field in a cell as features f, scaled so that the cell's part of
            // Σ_k w_k ∫ (∇U_A·∇U_M + k² U_A U_M), and of the boundary term, is f_A·f_M.
            Eigen::MatrixXd features(
                (CellFeatures + EdgeFeatures * mostEdges) * wavenumbers, usedCount);
            Eigen::MatrixXd gram(usedCount, usedCount);
            const int end = std::min(cells, (block + 1) * CellBlock);
            for (int cell = block * CellBlock; cell < end; ++cell) {
                const int c = m_mesh.column(cell);
                const int r = m_mesh.row(cell);
                const double a = m_mesh.xNodes().at(c + 1) - m_mesh.xNodes().at(c);
                const double b = m_mesh.zNodes().at(r + 1) - m_mesh.zNodes().at(r);
                const int stride = m_mesh.columns() + 1;
                const int n[4] = { r * stride + c, r * stride + c + 1, (r + 1) * stride + c + 1,
                    (r + 1) * stride + c };
                const int firstEdge = edgeStart[size_t(cell)];
                const int edgeCount = edgeStart[size_t(cell) + 1] - firstEdge;
                const int perWavenumber = CellFeatures + EdgeFeatures * edgeCount;
                for (int j = 0; j < wavenumbers; ++j) {
                    const Wavenumber &w = m_wavenumbers.at(j);
                    const Eigen::MatrixXd &field = m_fields[size_t(j)];
                    const double root = std::sqrt(w.weight);
                    const double sx = root * std::sqrt(b / (2 * a));
                    const double sz = root * std::sqrt(a / (2 * b));
                    const double sm = root * w.k * std::sqrt(a * b / 4);
                    double se[4];
                    for (int e = 0; e < edgeCount; ++e) {
                        const Edge &edge = m_edges[size_t(edgeOrder[size_t(firstEdge + e)])];
                        se[e] = root
                            * std::sqrt(mixedBoundaryCoefficient(w.k, edge.distance, edge.cosine)
                                * edge.length / 2);
                    }
                    for (int u = 0; u < usedCount; ++u) {
                        const int e = used[size_t(u)];
                        const double v[4]
                            = { field(e, n[0]), field(e, n[1]), field(e, n[2]), field(e, n[3]) };
                        double *f = features.col(u).data() + j * perWavenumber;
                        const double top = v[1] - v[0];
                        const double bottom = v[2] - v[3];
                        const double left = v[3] - v[0];
                        const double right = v[2] - v[1];
                        for (int g = 0; g < 2; ++g) {
                            const double t = GaussPoints[g];
                            f[g] = sx * (top * (1 - t) + bottom * t);
                            f[2 + g] = sz * (left * (1 - t) + right * t);
                            for (int h = 0; h < 2; ++h) {
                                const double s = GaussPoints[h];
                                f[4 + 2 * g + h] = sm
                                    * (v[0] * (1 - s) * (1 - t) + v[1] * s * (1 - t) + v[2] * s * t
                                        + v[3] * (1 - s) * t);
                            }
                        }
                        for (int k = 0; k < edgeCount; ++k) {
                            const Edge &edge = m_edges[size_t(edgeOrder[size_t(firstEdge + k)])];
                            const double e0 = field(e, edge.nodes[0]);
                            const double e1 = field(e, edge.nodes[1]);
                            for (int g = 0; g < 2; ++g) {
                                const double t = GaussPoints[g];
                                f[CellFeatures + 2 * k + g] = se[k] * (e0 * (1 - t) + e1 * t);
                            }
                        }
                    }
                }
                const auto cellFeatures = features.topRows(perWavenumber * wavenumbers);
                gram.noalias() = cellFeatures.transpose() * cellFeatures;
                // ∂P/∂ln ρ = −σ ∂P/∂σ, and the cell's matrix is linear in its σ.
                const double scale = m_sigma(cell) / Pi;
                take(cell, gram, scale);
            }
        },
        progress);
}

} // namespace Kgw
