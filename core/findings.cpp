#include "findings.h"

#include "geometry.h"

#include <QHash>
#include <QStringList>
#include <QtMath>

namespace Kgw {

namespace {

QString repeatedElectrodes(const Quadruple &q)
{
    struct Pair {
        const char *names;
        int first;
        int second;
    };
    const Pair pairs[]
        = { { "A and B", q.a, q.b }, { "M and N", q.m, q.n }, { "A and M", q.a, q.m },
              { "A and N", q.a, q.n }, { "B and M", q.b, q.m }, { "B and N", q.b, q.n } };
    QStringList parts;
    for (const Pair &p : pairs) {
        if (p.first != 0 && p.first == p.second)
            parts << QStringLiteral("%1 are both %2").arg(QLatin1String(p.names)).arg(p.first);
    }
    return parts.join(QStringLiteral("; "));
}

} // namespace

QString Finding::message() const
{
    switch (kind) {
    case RepeatedElectrode:
        return QStringLiteral("Repeated electrode: %1").arg(detail);
    case NoSignal:
        return QStringLiteral("No signal: G = 0, so the geometric factor is infinite");
    case WeakSignal:
        return QStringLiteral("Weak signal: %1").arg(detail);
    case Duplicate:
        return QStringLiteral("Duplicate of line %1").arg(earlierIndex + 1);
    case Reciprocal:
        return QStringLiteral("Reciprocal of line %1").arg(earlierIndex + 1);
    }
    return QString();
}

bool CheckReport::hasProblems() const
{
    return count(Finding::RepeatedElectrode) + count(Finding::NoSignal) + count(Finding::WeakSignal)
        + count(Finding::Duplicate)
        > 0;
}

CheckReport checkQuadruples(const QByteArray &body, double spacingMetres, double factorLimitMetres)
{
    CheckReport report;
    report.quadruples = quadrupleCount(body);
    report.largestAbsoluteFactor = qQNaN();
    QHash<ConfigurationKey, int> firstSeen;
    bool used[CablePositions + 1] = {};

    auto add = [&](Finding finding) {
        ++report.counts[finding.kind];
        report.findings.append(finding);
    };

    for (int i = 0; i < report.quadruples; ++i) {
        const Quadruple q = quadrupleAt(body, i);
        for (const int e : { q.a, q.b, q.m, q.n }) {
            if (e >= 0 && e <= CablePositions)
                used[e] = true;
        }

        Finding finding;
        finding.index = i;
        if (hasRepeatedElectrode(q)) {
            finding.kind = Finding::RepeatedElectrode;
            finding.detail = repeatedElectrodes(q);
            add(finding);
        } else if (measuresNoSignal(q)) {
            finding.kind = Finding::NoSignal;
            add(finding);
        } else {
            const double k = qAbs(geometricFactor(q, spacingMetres));
            if (qIsFinite(k)
                && (qIsNaN(report.largestAbsoluteFactor) || k > report.largestAbsoluteFactor))
                report.largestAbsoluteFactor = k;
            if (exceedsFactorLimit(q, spacingMetres, factorLimitMetres)) {
                finding.kind = Finding::WeakSignal;
                finding.detail = QStringLiteral("|K| = %1 m is above the limit of %2 m")
                                     .arg(k, 0, 'f', 3)
                                     .arg(factorLimitMetres, 0, 'f', 3);
                add(finding);
            }
        }

        const ConfigurationKey key = configurationKey(q);
        const auto earlier = firstSeen.constFind(key);
        if (earlier != firstSeen.constEnd()) {
            finding.kind = Finding::Duplicate;
            finding.earlierIndex = earlier.value();
            finding.detail.clear();
            add(finding);
            continue; // the earlier line already stands for any reciprocal it has
        }
        firstSeen.insert(key, i);
        const auto original = firstSeen.constFind(configurationKey(reciprocal(q)));
        if (original != firstSeen.constEnd() && original.value() != i) {
            finding.kind = Finding::Reciprocal;
            finding.earlierIndex = original.value();
            finding.detail.clear();
            add(finding);
        }
    }

    for (int e = 0; e <= CablePositions; ++e) {
        if (used[e])
            report.electrodes.append(e);
    }
    return report;
}

QString electrodeRangesText(const QVector<int> &electrodes)
{
    QStringList parts;
    bool remote = false;
    for (int i = 0; i < electrodes.size(); ++i) {
        const int first = electrodes.at(i);
        if (first == 0) {
            remote = true;
            continue;
        }
        int last = first;
        while (i + 1 < electrodes.size() && electrodes.at(i + 1) == last + 1)
            last = electrodes.at(++i);
        parts << (first == last ? QString::number(first)
                                : QStringLiteral("%1-%2").arg(first).arg(last));
    }
    if (remote)
        parts << QStringLiteral("remote");
    return parts.isEmpty() ? QStringLiteral("none") : parts.join(QStringLiteral(", "));
}

} // namespace Kgw
