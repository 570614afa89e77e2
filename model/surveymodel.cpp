#include "surveymodel.h"

#include "geometry.h"

#include <Eigen/Cholesky>

#include <algorithm>
#include <cmath>

namespace Kgw {

namespace {

template <typename Column>
void addRowColumn(const Eigen::MatrixXd &basis, const SurveyRow &row, Column &&column)
{
    for (int t = 0; t < 4 && row.sign[t] != 0; ++t)
        column += (row.scale * row.sign[t]) * basis.col(row.pair[t]);
}

// GᵀWG row by row, as a rank update of 256 rows at a time, each row's column of G made by
// addColumn(row, column).
template <typename AddColumn>
Eigen::MatrixXd rankUpdates(Eigen::Index cells, const std::vector<SurveyRow> &rows,
    AddColumn &&addColumn, const ProgressFunction &progress)
{
    Eigen::MatrixXd h = Eigen::MatrixXd::Zero(cells, cells);
    constexpr Eigen::Index Chunk = 256;
    Eigen::MatrixXd block(cells, Chunk);
    for (size_t first = 0; first < rows.size(); first += Chunk) {
        const Eigen::Index count = Eigen::Index(std::min<size_t>(Chunk, rows.size() - first));
        block.setZero();
        for (Eigen::Index i = 0; i < count; ++i)
            addColumn(rows[first + size_t(i)], block.col(i));
        h.selfadjointView<Eigen::Lower>().rankUpdate(block.leftCols(count));
        if (progress)
            progress(double(first + size_t(count)) / double(rows.size()));
    }
    return h;
}

// A configuration of the cable laid from line position 1, which every position along the line
// repeats as far as the line reaches: its weight, its pairs as offsets from where it is laid,
// and its electrodes, for the exclusions.
struct LineShape {
    double scale = 0;
    int height = 0; // its highest electrode's offset
    int pairs = 0;
    int offset[4] = {};
    int distance[4] = {};
    qint8 sign[4] = {};
    int electrodes[4] = {}; // offsets, -1 for a remote electrode
};

} // namespace

Eigen::MatrixXd rowColumns(const Eigen::MatrixXd &basis, const std::vector<SurveyRow> &rows)
{
    Eigen::MatrixXd columns = Eigen::MatrixXd::Zero(basis.rows(), Eigen::Index(rows.size()));
    for (size_t i = 0; i < rows.size(); ++i)
        addRowColumn(basis, rows[i], columns.col(Eigen::Index(i)));
    return columns;
}

double NoiseModel::sigma(double factorMetres, double cancellation, int exponent) const
{
    return std::ldexp(relativeError, -exponent)
        + std::ldexp(cancellationError, -exponent) * (cancellation - 1)
        + std::ldexp(floorPerMetre, -exponent) * std::abs(factorMetres);
}

QString NoiseModel::error() const
{
    // The floor per metre is floor / (rho I): a product of ground and current that underflows
    // makes it infinite.
    if (!std::isfinite(floorPerMetre))
        return QStringLiteral("the voltages rho I / |K| expected at this resistivity and current "
                              "are too small to work with: give a larger resistivity or current");
    if (!(relativeError >= 0 && cancellationError >= 0 && floorPerMetre >= 0)
        || !std::isfinite(relativeError) || !std::isfinite(cancellationError)
        || std::max({ relativeError, cancellationError, floorPerMetre }) == 0)
        return QStringLiteral("the noise model needs a relative error, a cancellation error or "
                              "a voltage floor above 0, and none below it");
    return QString();
}

int NoiseModel::weightExponent() const
{
    const double largest = std::max({ relativeError, cancellationError, floorPerMetre });
    if (!error().isEmpty())
        return 0;
    return std::ilogb(largest) - std::ilogb(DefaultRelativeError);
}

double NoiseModel::floorPerMetreAt(
    double floorVolts, double resistivityOhmMetres, double currentAmperes)
{
    return floorVolts / (resistivityOhmMetres * currentAmperes);
}

namespace {

QString gridError(const ModelGrid &grid, SurveyModel::Scope scope)
{
    if (!grid.isValid())
        return grid.error();
    if (scope == SurveyModel::Resolution && grid.cellCount() > SurveyModel::MaxCells)
        return QStringLiteral("the grid has %1 cells, more than the %2 a resolution takes")
            .arg(grid.cellCount())
            .arg(SurveyModel::MaxCells);
    return QString();
}

// A sensitivity weighs no row, so only a resolution needs a noise model that can.
QString modelError(
    const ModelGrid &grid, const ResolutionOptions &options, SurveyModel::Scope scope)
{
    const QString error = gridError(grid, scope);
    return error.isEmpty() && scope == SurveyModel::Resolution ? options.noise.error() : error;
}

} // namespace

// A refused grid is not worked on at all: the table alone would take long on one too large.
SurveyModel::SurveyModel(const ModelGrid &grid, const ResolutionOptions &options, Scope scope,
    const ProgressFunction &progress)
    : m_table(modelError(grid, options, scope).isEmpty() ? grid : ModelGrid(),
        progressRange(progress, 0, 0.9))
    , m_options(options)
    , m_scope(scope)
    , m_error(modelError(grid, options, scope))
    , m_weightExponent(options.noise.weightExponent())
{
    if (!m_error.isEmpty())
        return;
    // Pairs by their lower electrode, each with the electrodes up to the spread's reach above it.
    const int electrodes = grid.electrodes();
    const int reach = grid.spread() - 1;
    m_pairOffsets.assign(size_t(electrodes) + 2, 0);
    for (int p = 1; p <= electrodes; ++p) {
        const int above = std::min(reach, electrodes - p);
        m_pairOffsets[size_t(p) + 1] = m_pairOffsets[size_t(p)] + above;
        for (int d = 1; d <= above; ++d)
            m_pairElectrodes.emplace_back(qint16(p), qint16(p + d));
    }
    m_pairCount = m_pairOffsets.back();
    if (scope == Sensitivity)
        return;
    const int cells = grid.cellCount();
    if (!grid.isLine()) {
        m_pairs.resize(cells, m_pairCount);
        for (int p = 1; p <= electrodes; ++p) {
            for (int q = p + 1; q <= electrodes; ++q)
                m_pairs.col(pairIndex(p, q))
                    = Eigen::Map<const Eigen::VectorXd>(m_table.pair(p, q), cells);
        }
    }

    m_neighbours.resize(size_t(cells));
    for (int c = 0; c < grid.columns(); ++c) {
        for (int l = 0; l < grid.layers(); ++l) {
            const int here = grid.cell(c, l);
            if (c + 1 < grid.columns()) {
                m_neighbours[size_t(here)].push_back(grid.cell(c + 1, l));
                m_neighbours[size_t(grid.cell(c + 1, l))].push_back(here);
            }
            if (l + 1 < grid.layers()) {
                m_neighbours[size_t(here)].push_back(grid.cell(c, l + 1));
                m_neighbours[size_t(grid.cell(c, l + 1))].push_back(here);
            }
        }
    }
    if (progress)
        progress(1);
}

int SurveyModel::pairIndex(int p, int q) const
{
    if (p > q)
        std::swap(p, q);
    return m_pairOffsets[size_t(p)] + (q - p - 1);
}

Eigen::Map<const Eigen::VectorXd> SurveyModel::pairColumn(int index) const
{
    const auto [p, q] = m_pairElectrodes[size_t(index)];
    return Eigen::Map<const Eigen::VectorXd>(m_table.pair(p, q), cellCount());
}

SurveyModel::RowStatus SurveyModel::row(const Quadruple &q, SurveyRow *row) const
{
    return rowOf(q, row);
}

SurveyModel::RowStatus SurveyModel::row(const LineQuadruple &q, SurveyRow *row) const
{
    return rowOf(q, row);
}

template <typename Row>
SurveyModel::RowStatus SurveyModel::rowOf(const Row &q, SurveyRow *row) const
{
    if (m_options.excluded.firstUsedBy(q) != 0)
        return WithoutRow;
    return weighRow(q, row);
}

template <typename Row>
SurveyModel::RowStatus SurveyModel::weighRow(const Row &q, SurveyRow *row) const
{
    PairTable::Term terms[4];
    double factor = 0;
    const int count = m_table.terms(q, terms, &factor);
    if (count == 0)
        return WithoutRow;
    if (std::abs(factor) > m_options.factorLimit
        || expectedVoltage(factor, m_options.resistivityOhmMetres, m_options.currentAmperes)
            < m_options.minVoltage)
        return OverLimit;
    if (row) {
        *row = SurveyRow();
        for (int t = 0; t < count; ++t) {
            row->pair[t] = quint16(pairIndex(terms[t].p, terms[t].q));
            row->sign[t] = qint8(terms[t].sign);
        }
        row->scale = factor
            / m_options.noise.sigma(factor,
                m_options.noise.cancellationError > 0 ? signalCancellation(q) : 1,
                m_weightExponent);
        row->current = q.b > 0 ? pairIndex(q.a, q.b) : -1;
    }
    return HasRow;
}

// Row by row, each row costs cells² operations. Every row is a signed sum of pair vectors, so
// GᵀWG is also T M Tᵀ with M the weighted products of the rows' pair signs, which costs
// pairs × cells × (pairs + cells) whatever the number of rows: the way to go for many rows.
Eigen::MatrixXd SurveyModel::normalMatrix(
    const std::vector<SurveyRow> &rows, const ProgressFunction &progress) const
{
    const auto report = [&](double share) {
        if (progress)
            progress(share);
    };
    const Eigen::Index cells = cellCount();
    const Eigen::Index pairs = pairCount();
    if (grid().isLine())
        return lineNormalMatrix(rows, progress);
    const bool byPairs = double(rows.size()) * double(cells) * double(cells) / 2
        > double(pairs) * double(cells) * double(2 * pairs + cells);
    if (!byPairs) {
        return rankUpdates(
            cells, rows,
            [this](const SurveyRow &row, auto &&column) { addRowColumn(m_pairs, row, column); },
            progress);
    }
    Eigen::MatrixXd h = Eigen::MatrixXd::Zero(cells, cells);

    Eigen::MatrixXd m = Eigen::MatrixXd::Zero(pairs, pairs);
    for (const SurveyRow &row : rows) {
        const double scale = row.scale * row.scale;
        for (int t = 0; t < 4 && row.sign[t] != 0; ++t) {
            for (int u = 0; u < 4 && row.sign[u] != 0; ++u)
                m(row.pair[t], row.pair[u]) += scale * row.sign[t] * row.sign[u];
        }
    }
    // In blocks, only so that progress can be told: M's columns, then GᵀWG's rows down to the
    // diagonal.
    constexpr int Blocks = 8;
    Eigen::MatrixXd tm(cells, pairs);
    for (int b = 0; b < Blocks; ++b) {
        const Eigen::Index first = pairs * b / Blocks;
        const Eigen::Index width = pairs * (b + 1) / Blocks - first;
        tm.middleCols(first, width).noalias() = m_pairs * m.middleCols(first, width);
        report(0.5 * (b + 1) / Blocks);
    }
    for (int b = 0; b < Blocks; ++b) {
        const Eigen::Index first = cells * b / Blocks;
        const Eigen::Index end = cells * (b + 1) / Blocks;
        // The block's part above the diagonal is computed too, and never read.
        h.block(first, 0, end - first, end).noalias()
            = tm.middleRows(first, end - first) * m_pairs.topRows(end).transpose();
        report(0.5 + 0.5 * (b + 1) / Blocks);
    }
    return h;
}

// A line's T has a column for each pair one cable holds, thousands, and its M would have the square
// of that: too much to hold. Row by row, each costs cells² operations; but every pair's column
// is needed only beside those of pairs the cable holds with it, whose lower electrodes lie within
// its reach. So M is a band of small blocks, M[p, p'] between the pairs with lower electrodes p
// and p', and GᵀWG = Σ_p T_p M[p, p] T_pᵀ + Σ_{p < p'} (T_p M[p, p'] T_p'ᵀ + its transpose)
// = Σ_p (T_p Z_pᵀ + Z_p T_pᵀ), Z_p = T_p M[p, p] / 2 + Σ_{p' > p} T_p' M[p, p']ᵀ. The blocks of p
// come from the rows that have a pair whose lower electrode is p, and only the reach's T_p' are
// held at a time: cells × reach² numbers, whatever the line's length.
Eigen::MatrixXd SurveyModel::bandedNormalMatrix(
    const RowsAt &rowsAt, const ProgressFunction &progress) const
{
    const int electrodes = grid().electrodes();
    const int reach = grid().spread() - 1;
    const Eigen::Index cells = cellCount();
    const auto above = [&](int p) { return std::clamp(electrodes - p, 0, reach); };
    std::vector<Eigen::MatrixXd> window(static_cast<size_t>(reach));
    const auto columns = [&](int p) -> Eigen::MatrixXd & { return window[size_t(p % reach)]; };
    const auto load = [&](int p) {
        Eigen::MatrixXd &t = columns(p);
        t.resize(cells, above(p));
        for (int d = 1; d <= above(p); ++d)
            t.col(d - 1) = pairColumn(pairIndex(p, p + d));
    };
    // m[delta](d - 1, d' - 1): the block between the pair p, p + d and the pair p + delta,
    // p + delta + d'.
    std::vector<Eigen::MatrixXd> m(size_t(reach), Eigen::MatrixXd(reach, reach));
    Eigen::MatrixXd h = Eigen::MatrixXd::Zero(cells, cells);
    Eigen::MatrixXd z(cells, reach);
    Eigen::MatrixXd left(cells, 2 * reach);
    Eigen::MatrixXd right(cells, 2 * reach);
    for (int p = 1; p < std::min(electrodes, reach); ++p)
        load(p);
    for (int p = 1; p < electrodes; ++p) {
        if (p + reach - 1 < electrodes)
            load(p + reach - 1);
        const Eigen::Index n = above(p);
        for (Eigen::MatrixXd &block : m)
            block.setZero();
        rowsAt(p, [&](const SurveyRow &row) {
            for (int t = 0; t < 4 && row.sign[t] != 0; ++t) {
                const auto [tp, tq] = m_pairElectrodes[row.pair[t]];
                if (tp != p)
                    continue;
                const double weight = row.scale * row.scale * row.sign[t];
                for (int u = 0; u < 4 && row.sign[u] != 0; ++u) {
                    const auto [up, uq] = m_pairElectrodes[row.pair[u]];
                    if (up >= p)
                        m[size_t(up - p)](tq - tp - 1, uq - up - 1) += weight * row.sign[u];
                }
            }
        });
        const Eigen::MatrixXd &own = columns(p);
        z.leftCols(n).noalias() = 0.5 * own * m[0].topLeftCorner(n, n);
        for (int delta = 1; delta < reach && p + delta < electrodes; ++delta) {
            // The pair above reaches no further than the cable from p.
            const Eigen::Index k = std::min(reach - delta, above(p + delta));
            z.leftCols(n).noalias() += columns(p + delta).leftCols(k)
                * m[size_t(delta)].topLeftCorner(n, k).transpose();
        }
        left.leftCols(n) = own;
        left.middleCols(n, n) = z.leftCols(n);
        right.leftCols(n) = z.leftCols(n);
        right.middleCols(n, n) = own;
        h.triangularView<Eigen::Lower>()
            += left.leftCols(2 * n) * right.leftCols(2 * n).transpose();
        if (progress)
            progress(double(p) / (electrodes - 1));
    }
    return h;
}

// Row by row while that costs less than the band: a plan's few thousand rows; by the band for
// more.
Eigen::MatrixXd SurveyModel::lineNormalMatrix(
    const std::vector<SurveyRow> &rows, const ProgressFunction &progress) const
{
    if (double(rows.size()) <= 2 * double(pairCount())) {
        return rankUpdates(
            cellCount(), rows,
            [this](const SurveyRow &row, auto &&column) {
                for (int t = 0; t < 4 && row.sign[t] != 0; ++t)
                    column += (row.scale * row.sign[t]) * pairColumn(row.pair[t]);
            },
            progress);
    }
    // Each row under every lower electrode of its pairs.
    std::vector<std::vector<int>> byLower(size_t(grid().electrodes()) + 1);
    for (size_t i = 0; i < rows.size(); ++i) {
        int last = 0;
        int lowers[4] = {};
        for (int t = 0; t < 4 && rows[i].sign[t] != 0; ++t) {
            const int p = m_pairElectrodes[rows[i].pair[t]].first;
            if (std::find(lowers, lowers + last, p) == lowers + last) {
                lowers[last++] = p;
                byLower[size_t(p)].push_back(int(i));
            }
        }
    }
    return bandedNormalMatrix(
        [&](int p, const RowVisitor &visit) {
            for (const int i : byLower[size_t(p)])
                visit(rows[size_t(i)]);
        },
        progress);
}

Eigen::MatrixXd SurveyModel::lineComprehensiveMatrix(
    RowCounts *counts, const ProgressFunction &progress) const
{
    const int electrodes = grid().electrodes();
    const int spread = grid().spread();
    const int reach = spread - 1;
    const ElectrodeSet &excluded = m_options.excluded;
    *counts = RowCounts();

    // Every configuration of the cable whose lowest electrode is the cable's first, in the order
    // of comprehensiveConfigurations(): the four-electrode ones, pole-pole and pole-dipole.
    std::vector<LineQuadruple> laid;
    for (int j = 2; j <= spread; ++j) {
        for (int k = j + 1; k <= spread; ++k) {
            for (int l = k + 1; l <= spread; ++l) {
                laid.emplace_back(1, l, j, k);
                laid.emplace_back(1, j, k, l);
                laid.emplace_back(1, k, j, l);
            }
        }
    }
    for (int m = 2; m <= spread; ++m)
        laid.emplace_back(1, 0, m, 0);
    for (int m = 2; m <= spread; ++m) {
        for (int n = m + 1; n <= spread; ++n)
            laid.emplace_back(1, 0, m, n);
    }
    for (int a = 2; a <= spread; ++a) {
        for (int n = 2; n <= spread; ++n) {
            if (n != a)
                laid.emplace_back(a, 0, 1, n);
        }
    }

    // Each with a row under the shapes of the lower electrodes of its pairs, by their offset.
    std::vector<LineShape> shapes;
    std::vector<std::vector<int>> byOffset(static_cast<size_t>(reach));
    for (const LineQuadruple &q : laid) {
        const int height = electrodeSpan(q).highest - 1;
        const int anchors = electrodes - height;
        int excludedAnchors = 0;
        if (!excluded.isEmpty()) {
            for (int anchor = 1; anchor <= anchors; ++anchor)
                excludedAnchors
                    += excluded.firstUsedBy(toLinePositions(Quadruple(q.a, q.b, q.m, q.n), anchor))
                        != 0
                    ? 1
                    : 0;
        }
        counts->configurations += anchors;
        SurveyRow row;
        const RowStatus status = weighRow(q, &row);
        if (status == WithoutRow) {
            counts->withoutRow += anchors;
            continue;
        }
        counts->withoutRow += excludedAnchors;
        if (status == OverLimit) {
            counts->overLimit += anchors - excludedAnchors;
            continue;
        }
        LineShape shape;
        shape.scale = row.scale;
        shape.height = height;
        const int electrodesOf[4] = { q.a, q.b, q.m, q.n };
        for (int i = 0; i < 4; ++i)
            shape.electrodes[i] = electrodesOf[i] - 1;
        for (int t = 0; t < 4 && row.sign[t] != 0; ++t) {
            const auto [p, r] = m_pairElectrodes[row.pair[t]];
            shape.offset[t] = p - 1;
            shape.distance[t] = r - p;
            shape.sign[t] = row.sign[t];
            ++shape.pairs;
            const bool seen = std::find(shape.offset, shape.offset + t, p - 1) != shape.offset + t;
            if (!seen)
                byOffset[size_t(p - 1)].push_back(int(shapes.size()));
        }
        shapes.push_back(shape);
    }

    return bandedNormalMatrix(
        [&](int p, const RowVisitor &visit) {
            for (int offset = 0; offset < reach && offset < p; ++offset) {
                const int anchor = p - offset;
                for (const int index : byOffset[size_t(offset)]) {
                    const LineShape &shape = shapes[size_t(index)];
                    if (anchor + shape.height > electrodes)
                        continue;
                    if (!excluded.isEmpty()
                        && std::any_of(std::begin(shape.electrodes), std::end(shape.electrodes),
                            [&](int e) { return e >= 0 && excluded.contains(anchor + e); }))
                        continue;
                    SurveyRow row;
                    row.scale = shape.scale;
                    for (int t = 0; t < shape.pairs; ++t) {
                        const int lower = anchor + shape.offset[t];
                        row.pair[t] = quint16(pairIndex(lower, lower + shape.distance[t]));
                        row.sign[t] = shape.sign[t];
                    }
                    visit(row);
                }
            }
        },
        progress);
}

double SurveyModel::smoothnessTrace() const
{
    double trace = 0;
    for (const std::vector<int> &around : m_neighbours)
        trace += double(around.size());
    return trace;
}

void SurveyModel::addSmoothness(Eigen::MatrixXd &a, double lambda) const
{
    for (size_t j = 0; j < m_neighbours.size(); ++j) {
        a(Eigen::Index(j), Eigen::Index(j)) += lambda * double(m_neighbours[j].size());
        for (const int k : m_neighbours[j]) {
            if (size_t(k) > j)
                a(k, Eigen::Index(j)) -= lambda;
        }
    }
}

bool SurveyModel::factorise(Eigen::MatrixXd &a, QString *error) const
{
    bool finite = true;
    for (Eigen::Index j = 0; j < a.cols() && finite; ++j)
        finite = a.col(j).tail(a.rows() - j).allFinite();
    if (!finite) {
        *error = QStringLiteral("the weights 1 / sigma² overflow: give a larger relative error "
                                "or voltage floor");
        return false;
    }
    // Positive definite in exact arithmetic whenever a row carries signal: C's differences leave
    // out only a uniform change of all cells, and to that every row with signal responds. In
    // floating point it takes a damping that the largest weights do not swamp: below
    // MinReciprocalCondition, rounding alone moves R's entries in their third decimal.
    Eigen::LLT<Eigen::Ref<Eigen::MatrixXd>, Eigen::Lower> llt(a);
    if (llt.info() != Eigen::Success || !a.diagonal().allFinite()
        || llt.rcond() < MinReciprocalCondition) {
        *error = QStringLiteral("the damping %1 is too small for this grid: its equations "
                                "cannot be solved; give a larger damping")
                     .arg(m_options.damping, 0, 'g', 3);
        return false;
    }
    return true;
}

} // namespace Kgw
