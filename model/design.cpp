#include "design.h"

#include "arrays.h"
#include "geometry.h"

#include <Eigen/Dense>

#include <QElapsedTimer>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <thread>
#include <vector>

namespace Kgw {

namespace {

using Matrix = Eigen::MatrixXd;

// A row as the design keeps it: its pairs, their signs in G (0 past the last) and K / sigma.
struct Row {
    double scale = 0;
    quint16 pair[4] = {};
    qint8 sign[4] = {};
    qint32 current = 0; // the pair index of A and B
};

int pairIndex(int p, int q, int electrodes)
{
    if (p > q)
        std::swap(p, q);
    return (p - 1) * (2 * electrodes - p) / 2 + (q - p - 1);
}

// One key for a configuration, its swapped variants and its reciprocal: they all measure the
// same thing.
ConfigurationKey measurementKey(const Quadruple &q)
{
    return std::min(configurationKey(q), configurationKey(reciprocal(q)));
}

bool makeRow(const PairTable &table, const ResolutionOptions &options, const Quadruple &q, Row *row)
{
    PairTable::Term terms[4];
    double factor = 0;
    const int count = table.terms(q, terms, &factor);
    if (count == 0 || measuresNoSignal(q) || !(std::abs(factor) <= options.factorLimit))
        return false;
    const int electrodes = table.grid().electrodes();
    for (int t = 0; t < count; ++t) {
        row->pair[t] = pairIndex(terms[t].p, terms[t].q, electrodes);
        row->sign[t] = terms[t].sign;
    }
    row->scale = factor / options.noise.sigma(factor);
    row->current = q.b > 0 ? pairIndex(q.a, q.b, electrodes) : -1;
    return true;
}

// Both tables side by side, single precision: a score needs one entry of each, and a ranking
// needs no more digits. Half the memory traffic of the scoring, which is what it waits for.
struct Entry {
    float m;
    float q;
};

// The score of one row from the packed lower triangles.
inline double packedScore(const Entry *packed, Eigen::Index size, const Row &row)
{
    double m = 0;
    double q = 0;
    for (int t = 0; t < 4 && row.sign[t] != 0; ++t) {
        const Eigen::Index p = row.pair[t];
        const Entry &diagonal = packed[p * size + p];
        m += diagonal.m;
        q += diagonal.q;
        for (int u = 0; u < t; ++u) {
            const Eigen::Index other = row.pair[u];
            const Entry &e = packed[std::min(p, other) * size + std::max(p, other)];
            const double sign = 2 * row.sign[t] * row.sign[u];
            m += sign * e.m;
            q += sign * e.q;
        }
    }
    const double s2 = row.scale * row.scale;
    return s2 * q / (1 + s2 * m);
}

// Runs first and second side by side, the first on a thread of its own. The split never depends
// on the machine, so neither does any result.
template <typename First, typename Second>
void sideBySide(const First &first, const Second &second)
{
    std::thread thread(first);
    second();
    thread.join();
}

// Column `p` of a symmetric matrix kept in its lower triangle, scaled and added to `out`.
void addSymmetricColumn(const Matrix &m, Eigen::Index p, double scale, double *out)
{
    const Eigen::Index size = m.rows();
    for (Eigen::Index a = 0; a < p; ++a)
        out[a] += scale * m(p, a);
    for (Eigen::Index a = p; a < size; ++a)
        out[a] += scale * m(a, p);
}

// m times the batch's rows in pair space: column i is Σ s_p m_:p of row i.
Matrix timesRows(const Matrix &m, const std::vector<const Row *> &rows)
{
    Matrix out = Matrix::Zero(m.rows(), Eigen::Index(rows.size()));
    for (size_t i = 0; i < rows.size(); ++i) {
        for (int t = 0; t < 4 && rows[i]->sign[t] != 0; ++t)
            addSymmetricColumn(m, rows[i]->pair[t], rows[i]->scale * rows[i]->sign[t],
                out.col(Eigen::Index(i)).data());
    }
    return out;
}

// The batch's rows in pair space, transposed, times a pairs × k matrix.
Matrix rowsTimes(const std::vector<const Row *> &rows, const Matrix &m)
{
    Matrix out = Matrix::Zero(Eigen::Index(rows.size()), m.cols());
    for (size_t i = 0; i < rows.size(); ++i) {
        for (int t = 0; t < 4 && rows[i]->sign[t] != 0; ++t)
            out.row(Eigen::Index(i))
                += (rows[i]->scale * rows[i]->sign[t]) * m.row(rows[i]->pair[t]);
    }
    return out;
}

// The triangular solves have one right-hand side per pair; two halves run side by side.
template <typename Solve>
void inColumnHalves(Matrix &m, const Solve &solve)
{
    const Eigen::Index half = m.cols() / 2;
    sideBySide([&] { solve(m.leftCols(half)); }, [&] { solve(m.rightCols(m.cols() - half)); });
}

struct Designer {
    const ResolutionModel &model;
    const DesignOptions &options;
    const PairTable &table;
    Eigen::Index cells = 0;
    Eigen::Index pairs = 0;
    std::vector<double> cellWeights; // w_j / (m R_jj of the comprehensive set)
    // Tᵀ A^-1 T and the symmetric part of Zᵀ V lambda CᵀC Z, Z = A^-1 T, lower triangles.
    Matrix m;
    Matrix q;
    std::vector<Entry> packed;
    double tracked = 0;

