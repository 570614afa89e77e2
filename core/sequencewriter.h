#ifndef KGW_SEQUENCEWRITER_H
#define KGW_SEQUENCEWRITER_H

#include <QByteArray>
#include <QString>

#include "savefile.h"

QT_BEGIN_NAMESPACE
class QIODevice;
QT_END_NAMESPACE

namespace Kgw {

// The instrument's sequence file: a fixed little-endian header, then the body.
constexpr int SequenceHeaderSize = 335;
constexpr qint8 SequenceMarker = -36; // 0xDC

// The instrument reads the spacing as whole millimetres, a half rounding up.
qint32 spacingToMillimetres(double metres);

// The header exactly as this program writes it.
QByteArray sequenceHeader(qint32 count, qint32 spacingMillimetres);

// A sequence is written beside its list, under the list's full name.
QString sequenceFileName(const QString &listFileName);

// Writes header and body so that an earlier file of that name is replaced only by a complete
// new one.
WriteResult writeSequenceFile(
    const QString &fileName, const QByteArray &body, double spacingMetres);

// Writes header and body to a device that is already open, such as standard output.
WriteResult writeSequence(QIODevice *device, const QByteArray &body, double spacingMetres);

} // namespace Kgw

#endif
