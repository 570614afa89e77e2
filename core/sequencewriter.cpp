#include "sequencewriter.h"

#include "quadruple.h"
#include "savefile.h"

#include <QDataStream>

namespace Kgw {

namespace {

constexpr int ReservedBytes = 256;
constexpr qint8 HeaderVersion = 5;
constexpr int ChannelFlags = 48;
constexpr int TrailingZeroBytes = 16;

void writeRepeated(QDataStream &out, qint8 value, int times)
{
    for (int i = 0; i < times; ++i)
        out << value;
}

} // namespace

qint32 spacingToMillimetres(double metres)
{
    return qint32(metres * 1000.0 + 0.5);
}

QByteArray sequenceHeader(qint32 count, qint32 spacingMillimetres)
{
    QByteArray header;
    header.reserve(SequenceHeaderSize);
    QDataStream out(&header, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out << SequenceMarker << count;
    writeRepeated(out, 0, ReservedBytes);
    out << HeaderVersion << qint8(0) << spacingMillimetres << qint32(0);
    writeRepeated(out, 1, ChannelFlags);
    writeRepeated(out, 0, TrailingZeroBytes);
    Q_ASSERT(header.size() == SequenceHeaderSize);
    return header;
}

QString sequenceFileName(const QString &listFileName)
{
    return listFileName + QStringLiteral(".KGW");
}

namespace {

// Quadruples are turned into bytes a piece at a time, so that a sequence is never held twice.
constexpr int QuadruplesPerPiece = 16384;

} // namespace

FileContent sequenceContent(const QVector<Quadruple> &quadruples, double spacingMetres)
{
    const QByteArray header
        = sequenceHeader(qint32(quadruples.size()), spacingToMillimetres(spacingMetres));
    FileContent content;
    content.size = SequenceHeaderSize + qint64(quadruples.size()) * BodyBytesPerQuadruple;
    content.pieceCount = 1 + (quadruples.size() + QuadruplesPerPiece - 1) / QuadruplesPerPiece;
    content.piece = [header, &quadruples](int index) {
        if (index == 0)
            return header;
        const int first = (index - 1) * QuadruplesPerPiece;
        const int count = qMin(QuadruplesPerPiece, quadruples.size() - first);
        QByteArray bytes(count * BodyBytesPerQuadruple, Qt::Uninitialized);
        char *const body = bytes.data(); // once: data() checks whether to detach every time
        const Quadruple *const from = quadruples.constData() + first;
        for (int i = 0; i < count; ++i)
            encodeQuadruple(from[i], body + i * BodyBytesPerQuadruple);
        return bytes;
    };
    return content;
}

namespace {

WriteResult described(WriteResult result)
{
    return result.describe(
        QStringLiteral("Failed to create KGW file"), QStringLiteral("Failed to write KGW file"));
}

// A body past the limit would make a file that no reader takes.
bool isTooLarge(const QVector<Quadruple> &quadruples)
{
    return quadruples.size() > MaxSequenceQuadruples;
}

WriteResult tooLarge()
{
    return described({ WriteResult::Refused, QString(),
        QStringLiteral("More than %1 quadruples, the most a KGW file holds")
            .arg(MaxSequenceQuadruples) });
}

} // namespace

WriteResult writeSequenceFile(
    const QString &fileName, const QVector<Quadruple> &quadruples, double spacingMetres)
{
    if (isTooLarge(quadruples))
        return tooLarge();
    return described(saveFile(fileName, sequenceContent(quadruples, spacingMetres)));
}

WriteResult writeSequence(
    QIODevice *device, const QVector<Quadruple> &quadruples, double spacingMetres)
{
    if (isTooLarge(quadruples))
        return tooLarge();
    return described(saveToDevice(device, sequenceContent(quadruples, spacingMetres)));
}

} // namespace Kgw
