#include "design.h"

#include "arrays.h"
#include "geometry.h"
#include "groundrows.h"

#include <Eigen/Dense>

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <deque>
#include <future>
#include <limits>
#include <numeric>
#include <vector>

namespace Kgw {

namespace {

using Matrix = Eigen::MatrixXd;

// One key for a configuration, its swapped variants and its reciprocal: they all measure the
// same thing.
ConfigurationKey measurementKey(const Quadruple &q)
{
    return std::min(configurationKey(q), configurationKey(reciprocal(q)));
}

// Both tables side by side, single precision: a score needs one entry of each, and a ranking
// needs no more digits. Half the memory traffic of the scoring, which is what it waits for.
struct Entry {
    float m;
    float q;
};

// The score of one row from the packed lower triangles.
inline double packedScore(const Entry *packed, Eigen::Index size, const SurveyRow &row)
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
    // The future waits for the first in its destructor, so a throw on either side still finds
    // it finished.
    std::future<void> other = std::async(std::launch::async, first);
    second();
    other.get();
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
Matrix timesRows(const Matrix &m, const std::vector<const SurveyRow *> &rows)
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
Matrix rowsTimes(const std::vector<const SurveyRow *> &rows, const Matrix &m)
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

// The two pair tables of "Compare R" for the rows taken so far, and how the rounds change them.
class Designer
{
public:
    // Over the ground's pairs when one is given, else over the uniform ground's.
    Designer(const ResolutionModel &model, const GroundPairs *ground, const DesignOptions &options);

    // Weighs the cells and sets up the tables for A = GᵀWG of the base + lambda CᵀC: the one
    // factorisation of the design.
    bool prepare(const std::vector<SurveyRow> &base, QString *error);
    // ΔR_jj summed with the cell weights, for each row added alone; -inf for those not
    // available.
    void rank(const std::vector<SurveyRow> &candidates, const std::vector<char> &available,
        std::vector<double> *scores) const;
    void update(const std::vector<const SurveyRow *> &batch);
    // The weighted mean relative resolution of the rows taken so far.
    double tracked() const { return m_tracked; }

private:
    bool weighCells(QString *error);
    void pack();

