#ifndef KGW_SAVEFILE_H
#define KGW_SAVEFILE_H

#include <QByteArray>
#include <QString>
#include <QVector>

namespace Kgw {

struct SaveResult {
    enum Status { Ok, CreateFailed, WriteFailed };

    Status status = Ok;
    QString errorString; // the system's reason

    bool ok() const { return status == Ok; }
};

// Writes the pieces one after another as the file's whole content, so that an earlier file of
// that name is replaced only by a complete new one, and no temporary file is left behind.
// Where the folder refuses new files but the file itself may be rewritten, it is written in
// place, as a plain open would.
SaveResult saveFile(const QString &fileName, const QVector<QByteArray> &pieces);

} // namespace Kgw

#endif
