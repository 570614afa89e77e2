#ifndef KGW_GROUNDFILE_H
#define KGW_GROUNDFILE_H

#include "ground.h"
#include "savefile.h"

#include <QString>
#include <QVector>

#include <optional>

class QIODevice;

namespace Kgw {

// A ground read from a ground file, a plain text a crew writes by hand: a line per keyword,
// anything after # a comment, blank lines skipped.
//
//     background RHO                 the half-space; exactly once
//     layer TOP BOTTOM RHO           BOTTOM may be inf
//     block X0 X1 Z0 Z1 RHO
//     polygon RHO X Z X Z X Z ...    at least 3 points, a simple outline
//     grid FILE                      "x z rho" rows of cell centres, FILE relative to the folder
//                                    of the ground file
//
// Later lines paint over earlier ones, whatever the background's place. A file is refused whole,
// with the line that breaks a rule: that of the grid file where the fault lies in one.
struct GroundFileResult {
    enum Status {
        Ok,
        OpenFailed, // the ground file, or a grid file (lineNumber its grid line), didn't open
        ReadFailed,
        BadLine // a line broke a rule; message says which, fileName and lineNumber where
    };

    Status status = Ok;
    QString message; // empty when Ok
    QString fileName; // the file the fault lies in, as its name was given or joined
    qint64 lineNumber = 0; // 0 where the fault is the whole file's
    QString errorString; // the reason for OpenFailed and ReadFailed
    std::optional<Ground> ground; // when Ok
    QVector<qint64> shapeLines; // the ground file's line of each shape, in the ground's order

    bool ok() const { return status == Ok; }

    static constexpr char LoadFailureMessage[] = "Failed to load ground file";
};

// Reads a ground file from an open device; `fileName` names it in messages, and grid files
// are found beside it.
GroundFileResult readGround(QIODevice *device, const QString &fileName);
// Opens the file and reads it as above.
GroundFileResult readGroundFile(const QString &fileName);
// Reads the text of a ground file as though it were the file of that name.
GroundFileResult parseGround(const QString &text, const QString &fileName);

// The ground as a ground file that reads back as the same ground: the background, then every
// shape in the order it paints. A grid's painted cells are written as blocks, which paint the
// same rectangles, so that the file stands alone without the grid file beside it.
FileContent groundFileContent(const Ground &ground);

// The keyword that gives a shape of the kind in a ground file: "block".
QString groundKeyword(Ground::ShapeKind kind);

// Points at most in a grid's rectangle of distinct x by distinct z: far beyond any inversion's
// section, and short of filling memory with the points of a model that is no grid at all.
constexpr qint64 MaxGroundGridCells = qint64(1) << 22;

} // namespace Kgw

#endif
