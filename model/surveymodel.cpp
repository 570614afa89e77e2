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

} // namespace

Eigen::MatrixXd rowColumns(const Eigen::MatrixXd &basis, const std::vector<SurveyRow> &rows)
{
    Eigen::MatrixXd columns = Eigen::MatrixXd::Zero(basis.rows(), Eigen::Index(rows.size()));
    for (size_t i = 0; i < rows.size(); ++i)
        addRowColumn(basis, rows[i], columns.col(Eigen::Index(i)));
    return columns;
}

ProgressFunction progressRange(const ProgressFunction &progress, double from, double to)
{
    if (!progress)
        return ProgressFunction();
    return [progress, from, to](double share) { progress(from + (to - from) * share); };
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
    if (!m_error.isEmpty() || scope == Sensitivity)
        return;
    const int cells = grid.cellCount();
    const int electrodes = grid.electrodes();
    m_pairs.resize(cells, electrodes * (electrodes - 1) / 2);
    for (int p = 1; p <= electrodes; ++p) {
        for (int q = p + 1; q <= electrodes; ++q)
            m_pairs.col(pairIndex(p, q))
                = Eigen::Map<const Eigen::VectorXd>(m_table.pair(p, q), cells);
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
    const int e = grid().electrodes();
    return (p - 1) * (2 * e - p) / 2 + (q - p - 1);
}

SurveyModel::RowStatus SurveyModel::row(const Quadruple &q, SurveyRow *row) const
{
    if (m_options.excluded.firstUsedBy(q) != 0)
        return WithoutRow;
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
    Eigen::MatrixXd h = Eigen::MatrixXd::Zero(cells, cells);
    const bool byPairs = double(rows.size()) * double(cells) * double(cells) / 2
        > double(pairs) * double(cells) * double(2 * pairs + cells);
    if (!byPairs) {
        constexpr Eigen::Index Chunk = 256;
        Eigen::MatrixXd block(cells, Chunk);
        for (size_t first = 0; first < rows.size(); first += Chunk) {
            const Eigen::Index count = Eigen::Index(std::min<size_t>(Chunk, rows.size() - first));
            block.setZero();
            for (Eigen::Index i = 0; i < count; ++i)
                addRowColumn(m_pairs, rows[first + size_t(i)], block.col(i));
            h.selfadjointView<Eigen::Lower>().rankUpdate(block.leftCols(count));
            report(double(first + size_t(count)) / double(rows.size()));
        }
        return h;
    }

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
