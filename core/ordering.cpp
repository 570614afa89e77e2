#include "ordering.h"

#include "injection.h"

#include <limits>
#include <vector>

namespace Kgw {

namespace {

// Electrodes index tables directly, whatever byte they hold.
constexpr int ElectrodeSlots = 256;
// Long enough ago that no gap reaches back to it.
constexpr qint64 Never = std::numeric_limits<qint64>::min() / 2;
// How many of the groups still to place, in their order in the sequence, are weighed for each
// place: enough to find a safe one in the customary sequences, few enough that 100,000
// measurements are ordered in a fraction of a second.
constexpr int LookAhead = 256;

int slot(qint8 electrode)
{
    return quint8(electrode);
}

// Measurements that share A and B and are measured one after another.
struct Group {
    int first = 0; // into the member table
    int count = 0;
    qint8 a = 0;
    qint8 b = 0;
};

// What placing a group next costs: first the measurements of it that break the gap; then the
// current electrodes it adds to those resting, since reusing them keeps small the set that
// potentials must avoid; then how often the groups soon to come use its current electrodes as
// potentials, since those would have to wait.
struct Cost {
    int breaks = 0;
    int newCurrents = 0;
    int blocked = 0;

    bool operator<(const Cost &other) const
    {
        if (breaks != other.breaks)
            return breaks < other.breaks;
        if (newCurrents != other.newCurrents)
            return newCurrents < other.newCurrents;
        return blocked < other.blocked;
    }
    // Nothing breaks and no electrode starts resting: no other group can do better.
    bool isFree() const { return breaks == 0 && newCurrents == 0; }
};

// Places the groups one after another, each time the cheapest of the next LookAhead still to
// place, the earliest among equals.
class Scheduler
{
public:
    Scheduler(const QVector<Quadruple> &sequence, const std::vector<Group> &groups,
        const std::vector<int> &members, int gap, bool perInjection);

    QVector<Quadruple> run();

private:
    const Quadruple &member(const Group &group, int k) const
    {
        return m_sequence.at(m_members[size_t(group.first + k)]);
    }
    bool isResting(qint8 electrode) const
    {
        return m_lastCurrent[slot(electrode)] >= m_position - m_gap;
    }
    Cost cost(const Group &group) const;
    void countPotentials(int group, int step);
    void place(int group);

