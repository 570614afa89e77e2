#ifndef KGW_ELECTRODESET_H
#define KGW_ELECTRODESET_H

#include "line.h"
#include "quadruple.h"

#include <QString>

#include <bitset>
#include <optional>

namespace Kgw {

// Electrodes that must not be used, dead or missing ones, on the cable or along a whole line
// (positions 1 to MaxLinePositions). A remote electrode is never among them: it is not on the
// line.
class ElectrodeSet
{
public:
    bool isEmpty() const { return m_bits.none(); }
    bool contains(int electrode) const
    {
        return electrode >= 1 && electrode <= MaxLinePositions && m_bits[size_t(electrode)];
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
    // The highest electrode in the set; 0 for an empty set.
    int highest() const;
    // The electrodes from `first` to first + electrodes - 1, numbered from 1: those of a line
    // that the cable laid from line position `first` must not use, in its own positions.
    ElectrodeSet onSpread(int first, int electrodes) const;
    // As parseElectrodeSet reads it, "7, 23-24"; empty for an empty set.
    QString text() const;

private:
    std::bitset<MaxLinePositions + 1> m_bits; // bit e for electrode e
};

// Reads electrodes as the crew writes them, "7,23-24": numbers from 1 to `highest` (the cable's
// last position, or a line's) and ranges FIRST-LAST with FIRST < LAST, separated by commas,
// blanks allowed around each part. Nothing, with *error saying what is wrong, for anything else,
// an empty text among them.
std::optional<ElectrodeSet> parseElectrodeSet(
    const QString &text, QString *error, int highest = CablePositions);

} // namespace Kgw

#endif
