#ifndef KGW_IODEVICE_H
#define KGW_IODEVICE_H

#include <QFileDevice>

namespace Kgw {

// QTextStream and a short read alike take a failing device for the end of its data, so ask
// the device itself. Only file devices can tell.
inline bool deviceFailed(QIODevice *device)
{
    const auto *file = qobject_cast<QFileDevice *>(device);
    return file && file->error() != QFileDevice::NoError;
}

} // namespace Kgw

#endif
