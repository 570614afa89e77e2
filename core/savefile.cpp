#include "savefile.h"

#include <QDataStream>
#include <QSaveFile>

namespace Kgw {

namespace {

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

SaveResult saveFile(const QString &fileName, const QVector<QByteArray> &pieces)
{
    SaveResult result;
    QSaveFile file(fileName);
    file.setDirectWriteFallback(true);
    // Unbuffered, because a short write while flushing a buffer on commit() goes unnoticed and
    // would put a truncated file in place of the earlier one.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        result.status = SaveResult::CreateFailed;
        result.errorString = file.errorString();
        return result;
    }

    QDataStream out(&file);
    bool written = true;
    for (const QByteArray &piece : pieces)
        written = written && writeFully(out, piece);
    if (written && file.commit())
        return result;

    result.status = SaveResult::WriteFailed;
    result.errorString = file.errorString();
    if (file.isOpen()) {
        // Dropping an uncommitted QSaveFile would delete a file it writes in place; cancelling
        // removes only a temporary file and keeps the earlier one.
        file.cancelWriting();
        file.commit();
    }
    return result;
}

} // namespace Kgw
