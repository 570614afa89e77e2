#include "sequencereader.h"

#include "electrodelist.h"
#include "iodevice.h"
#include "quadruple.h"
#include "sequencewriter.h"
#include "spacing.h"

#include <QBuffer>
#include <QFile>
#include <QtEndian>

#include <optional>

namespace Kgw {

namespace {

constexpr int CountOffset = 1;
constexpr int SpacingOffset = 263;
constexpr int ChunkSize = 64 * 1024;
constexpr int QuadruplesPerPiece = ChunkSize / BodyBytesPerQuadruple;

QString hexByte(quint8 value)
{
    return QStringLiteral("0x")
        + QString::number(value, 16).toUpper().rightJustified(2, QLatin1Char('0'));
}

// Appends up to maxSize bytes, fewer only at the end of the data. Returns false on a read
// error.
bool readUpTo(QIODevice *device, qint64 maxSize, QByteArray *data)
{
    while (maxSize > 0) {
        const int chunk = int(qMin<qint64>(maxSize, ChunkSize));
        const int before = data->size();
        data->resize(before + chunk);
        const qint64 got = device->read(data->data() + before, chunk);
        data->resize(before + int(qMax<qint64>(got, 0)));
        if (got < 0)
            return false;
        // The readers are handed files and buffers, which block until data comes, so nothing
        // read means the data has ended.
        if (got == 0)
            break;
        maxSize -= got;
    }
    return !deviceFailed(device);
}

SequenceResult refusal(SequenceResult::Status status, const QString &message)
{
    SequenceResult result;
    result.status = status;
    result.message = message;
    return result;
}

SequenceResult readFailure(QIODevice *device, SequenceResult::Status status)
{
    return loadFailure<SequenceResult>(status, device ? device->errorString() : QString());
}

SequenceResult countMismatch(qint32 count, const QString &size)
{
    return refusal(SequenceResult::CountMismatch,
        QStringLiteral("Quadruple count %1 disagrees with the file size of %2 bytes "
                       "(expected %3 + 4 × %1 = %4)")
            .arg(count)
            .arg(size)
            .arg(SequenceHeaderSize)
            .arg(SequenceHeaderSize + 4 * qint64(count)));
}

// Names the first electrode of a body piece that breaks its rule, in quadruple order and column
// order. `first` is the index of the piece's first quadruple in the file.
std::optional<QString> electrodeProblem(const QByteArray &piece, int first)
{
    for (int i = 0; i < piece.size() / BodyBytesPerQuadruple; ++i) {
        const char *bytes = piece.constData() + i * BodyBytesPerQuadruple;
        for (int column = 0; column < 4; ++column) {
            const int value = qint8(bytes[BodyIndex[column]]);
            if (value >= ElectrodeRules[column].minimum && value <= CablePositions)
                continue;
            const qint64 index = qint64(first) + i;
            return QStringLiteral("Quadruple %1 (offset %2): %3")
                .arg(index + 1)
                .arg(SequenceHeaderSize + index * BodyBytesPerQuadruple + BodyIndex[column])
                .arg(electrodeOutOfRangeMessage(column, QString::number(value)));
        }
    }
    return std::nullopt;
}

} // namespace

SequenceResult readSequence(QIODevice *device)
{
    if (!device || !device->isReadable())
        return readFailure(device, SequenceResult::OpenFailed);

    // Taken before reading, as the size of a sequential device is only what is buffered.
    const qint64 available = device->isSequential() ? -1 : device->size() - device->pos();

    QByteArray header;
    if (!readUpTo(device, SequenceHeaderSize, &header))
        return readFailure(device, SequenceResult::ReadFailed);
    if (header.size() < SequenceHeaderSize) {
        return refusal(SequenceResult::TooShort,
            QStringLiteral("File is shorter than the header of a KGW file (%1 of %2 bytes)")
                .arg(header.size())
                .arg(SequenceHeaderSize));
    }
    if (qint8(header.at(0)) != SequenceMarker) {
        return refusal(SequenceResult::WrongMarker,
            QStringLiteral("Wrong marker %1 at offset 0 (expected %2)")
                .arg(hexByte(quint8(header.at(0))), hexByte(quint8(SequenceMarker))));
    }

    const auto *raw = reinterpret_cast<const uchar *>(header.constData());
    const qint32 count = qFromLittleEndian<qint32>(raw + CountOffset);
    const qint32 spacing = qFromLittleEndian<qint32>(raw + SpacingOffset);
    const qint64 expectedSize = SequenceHeaderSize + 4 * qint64(count);

    if (available >= 0 && available != expectedSize)
        return countMismatch(count, QString::number(available));
    if (count < 0)
        return countMismatch(count, QStringLiteral("at least %1").arg(SequenceHeaderSize));
    if (count > MaxSequenceQuadruples) {
        return refusal(SequenceResult::TooLarge,
            QStringLiteral("Quadruple count %1 is more than %2, the most that is read")
                .arg(count)
                .arg(MaxSequenceQuadruples));
    }

    // Read a piece at a time, so that the file's bytes and its quadruples are never held whole
    // side by side. Only a file whose size is known has its quadruples reserved at once: a pipe
    // may claim a count it never delivers.
    QVector<Quadruple> quadruples;
    if (available >= 0)
        quadruples.reserve(count);
    std::optional<QString> problem;
    QByteArray piece;
    while (quadruples.size() < count) {
        piece.clear();
        const qint64 wanted = qMin<qint64>(count - quadruples.size(), QuadruplesPerPiece);
        if (!readUpTo(device, wanted * BodyBytesPerQuadruple, &piece))
            return readFailure(device, SequenceResult::ReadFailed);
        if (piece.size() < wanted * BodyBytesPerQuadruple) {
            return countMismatch(count,
                QString::number(SequenceHeaderSize
                    + qint64(quadruples.size()) * BodyBytesPerQuadruple + piece.size()));
        }
        if (!problem)
            problem = electrodeProblem(piece, quadruples.size());
        for (int i = 0; i < wanted; ++i)
            quadruples.append(decodeQuadruple(piece.constData() + i * BodyBytesPerQuadruple));
    }
    if (available < 0) {
        // A pipe's size is known only by reading it; one byte past the body is enough to tell.
        QByteArray extra;
        if (!readUpTo(device, 1, &extra))
            return readFailure(device, SequenceResult::ReadFailed);
        if (!extra.isEmpty())
            return countMismatch(count, QStringLiteral("more than %1").arg(expectedSize));
    }
    if (problem)
        return refusal(SequenceResult::ElectrodeOutOfRange, *problem);

    SequenceResult result;
    result.count = count;
    result.spacingMillimetres = spacing;
    result.quadruples = quadruples;
    const QByteArray expected = sequenceHeader(count, spacing);
    for (int i = 0; i < SequenceHeaderSize; ++i) {
        if (header.at(i) != expected.at(i))
            result.headerDifferences.append({ i, quint8(expected.at(i)), quint8(header.at(i)) });
    }
    return result;
}

QString headerDifferenceMessage(const HeaderDifference &difference)
{
    return QStringLiteral("Header byte at offset %1 differs: expected %2, found %3")
        .arg(difference.offset)
        .arg(hexByte(difference.expected), hexByte(difference.found));
}

QString SequenceResult::spacingWarning() const
{
    if (!ok() || isSpacingInRange(spacingMillimetres))
        return QString();
    return QStringLiteral("Cable spacing of %1 mm is outside %2 to %3 mm")
        .arg(spacingMillimetres)
        .arg(MinimumSpacingMillimetres)
        .arg(MaximumSpacingMillimetres);
}

QString SequenceResult::countWarning() const
{
    if (!ok() || count > 0)
        return QString();
    return QStringLiteral("File holds no quadruples; KGW make never writes an empty sequence");
}

SequenceResult readSequence(const QByteArray &data)
{
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    return readSequence(&buffer);
}

SequenceResult readSequenceFile(const QString &fileName)
{
    return readFile<SequenceResult>(
        fileName, [](QIODevice *device) { return readSequence(device); });
}

} // namespace Kgw
