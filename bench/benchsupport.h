#ifndef KGW_BENCHSUPPORT_H
#define KGW_BENCHSUPPORT_H

#include <QtGlobal>

#include <sys/resource.h>

// The most memory the process has held so far, in bytes.
inline qint64 peakResidentBytes()
{
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return qint64(usage.ru_maxrss) * 1024;
}

#endif
