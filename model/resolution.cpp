#include "resolution.h"

#include <Eigen/Dense>

#include <algorithm>
#include <cmath>
#include <vector>

namespace Kgw {

namespace {

// One configuration's row, as its pairs, K and weight 1 / sigma².
struct WeightedRow {
    PairTable::Term terms[4];
    int count = 0;
    double factor = 0;
    double weight = 0;
};

struct Rows {
    std::vector<WeightedRow> rows;
    int withoutRow = 0;
    int overLimit = 0;
};

Rows weightedRows(
    const PairTable &table, const QVector<Quadruple> &sequence, const ResolutionOptions &options)
{
    Rows result;
    result.rows.reserve(sequence.size());
    for (const Quadruple &q : sequence) {
        WeightedRow row;
        row.count = table.terms(q, row.terms, &row.factor);
        if (row.count == 0) {
            ++result.withoutRow;
        } else if (std::abs(row.factor) > options.factorLimit) {
            ++result.overLimit;
        } else {
            const double sigma = options.noise.sigma(row.factor);
            row.weight = 1 / (sigma * sigma);
            result.rows.push_back(row);
        }
    }
    return result;
}

} // namespace

double NoiseModel::sigma(double factorMetres) const
{
    return relativeError + floorPerMetre * std::abs(factorMetres);
}

std::vector<std::vector<int>> cellNeighbours(const ModelGrid &grid)
{
    std::vector<std::vector<int>> neighbours(grid.cellCount());
    for (int c = 0; c < grid.columns(); ++c) {
        for (int l = 0; l < grid.layers(); ++l) {
            const int here = grid.cell(c, l);
            if (c + 1 < grid.columns()) {
                neighbours[here].push_back(grid.cell(c + 1, l));
                neighbours[grid.cell(c + 1, l)].push_back(here);
            }
            if (l + 1 < grid.layers()) {
                neighbours[here].push_back(grid.cell(c, l + 1));
                neighbours[grid.cell(c, l + 1)].push_back(here);
            }
        }
    }
    return neighbours;
}

QVector<Quadruple> comprehensiveConfigurations(int electrodes)
{
    QVector<Quadruple> all;
    if (electrodes < 4)
        return all;
    const qint64 n = electrodes;
    all.reserve(int(n * (n - 1) * (n - 2) * (n - 3) / 8));
    for (int i = 1; i <= electrodes; ++i) {
        for (int j = i + 1; j <= electrodes; ++j) {
            for (int k = j + 1; k <= electrodes; ++k) {
                for (int l = k + 1; l <= electrodes; ++l) {
                    all.append(Quadruple { i, l, j, k });
                    all.append(Quadruple { i, j, k, l });
                    all.append(Quadruple { i, k, j, l });
                }
            }
        }
    }
    return all;
}

struct ResolutionModel::Private {
    PairTable table;
    ResolutionOptions options;
    QString error;
    double lambda = 0;
    SequenceResolution comprehensive;
    // Per cell, the cells it is differenced with: the smoothness C is one row per such pair.
    std::vector<std::vector<int>> neighbours;
    // Every pair vector as a column, for assembling GᵀWG pair by pair.
    Eigen::MatrixXd pairs;

    Private(const PairTable &t, const ResolutionOptions &o)
        : table(t)
        , options(o)
    { }

    int pairCount() const
    {
        const int e = table.grid().electrodes();
        return e * (e - 1) / 2;
    }
    // p < q
    int pairIndex(int p, int q) const
    {
        const int e = table.grid().electrodes();
        return (p - 1) * (2 * e - p) / 2 + (q - p - 1);
    }