    Designer(const ResolutionModel &r, const DesignOptions &o)
        : model(r)
        , options(o)
        , table(r.table())
    {
        const ModelGrid &grid = table.grid();
        cells = grid.cellCount();
        const int e = grid.electrodes();
        pairs = e * (e - 1) / 2;
    }

    bool weighCells(QString *error);
    bool prepare(const std::vector<Row> &base, QString *error);
    void score(const std::vector<Row> &candidates, const std::vector<char> &available,
        std::vector<double> *scores) const;
    void update(const std::vector<const Row *> &batch);
    void pack();
};

void Designer::pack()
{
    packed.resize(size_t(pairs * pairs));
    for (Eigen::Index col = 0; col < pairs; ++col) {
        for (Eigen::Index row = col; row < pairs; ++row)
            packed[size_t(col * pairs + row)] = { float(m(row, col)), float(q(row, col)) };
    }
}

bool Designer::weighCells(QString *error)
{
    const ModelGrid &grid = table.grid();
    const QVector<double> &best = model.comprehensive().resolution;
    cellWeights.assign(size_t(cells), 0);
    int counted = 0;
    for (int j = 0; j < cells; ++j) {
        if (best.at(j) > 0 && (!options.targeted || options.target.containsCell(grid, j))) {
            cellWeights[size_t(j)] = 1 / best.at(j);
            ++counted;
        }
    }
    if (counted == 0) {
        *error = QStringLiteral("no cell that the cable resolves has its centre in the target");
        return false;
    }
    for (double &w : cellWeights)
        w /= counted;
    return true;
}

// The tables for A = GᵀWG of the base set + lambda CᵀC: the one factorisation of the design.
bool Designer::prepare(const std::vector<Row> &base, QString *error)
{
    Matrix t(cells, pairs);
    const int e = table.grid().electrodes();
    for (int p = 1; p <= e; ++p) {
        for (int r = p + 1; r <= e; ++r)
            t.col(pairIndex(p, r, e)) = Eigen::Map<const Eigen::VectorXd>(table.pair(p, r), cells);
    }
    Matrix rows = Matrix::Zero(cells, Eigen::Index(base.size()));
    for (size_t i = 0; i < base.size(); ++i) {
        for (int s = 0; s < 4 && base[i].sign[s] != 0; ++s)
            rows.col(Eigen::Index(i)) += (base[i].scale * base[i].sign[s]) * t.col(base[i].pair[s]);
    }
    Matrix a = Matrix::Zero(cells, cells);
    a.selfadjointView<Eigen::Lower>().rankUpdate(rows);
    const double lambda = model.lambda();
    const std::vector<std::vector<int>> neighbours = cellNeighbours(table.grid());
    for (Eigen::Index j = 0; j < cells; ++j) {
        a(j, j) += lambda * double(neighbours[size_t(j)].size());
        for (const int k : neighbours[size_t(j)]) {
            if (k > j)
                a(k, j) -= lambda;
        }
    }
    Eigen::LLT<Eigen::Ref<Matrix>, Eigen::Lower> llt(a);
    if (llt.info() != Eigen::Success) {
        *error = QStringLiteral("the base set leaves the resolution undetermined");
        return false;
    }

    // X = L^-1 T gives Tᵀ A^-1 T = XᵀX; Z = L^-T X.
    Matrix &x = t;
    inColumnHalves(x, [&](auto block) { a.triangularView<Eigen::Lower>().solveInPlace(block); });
    m = Matrix::Zero(pairs, pairs);
    m.selfadjointView<Eigen::Lower>().rankUpdate(x.transpose());
    Matrix &z = x;
    inColumnHalves(
        z, [&](auto block) { a.triangularView<Eigen::Lower>().transpose().solveInPlace(block); });

    Matrix weighted(cells, pairs);
    for (Eigen::Index j = 0; j < cells; ++j) {
        const double v = cellWeights[size_t(j)] * lambda;
        auto out = weighted.row(j);
        if (v == 0) {
            out.setZero();
            continue;
        }
        out = double(neighbours[size_t(j)].size()) * z.row(j);
        for (const int k : neighbours[size_t(j)])
            out -= z.row(k);
        out *= v;
    }
    q.resize(pairs, pairs);
    inColumnHalves(q, [&](auto block) {
        block.noalias() = z.transpose() * weighted.middleCols(block.startCol(), block.cols());
    });
    for (Eigen::Index col = 0; col < pairs; ++col) {
        for (Eigen::Index row = col + 1; row < pairs; ++row)
            q(row, col) = (q(row, col) + q(col, row)) / 2;
    }

    // R = A^-1 GᵀWG, so R_jj = Σ_i (A^-1 g_i)_j g_ij over the base rows.
    Matrix zRows = Matrix::Zero(cells, Eigen::Index(base.size()));
    for (size_t i = 0; i < base.size(); ++i) {
        for (int s = 0; s < 4 && base[i].sign[s] != 0; ++s)
            zRows.col(Eigen::Index(i))
                += (base[i].scale * base[i].sign[s]) * z.col(base[i].pair[s]);
    }
    tracked = 0;
    for (Eigen::Index j = 0; j < cells; ++j)
        tracked += cellWeights[size_t(j)] * zRows.row(j).dot(rows.row(j));
    pack();
    return true;
}

// ΔR_jj summed with the cell weights, for one row g added alone:
// Σ_j v_j z_j (g_j - y_j) / (1 + g·z).
void Designer::score(const std::vector<Row> &candidates, const std::vector<char> &available,
    std::vector<double> *scores) const
{
    const auto part = [&](size_t from, size_t to) {
        for (size_t i = from; i < to; ++i) {
            (*scores)[i] = available[i] ? packedScore(packed.data(), pairs, candidates[i])
                                        : -std::numeric_limits<double>::infinity();
        }
    };
    const size_t half = candidates.size() / 2;
    sideBySide([&] { part(0, half); }, [&] { part(half, candidates.size()); });
}

// Adding rows B (k × cells, B = Cᵀ Tᵀ in pair space) changes A^-1 by
// -A^-1 Bᵀ S^-1 B A^-1 with S = I + B A^-1 Bᵀ = I + Cᵀ M C, so with F = M C, E = C S^-1 Cᵀ:
//   M' = M - F S^-1 Fᵀ
//   Q' = (I - M E) Q (I - E M) = Q - F Hᵀ - H Fᵀ,  H = Q C S^-1 - F X / 2,
//   X = S^-1 Cᵀ Q C S^-1,
// and the weighted mean resolution grows by trace(S^-1 Cᵀ Q C).
void Designer::update(const std::vector<const Row *> &batch)
{
    const Eigen::Index k = Eigen::Index(batch.size());
    const Matrix f = timesRows(m, batch);
    const Matrix g = timesRows(q, batch);
    const Matrix s = Matrix::Identity(k, k) + rowsTimes(batch, f);
    const Matrix inverseS = s.llt().solve(Matrix::Identity(k, k));
    const Matrix cqc = rowsTimes(batch, g);
    tracked += (inverseS * cqc).trace();
    const Matrix x = inverseS * cqc * inverseS;

    Matrix left(pairs, 2 * k);
    left.leftCols(k) = f;
    left.rightCols(k) = g * inverseS - f * x / 2;
    Matrix right(2 * k, pairs);
    right.topRows(k) = left.rightCols(k).transpose();
    right.bottomRows(k) = f.transpose();
    m.triangularView<Eigen::Lower>() -= f * (inverseS * f.transpose());
    q.triangularView<Eigen::Lower>() -= left * right;
    pack();
}

struct Ranked {
    double score;
    int index;
    bool operator<(const Ranked &other) const
    {
        return score > other.score || (score == other.score && index < other.index);
    }
};

// A row of the sensitivity, scaled to length 1, for the correlation between rows.
Eigen::VectorXd unitRow(const PairTable &table, const Quadruple &q)
{
    Eigen::VectorXd row(table.grid().cellCount());
    table.row(q, row.data());
    const double length = row.norm();
    return length > 0 ? Eigen::VectorXd(row / length) : row;
}

} // namespace

DesignResult designSequence(
    const ResolutionModel &model, const DesignOptions &options, const ProgressFunction &progress)
{
    DesignResult result;
    QElapsedTimer timer;
    timer.start();
    const auto report = [&](double share) {
        if (progress)
            progress(share);
    };
    if (!model.isValid()) {
        result.error = model.error();
        return result;
    }
    Designer designer(model, options);
    const PairTable &table = model.table();

    std::vector<Row> baseRows;
    QSet<ConfigurationKey> used;
    for (const Quadruple &q : options.base) {
        Row row;
        if (int(baseRows.size()) >= options.measurements
            || !makeRow(table, model.options(), q, &row) || used.contains(measurementKey(q)))
            continue;
        used.insert(measurementKey(q));
        baseRows.push_back(row);
        result.configurations.append(q);
    }
    result.baseCount = result.configurations.size();
    if (baseRows.empty()) {
        result.error = QStringLiteral("no configuration of the base set is within the limit");
        return result;
    }

    const QVector<Quadruple> all = comprehensiveConfigurations(table.grid().electrodes());
    std::vector<Row> candidates;
    QVector<Quadruple> candidateQuadruples;
    candidates.reserve(size_t(all.size()));
    for (const Quadruple &q : all) {
        Row row;
        if (makeRow(table, model.options(), q, &row) && !used.contains(measurementKey(q))) {
            candidates.push_back(row);
            candidateQuadruples.append(q);
        }
    }
    result.candidates = int(candidates.size());

    if (!designer.weighCells(&result.error) || !designer.prepare(baseRows, &result.error))
        return result;
    result.preparationSeconds = timer.nsecsElapsed() / 1e9;
    timer.restart();
    report(0.3);

    const int channels = std::max(1, options.channels);
    // Per current pair, its candidates, for the groups of a multichannel design.
    std::vector<std::vector<int>> byCurrent;
    std::vector<char> currentUsed;
    if (channels > 1) {
        byCurrent.resize(size_t(designer.pairs));
        currentUsed.assign(size_t(designer.pairs), 0);
        for (int i = 0; i < int(candidates.size()); ++i)
            byCurrent[size_t(candidates[size_t(i)].current)].push_back(i);
    }

    std::vector<char> available(candidates.size(), 1);
    std::vector<Ranked> ranked;
    ranked.reserve(candidates.size());
    std::vector<double> scores(candidates.size());
    const int wanted = std::min(options.measurements, result.baseCount + int(candidates.size()));
    const int batchSize = std::max(1, int(std::ceil(options.batchShare * options.measurements)));
    while (result.configurations.size() < wanted) {
        designer.score(candidates, available, &scores);
        const int room = std::min(batchSize, wanted - result.configurations.size());
        // Rows as correlated as the design is resolved already add mostly what another row of
        // the round adds; they wait for a later round.
        const double threshold = std::clamp(designer.tracked, 0.0, 1.0);
        std::vector<const Row *> batch;
        std::vector<Eigen::VectorXd> takenRows;
        const auto correlated = [&](const Eigen::VectorXd &row) {
            for (const Eigen::VectorXd &other : takenRows) {
                if (std::abs(row.dot(other)) > threshold)
                    return true;
            }
            return false;
        };

        // Each entry is a group of candidates taken together: one alone, or up to `channels`
        // that share a current pair.
        ranked.clear();
        std::vector<std::vector<int>> groups;
        if (channels == 1) {
            for (int i = 0; i < int(candidates.size()); ++i) {
                if (available[size_t(i)])
                    ranked.push_back({ scores[size_t(i)], i });
            }
        } else {
            for (size_t c = 0; c < byCurrent.size(); ++c) {
                if (currentUsed[c] || byCurrent[c].empty())
                    continue;
                std::vector<Ranked> members;
                for (const int i : byCurrent[c]) {
                    if (available[size_t(i)])
                        members.push_back({ scores[size_t(i)], i });
                }
                const size_t take = std::min(members.size(), size_t(channels));
                if (take == 0)
                    continue;
                std::partial_sort(members.begin(), members.begin() + take, members.end());
                std::vector<int> group;
                double sum = 0;
                for (size_t i = 0; i < take; ++i) {
                    group.push_back(members[i].index);
                    sum += members[i].score;
                }
                ranked.push_back({ sum, int(groups.size()) });
                groups.push_back(group);
            }
        }
        if (ranked.empty())
            break;
        // Enough of the best to fill the round even when many are skipped; what the skips leave
        // short is filled from the skipped ones, best first.
        const size_t looked = std::min(ranked.size(), size_t(16 * room + 64));
        std::nth_element(ranked.begin(), ranked.begin() + (looked - 1), ranked.end());
        std::sort(ranked.begin(), ranked.begin() + looked);
        std::vector<size_t> skipped;
        int taken = 0;
        const auto take = [&](size_t position) {
            const int entry = ranked[position].index;
            const std::vector<int> single { entry };
            const std::vector<int> &members = channels == 1 ? single : groups[size_t(entry)];
            for (const int i : members) {
                if (result.configurations.size() >= wanted)
                    break;
                available[size_t(i)] = 0;
                batch.push_back(&candidates[size_t(i)]);
                result.configurations.append(candidateQuadruples.at(i));
                ++taken;
            }
            if (channels > 1)
                currentUsed[size_t(candidates[size_t(members.front())].current)] = 1;
        };
        for (size_t position = 0; position < looked && taken < room; ++position) {
            const int entry = ranked[position].index;
            const int first = channels == 1 ? entry : groups[size_t(entry)].front();
            Eigen::VectorXd row = unitRow(table, candidateQuadruples.at(first));
            if (correlated(row)) {
                skipped.push_back(position);
                continue;
            }
            take(position);
            takenRows.push_back(std::move(row));
        }
        for (size_t i = 0; i < skipped.size() && taken < room; ++i)
            take(skipped[i]);
        if (batch.empty())
            break;
        designer.update(batch);
        ++result.rounds;
        report(0.3
            + 0.7 * double(result.configurations.size() - result.baseCount)
                / std::max(1, wanted - result.baseCount));
    }
    result.trackedMeanRelative = designer.tracked;
    result.selectionSeconds = timer.nsecsElapsed() / 1e9;
    report(1);
    return result;
}

bool TargetRegion::containsCell(const ModelGrid &grid, int cell) const
{
    const int column = grid.columnOf(cell);
    const int layer = grid.layerOf(cell);
    return contains((grid.xEdges().at(column) + grid.xEdges().at(column + 1)) / 2,
        (grid.zEdges().at(layer) + grid.zEdges().at(layer + 1)) / 2);
}

double meanRelativeIn(const ModelGrid &grid, const SequenceResolution &sequence,
    const SequenceResolution &best, const TargetRegion &target)
{
    double sum = 0;
    int count = 0;
    for (int j = 0; j < grid.cellCount(); ++j) {
        if (best.resolution.at(j) > 0 && target.containsCell(grid, j)) {
            sum += sequence.resolution.at(j) / best.resolution.at(j);
            ++count;
        }
    }
    return count > 0 ? sum / count : 0;
}

QVector<Quadruple> standardArrays(const PairTable &table, int count, double factorLimit)
{
    GenerateOptions options;
    options.electrodes = table.grid().electrodes();
    QVector<Quadruple> standard;
    for (const Quadruple &q :
        generateConfigurations({ ArrayKind::DipoleDipole, ArrayKind::WennerAlpha }, options)) {
        if (standard.size() < count && withinFactorLimit(table, q, factorLimit))
            standard.append(q);
    }
    return standard;
}

} // namespace Kgw
