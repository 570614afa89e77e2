#ifndef KGW_QUADRUPLE_H
#define KGW_QUADRUPLE_H

#include <QByteArray>

namespace Kgw {

// Positions on the cable run from 1 to CablePositions; 0 is a remote electrode.
constexpr int CablePositions = 48;

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

// The body of a sequence holds four bytes per quadruple, in the instrument's order A, M, N, B.
constexpr int BodyBytesPerQuadruple = 4;

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

inline void appendQuadruple(QByteArray &body, const Quadruple &q)
{
    const char bytes[BodyBytesPerQuadruple] = { char(q.a), char(q.m), char(q.n), char(q.b) };
    body.append(bytes, BodyBytesPerQuadruple);
}

} // namespace Kgw

#endif