    Eigen::MatrixXd normalMatrix(
        const std::vector<WeightedRow> &rows, bool byPairs, const ProgressFunction &progress) const;
    // a holds GᵀWG in its lower triangle and is overwritten.
    SequenceResolution resolve(const Rows &rows, Eigen::MatrixXd &a,
        const SequenceResolution *reference, const ProgressFunction &progress) const;
};

// GᵀWG, lower triangle. Row by row, each row costs cells² operations. Every row is a signed
// sum of pair vectors, so GᵀWG is also T M Tᵀ with T the pair vectors and M the weighted
// products of the rows' pair signs, which costs pairs × cells × (pairs + cells) whatever the
// number of rows: the way to go for the comprehensive set.
Eigen::MatrixXd ResolutionModel::Private::normalMatrix(
    const std::vector<WeightedRow> &rows, bool byPairs, const ProgressFunction &progress) const
{
    const auto report = [&](double share) {
        if (progress)
            progress(share);
    };
    const int cells = table.grid().cellCount();
    Eigen::MatrixXd h = Eigen::MatrixXd::Zero(cells, cells);
    if (!byPairs) {
        constexpr int Chunk = 256;
        Eigen::MatrixXd block(cells, Chunk);
        for (size_t first = 0; first < rows.size(); first += Chunk) {
            const int count = int(std::min<size_t>(Chunk, rows.size() - first));
            block.setZero();
            for (int i = 0; i < count; ++i) {
                const WeightedRow &row = rows[first + i];
                const double scale = row.factor * std::sqrt(row.weight);
                for (int t = 0; t < row.count; ++t) {
                    const PairTable::Term &term = row.terms[t];
                    block.col(i) += (scale * term.sign)
                        * Eigen::Map<const Eigen::VectorXd>(table.pair(term.p, term.q), cells);
                }
            }
            h.selfadjointView<Eigen::Lower>().rankUpdate(block.leftCols(count));
            report(double(first + count) / rows.size());
        }
        return h;
    }

    Eigen::MatrixXd m = Eigen::MatrixXd::Zero(pairCount(), pairCount());
    for (const WeightedRow &row : rows) {
        int index[4];
        for (int t = 0; t < row.count; ++t)
            index[t] = pairIndex(
                std::min(row.terms[t].p, row.terms[t].q), std::max(row.terms[t].p, row.terms[t].q));
        const double scale = row.factor * row.factor * row.weight;
        for (int t = 0; t < row.count; ++t) {
            for (int u = 0; u < row.count; ++u)
                m(index[t], index[u]) += scale * row.terms[t].sign * row.terms[u].sign;
        }
    }
    // In blocks, only so that progress can be told: M's columns, then GᵀWG's rows down to the
    // diagonal.
    constexpr int Blocks = 8;
    const int count = pairCount();
    Eigen::MatrixXd tm(cells, count);
    for (int b = 0; b < Blocks; ++b) {
        const int first = count * b / Blocks;
        const int width = count * (b + 1) / Blocks - first;
        tm.middleCols(first, width).noalias() = this->pairs * m.middleCols(first, width);
        report(0.5 * (b + 1) / Blocks);
    }
    for (int b = 0; b < Blocks; ++b) {
        const int first = cells * b / Blocks;
        const int end = cells * (b + 1) / Blocks;
        // The block's part above the diagonal is computed too, and never read.
        h.block(first, 0, end - first, end).noalias()
            = tm.middleRows(first, end - first) * this->pairs.topRows(end).transpose();
        report(0.5 + 0.5 * (b + 1) / Blocks);
    }
    return h;
}

// R_jj = 1 - lambda (A^-1 CᵀC)_jj with A = GᵀWG + lambda CᵀC = L Lᵀ. CᵀC has a few entries per
// column, so only the entries of A^-1 = L^-T L^-1 next to the diagonal are needed.
SequenceResolution ResolutionModel::Private::resolve(const Rows &rows, Eigen::MatrixXd &a,
    const SequenceResolution *reference, const ProgressFunction &progress) const
{
    const double lambdaValue = lambda;
    const int cells = table.grid().cellCount();
    SequenceResolution result;
    result.configurations = int(rows.rows.size()) + rows.withoutRow + rows.overLimit;
    result.withoutRow = rows.withoutRow;
    result.overLimit = rows.overLimit;
    result.resolution.fill(0, cells);
    result.relative.fill(0, cells);
    if (rows.rows.empty())
        return result;

    const auto report = [&](double share) {
        if (progress)
            progress(share);
    };
    for (int j = 0; j < cells; ++j) {
        a(j, j) += lambdaValue * neighbours[j].size();
        for (const int k : neighbours[j]) {
            if (k > j)
                a(k, j) -= lambdaValue;
        }
    }
    // Positive definite whenever a row carries signal: C's differences leave out only a uniform
    // change of all cells, and to that every row with signal responds (its J sums to about 1).
    Eigen::LLT<Eigen::Ref<Eigen::MatrixXd>, Eigen::Lower> llt(a);
    report(0.3);
    // L^-1 block column by block column: below the diagonal block only the trailing part of L
    // takes part, which saves two thirds of a full solve. a now holds L in its lower triangle.
    Eigen::MatrixXd inverseL;
    if (llt.info() == Eigen::Success) {
        inverseL = Eigen::MatrixXd::Zero(cells, cells);
        constexpr int Block = 128;
        for (int first = 0; first < cells; first += Block) {
            const int width = std::min(Block, cells - first);
            auto target = inverseL.block(first, first, cells - first, width);
            target.topRows(width).setIdentity();
            a.bottomRightCorner(cells - first, cells - first)
                .triangularView<Eigen::Lower>()
                .solveInPlace(target);
        }
    }
    report(0.95);
    const auto inverseA = [&](int j, int k) {
        const int from = std::max(j, k);
        return inverseL.col(j).tail(cells - from).dot(inverseL.col(k).tail(cells - from));
    };

    double sum = 0;
    double relative = 0;
    int compared = 0;
    for (int j = 0; j < cells; ++j) {
        double r = 0;
        if (inverseL.size() > 0) {
            double ctc = neighbours[j].size() * inverseA(j, j);
            for (const int k : neighbours[j])
                ctc -= inverseA(j, k);
            r = 1 - lambdaValue * ctc;
        }
        result.resolution[j] = r;
        sum += r;
        const double best = reference ? reference->resolution.at(j) : r;
        if (best > 0) {
            result.relative[j] = r / best;
            relative += r / best;
            ++compared;
        }
    }
    result.meanResolution = sum / cells;
    result.meanRelative = compared > 0 ? relative / compared : 0;
    report(1);
    return result;
}

ResolutionModel::ResolutionModel(
    const PairTable &table, const ResolutionOptions &options, const ProgressFunction &progress)
    : d(new Private(table, options))
{
    const ModelGrid &grid = table.grid();
    if (!grid.isValid()) {
        d->error = grid.error();
        return;
    }
    const int cells = grid.cellCount();
    if (cells > MaxCells) {
        d->error = QStringLiteral("the grid has %1 cells, more than the %2 a resolution takes")
                       .arg(cells)
                       .arg(MaxCells);
        return;
    }
    d->neighbours = cellNeighbours(grid);
    double smoothnessTrace = 0;
    for (const std::vector<int> &around : d->neighbours)
        smoothnessTrace += around.size();

    const int electrodes = grid.electrodes();
    d->pairs.resize(cells, d->pairCount());
    for (int p = 1; p <= electrodes; ++p) {
        for (int q = p + 1; q <= electrodes; ++q)
            d->pairs.col(d->pairIndex(p, q))
                = Eigen::Map<const Eigen::VectorXd>(table.pair(p, q), cells);
    }

    const Rows rows = weightedRows(table, comprehensiveConfigurations(electrodes), options);
    if (rows.rows.empty()) {
        d->error = QStringLiteral("no configuration of the comprehensive set is within the limit");
        return;
    }
    Eigen::MatrixXd a = d->normalMatrix(rows.rows, true, [&](double share) {
        if (progress)
            progress(0.6 * share);
    });
    d->lambda = options.damping * a.trace() / smoothnessTrace;
    d->comprehensive = d->resolve(rows, a, nullptr, [&](double share) {
        if (progress)
            progress(0.6 + 0.4 * share);
    });
}

ResolutionModel::~ResolutionModel() = default;

bool ResolutionModel::isValid() const
{
    return d->error.isEmpty();
}

QString ResolutionModel::error() const
{
    return d->error;
}

const PairTable &ResolutionModel::table() const
{
    return d->table;
}

const ResolutionOptions &ResolutionModel::options() const
{
    return d->options;
}

double ResolutionModel::lambda() const
{
    return d->lambda;
}

const SequenceResolution &ResolutionModel::comprehensive() const
{
    return d->comprehensive;
}

SequenceResolution ResolutionModel::evaluate(
    const QVector<Quadruple> &sequence, const ProgressFunction &progress) const
{
    if (!isValid())
        return SequenceResolution();
    const Rows rows = weightedRows(d->table, sequence, d->options);
    const double cells = d->table.grid().cellCount();
    const double pairs = d->pairCount();
    const bool byPairs
        = double(rows.rows.size()) * cells * cells / 2 > pairs * cells * (2 * pairs + cells);
    Eigen::MatrixXd a = d->normalMatrix(rows.rows, byPairs, [&](double share) {
        if (progress)
            progress(0.4 * share);
    });
    return d->resolve(rows, a, &d->comprehensive, [&](double share) {
        if (progress)
            progress(0.4 + 0.6 * share);
    });
}

bool withinFactorLimit(const PairTable &table, const Quadruple &q, double factorLimit)
{
    PairTable::Term terms[4];
    double factor = 0;
    return table.terms(q, terms, &factor) > 0 && std::abs(factor) <= factorLimit;
}

QVector<double> cumulativeSensitivity(
    const PairTable &table, const QVector<Quadruple> &sequence, double factorLimit)
{
    const int cells = table.grid().cellCount();
    QVector<double> sum(cells, 0.0);
    QVector<double> row(cells);
    for (const Quadruple &q : sequence) {
        if (!withinFactorLimit(table, q, factorLimit) || !table.row(q, row.data()))
            continue;
        for (int c = 0; c < cells; ++c)
            sum[c] += std::abs(row.at(c));
    }
    return sum;
}

} // namespace Kgw
