#include "injection.h"

#include "geometry.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <cstdlib>
#include <numeric>

namespace Kgw {

namespace {

// Electrodes index tables directly, whatever byte they hold.
constexpr int ElectrodeSlots = 256;

int slot(qint8 electrode)
{
    return quint8(electrode);
}

int pairSlot(const Quadruple &q)
{
    return slot(q.a) * ElectrodeSlots + slot(q.b);
}

// Whether the row may share its injection with others.
bool mayShare(const Quadruple &q, const ChannelRules &rules)
{
    return q.m != q.n && withinMaxDipole(q, rules.maxDipole)
        && (rules.allowEnclosing || !enclosesCurrent(q));
}

// The earliest row of `list` not yet grouped that `accept` takes; -1 for none.
template <typename Accept>
int firstUnused(const std::vector<int> &list, const std::vector<char> &used, const Accept &accept)
{
    for (const int p : list) {
        if (!used[size_t(p)] && accept(p))
            return p;
    }
    return -1;
}

// Chains of up to `channels` from `members` (rows of one current pair that may share, in their
// order): each from the row where its chain begins, extended by the earliest row that goes on
// from its last N to an electrode not yet in it.
void appendChains(const QVector<Quadruple> &rows, const std::vector<int> &members, int channels,
    std::vector<std::vector<int>> *groups)
{
    const int count = int(members.size());
    if (count < 2) {
        for (const int i : members)
            groups->push_back({ i });
        return;
    }
    const auto row = [&](int p) -> const Quadruple & { return rows.at(members[size_t(p)]); };
    std::vector<std::vector<int>> byM(ElectrodeSlots);
    std::vector<std::vector<int>> byN(ElectrodeSlots);
    for (int p = 0; p < count; ++p) {
        byM[size_t(slot(row(p).m))].push_back(p);
        byN[size_t(slot(row(p).n))].push_back(p);
    }
    std::vector<char> used(size_t(count), 0);
    for (int start = 0; start < count; ++start) {
        while (!used[size_t(start)]) {
            // Back along the chain, no farther than one injection reaches.
            std::vector<int> visited { start };
            while (int(visited.size()) < channels) {
                const int before
                    = firstUnused(byN[size_t(slot(row(visited.back()).m))], used, [&](int p) {
                          return std::find(visited.begin(), visited.end(), p) == visited.end();
                      });
                if (before < 0)
                    break;
                visited.push_back(before);
            }
            std::vector<int> chain { visited.back() };
            std::vector<qint8> electrodes { row(chain.back()).m, row(chain.back()).n };
            used[size_t(chain.back())] = 1;
            while (int(chain.size()) < channels) {
                const int next
                    = firstUnused(byM[size_t(slot(row(chain.back()).n))], used, [&](int p) {
                          return std::find(electrodes.begin(), electrodes.end(), row(p).n)
                              == electrodes.end();
                      });
                if (next < 0)
                    break;
                used[size_t(next)] = 1;
                chain.push_back(next);
                electrodes.push_back(row(next).n);
            }
            std::vector<int> group;
            for (const int p : chain)
                group.push_back(members[size_t(p)]);
            groups->push_back(std::move(group));
        }
    }
}

} // namespace

bool enclosesCurrent(const Quadruple &q)
{
    if (q.m == 0 || q.n == 0)
        return false;
    const qint8 low = std::min(q.m, q.n);
    const qint8 high = std::max(q.m, q.n);
    const auto inside
        = [&](qint8 electrode) { return electrode != 0 && electrode > low && electrode < high; };
    return inside(q.a) || inside(q.b);
}

bool isValidGroup(const Quadruple *rows, int count, const ChannelRules &rules)
{
    if (count < 1)
        return false;
    if (count == 1)
        return withinMaxDipole(rows[0], rules.maxDipole);
    std::vector<qint8> electrodes { rows[0].m };
    for (int i = 0; i < count; ++i) {
        const Quadruple &q = rows[i];
        if (q.a != rows[0].a || q.b != rows[0].b || !mayShare(q, rules))
            return false;
        if (rules.layout == ChannelLayout::Chained) {
            if ((i > 0 && q.m != rows[i - 1].n)
                || std::find(electrodes.begin(), electrodes.end(), q.n) != electrodes.end())
                return false;
            electrodes.push_back(q.n);
        }
    }
    return true;
}

std::vector<std::vector<int>> injectionGroups(
    const QVector<Quadruple> &rows, int channels, const ChannelRules &rules)
{
    channels = std::max(1, channels);
    std::vector<int> byPair(size_t(rows.size()));
    std::iota(byPair.begin(), byPair.end(), 0);
    std::stable_sort(byPair.begin(), byPair.end(),
        [&](int l, int r) { return pairSlot(rows.at(l)) < pairSlot(rows.at(r)); });

    std::vector<std::vector<int>> groups;
    for (size_t from = 0; from < byPair.size();) {
        size_t to = from + 1;
        while (
            to < byPair.size() && pairSlot(rows.at(byPair[to])) == pairSlot(rows.at(byPair[from])))
            ++to;
        std::vector<int> sharing;
        for (size_t k = from; k < to; ++k) {
            if (channels > 1 && mayShare(rows.at(byPair[k]), rules))
                sharing.push_back(byPair[k]);
            else
                groups.push_back({ byPair[k] });
        }
        if (rules.layout == ChannelLayout::Chained) {
            appendChains(rows, sharing, channels, &groups);
        } else {
            for (size_t k = 0; k < sharing.size(); k += size_t(channels))
                groups.emplace_back(sharing.begin() + k,
                    sharing.begin() + std::min(sharing.size(), k + size_t(channels)));
        }
        from = to;
    }
    // Every row is in one group, so the earliest rows differ.
    std::vector<int> earliest(groups.size());
    for (size_t g = 0; g < groups.size(); ++g)
        earliest[g] = *std::min_element(groups[g].begin(), groups[g].end());
    std::vector<int> order(groups.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(),
        [&](int l, int r) { return earliest[size_t(l)] < earliest[size_t(r)]; });
    std::vector<std::vector<int>> sorted;
    sorted.reserve(groups.size());
    for (const int g : order)
        sorted.push_back(std::move(groups[size_t(g)]));
    return sorted;
}

QVector<int> injectionOfRows(
    const QVector<Quadruple> &sequence, int channels, const ChannelRules &rules)
{
    channels = std::max(1, channels);
    QVector<int> injectionOf(sequence.size(), 0);
    int injection = -1;
    int first = 0;
    for (int i = 0; i < sequence.size(); ++i) {
        const bool continues = i > first && i - first < channels
            && isValidGroup(sequence.constData() + first, i - first + 1, rules);
        if (!continues) {
            ++injection;
            first = i;
        }
        injectionOf[i] = injection;
    }
    return injectionOf;
}

int injectionCount(const QVector<Quadruple> &sequence, int channels, const ChannelRules &rules)
{
    return sequence.isEmpty() ? 0 : injectionOfRows(sequence, channels, rules).last() + 1;
}

void turnToPositiveFactor(QVector<Quadruple> *rows, ChannelLayout layout)
{
    if (layout == ChannelLayout::Chained)
        return;
    for (Quadruple &q : *rows)
        q = withPositiveFactor(q);
}

QVector<Quadruple> groupedReciprocals(
    const QVector<Quadruple> &rows, int count, int channels, const ChannelRules &rules)
{
    QSet<ConfigurationKey> listed;
    for (const Quadruple &q : rows)
        listed.insert(configurationKey(q));
    QVector<Quadruple> reciprocals;
    QHash<int, int> sharing; // rows per new current pair
    for (const Quadruple &q : rows) {
        const Quadruple r = reciprocal(q);
        if (!withinMaxDipole(r, rules.maxDipole))
            continue;
        const int before = listed.size();
        listed.insert(configurationKey(r));
        if (listed.size() != before) {
            reciprocals.append(r);
            ++sharing[pairSlot(r)];
        }
    }
    std::vector<std::vector<int>> groups = injectionGroups(reciprocals, channels, rules);
    // Full injections first, then those of the pairs most rows share; otherwise as listed.
    std::stable_sort(
        groups.begin(), groups.end(), [&](const std::vector<int> &l, const std::vector<int> &r) {
            if (l.size() != r.size())
                return l.size() > r.size();
            return sharing.value(pairSlot(reciprocals.at(l.front())))
                > sharing.value(pairSlot(reciprocals.at(r.front())));
        });
    QVector<Quadruple> chosen;
    for (const std::vector<int> &group : groups) {
        for (const int i : group) {
            if (chosen.size() >= count)
                return chosen;
            chosen.append(reciprocals.at(i));
        }
    }
    return chosen;
}

} // namespace Kgw
