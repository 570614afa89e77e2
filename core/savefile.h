#ifndef KGW_SAVEFILE_H
#define KGW_SAVEFILE_H

#include <QByteArray>
#include <QString>
#include <QVector>

#include <functional>

QT_BEGIN_NAMESPACE
class QIODevice;
QT_END_NAMESPACE

namespace Kgw {

// What became of writing a file: its bytes went to it whole, or here is why not.
struct WriteResult {
    enum Status {
        Ok,
        Refused, // the bytes were never written, for a reason of the writer's own
        CreateFailed, // the file could not be opened for writing
        WriteFailed // the file could not be written whole
    };

    Status status = Ok;
    QString message; // what the user is told, naming the kind of file; empty when Ok
    QString errorString; // the system's reason, or the writer's for Refused

    bool ok() const { return status == Ok; }
    // Names the kind of file in the message, as "Failed to create KGW file" does.
    WriteResult &describe(const QString &notCreated, const QString &notWritten);
};

// A file's whole content, handed out a piece at a time so that a large file is never held twice
// in memory: once as the program's data and once as bytes.
struct FileContent {
    qint64 size = 0;
    int pieceCount = 0;
    std::function<QByteArray(int index)> piece;

    // Content that is already in memory, in pieces.
    static FileContent of(const QVector<QByteArray> &pieces);
};

// Writes the pieces one after another as the file's whole content, so that an earlier file of
// that name is replaced only by a complete new one, and no temporary file is left behind.
// Where the folder refuses new files but the file itself may be rewritten, it is rewritten in
// place, and its earlier content is put back when that write fails. A device, a FIFO or a
// socket of that name is written to as it is, never replaced by a file.
WriteResult saveFile(const QString &fileName, const FileContent &content);

// A file of a set that belongs together, such as the spreads of one plan.
struct NamedContent {
    QString fileName;
    FileContent content;
};

// Writes every file whole before any replaces an earlier one of its name, so that a failure
// leaves each earlier file as it was and none of a set half new. Only the renames come after
// that, one after another. Where a file fails, *failed (where given) is its index. Each is written
// as saveFile() writes it, but a device or FIFO, and a folder that refuses new files, fail here.
WriteResult saveFiles(const QVector<NamedContent> &files, int *failed = nullptr);

// Writes the content to a device that is already open, such as standard output.
WriteResult saveToDevice(QIODevice *device, const FileContent &content);

// Whether both names lead to one file, through another path or a link (symbolic or hard).
// False when either does not exist.
bool isSameFile(const QString &first, const QString &second);

} // namespace Kgw

#endif
