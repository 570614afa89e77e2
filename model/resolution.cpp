#include "resolution.h"

#include "depth.h"
#include "groundrows.h"
#include "textutil.h"

#include <Eigen/Dense>

#include <QStringList>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace Kgw {

namespace {

void appendFourElectrode(QVector<Quadruple> *all, int electrodes)
{
    for (int i = 1; i <= electrodes; ++i) {
        for (int j = i + 1; j <= electrodes; ++j) {
            for (int k = j + 1; k <= electrodes; ++k) {
                for (int l = k + 1; l <= electrodes; ++l) {
                    all->append(Quadruple { i, l, j, k });
                    all->append(Quadruple { i, j, k, l });
                    all->append(Quadruple { i, k, j, l });
                }
            }
        }
    }
}

qint64 fourElectrodeCount(qint64 n)
{
    return n * (n - 1) * (n - 2) * (n - 3) / 8;
}

} // namespace

QVector<Quadruple> fourElectrodeConfigurations(int electrodes)
{
    QVector<Quadruple> all;
    all.reserve(int(fourElectrodeCount(electrodes)));
    appendFourElectrode(&all, electrodes);
    return all;
}

QVector<Quadruple> comprehensiveConfigurations(int electrodes)
{
    const qint64 n = electrodes;
    QVector<Quadruple> all;
    all.reserve(int(fourElectrodeCount(n) + n * (n - 1) / 2 + n * (n - 1) * (n - 2) / 2));
    appendFourElectrode(&all, electrodes);
    for (int a = 1; a <= electrodes; ++a) {
        for (int m = 1; m <= electrodes; ++m) {
            if (m == a)
                continue;
            if (m > a)
                all.append(Quadruple { a, 0, m, 0 });
            for (int n = m + 1; n <= electrodes; ++n) {
                if (n != a)
                    all.append(Quadruple { a, 0, m, n });
            }
        }
    }
    return all;
}

QString limitsText(const ResolutionOptions &options)
{
    QStringList limits;
    const auto number = [](double value) { return QString::number(value, 'g', 10); };
    if (std::isfinite(options.factorLimit))
        limits << QStringLiteral("the |K| limit of %1 m").arg(number(options.factorLimit));
    if (options.minVoltage > 0)
        limits << QStringLiteral("the least voltage of %1 mV at %2 ohm m and %3 mA")
                      .arg(number(options.minVoltage * 1000), number(options.resistivityOhmMetres),
                          number(options.currentAmperes * 1000));
    return limits.join(QStringLiteral(" and "));
}

QString withoutRowsText(const SequenceResolution &result, const ResolutionOptions &options)
{
    QStringList parts;
    if (result.overLimit > 0)
        parts << QStringLiteral("%1 beyond %2").arg(result.overLimit).arg(limitsText(options));
    if (result.withoutRow > 0)
        parts << QStringLiteral("%1 with no signal or a repeated%2 electrode, or one beyond the "
                                "cable")
                     .arg(result.withoutRow)
                     .arg(options.excluded.isEmpty()
                             ? QString()
                             : QStringLiteral(" or excluded (%1)").arg(options.excluded.text()));
    return QStringLiteral("of %1, %2")
        .arg(counted(result.configurations, QStringLiteral("configuration")),
            parts.isEmpty() ? QStringLiteral("none") : parts.join(QStringLiteral(", ")));
}

QString scaledNumber(double value, int exponent)
{
    const double plain = std::ldexp(value, exponent);
    if (value == 0 || !std::isfinite(value) || std::isnormal(plain))
        return QString::number(plain, 'g', 4);
    // Beyond what a double holds: the decimal exponent from the logarithm.
    const double decimal = std::log10(std::abs(value)) + exponent * std::log10(2.0);
    double power = std::floor(decimal);
    QString mantissa = QString::number(std::pow(10.0, decimal - power), 'g', 4);
    if (mantissa.startsWith(QLatin1String("10"))) {
        mantissa = QStringLiteral("1");
        ++power;
    }
    return QStringLiteral("%1%2e%3")
        .arg(value < 0 ? QStringLiteral("-") : QString(), mantissa)
        .arg(qint64(power));
}

