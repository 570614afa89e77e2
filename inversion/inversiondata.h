#ifndef KGW_INVERSIONDATA_H
#define KGW_INVERSIONDATA_H

#include "exchange.h"
#include "line.h"

#include <Eigen/Core>

#include <QString>
#include <QVector>

namespace Kgw {

// Rows left out of an inversion for one reason: how many, and the file's line of the first.
struct DroppedRows {
    QString reason;
    int count = 0;
    qint64 firstLine = 0;
};

// The readings an inversion fits, each as r with its relative error.
//
// A file without errors is refused, and so is one with an error of 0 or below: the weights
// would be unbounded, and a guessed error would make χ² = 1 mean nothing. Rows that cannot be
// fitted but say nothing against the rest are dropped, counted with their first line: those
// that repeat an electrode or give no signal, readings of zero, whose logarithm is unbounded,
// and readings of the opposite sign to a uniform ground's, as swapped wires give, whose
// logarithm compares with nothing the model can give. Non-finite values never get here: the
// exchange readers refuse them with their line.
struct InversionData {
    QString error; // why the data are refused; empty when they are not
    qint64 errorLine = 0; // the file's line at fault, 0 for the whole file

    QVector<LineQuadruple> rows; // those kept, positions 1..electrodes, no remote electrode needed
    QVector<qint64> lines; // each kept row's line in the file
    Eigen::VectorXd r; // transfer resistance, ohm
    Eigen::VectorXd err; // relative
    Eigen::VectorXd rhoa; // ohm m, K r with the flat ground's K
    QVector<DroppedRows> dropped;
    double spacingMetres = 0;
    int electrodes = 0; // the highest position a kept row uses

    bool isValid() const { return error.isEmpty() && !rows.isEmpty(); }
    int droppedCount() const;
};

// The middle value, or the mean of the middle two, of a column of the data; 0 of none.
double median(const Eigen::VectorXd &values);

// The deepest median depth of investigation (Edwards) of the kept rows, in metres: about as
// deep as the data see, the depth the model's cells reach beyond and a picture marks.
double deepestMedianDepth(const InversionData &data);

// The data of the rows (positions on a flat line at the spacing) from the file's columns: r, or
// else rhoa over the flat ground's geometric factor, and err. lineNumbers give each row's line
// in the file; row index + 1 where empty.
InversionData inversionData(const QVector<LineQuadruple> &rows, const DataColumns &data,
    const QVector<qint64> &lineNumbers, double spacingMetres);

} // namespace Kgw

#endif
