#ifndef KGW_ELECTRODELIST_H
#define KGW_ELECTRODELIST_H

#include "geometry.h"
#include "quadruple.h"

#include <QString>
#include <QVector>

class QIODevice;

namespace Kgw {

// The outcome of reading one electrode list. A list is accepted whole or not at all: on any
// failure it holds no quadruples.
struct ListResult {
    enum Status {
        Ok,
        OpenFailed, // the list could not be opened
        ReadFailed, // the device failed part-way; not the end of the list
        Empty, // no quadruple before the first empty line or the end
        BadLine, // a line broke a rule; message says which
        TooLarge // more quadruples than a sequence file may hold; errorString says so
    };

    Status status = Ok;
    QString message; // the user-facing warning; empty when Ok
    qint64 lineNumber = 0; // 1-based line of a BadLine, else 0
    QString lineText; // that line as read, cut and made printable for display
    QString hint; // a guess at the cause of a BadLine, when there is one
    QString errorString; // the reason for OpenFailed, ReadFailed and TooLarge
    QVector<Quadruple> quadruples; // when Ok
    // How many of them no instrument reads a signal from (isUnmeasurable), counted as they are
    // read, so that a command that only reports the count need not review the list again.
    int unmeasurable = 0;
    // Where the list ended at an empty line: that line, and the lines after it that hold more
    // than blanks, which are not part of the list. They are counted only so far as
    // ListLookAheadCharacters go, or the device could be read, else linesAfterEndCut is set.
    qint64 endLineNumber = 0;
    qint64 linesAfterEnd = 0;
    bool linesAfterEndCut = false;

    bool ok() const { return status == Ok; }
    int count() const { return quadruples.size(); }
    // Takes a quadruple read, and counts it where it is unmeasurable.
    void append(const Quadruple &q)
    {
        quadruples.append(q);
        unmeasurable += isUnmeasurable(q) ? 1 : 0;
    }

    // What loadFailure() (iodevice.h) says where a list can't be opened, read or held whole.
    static constexpr char LoadFailureMessage[] = "Failed to load TXT file";

    // What a warning box shows beneath the message: which line and the hint, or the reason.
    QString informativeText() const;
    // What a crew must hear where lines after the end were not read, for endLineNumber: "the
    // list ends at this empty line; 7 non-empty lines after it were not read". Empty otherwise.
    QString linesAfterEndText() const;
};

// How far a list is read on after the empty line that ends it, to count what follows: far
// beyond any list a crew writes, and short of holding up a command on endless input.
constexpr qint64 ListLookAheadCharacters = qint64(1) << 24;

// The warning for an electrode, by its column A B M N, whose value breaks its rule; `maximum` is
// the highest electrode number there is.
QString electrodeOutOfRangeMessage(int column, const QString &value, int maximum = CablePositions);

// Reads and checks an electrode list from an open device, up to its first empty line, its end,
// or its first bad line. Memory stays bounded by the quadruples however long a line is, and
// reading stops as soon as the verdict is known, however much input follows; only after an
// empty line does it read on, to count the lines left out.
ListResult readElectrodeList(QIODevice *device);

// Opens the file and reads it as above.
ListResult readElectrodeList(const QString &fileName);

} // namespace Kgw

#endif
