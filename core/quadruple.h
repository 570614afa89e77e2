#ifndef KGW_QUADRUPLE_H
#define KGW_QUADRUPLE_H

#include <QtGlobal>

#include <algorithm>

namespace Kgw {

// Positions on the cable run from 1 to CablePositions; 0 is a remote electrode.
constexpr int CablePositions = 48;

// The electrodes in the column order of an electrode list, with the lowest value each may take:
// A and M are never remote, B and N may be (0).
struct ElectrodeRule {
    char name;
    int minimum;
};
constexpr ElectrodeRule ElectrodeRules[4] = { { 'A', 1 }, { 'B', 0 }, { 'M', 1 }, { 'N', 0 } };

// One measurement, in the column order of an electrode list, with a position per electrode of
// the given type. Cable rows and the rows of a longer line differ only in that type.
template <typename Electrode>
struct BasicQuadruple {
    constexpr BasicQuadruple() = default;
    constexpr BasicQuadruple(int a, int b, int m, int n)
        : a(Electrode(a))
        , b(Electrode(b))
        , m(Electrode(m))
        , n(Electrode(n))
    { }

    Electrode a = 0;
    Electrode b = 0;
    Electrode m = 0;
    Electrode n = 0;
};

// A measurement on the cable. A byte per electrode is all any sequence file holds, and keeps a
// sequence at four bytes a quadruple in memory too.
using Quadruple = BasicQuadruple<qint8>;
static_assert(sizeof(Quadruple) == 4, "a sequence takes four bytes a quadruple");

template <typename Electrode>
bool operator==(const BasicQuadruple<Electrode> &l, const BasicQuadruple<Electrode> &r)
{
    return l.a == r.a && l.b == r.b && l.m == r.m && l.n == r.n;
}
template <typename Electrode>
bool operator!=(const BasicQuadruple<Electrode> &l, const BasicQuadruple<Electrode> &r)
{
    return !(l == r);
}

// A B M N becomes M N A B: the current and the potential pair exchanged.
template <typename Electrode>
BasicQuadruple<Electrode> reciprocal(const BasicQuadruple<Electrode> &q)
{
    return BasicQuadruple<Electrode> { q.m, q.n, q.a, q.b };
}

// One key for a configuration and for its variants with A and B or M and N swapped, which
// measure the same thing. Exact for any electrode values, a byte each.
using ConfigurationKey = quint32;

inline ConfigurationKey configurationKey(const Quadruple &q)
{
    const auto pair = [](int x, int y) {
        const auto ordered = std::minmax(x, y);
        return quint32(quint8(ordered.first)) << 8 | quint8(ordered.second);
    };
    return pair(q.a, q.b) << 16 | pair(q.m, q.n);
}

// The most quadruples a sequence holds: far beyond any instrument's sequence, far below what
// would exhaust a 32-bit address space. Every reader and writer keeps to it.
constexpr int MaxSequenceQuadruples = 1 << 26;

} // namespace Kgw

Q_DECLARE_TYPEINFO(Kgw::Quadruple, Q_PRIMITIVE_TYPE);

#endif
