#include "groundrows.h"

#include "forward.h"
#include "geometry.h"
#include "simulation.h"

#include <algorithm>
#include <vector>

namespace Kgw {

namespace {

struct Overlap {
    int mesh;
    int grid;
    double share; // of the mesh interval's length
};

// Where the intervals of two ascending edge lists overlap, with the share of each mesh interval
// that lies in the grid interval.
std::vector<Overlap> overlaps(const QVector<double> &meshEdges, const QVector<double> &gridEdges)
{
    std::vector<Overlap> result;
    int g = 0;
    for (int m = 0; m + 1 < meshEdges.size(); ++m) {
        const double m0 = meshEdges.at(m);
        const double m1 = meshEdges.at(m + 1);
        while (g + 1 < gridEdges.size() && gridEdges.at(g + 1) <= m0)
            ++g;
        for (int k = g; k + 1 < gridEdges.size() && gridEdges.at(k) < m1; ++k) {
            const double length = std::min(m1, gridEdges.at(k + 1)) - std::max(m0, gridEdges.at(k));
            if (length > 0)
                result.push_back({ m, k, length / (m1 - m0) });
        }
    }
    return result;
}

LineQuadruple lineRow(const Quadruple &q)
{
    return LineQuadruple(q.a, q.b, q.m, q.n);
}

LineQuadruple lineRow(const LineQuadruple &q)
{
    return q;
}

// Rows whose Jacobian is held at once: the forward model's is rows × mesh cells, some 10⁴.
constexpr int RowChunk = 512;

} // namespace

Eigen::SparseMatrix<double> meshToGrid(const Mesh &mesh, const ModelGrid &grid, GridReach reach)
{
    QVector<double> xEdges = grid.xEdges();
    QVector<double> zEdges = grid.zEdges();
    if (reach == GridReach::Stretched) {
        xEdges.first() = std::min(xEdges.first(), mesh.xNodes().first());
        xEdges.last() = std::max(xEdges.last(), mesh.xNodes().last());
        zEdges.last() = std::max(zEdges.last(), mesh.zNodes().last());
    }
    const std::vector<Overlap> alongX = overlaps(mesh.xNodes(), xEdges);
    const std::vector<Overlap> downZ = overlaps(mesh.zNodes(), zEdges);
    std::vector<Eigen::Triplet<double>> entries;
    entries.reserve(alongX.size() * downZ.size());
    const int columns = mesh.columns();
    for (const Overlap &z : downZ) {
        for (const Overlap &x : alongX)
            entries.emplace_back(
                grid.cell(x.grid, z.grid), z.mesh * columns + x.mesh, x.share * z.share);
    }
    Eigen::SparseMatrix<double> share(grid.cellCount(), mesh.cellCount());
    share.setFromTriplets(entries.begin(), entries.end());
    return share;
}

GroundModel::GroundModel(
    const SurveyModel &survey, const Ground &ground, const MeshOptions &options)
    : m_survey(survey)
{
    if (!survey.isValid()) {
        m_error = survey.error();
        return;
    }
    const ModelGrid &grid = survey.grid();
    QVector<double> electrodeX(grid.electrodes());
    for (int i = 0; i < electrodeX.size(); ++i)
        electrodeX[i] = i * grid.spacing();
    const Mesh mesh = Mesh::forElectrodes(electrodeX, options);
    if (mesh.isEmpty()) {
        m_error = QStringLiteral("no forward mesh for %1 electrodes at %2 m")
                      .arg(grid.electrodes())
                      .arg(grid.spacing());
        return;
    }
    m_meshCells = mesh.cellCount();
    m_forward = std::make_unique<ForwardModel>(mesh, cellResistivities(ground, mesh), electrodeX);
    m_error = m_forward->error();
    m_share = meshToGrid(mesh, grid);
}

GroundModel::~GroundModel() = default;

GroundRows GroundModel::rows(const QVector<Quadruple> &sequence, const ProgressFunction &progress)
{
    return rowsOf(sequence, progress);
}

GroundRows GroundModel::rows(
    const QVector<LineQuadruple> &sequence, const ProgressFunction &progress)
{
    return rowsOf(sequence, progress);
}

template <typename Row>
GroundRows GroundModel::rowsOf(const QVector<Row> &sequence, const ProgressFunction &progress)
{
    GroundRows result(m_survey);
    if (!m_error.isEmpty()) {
        result.m_error = m_error;
        return result;
    }
    std::vector<SurveyRow> rows;
    std::vector<int> used;
    result.m_counts = sequenceRows(m_survey, sequence, &rows, &used);
    const double spacing = m_survey.grid().spacing();
    const Eigen::Index count = Eigen::Index(rows.size());
    result.m_sensitivity.resize(m_survey.cellCount(), count);
    result.m_weights.resize(count);
    QVector<LineQuadruple> lineRows;
    lineRows.reserve(int(count));
    for (Eigen::Index i = 0; i < count; ++i) {
        const Row &q = sequence.at(used[size_t(i)]);
        lineRows.append(lineRow(q));
        // The row's scale is K / sigma: its J is K times the pairs', and here J comes whole.
        result.m_weights[i] = rows[size_t(i)].scale / geometricFactor(q, spacing);
    }
    if (m_pairs) {
        // A row is (1 / r) Σ s_p t_p of the pairs already worked out: no fields to integrate.
        for (SurveyRow &row : rows)
            row.scale = 1 / m_pairs->resistance(row);
        result.m_sensitivity = rowColumns(m_pairs->vectors, rows);
        if (progress)
            progress(1);
        return result;
    }
    for (Eigen::Index first = 0; first < count; first += RowChunk) {
        const int chunk = int(std::min<Eigen::Index>(RowChunk, count - first));
        const Eigen::MatrixXd jacobian = m_forward->jacobian(lineRows.mid(int(first), chunk),
            progressRange(progress, double(first) / count, double(first + chunk) / count));
        result.m_sensitivity.middleCols(first, chunk) = m_share * jacobian.transpose();
    }
    if (progress)
        progress(1);
    return result;
}

double GroundPairs::resistance(const SurveyRow &row) const
{
    double r = 0;
    for (int t = 0; t < 4 && row.sign[t] != 0; ++t)
        r += row.sign[t] * resistances(row.pair[t]);
    return r;
}

double GroundPairs::cancellation(const SurveyModel &survey, const Quadruple &q) const
{
    const auto part = [&](int p, int r) { return resistances(survey.pairIndex(p, r)); };
    return cancellationOfParts(part(q.a, q.m), part(q.a, q.n), part(q.b, q.m), part(q.b, q.n));
}

const GroundPairs &GroundModel::pairs(const ProgressFunction &progress)
{
    Q_ASSERT(m_error.isEmpty() && !m_survey.grid().isLine());
    if (m_pairs)
        return *m_pairs;
    const int electrodes = m_survey.grid().electrodes();
    QVector<QPair<int, int>> electrodePairs(int(m_survey.pairCount()));
    for (int p = 1; p <= electrodes; ++p) {
        for (int q = p + 1; q <= electrodes && q - p < m_survey.grid().spread(); ++q)
            electrodePairs[m_survey.pairIndex(p, q)] = { p, q };
    }
    const Eigen::MatrixXd jacobian = m_forward->poleJacobian(electrodePairs, progress);
    const Eigen::MatrixXd poles = m_forward->poles();
    m_pairs = std::make_unique<GroundPairs>();
    m_pairs->vectors = m_share * jacobian;
    m_pairs->resistances.resize(electrodePairs.size());
    for (int i = 0; i < electrodePairs.size(); ++i)
        m_pairs->resistances(i)
            = poles(electrodePairs.at(i).second - 1, electrodePairs.at(i).first - 1);
    return *m_pairs;
}

QVector<double> cumulativeSensitivity(const GroundRows &rows)
{
    const Eigen::VectorXd sum = rows.sensitivity().cwiseAbs().rowwise().sum();
    return QVector<double>(sum.data(), sum.data() + sum.size());
}

} // namespace Kgw
