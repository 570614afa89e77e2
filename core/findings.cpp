#include "findings.h"

#include "geometry.h"
#include "textutil.h"

#include <QStringList>
#include <QtMath>

#include <algorithm>
#include <cmath>
#include <memory>
#include <unordered_map>
#include <vector>

namespace Kgw {

namespace {

QString repeatedElectrodes(const LineQuadruple &q)
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

// Where each configuration was first seen, A and B or M and N swapped or not, and what each
// quadruple thus repeats of an earlier one. (Qt 5's QHash of ConfigurationKey collided so often
// that checks slowed down past 100,000 lines.) The configurations of electrodes 0 to 48, all that
// a list can hold, index a table of 6 MB directly, a configuration beside its reciprocal, so that
// one cache line serves both. A bit for each entry, few enough to stay in the cache, tells which
// are set: the table is read only for a repeat, and the system provides only the pages written.
// Any other configuration goes to a hash map under its configuration key.
class FirstSeen
{
public:
    // The first quadruple of q's configuration when q is a duplicate, -2 - j when q is the
    // reciprocal of quadruple j, and -1 otherwise.
    int relation(const Quadruple &q, int index)
    {
        const int entry = tableEntry(q);
        if (entry < 0)
            return otherRelation(q, index);
        if (isSet(entry))
            return m_table[entry]; // which already stands for any reciprocal this one has
        m_set[entry / 64] |= quint64(1) << entry % 64;
        m_table[entry] = index;
        const int reciprocalEntry = entry ^ 1;
        return isSet(reciprocalEntry) ? -2 - m_table[reciprocalEntry] : -1;
    }

private:
    static constexpr int Pairs = (CablePositions + 1) * (CablePositions + 2) / 2;
    static constexpr size_t TableSize = size_t(Pairs) * (Pairs + 1);

    static int pairEntry(int x, int y)
    {
        const auto ordered = std::minmax(x, y);
        return ordered.second * (ordered.second + 1) / 2 + ordered.first;
    }

    // Even for the pair of pairs in ascending order, odd for the descending one. A configuration
    // that is its own reciprocal is even only, and its odd neighbour stays unset.
    static int tableEntry(const Quadruple &q)
    {
        for (const int e : { q.a, q.b, q.m, q.n }) {
            if (e < 0 || e > CablePositions)
                return -1;
        }
        const int ab = pairEntry(q.a, q.b);
        const int mn = pairEntry(q.m, q.n);
        return pairEntry(ab, mn) * 2 + (ab > mn);
    }

    bool isSet(int entry) const { return m_set[entry / 64] >> entry % 64 & 1; }

    int otherRelation(const Quadruple &q, int index)
    {
        const auto first = m_others.emplace(configurationKey(q), index);
        if (!first.second)
            return first.first->second;
        const auto original = m_others.find(configurationKey(reciprocal(q)));
        return original != m_others.end() && original->second != index ? -2 - original->second : -1;
    }

