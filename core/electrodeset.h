#ifndef KGW_ELECTRODESET_H
#define KGW_ELECTRODESET_H

#include "line.h"
#include "quadruple.h"

#include <QString>

#include <array>
#include <optional>

namespace Kgw {

// Electrodes that must not be used, dead or missing ones, in cable positions or, for a line
// longer than the cable, in line positions. A remote electrode is never among them: it is not on
// the line.
class ElectrodeSet
{
public:
    bool isEmpty() const;
    bool contains(int electrode) const
    {
        return electrode >= 1 && electrode <= MaxLinePositions
            && (m_bits[size_t(electrode) / 64] >> electrode % 64 & 1) != 0;
    }
    // Electrodes outside 1..MaxLinePositions are ignored.
    void insert(int electrode);
    // The first electrode of q, in the order A, B, M, N, that is in the set; 0 when none is.
    template <typename Electrode>
    int firstUsedBy(const BasicQuadruple<Electrode> &q) const
    {
        for (const int e : { int(q.a), int(q.b), int(q.m), int(q.n) }) {
            if (contains(e))
                return e;
        }
        return 0;
    }
    // As parseElectrodeSet reads it, "7, 23-24"; empty for an empty set.
    QString text() const;

private:
    std::array<quint64, MaxLinePositions / 64 + 1> m_bits {}; // bit e % 64 of word e / 64
};

// Reads electrodes as the crew writes them, "7,23-24": numbers from 1 to `positions` (the cable's
// by default, a line's for a whole line) and ranges FIRST-LAST with FIRST < LAST, separated by
// commas, blanks allowed around each part. Nothing, with *error saying what is wrong, for
// anything else, an empty text among them.
std::optional<ElectrodeSet> parseElectrodeSet(
    const QString &text, QString *error, int positions = CablePositions);

} // namespace Kgw

#endif
