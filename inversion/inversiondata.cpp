#include "inversiondata.h"

#include "depth.h"
#include "geometry.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace Kgw {

int InversionData::droppedCount() const
{
    int count = 0;
    for (const DroppedRows &d : dropped)
        count += d.count;
    return count;
}

double median(const Eigen::VectorXd &values)
{
    if (values.size() == 0)
        return 0;
    std::vector<double> sorted(values.data(), values.data() + values.size());
    const size_t half = sorted.size() / 2;
    std::nth_element(sorted.begin(), sorted.begin() + half, sorted.end());
    const double upper = sorted[half];
    if (sorted.size() % 2 == 1)
        return upper;
    return (*std::max_element(sorted.begin(), sorted.begin() + half) + upper) / 2;
}

double deepestMedianDepth(const InversionData &data)
{
    double deepest = 0;
    for (const LineQuadruple &q : data.rows)
        deepest = std::max(deepest, medianDepth(q, data.spacingMetres));
    return deepest;
}

InversionData inversionData(const QVector<LineQuadruple> &rows, const DataColumns &data,
    const QVector<qint64> &lineNumbers, double spacingMetres)
{
    InversionData result;
    result.spacingMetres = spacingMetres;
    const auto lineOf = [&](int i) { return lineNumbers.isEmpty() ? i + 1 : lineNumbers.at(i); };
    if (!data.has(DataColumn::Err)) {
        result.error = QStringLiteral(
            "no err column: the inversion weighs each reading by its error, and needs them");
        return result;
    }
    if (!data.has(DataColumn::R) && !data.has(DataColumn::Rhoa)) {
        result.error = QStringLiteral("no r or rhoa column: nothing to invert");
        return result;
    }

    DroppedRows unmeasurable { QStringLiteral("repeat an electrode or give no signal") };
    DroppedRows zero { QStringLiteral("read zero") };
    DroppedRows sign { QStringLiteral(
        "have the opposite sign to a uniform ground's, as swapped wires give") };
    const auto drop = [&](DroppedRows &d, int i) {
        if (d.count++ == 0)
            d.firstLine = lineOf(i);
    };
    QVector<double> transfer;
    QVector<double> err;
    QVector<double> rhoa;
    for (int i = 0; i < rows.size(); ++i) {
        const LineQuadruple &q = rows.at(i);
        const double e = data.value(DataColumn::Err, i);
        if (!(e > 0)) {
            result.error = QStringLiteral("an err of 0 or below (%1), which would weigh the "
                                          "reading without bound")
                               .arg(e);
            result.errorLine = lineOf(i);
            result.rows.clear();
            result.lines.clear();
            return result;
        }
        if (isUnmeasurable(q)) {
            drop(unmeasurable, i);
            continue;
        }
        const double k = geometricFactor(q, spacingMetres);
        const double r = data.has(DataColumn::R) ? data.value(DataColumn::R, i)
                                                 : data.value(DataColumn::Rhoa, i) / k;
        if (r == 0) {
            drop(zero, i);
            continue;
        }
        // A uniform ground reads rhoa = K r > 0.
        if (r * k < 0) {
            drop(sign, i);
            continue;
        }
        result.rows.append(q);
        result.lines.append(lineOf(i));
        transfer.append(r);
        err.append(e);
        rhoa.append(k * r);
        result.electrodes = std::max({ result.electrodes, int(q.a), int(q.b), int(q.m), int(q.n) });
    }
    for (const DroppedRows &d : { unmeasurable, zero, sign })
        if (d.count > 0)
            result.dropped.append(d);
    result.r = Eigen::Map<const Eigen::VectorXd>(transfer.constData(), transfer.size());
    result.err = Eigen::Map<const Eigen::VectorXd>(err.constData(), err.size());
    result.rhoa = Eigen::Map<const Eigen::VectorXd>(rhoa.constData(), rhoa.size());
    if (result.rows.isEmpty())
        result.error = QStringLiteral("no reading left to invert");
    return result;
}

} // namespace Kgw
