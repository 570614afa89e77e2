#include "forward.h"

#include "geometry.h"
#include "solverparts.h"

#include <QCoreApplication>

#include <Eigen/SparseCholesky>
#include <Eigen/SparseCore>

#include <algorithm>
#include <cmath>
#include <memory>
#include <thread>

namespace Kgw {

namespace {

using SparseMatrix = Eigen::SparseMatrix<double>;
using Triplets = std::vector<Eigen::Triplet<double>>;

using Factor = Eigen::SimplicialLDLT<SparseMatrix>;
using RowMajorMatrix = Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::RowMajor>;

// Unit sources solved in one pass over the factor: each of its entries then updates a row of
// sources that lie side by side in memory, where Eigen's own solve passes over the whole factor
// once per source. Enough that the pass runs at speed, few enough that a long line's batch takes
// little memory beside the factor.
constexpr int SolveBatch = 48;

// The solutions for unit sources at the given nodes, one a column, its rows in the factor's
// order: node i is row permutationP().indices()(i).
void solveUnitSources(const Factor &factor, const int *nodes, int batch, RowMajorMatrix *x)
{
    const SparseMatrix &l = factor.matrixL().nestedExpression();
    const Eigen::VectorXd &d = factor.vectorD();
    const auto &order = factor.permutationP().indices();
    const int size = int(l.rows());
    x->setZero(size, batch);
    int first = size;
    for (int e = 0; e < batch; ++e) {
        const int i = order(nodes[e]);
        (*x)(i, e) = 1;
        first = std::min(first, i);
    }
    double *data = x->data();
    // L y = b from the first row a source stands on (those above stay 0), then D, then Lᵀ.
    for (int j = first; j < size; ++j) {
        const double *xj = data + size_t(j) * batch;
        for (SparseMatrix::InnerIterator it(l, j); it; ++it) {
            double *xi = data + size_t(it.index()) * batch;
            const double v = it.value();
            for (int c = 0; c < batch; ++c)
                xi[c] -= v * xj[c];
        }
    }
    for (int j = 0; j < size; ++j) {
        double *xj = data + size_t(j) * batch;
        const double inverse = 1 / d(j);
        for (int c = 0; c < batch; ++c)
            xj[c] *= inverse;
    }
    for (int j = size - 1; j >= 0; --j) {
        double *xj = data + size_t(j) * batch;
        for (SparseMatrix::InnerIterator it(l, j); it; ++it) {
            const double *xi = data + size_t(it.index()) * batch;
            const double v = it.value();
            for (int c = 0; c < batch; ++c)
                xj[c] -= v * xi[c];
        }
    }
}

// The corners of a cell in the order of the element matrices below: top left, top right,
// bottom right, bottom left.
void cellNodes(const Mesh &mesh, int cell, int nodes[4])
{
    const int stride = mesh.columns() + 1;
    const int top = mesh.row(cell) * stride + mesh.column(cell);
    nodes[0] = top;
    nodes[1] = top + 1;
    nodes[2] = top + 1 + stride;
    nodes[3] = top + stride;
}

// ∫ ∂N_i/∂x ∂N_j/∂x, ∫ ∂N_i/∂z ∂N_j/∂z (each to be scaled by b/6a and a/6b) and ∫ N_i N_j
// (by ab/36) of the bilinear shape functions on an a × b rectangle.
constexpr double StiffnessX[4][4]
    = { { 2, -2, -1, 1 }, { -2, 2, 1, -1 }, { -1, 1, 2, -2 }, { 1, -1, -2, 2 } };
constexpr double StiffnessZ[4][4]
    = { { 2, 1, -1, -2 }, { 1, 2, -2, -1 }, { -1, -2, 2, 1 }, { -2, -1, 1, 2 } };
constexpr double Mass[4][4] = { { 4, 2, 1, 2 }, { 2, 4, 2, 1 }, { 1, 2, 4, 2 }, { 2, 1, 2, 4 } };

// The parts of every wavenumber's matrix that do not depend on it: σ∇·∇ and σ times the mass.
struct Assembly {
    SparseMatrix stiffness;
    SparseMatrix mass;
};

Assembly assemble(const Mesh &mesh, const Eigen::VectorXd &sigma)
{
    const int nodes = (mesh.columns() + 1) * (mesh.rows() + 1);
    Triplets stiffness;
    Triplets mass;
    stiffness.reserve(size_t(mesh.cellCount()) * 16);
    mass.reserve(size_t(mesh.cellCount()) * 16);
    for (int cell = 0; cell < mesh.cellCount(); ++cell) {
        const int c = mesh.column(cell);
        const int r = mesh.row(cell);
        const double a = mesh.xNodes().at(c + 1) - mesh.xNodes().at(c);
        const double b = mesh.zNodes().at(r + 1) - mesh.zNodes().at(r);
        const double s = sigma(cell);
        int n[4];
        cellNodes(mesh, cell, n);
        for (int i = 0; i < 4; ++i) {
            for (int j = 0; j < 4; ++j) {
                stiffness.emplace_back(n[i], n[j],
                    s * (StiffnessX[i][j] * b / (6 * a) + StiffnessZ[i][j] * a / (6 * b)));
                mass.emplace_back(n[i], n[j], s * Mass[i][j] * a * b / 36);
            }
        }
    }
    Assembly assembly;
    assembly.stiffness.resize(nodes, nodes);
    assembly.stiffness.setFromTriplets(stiffness.begin(), stiffness.end());
    assembly.mass.resize(nodes, nodes);
    assembly.mass.setFromTriplets(mass.begin(), mass.end());
    return assembly;
}

} // namespace

ForwardModel::ForwardModel(const Mesh &mesh, const Eigen::VectorXd &cellResistivity,
    const QVector<double> &electrodeX, const ForwardOptions &options)
    : m_mesh(mesh)
    , m_electrodeX(electrodeX)
    , m_uniformPoles(options.uniformPoles)
{
    if (mesh.isEmpty()) {
        m_error = QCoreApplication::translate("ForwardModel", "the mesh has no cells");
        return;
    }
    if (cellResistivity.size() != mesh.cellCount()) {
        m_error = QCoreApplication::translate("ForwardModel", "%1 resistivities for %2 cells")
                      .arg(cellResistivity.size())
                      .arg(mesh.cellCount());
        return;
    }
    if (!(cellResistivity.array() > 0).all() || !cellResistivity.allFinite()) {
        m_error = QCoreApplication::translate(
            "ForwardModel", "every resistivity must be a positive number");
        return;
    }
    m_sigma = cellResistivity.cwiseInverse();

    double smallest = HUGE_VAL;
    double largest = 0;
    for (int i = 0; i < electrodeX.size(); ++i) {
        if (!std::isfinite(electrodeX.at(i))) {
            m_error = QCoreApplication::translate("ForwardModel", "electrode %1 has no position")
                          .arg(i + 1);
            return;
        }
        m_electrodeNodes.append(mesh.surfaceNode(electrodeX.at(i)));
        for (int j = 0; j < i; ++j) {
            const double distance = std::abs(electrodeX.at(i) - electrodeX.at(j));
            if (distance > 0)
                smallest = std::min(smallest, distance);
            largest = std::max(largest, distance);
        }
    }
    m_wavenumbers = Kgw::wavenumbers(smallest, largest);
    if (m_wavenumbers.isEmpty()) {
        m_error = QCoreApplication::translate(
            "ForwardModel", "the electrodes need at least two positions");
        return;
    }
    const int e = electrodeX.size();
    if (m_uniformPoles.size() != 0 && (m_uniformPoles.rows() != e || m_uniformPoles.cols() != e))
        m_uniformPoles.resize(0, 0);
    m_threads = options.threads > 0 ? options.threads
                                    : std::max(1, int(std::thread::hardware_concurrency()));

    // Far from the line every electrode's field looks alike, so one source at the line's middle
    // serves the boundary coefficient of all of them, and one factor serves every electrode.
    const auto [lowest, highest] = std::minmax_element(electrodeX.cbegin(), electrodeX.cend());
    const double sourceX = (*lowest + *highest) / 2;
    const QVector<double> &x = mesh.xNodes();
    const QVector<double> &z = mesh.zNodes();
    const int stride = mesh.columns() + 1;
    const auto addEdge = [&](int cell, int n0, int n1, double length, double dx, double dz,
                             double normalX, double normalZ) {
        const double distance = std::hypot(dx, dz);
        m_edges.push_back(
            { cell, { n0, n1 }, length, distance, (dx * normalX + dz * normalZ) / distance });
    };
    for (int r = 0; r < mesh.rows(); ++r) {
        const double middle = (z.at(r) + z.at(r + 1)) / 2;
        const double height = z.at(r + 1) - z.at(r);
        addEdge(r * mesh.columns(), r * stride, (r + 1) * stride, height, x.first() - sourceX,
            middle, -1, 0);
        const int last = mesh.columns() - 1;
        addEdge(r * mesh.columns() + last, r * stride + last + 1, (r + 1) * stride + last + 1,
            height, x.last() - sourceX, middle, 1, 0);
    }
    const int bottom = mesh.rows() - 1;
    for (int c = 0; c < mesh.columns(); ++c) {
        addEdge(bottom * mesh.columns() + c, (bottom + 1) * stride + c,
            (bottom + 1) * stride + c + 1, x.at(c + 1) - x.at(c),
            (x.at(c) + x.at(c + 1)) / 2 - sourceX, z.last(), 0, 1);
    }
}

Eigen::MatrixXd ForwardModel::solvePoles(
    const Eigen::VectorXd &sigma, bool keepFields, const ProgressFunction &progress)
{
    const Assembly assembly = assemble(m_mesh, sigma);
    const int count = m_wavenumbers.size();
    const int electrodes = m_electrodeX.size();
    const int nodes = int(assembly.stiffness.rows());
    std::vector<Eigen::MatrixXd> perWavenumber(static_cast<size_t>(count));
    if (keepFields)
        m_fields.assign(size_t(count), Eigen::MatrixXd());
    // Every wavenumber's matrix has the same pattern, so each thread orders it once.
    std::vector<std::unique_ptr<Factor>> factors(static_cast<size_t>(m_threads));

    runInParallel(
        count, m_threads,
        [&](int j, int thread) {
            const Wavenumber w = m_wavenumbers.at(j);
            Triplets robin;
            robin.reserve(m_edges.size() * 4);
            for (const Edge &edge : m_edges) {
                const double s = sigma(edge.cell)
                    * mixedBoundaryCoefficient(w.k, edge.distance, edge.cosine) * edge.length / 6;
                for (int i = 0; i < 2; ++i) {
                    for (int l = 0; l < 2; ++l)
                        robin.emplace_back(edge.nodes[i], edge.nodes[l], s * (i == l ? 2 : 1));
                }
            }
            SparseMatrix matrix(nodes, nodes);
            matrix.setFromTriplets(robin.begin(), robin.end());
            matrix += assembly.stiffness + (w.k * w.k) * assembly.mass;
            std::unique_ptr<Factor> &factor = factors[size_t(thread)];
            if (!factor) {
                factor = std::make_unique<Factor>();
                factor->analyzePattern(matrix);
            }
            factor->factorize(matrix);

            // The pole potential of electrode e read at f is U_e(f) (2/π) w, with a source of
            // I/2 in the transformed equation: (1/π) w times the inverse matrix's entry.
            Eigen::MatrixXd &poles = perWavenumber[size_t(j)];
            poles.resize(electrodes, electrodes);
            if (keepFields)
                m_fields[size_t(j)].resize(electrodes, nodes);
            const auto &order = factor->permutationP().indices();
            RowMajorMatrix solution;
            for (int first = 0; first < electrodes; first += SolveBatch) {
                const int batch = std::min(SolveBatch, electrodes - first);
                solveUnitSources(*factor, m_electrodeNodes.constData() + first, batch, &solution);
                for (int f = 0; f < electrodes; ++f)
                    poles.block(f, first, 1, batch) = solution.row(order(m_electrodeNodes.at(f)));
                if (keepFields) {
                    Eigen::MatrixXd &field = m_fields[size_t(j)];
                    for (int node = 0; node < nodes; ++node)
                        field.block(first, node, batch, 1) = solution.row(order(node)).transpose();
                }
            }
            poles *= w.weight / Pi;
        },
        progress);

    // Summed in one order whatever the threads, so that every run gives the same figures.
    Eigen::MatrixXd poles = Eigen::MatrixXd::Zero(electrodes, electrodes);
    for (const Eigen::MatrixXd &part : perWavenumber)
        poles += part;
    return poles;
}

void ForwardModel::ensurePoles(const ProgressFunction &progress, bool keepFields)
{
    Q_ASSERT(m_error.isEmpty());
    const bool uniform = (m_sigma.array() == m_sigma(0)).all();
    const bool needReference = m_uniformPoles.size() == 0 && !uniform;
    const bool needPoles = m_poles.size() == 0 || (keepFields && m_fields.empty());
    const double share = needPoles && needReference ? 0.5 : 1;
    if (needPoles)
        m_poles = solvePoles(m_sigma, keepFields, progressRange(progress, 0, share));
    if (m_uniformPoles.size() == 0) {
        m_uniformPoles = uniform ? Eigen::MatrixXd(m_poles * m_sigma(0))
                                 : solvePoles(Eigen::VectorXd::Ones(m_sigma.size()), false,
                                     progressRange(progress, 1 - share, 1));
    }
}

Eigen::MatrixXd ForwardModel::poles()
{
    ensurePoles(ProgressFunction(), false);
    return m_poles;
}

Eigen::MatrixXd ForwardModel::uniformPoles()
{
    ensurePoles(ProgressFunction(), false);
    return m_uniformPoles;
}

Eigen::VectorXd ForwardModel::transferResistances(
    const QVector<LineQuadruple> &rows, const ProgressFunction &progress)
{
    ensurePoles(progress, false);
    const int electrodes = m_electrodeX.size();
    Eigen::VectorXd r(rows.size());
    for (int i = 0; i < rows.size(); ++i) {
        PoleTerm terms[4];
        const int count = poleTerms(rows.at(i), electrodes, terms);
        if (count < 0) {
            r(i) = qQNaN();
            continue;
        }
        double mesh = 0;
        double uniform = 0;
        double analytic = 0;
        double magnitude = 0;
        for (int t = 0; t < count; ++t) {
            const int a = terms[t].current;
            const int m = terms[t].potential;
            const double pole = 1 / (2 * Pi * std::abs(m_electrodeX.at(a) - m_electrodeX.at(m)));
            mesh += terms[t].sign * m_poles(m, a);
            uniform += terms[t].sign * m_uniformPoles(m, a);
            analytic += terms[t].sign * pole;
            magnitude += pole;
        }
        // A configuration that reads nothing over a uniform ground has no ratio to scale by:
        // the mesh's own figure is all there is.
        r(i) = std::abs(analytic) > 1e-12 * magnitude ? analytic * mesh / uniform : mesh;
    }
    return r;
}

} // namespace Kgw
