#ifndef KGW_QUADRUPLE_H
#define KGW_QUADRUPLE_H

#include <QByteArray>
#include <QPair>

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

// One measurement, in the column order of an electrode list.
struct Quadruple {
    int a = 0;
    int b = 0;
    int m = 0;
    int n = 0;
};

inline bool operator==(const Quadruple &l, const Quadruple &r)
{
    return l.a == r.a && l.b == r.b && l.m == r.m && l.n == r.n;
}
inline bool operator!=(const Quadruple &l, const Quadruple &r)
{
    return !(l == r);
}

// A B M N becomes M N A B: the current and the potential pair exchanged.
inline Quadruple reciprocal(const Quadruple &q)
{
    return Quadruple { q.m, q.n, q.a, q.b };
}

// One key for a configuration and for its variants with A and B or M and N swapped, which
// measure the same thing. Exact for any electrode values, not only for those of a valid list.
using ConfigurationKey = QPair<quint64, quint64>;

inline ConfigurationKey configurationKey(const Quadruple &q)
{
    const auto pair = [](int x, int y) {
        const auto ordered = std::minmax(x, y);
        return quint64(quint32(ordered.first)) << 32 | quint32(ordered.second);
    };
    return ConfigurationKey(pair(q.a, q.b), pair(q.m, q.n));
}

// The body of a sequence holds four bytes per quadruple, in the instrument's order A, M, N, B.
constexpr int BodyBytesPerQuadruple = 4;

// The most quadruples a sequence holds: far beyond any instrument's sequence, far below what
// would exhaust a 32-bit address space. Every reader and writer keeps to it.
constexpr int MaxSequenceQuadruples = 1 << 26;

inline int quadrupleCount(const QByteArray &body)
{
    return body.size() / BodyBytesPerQuadruple;
}

inline Quadruple quadrupleAt(const QByteArray &body, int index)
{
    const char *p = body.constData() + index * BodyBytesPerQuadruple;
    Quadruple q;
    q.a = qint8(p[0]);
    q.m = qint8(p[1]);
    q.n = qint8(p[2]);
    q.b = qint8(p[3]);
    return q;
}

inline void setQuadrupleAt(char *body, int index, const Quadruple &q)
{
    char *p = body + index * BodyBytesPerQuadruple;
    p[0] = char(q.a);
    p[1] = char(q.m);
    p[2] = char(q.n);
    p[3] = char(q.b);
}

inline void appendQuadruple(QByteArray &body, const Quadruple &q)
{
    const int index = quadrupleCount(body);
    body.resize(body.size() + BodyBytesPerQuadruple);
    setQuadrupleAt(body.data(), index, q);
}

} // namespace Kgw

#endif
