#ifndef KGW_IODEVICE_H
#define KGW_IODEVICE_H

#include <QFile>
#include <QFileDevice>

namespace Kgw {

// QTextStream and a short read alike take a failing device for the end of its data, so ask
// the device itself. Only file devices can tell.
inline bool deviceFailed(QIODevice *device)
{
    const auto *file = qobject_cast<QFileDevice *>(device);
    return file && file->error() != QFileDevice::NoError;
}

// A result of the reader's kind for input that could not be opened or read: the reader's own
// LoadFailureMessage, with the system's reason.
template <typename Result>
Result loadFailure(typename Result::Status status, const QString &errorString)
{
    Result result;
    result.status = status;
    result.message = QString::fromLatin1(Result::LoadFailureMessage);
    result.errorString = errorString;
    return result;
}

// Opens the file and reads it with `read`, or says why it could not be opened.
template <typename Result, typename Read>
Result readFile(const QString &fileName, Read read)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return loadFailure<Result>(Result::OpenFailed, file.errorString());
    return read(&file);
}

} // namespace Kgw

#endif