namespace {

template <typename Row>
SequenceResolution sequenceRowsOf(const SurveyModel &survey, const QVector<Row> &sequence,
    std::vector<SurveyRow> *rows, std::vector<int> *used)
{
    SequenceResolution result;
    result.configurations = sequence.size();
    rows->reserve(size_t(sequence.size()));
    for (int i = 0; i < sequence.size(); ++i) {
        SurveyRow row;
        switch (survey.row(sequence.at(i), &row)) {
        case SurveyModel::HasRow:
            rows->push_back(row);
            if (used)
                used->push_back(i);
            break;
        case SurveyModel::WithoutRow:
            ++result.withoutRow;
            break;
        case SurveyModel::OverLimit:
            ++result.overLimit;
            break;
        }
    }
    result.resolution.fill(0, int(survey.cellCount()));
    result.relative.fill(0, int(survey.cellCount()));
    return result;
}

} // namespace

SequenceResolution sequenceRows(const SurveyModel &survey, const QVector<Quadruple> &sequence,
    std::vector<SurveyRow> *rows, std::vector<int> *used)
{
    return sequenceRowsOf(survey, sequence, rows, used);
}

SequenceResolution sequenceRows(const SurveyModel &survey, const QVector<LineQuadruple> &sequence,
    std::vector<SurveyRow> *rows, std::vector<int> *used)
{
    return sequenceRowsOf(survey, sequence, rows, used);
}

namespace {

// R_jj = 1 - lambda (A^-1 CᵀC)_jj with A = GᵀWG + lambda CᵀC = L Lᵀ. CᵀC has a few entries per
// column, so only the entries of A^-1 = L^-T L^-1 next to the diagonal are needed. a holds GᵀWG
// in its lower triangle and is overwritten; without a reference the sequence is its own.
void resolve(const SurveyModel &survey, Eigen::MatrixXd &a, double lambda,
    const SequenceResolution *reference, SequenceResolution *result,
    const ProgressFunction &progress)
{
    const auto report = [&](double share) {
        if (progress)
            progress(share);
    };
    const Eigen::Index cells = survey.cellCount();
    survey.addSmoothness(a, lambda);
    if (!survey.factorise(a, &result->error))
        return;
    report(0.3);
    // L^-1 block column by block column: below the diagonal block only the trailing part of L
    // takes part, which saves two thirds of a full solve. a now holds L in its lower triangle.
    Eigen::MatrixXd inverseL = Eigen::MatrixXd::Zero(cells, cells);
    constexpr Eigen::Index Block = 128;
    for (Eigen::Index first = 0; first < cells; first += Block) {
        const Eigen::Index width = std::min(Block, cells - first);
        auto target = inverseL.block(first, first, cells - first, width);
        target.topRows(width).setIdentity();
        a.bottomRightCorner(cells - first, cells - first)
            .triangularView<Eigen::Lower>()
            .solveInPlace(target);
    }
    report(0.95);
    const auto inverseA = [&](Eigen::Index j, Eigen::Index k) {
        const Eigen::Index from = std::max(j, k);
        return inverseL.col(j).tail(cells - from).dot(inverseL.col(k).tail(cells - from));
    };

    const std::vector<std::vector<int>> &neighbours = survey.neighbours();
    double sum = 0;
    double relative = 0;
    int compared = 0;
    for (Eigen::Index j = 0; j < cells; ++j) {
        double ctc = double(neighbours[size_t(j)].size()) * inverseA(j, j);
        for (const int k : neighbours[size_t(j)])
            ctc -= inverseA(j, k);
        const double r = 1 - lambda * ctc;
        result->resolution[int(j)] = r;
        sum += r;
        const double best = reference ? reference->resolution.at(int(j)) : r;
        if (best >= ResolutionModel::MinComparedResolution) {
            result->relative[int(j)] = r / best;
            relative += r / best;
            ++compared;
        }
    }
    result->meanResolution = sum / double(cells);
    result->meanRelative = compared > 0 ? relative / compared : 0;
    report(1);
}

} // namespace