    const QVector<Quadruple> &m_sequence;
    const std::vector<Group> &m_groups;
    const std::vector<int> &m_members;
    const int m_gap;
    const bool m_perInjection; // a group takes one place, not one per measurement
    // The groups still to place, in their order, as a ring through a sentinel.
    const int m_sentinel;
    std::vector<int> m_next;
    std::vector<int> m_previous;
    int m_lookAheadEnd = 0; // the first group still to place past the look-ahead
    qint64 m_position = 0; // the place the next measurement takes
    qint64 m_lastCurrent[ElectrodeSlots]; // the last place each electrode was A or B
    int m_potentialUses[ElectrodeSlots] = {}; // as M or N, by the groups in the look-ahead
    QVector<Quadruple> m_ordered;
};

Scheduler::Scheduler(const QVector<Quadruple> &sequence, const std::vector<Group> &groups,
    const std::vector<int> &members, int gap, bool perInjection)
    : m_sequence(sequence)
    , m_groups(groups)
    , m_members(members)
    , m_gap(gap)
    , m_perInjection(perInjection)
    , m_sentinel(int(groups.size()))
    , m_next(groups.size() + 1)
    , m_previous(groups.size() + 1)
{
    std::fill(m_lastCurrent, m_lastCurrent + ElectrodeSlots, Never);
    for (int g = 0; g <= m_sentinel; ++g) {
        m_next[size_t(g)] = (g + 1) % (m_sentinel + 1);
        m_previous[size_t(g)] = (g + m_sentinel) % (m_sentinel + 1);
    }
    for (; m_lookAheadEnd < qMin(LookAhead, m_sentinel); ++m_lookAheadEnd)
        countPotentials(m_lookAheadEnd, 1);
}

Cost Scheduler::cost(const Group &group) const
{
    Cost cost;
    for (int k = 0; k < group.count; ++k) {
        const Quadruple &q = member(group, k);
        const qint64 place = m_position + (m_perInjection ? 0 : k);
        for (const qint8 electrode : { q.m, q.n }) {
            if (electrode == 0)
                continue;
            const bool current = electrode == group.a || electrode == group.b;
            // Within the group the current pair was used by the measurement just before, or in
            // injections by this very one.
            const qint64 last = m_perInjection && current ? place
                : k > 0 && current                        ? place - 1
                                                          : m_lastCurrent[slot(electrode)];
            if (last >= place - m_gap) {
                ++cost.breaks;
                break;
            }
        }
    }
    for (const qint8 electrode : { group.a, group.b }) {
        if (electrode == 0 || (electrode == group.b && group.a == group.b))
            continue;
        if (!isResting(electrode))
            ++cost.newCurrents;
        cost.blocked += m_potentialUses[slot(electrode)];
    }
    return cost;
}

void Scheduler::countPotentials(int group, int step)
{
    const Group &g = m_groups[size_t(group)];
    for (int k = 0; k < g.count; ++k) {
        m_potentialUses[slot(member(g, k).m)] += step;
        m_potentialUses[slot(member(g, k).n)] += step;
    }
}

void Scheduler::place(int group)
{
    const Group &g = m_groups[size_t(group)];
    for (int k = 0; k < g.count; ++k)
        m_ordered.append(member(g, k));
    m_position += m_perInjection ? 1 : g.count;
    for (const qint8 electrode : { g.a, g.b }) {
        if (electrode != 0)
            m_lastCurrent[slot(electrode)] = m_position - 1;
    }
    countPotentials(group, -1);
    m_next[size_t(m_previous[size_t(group)])] = m_next[size_t(group)];
    m_previous[size_t(m_next[size_t(group)])] = m_previous[size_t(group)];
    if (m_lookAheadEnd != m_sentinel) {
        countPotentials(m_lookAheadEnd, 1);
        m_lookAheadEnd = m_next[size_t(m_lookAheadEnd)];
    }
}

QVector<Quadruple> Scheduler::run()
{
    m_ordered.reserve(m_sequence.size());
    while (m_next[size_t(m_sentinel)] != m_sentinel) {
        int best = m_next[size_t(m_sentinel)];
        Cost bestCost = cost(m_groups[size_t(best)]);
        for (int g = m_next[size_t(best)]; g != m_lookAheadEnd && !bestCost.isFree();
             g = m_next[size_t(g)]) {
            const Cost candidate = cost(m_groups[size_t(g)]);
            if (candidate < bestCost) {
                best = g;
                bestCost = candidate;
            }
        }
        place(best);
    }
    return m_ordered;
}

} // namespace

int defaultPolarisationGap(int count)
{
    return qMin(32, count / 10);
}

int gapBreaks(const QVector<Quadruple> &sequence, int gap)
{
    qint64 lastCurrent[ElectrodeSlots];
    std::fill(lastCurrent, lastCurrent + ElectrodeSlots, Never);
    int breaks = 0;
    for (int place = 0; place < sequence.size(); ++place) {
        const Quadruple &q = sequence.at(place);
        const bool broken = (q.m != 0 && lastCurrent[slot(q.m)] >= place - gap)
            || (q.n != 0 && lastCurrent[slot(q.n)] >= place - gap);
        breaks += broken ? 1 : 0;
        for (const qint8 electrode : { q.a, q.b }) {
            if (electrode != 0)
                lastCurrent[slot(electrode)] = place;
        }
    }
    return breaks;
}

int gapBreaksInInjections(
    const QVector<Quadruple> &sequence, int gap, int channels, const ChannelRules &rules)
{
    const QVector<int> injectionOf = injectionOfRows(sequence, channels, rules);
    qint64 lastCurrent[ElectrodeSlots];
    std::fill(lastCurrent, lastCurrent + ElectrodeSlots, Never);
    int breaks = 0;
    for (int place = 0; place < sequence.size(); ++place) {
        const Quadruple &q = sequence.at(place);
        const qint64 injection = injectionOf.at(place);
        const bool broken = (q.m != 0 && lastCurrent[slot(q.m)] >= injection - gap)
            || (q.n != 0 && lastCurrent[slot(q.n)] >= injection - gap);
        breaks += broken ? 1 : 0;
        for (const qint8 electrode : { q.a, q.b }) {
            if (electrode != 0)
                lastCurrent[slot(electrode)] = injection;
        }
    }
    return gap > 0 ? breaks : 0;
}

int injectionsFor(double seconds, double secondsPerInjection)
{
    // Both have at most three decimals: in whole milliseconds the quotient is exact.
    const qint64 wait = qRound64(seconds * 1000);
    const qint64 step = qRound64(secondsPerInjection * 1000);
    return int((wait + step - 1) / step);
}

QVector<Quadruple> orderSequence(const QVector<Quadruple> &sequence, const OrderOptions &options)
{
    const int count = sequence.size();
    const int channels = qMax(1, options.channels);

    // Groups are numbered in the order of their earliest measurement, and each takes the
    // measurements of its current pair that one injection can read, up to the channels.
    std::vector<Group> groups;
    std::vector<int> members;
    members.reserve(size_t(count));
    for (const std::vector<int> &injection : injectionGroups(sequence, channels, options.rules)) {
        const Quadruple &q = sequence.at(injection.front());
        groups.push_back(Group { int(members.size()), int(injection.size()), q.a, q.b });
        members.insert(members.end(), injection.begin(), injection.end());
    }

    if (options.gap > 0)
        return Scheduler(sequence, groups, members, options.gap, options.gapInInjections).run();
    // Without a gap, the groups keep the order of their first measurements.
    QVector<Quadruple> ordered;
    ordered.reserve(count);
    for (const int i : members)
        ordered.append(sequence.at(i));
    return ordered;
}

} // namespace Kgw
