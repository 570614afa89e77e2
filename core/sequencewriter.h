#ifndef KGW_SEQUENCEWRITER_H
#define KGW_SEQUENCEWRITER_H

#include <QByteArray>
#include <QString>
#include <QVector>

#include "quadruple.h"
#include "savefile.h"

QT_BEGIN_NAMESPACE
class QIODevice;
QT_END_NAMESPACE

namespace Kgw {

// The instrument's sequence file: a fixed little-endian header, then the body.
constexpr int SequenceHeaderSize = 335;
constexpr qint8 SequenceMarker = -36; // 0xDC

// The body holds four bytes a quadruple, in the instrument's order A, M, N, B; BodyIndex says
// where each electrode of the list's column order A B M N stands within them.
constexpr int BodyBytesPerQuadruple = 4;
constexpr int BodyIndex[4] = { 0, 3, 1, 2 };

inline void encodeQuadruple(const Quadruple &q, char *bytes)
{
    bytes[BodyIndex[0]] = char(q.a);
    bytes[BodyIndex[1]] = char(q.b);
    bytes[BodyIndex[2]] = char(q.m);
    bytes[BodyIndex[3]] = char(q.n);
}

inline Quadruple decodeQuadruple(const char *bytes)
{
    return Quadruple(qint8(bytes[BodyIndex[0]]), qint8(bytes[BodyIndex[1]]),
        qint8(bytes[BodyIndex[2]]), qint8(bytes[BodyIndex[3]]));
}

// The instrument reads the spacing as whole millimetres, a half rounding up.
qint32 spacingToMillimetres(double metres);

// The header exactly as this program writes it.
QByteArray sequenceHeader(qint32 count, qint32 spacingMillimetres);

// A sequence is written beside its list, under the list's full name.
QString sequenceFileName(const QString &listFileName);

// Header and body as a file's content, made as it is written: the quadruples, at most
// MaxSequenceQuadruples, must outlive it.
FileContent sequenceContent(const QVector<Quadruple> &quadruples, double spacingMetres);

// Writes header and body so that an earlier file of that name is replaced only by a complete
// new one.
WriteResult writeSequenceFile(
    const QString &fileName, const QVector<Quadruple> &quadruples, double spacingMetres);

// Writes header and body to a device that is already open, such as standard output.
WriteResult writeSequence(
    QIODevice *device, const QVector<Quadruple> &quadruples, double spacingMetres);

} // namespace Kgw

#endif