ResolutionModel::ResolutionModel(const SurveyModel &survey, const ProgressFunction &progress)
    : m_survey(survey)
{
    if (!survey.isValid() || survey.scope() != SurveyModel::Resolution) {
        m_error = survey.isValid() ? QStringLiteral("the survey was not built for a resolution")
                                   : survey.error();
        return;
    }
    std::vector<SurveyRow> rows;
    Eigen::MatrixXd a;
    if (survey.grid().isLine()) {
        SurveyModel::RowCounts counts;
        a = survey.lineComprehensiveMatrix(&counts, progressRange(progress, 0, 0.6));
        m_comprehensive = sequenceRows(survey, QVector<Quadruple>(), &rows);
        m_comprehensive.configurations = counts.configurations;
        m_comprehensive.withoutRow = counts.withoutRow;
        m_comprehensive.overLimit = counts.overLimit;
    } else {
        m_comprehensive
            = sequenceRows(survey, comprehensiveConfigurations(survey.grid().electrodes()), &rows);
    }
    if (m_comprehensive.used() == 0) {
        const ResolutionOptions &options = survey.options();
        m_error = m_comprehensive.overLimit == 0
            ? QStringLiteral("no configuration of the cable is left to compare with: each uses "
                             "an excluded electrode (%1) or gives no signal")
                  .arg(options.excluded.text())
            : QStringLiteral("no configuration of the cable is left to compare with: the %1 "
                             "that give a reading are all beyond %2")
                  .arg(m_comprehensive.overLimit)
                  .arg(limitsText(options));
        return;
    }
    if (!survey.grid().isLine())
        a = survey.normalMatrix(rows, progressRange(progress, 0, 0.6));
    // Hundreds of thousands of rows: let them go before the solve needs its room.
    std::vector<SurveyRow>().swap(rows);
    m_lambda = survey.options().damping * a.trace() / survey.smoothnessTrace();
    resolve(survey, a, m_lambda, nullptr, &m_comprehensive, progressRange(progress, 0.6, 1));
    m_error = m_comprehensive.error;
    if (m_error.isEmpty()
        && !std::any_of(m_comprehensive.resolution.cbegin(), m_comprehensive.resolution.cend(),
            [](double r) { return r >= MinComparedResolution; })) {
        // Every relative figure would be 0, of any sequence.
        m_error = QStringLiteral("all %1 within the limits together resolve no cell to %2 "
                                 "(R_jj), so there is nothing to compare with: give a smaller "
                                 "damping than %3%4")
                      .arg(counted(m_comprehensive.used(), QStringLiteral("configuration")))
                      .arg(MinComparedResolution)
                      .arg(survey.options().damping, 0, 'g', 6)
                      .arg(m_comprehensive.overLimit > 0
                              ? QStringLiteral(", or leave more configurations within %1")
                                    .arg(limitsText(survey.options()))
                              : QString());
    }
}

QString ResolutionModel::lambdaText() const
{
    return scaledNumber(m_lambda, -2 * m_survey.weightExponent());
}

bool ResolutionModel::isCompared(int cell) const
{
    return m_comprehensive.resolution.value(cell) >= MinComparedResolution;
}

SequenceResolution ResolutionModel::evaluate(
    const QVector<Quadruple> &sequence, const ProgressFunction &progress) const
{
    return evaluateRows(sequence, progress);
}

SequenceResolution ResolutionModel::evaluateLine(
    const QVector<LineQuadruple> &sequence, const ProgressFunction &progress) const
{
    return evaluateRows(sequence, progress);
}