    const ResolutionModel &m_model;
    const DesignOptions &m_options;
    const SurveyModel &m_survey;
    const GroundPairs *m_ground;
    const Matrix &m_pairVectors; // T: cells × pairs
    Eigen::Index m_cells = 0;
    Eigen::Index m_pairs = 0;
    std::vector<double> m_cellWeights; // w_j / (m R_jj of the comprehensive set)
    // Tᵀ A^-1 T and the symmetric part of Zᵀ V lambda CᵀC Z, Z = A^-1 T, lower triangles.
    Matrix m_m;
    Matrix m_q;
    std::vector<Entry> m_packed;
    double m_tracked = 0;
};

Designer::Designer(
    const ResolutionModel &model, const GroundPairs *ground, const DesignOptions &options)
    : m_model(model)
    , m_options(options)
    , m_survey(model.survey())
    , m_ground(ground)
    , m_pairVectors(ground ? ground->vectors : model.survey().pairs())
    , m_cells(model.survey().cellCount())
    , m_pairs(model.survey().pairCount())
{ }

void Designer::pack()
{
    m_packed.resize(size_t(m_pairs * m_pairs));
    for (Eigen::Index col = 0; col < m_pairs; ++col) {
        for (Eigen::Index row = col; row < m_pairs; ++row)
            m_packed[size_t(col * m_pairs + row)] = { float(m_m(row, col)), float(m_q(row, col)) };
    }
}

bool Designer::weighCells(QString *error)
{
    const ModelGrid &grid = m_survey.grid();
    const QVector<double> &best = m_model.comprehensive().resolution;
    m_cellWeights.assign(size_t(m_cells), 0);
    int counted = 0;
    for (int j = 0; j < int(m_cells); ++j) {
        if (m_model.isCompared(j)
            && (!m_options.targeted || m_options.target.containsCell(grid, j))) {
            m_cellWeights[size_t(j)] = 1 / best.at(j);
            ++counted;
        }
    }
    // The model compares some cell, or it would be invalid; only a target can miss them all.
    if (counted == 0) {
        *error = targetError(m_model, m_options.target);
        return false;
    }
    for (double &w : m_cellWeights)
        w /= counted;
    return true;
}

bool Designer::prepare(const std::vector<SurveyRow> &base, QString *error)
{
    if (!weighCells(error))
        return false;
    const Matrix rows = rowColumns(m_pairVectors, base);
    Matrix a;
    if (m_ground) {
        // The survey's shortcuts to GᵀWG know only its own pairs.
        a = Matrix::Zero(m_cells, m_cells);
        a.selfadjointView<Eigen::Lower>().rankUpdate(rows);
    } else {
        a = m_survey.normalMatrix(base);
    }
    const double lambda = m_model.lambda();
    m_survey.addSmoothness(a, lambda);
    if (!m_survey.factorise(a, error))
        return false;

    // X = L^-1 T gives Tᵀ A^-1 T = XᵀX; Z = L^-T X.
    Matrix x = m_pairVectors;
    inColumnHalves(x, [&](auto block) { a.triangularView<Eigen::Lower>().solveInPlace(block); });
    m_m = Matrix::Zero(m_pairs, m_pairs);
    m_m.selfadjointView<Eigen::Lower>().rankUpdate(x.transpose());
    Matrix &z = x;
    inColumnHalves(
        z, [&](auto block) { a.triangularView<Eigen::Lower>().transpose().solveInPlace(block); });

    const std::vector<std::vector<int>> &neighbours = m_survey.neighbours();
    Matrix weighted(m_cells, m_pairs);
    for (Eigen::Index j = 0; j < m_cells; ++j) {
        const double v = m_cellWeights[size_t(j)] * lambda;
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
    m_q.resize(m_pairs, m_pairs);
    inColumnHalves(m_q, [&](auto block) {
        block.noalias() = z.transpose() * weighted.middleCols(block.startCol(), block.cols());
    });
    for (Eigen::Index col = 0; col < m_pairs; ++col) {
        for (Eigen::Index row = col + 1; row < m_pairs; ++row)
            m_q(row, col) = (m_q(row, col) + m_q(col, row)) / 2;
    }

    // R = A^-1 GᵀWG, so R_jj = Σ_i (A^-1 g_i)_j g_ij over the base rows.
    const Matrix zRows = rowColumns(z, base);
    m_tracked = 0;
    for (Eigen::Index j = 0; j < m_cells; ++j)
        m_tracked += m_cellWeights[size_t(j)] * zRows.row(j).dot(rows.row(j));
    pack();
    return true;
}

// For one row g added alone: Σ_j v_j z_j (g_j - y_j) / (1 + g·z).
void Designer::rank(const std::vector<SurveyRow> &candidates, const std::vector<char> &available,
    std::vector<double> *scores) const
{
    const auto part = [&](size_t from, size_t to) {
        for (size_t i = from; i < to; ++i) {
            (*scores)[i] = available[i] ? packedScore(m_packed.data(), m_pairs, candidates[i])
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
void Designer::update(const std::vector<const SurveyRow *> &batch)
{
    const Eigen::Index k = Eigen::Index(batch.size());
    const Matrix f = timesRows(m_m, batch);
    const Matrix g = timesRows(m_q, batch);
    const Matrix s = Matrix::Identity(k, k) + rowsTimes(batch, f);
    const Matrix inverseS = s.llt().solve(Matrix::Identity(k, k));
    const Matrix cqc = rowsTimes(batch, g);
    m_tracked += (inverseS * cqc).trace();
    const Matrix x = inverseS * cqc * inverseS;

    Matrix left(m_pairs, 2 * k);
    left.leftCols(k) = f;
    left.rightCols(k) = g * inverseS - f * x / 2;
    Matrix right(2 * k, m_pairs);
    right.topRows(k) = left.rightCols(k).transpose();
    right.bottomRows(k) = f.transpose();
    m_m.triangularView<Eigen::Lower>() -= f * (inverseS * f.transpose());
    m_q.triangularView<Eigen::Lower>() -= left * right;
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

// Over a ground a row is (1 / r) Σ s_p t_p where over none it is K Σ s_p t_p: its scale K / sigma
// becomes 1 / (r sigma), and takes the sign of r; sigma counts the cancellation over the ground.
void weighOverGround(
    SurveyRow *row, const Quadruple &q, const GroundPairs &ground, const SurveyModel &survey)
{
    const NoiseModel &noise = survey.options().noise;
    const double factor = geometricFactor(q, survey.grid().spacing());
    double sigmaShare = 1;
    if (noise.cancellationError > 0) {
        const int exponent = survey.weightExponent();
        sigmaShare = noise.sigma(factor, signalCancellation(q), exponent)
            / noise.sigma(factor, ground.cancellation(survey, q), exponent);
    }
    row->scale *= sigmaShare / (factor * ground.resistance(*row));
}

// What the design can still choose from.
struct Candidates {
    std::vector<SurveyRow> rows;
    QVector<Quadruple> quadruples;
    std::vector<char> available;
    // Per current pair, its candidates, for the groups of a multichannel design.
    std::vector<std::vector<int>> byCurrent;

    // Over the ground when one is given: weighed over it, and held to the cancellation limit
    // over it too, the ground the readings will meet.
    Candidates(const SurveyModel &survey, const GroundPairs *ground,
        const QSet<ConfigurationKey> &used, const DesignOptions &options);
};

Candidates::Candidates(const SurveyModel &survey, const GroundPairs *ground,
    const QSet<ConfigurationKey> &used, const DesignOptions &options)
{
    const int channels = std::max(1, options.channels);
    const QVector<Quadruple> all = fourElectrodeConfigurations(survey.grid().electrodes());
    rows.reserve(size_t(all.size()));
    for (const Quadruple &configuration : all) {
        const std::optional<Quadruple> fitted = fittedToChannels(configuration, options);
        if (!fitted)
            continue;
        const Quadruple &q = *fitted;
        SurveyRow row;
        // The ground's limit with room for rounding, so that over a uniform ground it takes what
        // the exact ratio takes.
        if (survey.row(q, &row) == SurveyModel::HasRow && !used.contains(measurementKey(q))
            && signalCancellation(q) <= options.maxCancellation
            && (!ground
                || ground->cancellation(survey, q) <= options.maxCancellation * (1 + 1e-9))) {
            if (ground)
                weighOverGround(&row, q, *ground, survey);
            rows.push_back(row);
            quadruples.append(q);
        }
    }
    available.assign(rows.size(), 1);
    if (channels > 1) {
        byCurrent.resize(size_t(survey.pairCount()));
        for (int i = 0; i < int(rows.size()); ++i)
            byCurrent[size_t(rows[size_t(i)].current)].push_back(i);
    }
}

// A candidate's row of the sensitivity, over the ground when one is given, scaled to length 1 for
// the correlation between rows.
Eigen::VectorXd unitRow(
    const SurveyModel &survey, const GroundPairs *ground, const Candidates &candidates, int i)
{
    Eigen::VectorXd row(survey.cellCount());
    if (ground)
        row = rowColumns(ground->vectors, { candidates.rows[size_t(i)] });
    else
        survey.table().row(candidates.quadruples.at(i), row.data());
    const double length = row.norm();
    return length > 0 ? Eigen::VectorXd(row / length) : row;
}

// A group's entry for a candidate read with M and N swapped, to run along a chain.
int turned(int candidate)
{
    return -1 - candidate;
}

int candidateOf(int entry)
{
    return entry < 0 ? -1 - entry : entry;
}

// The chain of up to `channels` dipoles of one current pair that a greedy walk finds from the
// best-scoring member: each step adds, at either end, the best member that goes on from it to an
// electrode not yet in the chain. Leaves in *members the ones taken; returns them in chain
// order, turned where they run against it.
std::vector<int> chainOf(
    const QVector<Quadruple> &quadruples, std::vector<Ranked> *members, int channels)
{
    std::sort(members->begin(), members->end());
    std::vector<char> taken(members->size(), 0);
    std::deque<qint8> path;
    std::deque<int> chain;
    const auto onPath = [&](qint8 electrode) {
        return std::find(path.begin(), path.end(), electrode) != path.end();
    };
    std::vector<Ranked> kept;
    for (int step = 0; step < channels; ++step) {
        bool found = false;
        for (size_t j = 0; j < members->size() && !found; ++j) {
            if (taken[j])
                continue;
            const int i = (*members)[j].index;
            const Quadruple &q = quadruples.at(i);
            found = true;
            if (path.empty()) {
                path = { q.m, q.n };
                chain.push_back(i);
            } else if (q.m == path.back() && !onPath(q.n)) {
                path.push_back(q.n);
                chain.push_back(i);
            } else if (q.n == path.back() && !onPath(q.m)) {
                path.push_back(q.m);
                chain.push_back(turned(i));
            } else if (q.n == path.front() && !onPath(q.m)) {
                path.push_front(q.m);
                chain.push_front(i);
            } else if (q.m == path.front() && !onPath(q.n)) {
                path.push_front(q.n);
                chain.push_front(turned(i));
            } else {
                found = false;
            }
            if (found) {
                taken[j] = 1;
                kept.push_back((*members)[j]);
            }
        }
        if (!found)
            break;
    }
    *members = kept;
    return std::vector<int>(chain.begin(), chain.end());
}

// One round's choice: the best-scoring candidates, or with channels the best groups of up to
// `channels` that share a current pair (scored by their sum), until `room` are taken and never
// more than `remaining`. A current pair forms one group a round; what it has left serves a later
// injection. Rows as correlated as the design is resolved already (`threshold`) add
// mostly what another row of the round adds; they wait for a later round, unless the round would
// otherwise stay short.
std::vector<int> pick(const SurveyModel &survey, const GroundPairs *ground, Candidates &candidates,
    const std::vector<double> &scores, int channels, bool chained, int room, int remaining,
    double threshold, int *groupsTaken)
{
    std::vector<Ranked> ranked;
    ranked.reserve(candidates.rows.size());
    std::vector<std::vector<int>> groups;
    if (channels == 1) {
        for (int i = 0; i < int(candidates.rows.size()); ++i) {
            if (candidates.available[size_t(i)])
                ranked.push_back({ scores[size_t(i)], i });
        }
    } else {
        for (size_t c = 0; c < candidates.byCurrent.size(); ++c) {
            if (candidates.byCurrent[c].empty())
                continue;
            std::vector<Ranked> members;
            for (const int i : candidates.byCurrent[c]) {
                if (candidates.available[size_t(i)])
                    members.push_back({ scores[size_t(i)], i });
            }
            const size_t take = std::min(members.size(), size_t(channels));
            if (take == 0)
                continue;
            std::vector<int> group;
            double sum = 0;
            if (chained) {
                group = chainOf(candidates.quadruples, &members, channels);
                for (const Ranked &member : members)
                    sum += member.score;
            } else {
                std::partial_sort(members.begin(), members.begin() + take, members.end());
                for (size_t i = 0; i < take; ++i) {
                    group.push_back(members[i].index);
                    sum += members[i].score;
                }
            }
            ranked.push_back({ sum, int(groups.size()) });
            groups.push_back(group);
        }
    }
    std::vector<int> picked;
    if (ranked.empty())
        return picked;
    // Enough of the best to fill the round even when many are skipped; what the skips leave
    // short is filled from the skipped ones, best first.
    const size_t looked = std::min(ranked.size(), size_t(16 * room + 64));
    std::nth_element(ranked.begin(), ranked.begin() + (looked - 1), ranked.end());
    std::sort(ranked.begin(), ranked.begin() + looked);
    const auto members = [&](size_t position) {
        const int entry = ranked[position].index;
        return channels == 1 ? std::vector<int> { entry } : groups[size_t(entry)];
    };
    const auto take = [&](size_t position) {
        const std::vector<int> group = members(position);
        ++*groupsTaken;
        for (const int entry : group) {
            if (int(picked.size()) >= remaining)
                break;
            const int i = candidateOf(entry);
            if (entry < 0) {
                Quadruple &q = candidates.quadruples[i];
                std::swap(q.m, q.n);
            }
            candidates.available[size_t(i)] = 0;
            picked.push_back(i);
        }
    };
    std::vector<Eigen::VectorXd> takenRows;
    const auto correlated = [&](const Eigen::VectorXd &row) {
        for (const Eigen::VectorXd &other : takenRows) {
            if (std::abs(row.dot(other)) > threshold)
                return true;
        }
        return false;
    };
    std::vector<size_t> skipped;
    for (size_t position = 0; position < looked && int(picked.size()) < room; ++position) {
        Eigen::VectorXd row
            = unitRow(survey, ground, candidates, candidateOf(members(position).front()));
        if (correlated(row)) {
            skipped.push_back(position);
            continue;
        }
        take(position);
        takenRows.push_back(std::move(row));
    }
    for (size_t i = 0; i < skipped.size() && int(picked.size()) < room; ++i)
        take(skipped[i]);
    return picked;
}

// The standard arrays list each spacing along the whole cable before the next, so that no two
// neighbours share a current pair, and each base row took an injection of its own. With several
// channels the base is listed as the injections that read it, so that its rows share them as
// the chosen rows do.
void listByInjection(
    QVector<Quadruple> *rows, std::vector<SurveyRow> *surveyRows, const DesignOptions &options)
{
    if (options.channels <= 1)
        return;
    QVector<Quadruple> grouped;
    std::vector<SurveyRow> groupedRows;
    for (const std::vector<int> &group : injectionGroups(*rows, options.channels, options.rules)) {
        for (const int i : group) {
            grouped.append(rows->at(i));
            groupedRows.push_back((*surveyRows)[size_t(i)]);
        }
    }
    *rows = grouped;
    *surveyRows = groupedRows;
}

DesignResult design(const ResolutionModel &model, const GroundPairs *ground,
    const DesignOptions &options, const ProgressFunction &progress)
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
    const SurveyModel &survey = model.survey();

    std::vector<SurveyRow> baseRows;
    QSet<ConfigurationKey> used;
    QSet<ConfigurationKey> withoutRoom;
    for (const Quadruple &configuration : options.base) {
        const std::optional<Quadruple> fitted = fittedToChannels(configuration, options);
        SurveyRow row;
        if (!fitted || survey.row(*fitted, &row) != SurveyModel::HasRow) {
            ++result.baseUnfit;
            continue;
        }
        const ConfigurationKey key = measurementKey(*fitted);
        if (used.contains(key))
            continue;
        if (int(baseRows.size()) >= options.measurements) {
            withoutRoom.insert(key);
            continue;
        }
        used.insert(key);
        baseRows.push_back(row);
        result.configurations.append(*fitted);
    }
    result.baseWithoutRoom = withoutRoom.size();
    listByInjection(&result.configurations, &baseRows, options);
    result.baseCount = result.configurations.size();
    if (baseRows.empty()) {
        result.error = QStringLiteral("no configuration of the base set gives a reading within "
                                      "the limits and fits the channel rules");
        return result;
    }

    const int channels = std::max(1, options.channels);
    Candidates candidates(survey, ground, used, options);
    result.candidates = int(candidates.rows.size());
    if (ground) {
        for (size_t i = 0; i < baseRows.size(); ++i)
            weighOverGround(&baseRows[i], result.configurations.at(int(i)), *ground, survey);
    }
    Designer designer(model, ground, options);
    if (!designer.prepare(baseRows, &result.error))
        return result;
    result.preparationSeconds = timer.nsecsElapsed() / 1e9;
    timer.restart();
    report(0.3);

    std::vector<double> scores(candidates.rows.size());
    const int wanted
        = std::min(options.measurements, result.baseCount + int(candidates.rows.size()));
    // From what the design can reach, so that asking for more than the cable has costs no more
    // than asking for all of it; and no more rows than pairs, the most rank an update can have,
    // so that a round's k × k matrices stay small.
    const int batchSize
        = std::clamp(int(std::ceil(options.batchShare * wanted)), 1, int(survey.pairCount()));
    while (result.configurations.size() < wanted) {
        designer.rank(candidates.rows, candidates.available, &scores);
        const int remaining = wanted - result.configurations.size();
        const std::vector<int> picked = pick(survey, ground, candidates, scores, channels,
            options.rules.layout == ChannelLayout::Chained, std::min(batchSize, remaining),
            remaining, std::clamp(designer.tracked(), 0.0, 1.0), &result.groups);
        if (picked.empty())
            break;
        std::vector<const SurveyRow *> batch;
        for (const int i : picked) {
            batch.push_back(&candidates.rows[size_t(i)]);
            result.configurations.append(candidates.quadruples.at(i));
        }
        designer.update(batch);
        ++result.rounds;
        report(0.3
            + 0.7 * double(result.configurations.size() - result.baseCount)
                / std::max(1, wanted - result.baseCount));
    }
    result.selectionSeconds = timer.nsecsElapsed() / 1e9;
    report(1);
    return result;
}

} // namespace

DesignResult designSequence(
    const ResolutionModel &model, const DesignOptions &options, const ProgressFunction &progress)
{
    return design(model, nullptr, options, progress);
}

DesignResult designSequence(const ResolutionModel &model, const GroundPairs &ground,
    const DesignOptions &options, const ProgressFunction &progress)
{
    return design(model, &ground, options, progress);
}

bool TargetRegion::containsCell(const ModelGrid &grid, int cell) const
{
    const int column = grid.columnOf(cell);
    const int layer = grid.layerOf(cell);
    return contains((grid.xEdges().at(column) + grid.xEdges().at(column + 1)) / 2,
        (grid.zEdges().at(layer) + grid.zEdges().at(layer + 1)) / 2);
}

std::optional<TargetRegion> parseTargetRegion(const QString &text)
{
    static const QRegularExpression pattern(
        QStringLiteral("^\\s*([^:,]+):([^:,]+),([^:,]+):([^:,]+)\\s*$"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    double values[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        values[i] = match.captured(i + 1).trimmed().toDouble(&ok);
        if (!ok || !qIsFinite(values[i]))
            return std::nullopt;
    }
    if (values[0] >= values[1] || values[2] < 0 || values[2] >= values[3])
        return std::nullopt;
    return TargetRegion { values[0], values[1], values[2], values[3] };
}

QString targetRegionText(const TargetRegion &target)
{
    const auto number = [](double value) { return QString::number(value, 'g', 15); };
    return QStringLiteral("%1:%2,%3:%4")
        .arg(number(target.x0), number(target.x1), number(target.z0), number(target.z1));
}

int comparedCellsIn(const ResolutionModel &model, const TargetRegion &target)
{
    const ModelGrid &grid = model.survey().grid();
    int count = 0;
    for (int j = 0; j < grid.cellCount(); ++j)
        count += model.isCompared(j) && target.containsCell(grid, j) ? 1 : 0;
    return count;
}

QString targetError(const ResolutionModel &model, const TargetRegion &target)
{
    return comparedCellsIn(model, target) > 0
        ? QString()
        : QStringLiteral("no cell that the cable resolves has its centre in the target");
}

QString targetError(const ModelGrid &grid, const TargetRegion &target)
{
    for (int j = 0; j < grid.cellCount(); ++j) {
        if (target.containsCell(grid, j))
            return QString();
    }
    return QStringLiteral("no cell of the section has its centre in the target");
}

double meanRelativeIn(
    const ResolutionModel &model, const SequenceResolution &sequence, const TargetRegion &target)
{
    const ModelGrid &grid = model.survey().grid();
    double sum = 0;
    int count = 0;
    for (int j = 0; j < grid.cellCount(); ++j) {
        if (model.isCompared(j) && target.containsCell(grid, j)) {
            sum += sequence.relative.at(j);
            ++count;
        }
    }
    return count > 0 ? sum / count : 0;
}

std::optional<Quadruple> fittedToChannels(const Quadruple &q, const DesignOptions &options)
{
    const auto fits = [&](const Quadruple &candidate) {
        return withinMaxDipole(candidate, options.rules.maxDipole)
            && (options.channels <= 1 || options.rules.allowEnclosing
                || !enclosesCurrent(candidate));
    };
    if (fits(q))
        return q;
    if (fits(reciprocal(q)))
        return reciprocal(q);
    return std::nullopt;
}

QVector<Quadruple> standardBase(const SurveyModel &survey, const DesignOptions &options, int count)
{
    QVector<Quadruple> base;
    for (const Quadruple &q : standardArrays(survey, std::numeric_limits<int>::max())) {
        if (base.size() == count)
            break;
        if (const std::optional<Quadruple> fitted = fittedToChannels(q, options))
            base.append(*fitted);
    }
    return base;
}

QVector<Quadruple> standardArrays(const SurveyModel &survey, int count)
{
    GenerateOptions options;
    options.electrodes = survey.grid().electrodes();
    QVector<Quadruple> standard;
    for (const Quadruple &q :
        generateConfigurations({ ArrayKind::DipoleDipole, ArrayKind::WennerAlpha }, options)) {
        if (standard.size() < count && survey.row(q, nullptr) == SurveyModel::HasRow)
            standard.append(q);
    }
    return standard;
}

} // namespace Kgw
