#include "sequencefile.h"

#include "quadruple.h"

#include <QDataStream>
#include <QSaveFile>

namespace Kgw
{

namespace
{

    constexpr int ReservedBytes = 256;
    constexpr qint8 HeaderVersion = 5;
    constexpr int ChannelFlags = 48;
    constexpr int TrailingZeroBytes = 16;

    void writeRepeated(QDataStream &out, qint8 value, int times)
    {
        for (int i = 0; i < times; ++i)
            out << value;
    }

    // A short write sets no reason, so keep going while the device takes bytes: the attempt
    // that takes none fails with the system's own (a full disk, a file-size limit).
    bool flushAll(QFileDevice &file)
    {
        qint64 pending = file.bytesToWrite();
        while (!file.flush()) {
            if (file.bytesToWrite() == pending)
                return false;
            pending = file.bytesToWrite();
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
    if (!file.open(QIODevice::WriteOnly)) {
        result.status = WriteResult::CreateFailed;
        result.message = QStringLiteral("Failed to create KGW file");
        result.errorString = file.errorString();
        return result;
    }

    const QByteArray header
        = sequenceHeader(qint32(quadrupleCount(body)), spacingToMillimetres(spacingMetres));
    QDataStream out(&file);
    out.setByteOrder(QDataStream::LittleEndian);
    out.writeRawData(header.constData(), header.size());
    out.writeRawData(body.constData(), body.size());

    // commit() does not notice when its own last flush comes up short, and would put a cut
    // file in place of the earlier one.
    const bool flushed = out.status() == QDataStream::Ok && flushAll(file);
    if (!flushed || !file.commit()) {
        // Reached only when the new file is not in place; commit() and the destructor drop the
        // temporary file, so the earlier one stays as it was.
        result.status = WriteResult::WriteFailed;
        result.message = QStringLiteral("Failed to write KGW file");
        result.errorString = file.errorString();
    }
    return result;
}

} // namespace Kgw
