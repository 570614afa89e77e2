#include "sequencefile.h"

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

QVector<QByteArray> sequencePieces(const QByteArray &body, double spacingMetres)
{
    return { sequenceHeader(qint32(quadrupleCount(body)), spacingToMillimetres(spacingMetres)),
        body };
}

WriteResult writeResult(const SaveResult &saved)
{
    WriteResult result;
    result.errorString = saved.errorString;
    if (saved.status == SaveResult::CreateFailed) {
        result.status = WriteResult::CreateFailed;
        result.message = QStringLiteral("Failed to create KGW file");
    } else if (saved.status == SaveResult::WriteFailed) {
        result.status = WriteResult::WriteFailed;
        result.message = QStringLiteral("Failed to write KGW file");
    }
    return result;
}

// A body past the limit would make a file that no reader takes.
bool isTooLarge(const QByteArray &body)
{
    return quadrupleCount(body) > MaxSequenceQuadruples;
}

WriteResult tooLarge()
{
    return writeResult(
        { SaveResult::CreateFailed,
            QStringLiteral("More than %1 quadruples, the most a KGW file holds")
                .arg(MaxSequenceQuadruples) });
}

} // namespace

WriteResult writeSequenceFile(const QString &fileName, const QByteArray &body, double spacingMetres)
{
    if (isTooLarge(body))
        return tooLarge();
    return writeResult(saveFile(fileName, sequencePieces(body, spacingMetres)));
}

WriteResult writeSequence(QIODevice *device, const QByteArray &body, double spacingMetres)
{
    if (isTooLarge(body))
        return tooLarge();
    return writeResult(saveToDevice(device, sequencePieces(body, spacingMetres)));
}

} // namespace Kgw