template <typename Row>
SequenceResolution ResolutionModel::evaluateRows(
    const QVector<Row> &sequence, const ProgressFunction &progress) const
{
    if (!isValid()) {
        SequenceResolution refused;
        refused.error = m_error;
        return refused;
    }
    std::vector<SurveyRow> rows;
    SequenceResolution result = sequenceRows(m_survey, sequence, &rows);
    if (rows.empty())
        return result;
    Eigen::MatrixXd a = m_survey.normalMatrix(rows, progressRange(progress, 0, 0.4));
    resolve(m_survey, a, m_lambda, &m_comprehensive, &result, progressRange(progress, 0.4, 1));
    return result;
}

SequenceResolution ResolutionModel::evaluate(
    const GroundRows &rows, const ProgressFunction &progress) const
{
    Q_ASSERT(&rows.survey() == &m_survey);
    SequenceResolution result = rows.counts();
    if (!isValid() || !rows.isValid()) {
        result.error = isValid() ? rows.error() : m_error;
        return result;
    }
    if (rows.sensitivity().cols() == 0)
        return result;
    const Eigen::MatrixXd g = rows.sensitivity() * rows.weights().asDiagonal();
    Eigen::MatrixXd a = Eigen::MatrixXd::Zero(g.rows(), g.rows());
    a.selfadjointView<Eigen::Lower>().rankUpdate(g);
    resolve(m_survey, a, m_lambda, &m_comprehensive, &result, progress);
    return result;
}

namespace {

template <typename Row>
QVector<double> sensitivitySum(const SurveyModel &survey, const QVector<Row> &sequence)
{
    const int cells = survey.grid().cellCount();
    QVector<double> sum(cells, 0.0);
    QVector<double> row(cells);
    for (const Row &q : sequence) {
        if (survey.row(q, nullptr) != SurveyModel::HasRow || !survey.table().row(q, row.data()))
            continue;
        for (int c = 0; c < cells; ++c)
            sum[c] += std::abs(row.at(c));
    }
    return sum;
}

template <typename Row>
double deepestDepth(const SurveyModel &survey, const QVector<Row> &sequence)
{
    double deepest = std::numeric_limits<double>::quiet_NaN();
    for (const Row &q : sequence) {
        if (survey.row(q, nullptr) != SurveyModel::HasRow)
            continue;
        const double z = medianDepth(q, survey.grid().spacing());
        if (std::isfinite(z) && !(z <= deepest))
            deepest = z;
    }
    return deepest;
}

} // namespace

QVector<double> cumulativeSensitivity(const SurveyModel &survey, const QVector<Quadruple> &sequence)
{
    return sensitivitySum(survey, sequence);
}

QVector<double> cumulativeSensitivity(
    const SurveyModel &survey, const QVector<LineQuadruple> &sequence)
{
    return sensitivitySum(survey, sequence);
}

double resolvedDepth(const QVector<double> &xEdges, const QVector<double> &zEdges,
    const QVector<double> &relative, double cableLength, double level)
{
    const int layers = zEdges.size() - 1;
    if (layers <= 0)
        return 0;
    std::vector<int> under(size_t(layers), 0);
    std::vector<int> reaching(size_t(layers), 0);
    for (int cell = 0; cell < relative.size(); ++cell) {
        const int column = cell / layers;
        if (column + 1 >= xEdges.size())
            break;
        const double x = (xEdges.at(column) + xEdges.at(column + 1)) / 2;
        if (x < 0 || x > cableLength)
            continue;
        ++under[size_t(cell % layers)];
        reaching[size_t(cell % layers)] += relative.at(cell) >= level ? 1 : 0;
    }
    for (int layer = layers - 1; layer >= 0; --layer) {
        if (under[size_t(layer)] > 0 && 2 * reaching[size_t(layer)] >= under[size_t(layer)])
            return zEdges.at(layer + 1);
    }
    return 0;
}

double deepestMedianDepth(const SurveyModel &survey, const QVector<Quadruple> &sequence)
{
    return deepestDepth(survey, sequence);
}

double deepestMedianDepth(const SurveyModel &survey, const QVector<LineQuadruple> &sequence)
{
    return deepestDepth(survey, sequence);
}

} // namespace Kgw
