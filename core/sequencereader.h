#ifndef KGW_SEQUENCEREADER_H
#define KGW_SEQUENCEREADER_H

#include "quadruple.h"

#include <QByteArray>
#include <QString>
#include <QVector>

class QIODevice;

namespace Kgw {

// A header byte that is not what this program writes. Files from other sources may differ
// there and are still read.
struct HeaderDifference {
    int offset = 0;
    quint8 expected = 0;
    quint8 found = 0;
};

// The outcome of reading one sequence file back. A file is accepted whole or not at all: on any
// refusal it holds no quadruples.
struct SequenceResult {
    enum Status {
        Ok,
        OpenFailed, // the file could not be opened
        ReadFailed, // the device failed part-way
        TooShort, // shorter than the header
        WrongMarker, // the first byte is not the marker
        CountMismatch, // the count disagrees with the size
        TooLarge, // more quadruples than are held in memory
        ElectrodeOutOfRange // a body byte breaks the electrode rules
    };

    Status status = Ok;
    QString message; // names the defect; empty when Ok
    QString errorString; // the system's reason for OpenFailed and ReadFailed
    qint32 count = 0; // the header's quadruple count
    qint32 spacingMillimetres = 0; // the header's cable spacing
    QVector<Quadruple> quadruples; // when Ok
    QVector<HeaderDifference> headerDifferences; // only when Ok

    bool ok() const { return status == Ok; }
    static constexpr char LoadFailureMessage[] = "Failed to load KGW file";
    double spacingMetres() const { return spacingMillimetres / 1000.0; }
    // Names a spacing that the window could never have written; empty otherwise.
    QString spacingWarning() const;
    // Names a count that the window could never have written, none; empty otherwise.
    QString countWarning() const;
};

// Reports one header difference: its offset, the expected and the found value.
QString headerDifferenceMessage(const HeaderDifference &difference);

// Reads and validates a sequence file. Never reads more than the header and the body that the
// header announces, so a device with more data than that is refused, not read to its end.
SequenceResult readSequence(QIODevice *device);
SequenceResult readSequence(const QByteArray &data);
SequenceResult readSequenceFile(const QString &fileName);

} // namespace Kgw

#endif
