#ifndef KGW_SAVEFILE_H
#define KGW_SAVEFILE_H

#include <QByteArray>
#include <QString>
#include <QVector>

QT_BEGIN_NAMESPACE
class QIODevice;
QT_END_NAMESPACE

namespace Kgw {

struct SaveResult {
    enum Status { Ok, CreateFailed, WriteFailed };

    Status status = Ok;
    QString errorString; // the system's reason

    bool ok() const { return status == Ok; }
};

// Writes the pieces one after another as the file's whole content, so that an earlier file of
// that name is replaced only by a complete new one, and no temporary file is left behind.
// Where the folder refuses new files but the file itself may be rewritten, it is rewritten in
// place, and its earlier content is put back when that write fails. A device, a FIFO or a
// socket of that name is written to as it is, never replaced by a file.
SaveResult saveFile(const QString &fileName, const QVector<QByteArray> &pieces);

// Writes the pieces to a device that is already open, such as standard output.
SaveResult saveToDevice(QIODevice *device, const QVector<QByteArray> &pieces);

// Whether both names lead to one file, through another path or a link (symbolic or hard).
// False when either does not exist.
bool isSameFile(const QString &first, const QString &second);

} // namespace Kgw

#endif
