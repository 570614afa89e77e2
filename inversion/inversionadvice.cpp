#include "inversionadvice.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

namespace Kgw {

namespace {

QString percent(double share)
{
    return QString::number(100 * share, 'f', 1);
}

} // namespace

QStringList inversionAdvice(const InversionData &data, const InversionResult &result)
{
    QStringList advice;
    if (result.steps.isEmpty() || result.steps.constLast().chiSquared <= AdviceChiSquared
        || result.residuals.size() != data.err.size() || data.err.size() == 0)
        return advice;
    const QVector<InversionStep> &steps = result.steps;
    const int n = int(data.err.size());

    if (result.ending == InversionResult::IterationLimit && steps.size() > 1
        && steps.constLast().chiSquared < StillFalling * steps.at(steps.size() - 2).chiSquared)
        advice.append(
            QStringLiteral("It stopped at the iteration limit of %1 with chi-squared "
                           "still falling (%2 to %3 in the last iteration): give it "
                           "more iterations, --max-iter %4.")
                .arg(steps.constLast().iteration)
                .arg(steps.at(steps.size() - 2).chiSquared, 0, 'g', 3)
                .arg(steps.constLast().chiSquared, 0, 'g', 3)
                .arg(std::min(InversionOptions::MostIterations, 2 * steps.constLast().iteration)));

    const Eigen::VectorXd share = result.residuals.array().square().matrix();
    std::vector<int> worst(n);
    std::iota(worst.begin(), worst.end(), 0);
    std::sort(worst.begin(), worst.end(), [&](int a, int b) { return share[a] > share[b]; });
    const double total = share.sum();
    int holdingHalf = 0;
    for (double sum = 0; sum < total / 2; ++holdingHalf)
        sum += share[worst[holdingHalf]];
    const bool fewCarryIt = total > 0 && holdingHalf <= FewReadingsShare * n;
    bool errorsTooSmall = false;
    if (fewCarryIt) {
        QStringList lines;
        for (int i = 0; i < std::min(holdingHalf, WorstNamed); ++i)
            lines.append(QString::number(data.lines.value(worst[i], worst[i] + 1)));
        advice.append(QStringLiteral("Half of the misfit comes from %1 of %2 readings, the worst "
                                     "at line %3: check or remove them; a broken wire or a bad "
                                     "contact reads so.")
                          .arg(holdingHalf)
                          .arg(n)
                          .arg(lines.join(QStringLiteral(", "))));
    } else {
        const double rms = steps.constLast().rmsPercent / 100;
        const double typical = median(data.err);
        errorsTooSmall = rms > typical;
        if (errorsTooSmall)
            advice.append(QStringLiteral("The errors (median %1 %) are smaller than the misfit "
                                         "a smooth model reaches across the data (RMS %2 %): "
                                         "the err column is too small; give errors of at least "
                                         "%3 %.")
                              .arg(percent(typical), percent(rms),
                                  QString::number(std::ceil(1000 * rms) / 10, 'f', 1)));
    }

    // A few bad readings, or errors too small for any model, are reason enough.
    if (result.ending == InversionResult::NoLowerMisfit && !fewCarryIt && !errorsTooSmall)
        advice.append(QStringLiteral(
            "No step lowered the misfit further: the data hold what no smooth section under a "
            "flat line reads, such as topography, a body off the line or electrodes elsewhere "
            "than the file puts them; check the spacing and the electrodes' positions."));
    return advice;
}

} // namespace Kgw
