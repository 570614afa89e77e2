#include "sequencefile.h"

#include "quadruple.h"

#include <QDataStream>
#include <QSaveFile>

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

// QFileDevice takes a short write for a success and leaves the reason to the next write, so
// keep writing until everything is out or a write fails with its reason.
bool writeFully(QDataStream &out, const QByteArray &bytes)
{
    const char *data = bytes.constData();
    int left = bytes.size();
    while (left > 0) {
        const int written = out.writeRawData(data, left);
        if (written <= 0)
            return false;
        if (out.status() != QDataStream::Ok)
            out.resetStatus(); // a short write only; the next one finishes or says why
        data += written;
        left -= written;
    }
    return true;
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

WriteResult writeSequenceFile(const QString &fileName, const QByteArray &body, double spacingMetres)
{
    WriteResult result;
    QSaveFile file(fileName);
    // Some folders refuse a new file beside the old one while the old one may be rewritten;
    // there, writing in place is still better than refusing.
    file.setDirectWriteFallback(true);
    // Unbuffered, because a short write while flushing a buffer on commit() goes unnoticed and
    // would put a truncated file in place of the earlier one.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        result.status = WriteResult::CreateFailed;
        result.message = QStringLiteral("Failed to create KGW file");
        result.errorString = file.errorString();
        return result;
    }

    const QByteArray header
        = sequenceHeader(qint32(quadrupleCount(body)), spacingToMillimetres(spacingMetres));
    QDataStream out(&file);
    if (writeFully(out, header) && writeFully(out, body) && file.commit())
        return result;

    result.status = WriteResult::WriteFailed;
    result.message = QStringLiteral("Failed to write KGW file");
    result.errorString = file.errorString();
    if (file.isOpen()) {
        // Dropping an uncommitted QSaveFile would delete the file it writes in place; cancelling
        // removes only a temporary file and keeps the earlier one.
        file.cancelWriting();
        file.commit();
    }
    return result;
}

} // namespace Kgw
