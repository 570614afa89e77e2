#include "savefile.h"

#include <QDataStream>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <memory>
#include <vector>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace Kgw {

WriteResult &WriteResult::describe(const QString &notCreated, const QString &notWritten)
{
    if (status == Refused || status == CreateFailed)
        message = notCreated;
    else if (status == WriteFailed)
        message = notWritten;
    return *this;
}

FileContent FileContent::of(const QVector<QByteArray> &pieces)
{
    FileContent content;
    for (const QByteArray &piece : pieces)
        content.size += piece.size();
    content.pieceCount = pieces.size();
    content.piece = [pieces](int index) { return pieces.at(index); };
    return content;
}

namespace {

WriteResult failure(WriteResult::Status status, const QString &reason)
{
    WriteResult result;
    result.status = status;
    result.errorString = reason;
    return result;
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

bool writeAll(QIODevice *device, const FileContent &content)
{
    QDataStream out(device);
    for (int i = 0; i < content.pieceCount; ++i) {
        if (!writeFully(out, content.piece(i)))
            return false;
    }
    // A buffered device tells of a failure only when it passes the bytes on.
    auto *file = qobject_cast<QFileDevice *>(device);
    return !file || file->flush();
}

// Renaming a file over a device or a FIFO would take its place for every other program.
WriteResult writeSpecialFile(const QString &fileName, const FileContent &content)
{
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return failure(WriteResult::CreateFailed, file.errorString());
    if (!writeAll(&file, content))
        return failure(WriteResult::WriteFailed, file.errorString());
    return WriteResult();
}

// Where no new file may be made beside it, the file is overwritten where it stands. The part the
// new content covers is kept first and put back when the write fails, and nothing is cut off
// before the new content is complete: putting back then needs no room the file did not have.
WriteResult rewriteInPlace(
    const QString &fileName, const FileContent &content, const QString &createError)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadWrite | QIODevice::Unbuffered))
        return failure(WriteResult::CreateFailed, createError);
    const qint64 earlierSize = file.size();
    const qint64 newSize = content.size;
    const QByteArray earlier = file.read(qMin(earlierSize, newSize));
    if (earlier.size() != qMin(earlierSize, newSize) || !file.seek(0))
        return failure(WriteResult::CreateFailed, file.errorString());

    if (writeAll(&file, content) && (newSize >= earlierSize || file.resize(newSize)))
        return WriteResult();
    const WriteResult result = failure(WriteResult::WriteFailed, file.errorString());
    if (file.seek(0))
        writeAll(&file, FileContent::of({ earlier }));
    file.resize(earlierSize);
    return result;
}

} // namespace

WriteResult saveFile(const QString &fileName, const FileContent &content)
{
    const QFileInfo existing(fileName);
    if (existing.exists() && !existing.isFile() && !existing.isDir())
        return writeSpecialFile(fileName, content);

    QSaveFile file(fileName);
    // Unbuffered, because a short write while flushing a buffer on commit() goes unnoticed and
    // would put a truncated file in place of the earlier one.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        if (existing.isFile())
            return rewriteInPlace(fileName, content, file.errorString());
        return failure(WriteResult::CreateFailed, file.errorString());
    }
    if (writeAll(&file, content) && file.commit())
        return WriteResult();
    // Dropped uncommitted, the QSaveFile removes its temporary file and keeps the earlier one.
    return failure(WriteResult::WriteFailed, file.errorString());
}

WriteResult saveFiles(const QVector<NamedContent> &files, int *failed)
{
    std::vector<std::unique_ptr<QSaveFile>> written;
    const auto failure = [&](int index, WriteResult::Status status, const QString &reason) {
        if (failed)
            *failed = index;
        return Kgw::failure(status, reason);
    };
    for (int i = 0; i < files.size(); ++i) {
        const QFileInfo existing(files.at(i).fileName);
        auto file = std::make_unique<QSaveFile>(files.at(i).fileName);
        // Unbuffered, as saveFile writes; and never rewritten in place, which would make the
        // file new before the others are written.
        file->setDirectWriteFallback(false);
        if (existing.exists() && !existing.isFile() && !existing.isDir())
            return failure(i, WriteResult::CreateFailed,
                QStringLiteral("Not a regular file; write it on its own"));
        if (!file->open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return failure(i, WriteResult::CreateFailed, file->errorString());
        if (!writeAll(file.get(), files.at(i).content))
            return failure(i, WriteResult::WriteFailed, file->errorString());
        written.push_back(std::move(file));
    }
    for (size_t i = 0; i < written.size(); ++i) {
        if (!written[i]->commit())
            return failure(int(i), WriteResult::WriteFailed, written[i]->errorString());
    }
    return WriteResult();
}

WriteResult saveToDevice(QIODevice *device, const FileContent &content)
{
    if (!writeAll(device, content))
        return failure(WriteResult::WriteFailed, device->errorString());
    return WriteResult();
}

bool isSameFile(const QString &first, const QString &second)
{
#ifdef Q_OS_UNIX
    struct stat a;
    struct stat b;
    if (stat(QFile::encodeName(first).constData(), &a) != 0
        || stat(QFile::encodeName(second).constData(), &b) != 0)
        return false;
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
#else
    // Without device and inode numbers, only paths and symbolic links are seen through.
    const QFileInfo a(first);
    const QFileInfo b(second);
    return a.exists() && b.exists() && a == b;
#endif
}

} // namespace Kgw
