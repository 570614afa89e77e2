#ifndef KGW_ELECTRODESET_H
#define KGW_ELECTRODESET_H

#include "quadruple.h"

#include <QString>

#include <optional>

namespace Kgw {

// Electrodes of the cable that must not be used, dead or missing ones. A remote electrode is
// never among them: it is not on the cable.
class ElectrodeSet
{
public:
    bool isEmpty() const { return m_bits == 0; }
    bool contains(int electrode) const
    {
        return electrode >= 1 && electrode <= CablePositions && (m_bits >> electrode & 1) != 0;
    }
    // Electrodes outside 1..CablePositions are ignored.
    void insert(int electrode);
    // The first electrode of q, in the order A, B, M, N, that is in the set; 0 when none is.
    int firstUsedBy(const Quadruple &q) const
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
    quint64 m_bits = 0; // bit e for electrode e
};

// Reads electrodes as the crew writes them, "7,23-24": numbers from 1 to CablePositions and
// ranges FIRST-LAST with FIRST < LAST, separated by commas, blanks allowed around each part.
// Nothing, with *error saying what is wrong, for anything else, an empty text among them.
std::optional<ElectrodeSet> parseElectrodeSet(const QString &text, QString *error);

} // namespace Kgw

#endif