    std::vector<quint64> m_set = std::vector<quint64>(TableSize / 64 + 1);
    std::unique_ptr<int[]> m_table { new int[TableSize] }; // unset entries are never read
    std::unordered_map<quint32, int> m_others;
};

// The same for the rows of a whole line, which no table of every configuration holds: each
// configuration under its key.
class LineFirstSeen
{
public:
    int relation(const LineQuadruple &q, int index)
    {
        const auto first = m_seen.emplace(configurationKey(q), index);
        if (!first.second)
            return first.first->second;
        const auto original = m_seen.find(configurationKey(reciprocal(q)));
        return original != m_seen.end() && original->second != index ? -2 - original->second : -1;
    }

private:
    std::unordered_map<LineConfigurationKey, int> m_seen;
};

// The positions a row of each kind may use, and where it remembers configurations.
template <typename Row>
struct RowTraits;
template <>
struct RowTraits<Quadruple> {
    static constexpr int Positions = CablePositions;
    using Seen = FirstSeen;
};
template <>
struct RowTraits<LineQuadruple> {
    static constexpr int Positions = MaxLinePositions;
    using Seen = LineFirstSeen;
};

LineQuadruple asLine(const Quadruple &q)
{
    return toLinePositions(q);
}

LineQuadruple asLine(const LineQuadruple &q)
{
    return q;
}

// Whether q needs an electrode above those of the cable in use.
template <typename Row>
bool isBeyondCable(const Row &q, int cableElectrodes)
{
    return qMax(qMax(q.a, q.b), qMax(q.m, q.n)) > cableElectrodes;
}

template <typename Row>
Finding namingFinding(Finding::Kind kind, const Row &q, int index, int electrodes)
{
    Finding finding;
    finding.kind = kind;
    finding.index = index;
    finding.setQuadruple(asLine(q));
    finding.factorLimit = electrodes;
    return finding;
}

} // namespace

QString Finding::message(const QVector<qint64> &lineNumbers) const
{
    const qint64 earlierLine
        = lineNumbers.isEmpty() ? earlierIndex + 1 : lineNumbers.value(earlierIndex);
    switch (kind) {
    case RepeatedElectrode:
        return QLatin1String("Repeated electrode: ") + repeatedElectrodes(quadruple());
    case ExcludedElectrode:
        return QStringLiteral("Excluded electrode: %1 is used").arg(int(factor));
    case NoSignal:
        return QStringLiteral("No signal: G = 0, so the geometric factor is infinite");
    case WeakSignal:
        return QStringLiteral("Weak signal: |K| = %1 m is above the limit of %2 m")
            .arg(factor, 0, 'f', 3)
            .arg(factorLimit, 0, 'f', 3);
    case LowVoltage:
        return QStringLiteral("Low voltage: %1 mV expected, below the minimum of %2 mV")
            .arg(millivolts(factor), millivoltLimit(factorLimit));
    case Duplicate:
        return QLatin1String("Duplicate of line ") + QString::number(earlierLine);
    case Reciprocal:
        return QLatin1String("Reciprocal of line ") + QString::number(earlierLine);
    case BeyondCable:
        return QStringLiteral("Beyond the cable: electrode %1, with %2 in use")
            .arg(std::max({ electrodes[0], electrodes[1], electrodes[2], electrodes[3] }))
            .arg(counted(int(factorLimit), QStringLiteral("electrode")));
    case BeyondSpreads: {
        const ElectrodeSpan span = electrodeSpan(quadruple());
        return QStringLiteral("Beyond the spreads: no spread of %1 electrodes holds line "
                              "positions %2 to %3")
            .arg(int(factorLimit))
            .arg(span.lowest)
            .arg(span.highest);
    }
    }
    return QString();
}

bool CheckReport::voltagesInRange() const
{
    return std::isnan(smallestVoltage)
        || (std::isnormal(smallestVoltage * 1000) && std::isfinite(largestVoltage * 1000));
}

bool CheckReport::hasProblems() const
{
    return count(Finding::RepeatedElectrode) + count(Finding::ExcludedElectrode)
        + count(Finding::NoSignal) + count(Finding::WeakSignal) + count(Finding::LowVoltage)
        + count(Finding::Duplicate) + count(Finding::BeyondCable) + count(Finding::BeyondSpreads)
        > 0;
}

CheckReport checkQuadruples(
    const QVector<Quadruple> &quadruples, double spacingMetres, double factorLimitMetres)
{
    CheckOptions options;
    options.factorLimitMetres = factorLimitMetres;
    return checkQuadruples(quadruples, spacingMetres, options);
}

namespace {

template <typename Row>
CheckReport checkRows(
    const QVector<Row> &quadruples, double spacingMetres, const CheckOptions &options)
{
    constexpr int Positions = RowTraits<Row>::Positions;
    const double factorLimitMetres = options.factorLimitMetres;
    const int cableElectrodes = options.cableElectrodes;
    double smallestFactor = qQNaN();
    CheckReport report;
    report.quadruples = quadruples.size();
    report.largestAbsoluteFactor = qQNaN();
    typename RowTraits<Row>::Seen firstSeen;
    // Room for a finding on every line is enough for nearly every list, and room never used costs
    // no memory; growing a long report step by step would take longer than the check itself.
    report.findings.reserve(report.quadruples);
    bool used[Positions + 1] = {};

    auto add = [&](const Finding &finding) {
        ++report.counts[finding.kind];
        report.findings.append(finding);
    };

    // A block at a time, and the table's part in a loop of its own, so that its cache misses
    // overlap instead of waiting one by one behind the geometry.
    constexpr int Block = 1024;
    int relations[Block];
    for (int start = 0; start < report.quadruples; start += Block) {
        const int end = qMin(report.quadruples, start + Block);
        for (int i = start; i < end; ++i)
            relations[i - start] = firstSeen.relation(quadruples.at(i), i);

        for (int i = start; i < end; ++i) {
            const Row &q = quadruples.at(i);
            for (const int e : { q.a, q.b, q.m, q.n }) {
                if (e >= 0 && e <= Positions)
                    used[e] = true;
            }

            Finding finding;
            finding.index = i;
            if (const int excluded = options.excluded.firstUsedBy(q)) {
                finding.kind = Finding::ExcludedElectrode;
                finding.factor = excluded;
                add(finding);
            }
            // The factor alone tells most lines apart: it is NaN with a repeated electrode and
            // infinite with no signal, and it is needed anyway for the rest.
            const double signedFactor = geometricFactor(q, spacingMetres);
            const double k = qAbs(signedFactor);
            if (std::isnan(k)) {
                if (hasRepeatedElectrode(q)) {
                    add(namingFinding(Finding::RepeatedElectrode, q, i, 0));
                }
            } else if (std::isinf(k)) {
                if (measuresNoSignal(q)) {
                    finding.kind = Finding::NoSignal;
                    add(finding);
                }
            } else {
                if (std::isnan(report.largestAbsoluteFactor) || k > report.largestAbsoluteFactor)
                    report.largestAbsoluteFactor = k;
                if (std::isnan(smallestFactor) || k < smallestFactor)
                    smallestFactor = k;
                report.negativeFactors += signedFactor < 0 ? 1 : 0;
                if (k > factorLimitMetres) {
                    finding.kind = Finding::WeakSignal;
                    finding.factor = k;
                    finding.factorLimit = factorLimitMetres;
                    add(finding);
                }
                const double voltage
                    = expectedVoltage(k, options.resistivityOhmMetres, options.currentAmperes);
                if (voltage < options.minVoltage) {
                    finding.kind = Finding::LowVoltage;
                    finding.factor = voltage;
                    finding.factorLimit = options.minVoltage;
                    add(finding);
                }
            }

            const int earlier = relations[i - start];
            if (earlier != -1) {
                finding.kind = earlier >= 0 ? Finding::Duplicate : Finding::Reciprocal;
                finding.earlierIndex = earlier >= 0 ? earlier : -2 - earlier;
                add(finding);
            }
            if (isBeyondCable(q, cableElectrodes))
                add(namingFinding(Finding::BeyondCable, q, i, cableElectrodes));
            if (options.layout && options.layout->firstHolding(asLine(q)) == 0)
                add(namingFinding(Finding::BeyondSpreads, q, i, options.layout->electrodes()));
        }
    }

    report.smallestVoltage = expectedVoltage(
        report.largestAbsoluteFactor, options.resistivityOhmMetres, options.currentAmperes);
    report.largestVoltage
        = expectedVoltage(smallestFactor, options.resistivityOhmMetres, options.currentAmperes);
    for (int e = 0; e <= Positions; ++e) {
        if (used[e])
            report.electrodes.append(e);
    }
    return report;
}

} // namespace

CheckReport checkQuadruples(
    const QVector<Quadruple> &quadruples, double spacingMetres, const CheckOptions &options)
{
    return checkRows(quadruples, spacingMetres, options);
}

CheckReport checkQuadruples(
    const QVector<LineQuadruple> &rows, double spacingMetres, const CheckOptions &options)
{
    return checkRows(rows, spacingMetres, options);
}

QVector<Finding> beyondCableFindings(const QVector<Quadruple> &quadruples, int cableElectrodes)
{
    QVector<Finding> findings;
    int index = 0;
    for (const Quadruple &q : quadruples) {
        if (isBeyondCable(q, cableElectrodes))
            findings.append(namingFinding(Finding::BeyondCable, q, index, cableElectrodes));
        ++index;
    }
    return findings;
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
