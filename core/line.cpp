#include "line.h"

#include <algorithm>

namespace Kgw {

namespace {

// The smallest cable that holds a four-electrode configuration.
constexpr int MinSpreadElectrodes = 4;

quint64 pairKey(int x, int y)
{
    const auto ordered = std::minmax(x, y);
    return quint64(quint16(ordered.first)) << 16 | quint16(ordered.second);
}

} // namespace

LineConfigurationKey configurationKey(const LineQuadruple &q, Reciprocals reciprocals)
{
    const quint64 current = pairKey(q.a, q.b);
    const quint64 potential = pairKey(q.m, q.n);
    const LineConfigurationKey key = current << 32 | potential;
    // The reciprocal's key has the pairs the other way round; the smaller of the two stands for
    // both.
    if (reciprocals == Reciprocals::Same)
        return std::min(key, potential << 32 | current);
    return key;
}

bool LineConfigurationSet::insert(const LineQuadruple &q)
{
    const int before = m_keys.size();
    m_keys.insert(configurationKey(q, m_reciprocals));
    return m_keys.size() != before;
}

bool LineConfigurationSet::contains(const LineQuadruple &q) const
{
    return m_keys.contains(configurationKey(q, m_reciprocals));
}

std::optional<Quadruple> toCablePositions(const LineQuadruple &q, int first, int electrodes)
{
    int cable[4];
    const int line[4] = { q.a, q.b, q.m, q.n };
    for (int i = 0; i < 4; ++i) {
        cable[i] = line[i] == 0 ? 0 : line[i] - first + 1;
        if (line[i] != 0 && (cable[i] < 1 || cable[i] > electrodes))
            return std::nullopt;
    }
    return Quadruple(cable[0], cable[1], cable[2], cable[3]);
}

ElectrodeSpan electrodeSpan(const LineQuadruple &q)
{
    ElectrodeSpan span;
    for (const int e : { q.a, q.b, q.m, q.n }) {
        if (e == 0)
            continue;
        span.lowest = span.lowest == 0 ? e : std::min(span.lowest, e);
        span.highest = span.highest == 0 ? e : std::max(span.highest, e);
    }
    return span;
}

SpreadLayout::SpreadLayout(int linePositions, int electrodes, int move)
    : m_linePositions(linePositions)
    , m_electrodes(electrodes)
    , m_move(move)
    // Every spread but the last starts a whole move on; the last one ends at the line's end.
    , m_count(1 + (linePositions - electrodes + move - 1) / move)
{ }

std::optional<SpreadLayout> SpreadLayout::plan(
    int linePositions, int electrodes, int move, QString *error)
{
    QString problem;
    if (electrodes < MinSpreadElectrodes || electrodes > CablePositions) {
        problem = QStringLiteral("Cable electrodes are out of range [%1, %2] (%3)")
                      .arg(MinSpreadElectrodes)
                      .arg(CablePositions)
                      .arg(electrodes);
    } else if (linePositions > MaxLinePositions) {
        problem = QStringLiteral("A line of %1 electrodes is longer than the %2 a plan takes")
                      .arg(linePositions)
                      .arg(MaxLinePositions);
    } else if (linePositions < electrodes) {
        problem = QStringLiteral("A line of %1 electrodes is shorter than the cable of %2: measure "
                                 "it with %1 of the cable's electrodes")
                      .arg(linePositions)
                      .arg(electrodes);
    } else if (move < 1) {
        problem = QStringLiteral(
            "A move of %1 electrodes leaves the cable where it is: move it by at least 1")
                      .arg(move);
    } else if (move > electrodes) {
        problem = QStringLiteral("A move of %1 electrodes leaves a gap between spreads: the cable "
                                 "of %2 moves by %2 at most")
                      .arg(move)
                      .arg(electrodes);
    }
    if (!problem.isEmpty()) {
        if (error)
            *error = problem;
        return std::nullopt;
    }
    return SpreadLayout(linePositions, electrodes, move);
}

int SpreadLayout::firstPosition(int spread) const
{
    if (spread == m_count)
        return m_linePositions - m_electrodes + 1;
    return 1 + (spread - 1) * m_move;
}

int SpreadLayout::lastMove() const
{
    return m_count == 1 ? 0 : firstPosition(m_count) - firstPosition(m_count - 1);
}

int SpreadLayout::firstHolding(const LineQuadruple &q) const
{
    const ElectrodeSpan span = electrodeSpan(q);
    if (span.lowest == 0)
        return 1;
    if (span.lowest < 1 || span.highest > m_linePositions || span.positions() > m_electrodes)
        return 0;
    // Spreads start further along the line the later they come, so the first whose end reaches
    // the highest electrode is the only one that can also reach back to the lowest.
    const int beyondFirst = std::max(0, span.highest - m_electrodes);
    const int spread = std::min(m_count, 1 + (beyondFirst + m_move - 1) / m_move);
    return firstPosition(spread) <= span.lowest ? spread : 0;
}

QVector<QPointF> SpreadLayout::reachEnvelope(double spacingMetres, double depthRatio) const
{
    const auto x = [spacingMetres](int position) { return (position - 1) * spacingMetres; };
    const double slope = 2 * depthRatio;
    QVector<QPointF> line { QPointF(0, 0) };
    for (int spread = 1; spread <= m_count; ++spread) {
        const double start = x(firstPosition(spread));
        const double end = x(firstPosition(spread) + m_electrodes - 1);
        line.append(QPointF((start + end) / 2, slope * (end - start) / 2));
        if (spread == m_count)
            break;
        const double next = x(firstPosition(spread + 1));
        if (next < end) {
            line.append(QPointF((end + next) / 2, slope * (end - next) / 2));
        } else {
            line.append(QPointF(end, 0));
            if (next > end)
                line.append(QPointF(next, 0));
        }
    }
    line.append(QPointF(x(m_linePositions), 0));
    return line;
}

} // namespace Kgw
