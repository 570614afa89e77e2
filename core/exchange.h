#ifndef KGW_EXCHANGE_H
#define KGW_EXCHANGE_H

#include "electrodelist.h"
#include "quadruple.h"
#include "savefile.h"

#include <QByteArray>
#include <QString>
#include <QVector>

#include <optional>

class QIODevice;

namespace Kgw {

// The files through which sequences go to and come from other programs.
enum class ExchangeFormat {
    // The unified data format of the open inversion packages, which they load for forward
    // modelling: an electrode count, a position per electrode, a data count and a line per
    // datum with 1-based electrode numbers, 0 for a remote one. Lines starting with # are
    // comments, but the one after a count names the columns that follow.
    Unified,
    // A CSV with a header naming columns a, b, m and n, as users of the Python tools write a
    // custom sequence by hand; electrodes numbered as in an electrode list.
    Csv
};

// The format of that name, in any letter case; nothing for anything else.
std::optional<ExchangeFormat> findExchangeFormat(const QString &name);

// The names, as a usage message offers them: "unified or csv".
QString allowedExchangeFormats();

// A sequence read from an exchange file. A file is refused whole, with its line, as an electrode
// list is; but it is read to its end, and blank lines do not end it.
struct ExchangeResult : ListResult {
    // From a unified data file, the spacing its electrode positions lie at; 0 where the file
    // names fewer than two electrodes and no spacing was given, and for a CSV.
    qint32 spacingMillimetres = 0;
    QVector<qint64> lineNumbers; // the file's line of each quadruple, when Ok
    // What was left unread of a file that is Ok, such as data rows past the data count, and the
    // first line of it; empty and 0 when nothing was.
    QString warning;
    qint64 warningLineNumber = 0;

    static constexpr char LoadFailureMessage[] = "Failed to load file";
};

// The sequence as a unified data file: the cable's electrodes at x = (k - 1) × spacing and
// z = 0, or at the heights given for them, then `a b m n k` per quadruple, with k its geometric
// factor in metres on a flat ground. The text is made as it is written, a piece at a time, so
// the quadruples must outlive the content.
FileContent unifiedDataContent(const QVector<Quadruple> &quadruples, double spacingMetres,
    const QVector<double> &heights = QVector<double>());

// The sequence as a CSV: the header a,b,m,n, then a row per quadruple. Made as above.
FileContent csvContent(const QVector<Quadruple> &quadruples);

// Either of the above; the spacing and the heights only matter to a unified data file.
FileContent exchangeContent(ExchangeFormat format, const QVector<Quadruple> &quadruples,
    double spacingMetres, const QVector<double> &heights = QVector<double>());

// The ground along a survey line, from a file of one "x z" pair per line: x in metres along the
// line from electrode 1, increasing from line to line, and z the height there. Blank lines and
// what follows a # are skipped. A file is refused whole, with its line.
struct TopographyResult {
    enum Status {
        Ok,
        OpenFailed,
        ReadFailed,
        Empty, // not a single pair
        BadLine // a line broke a rule; message says which
    };

    Status status = Ok;
    QString message; // empty when Ok
    qint64 lineNumber = 0; // of a BadLine
    QString errorString; // the reason for OpenFailed and ReadFailed
    QVector<double> x; // when Ok
    QVector<double> z;

    bool ok() const { return status == Ok; }

    static constexpr char LoadFailureMessage[] = "Failed to load topography file";
};

TopographyResult readTopography(QIODevice *device);
TopographyResult readTopographyFile(const QString &fileName);

// The heights of the cable's electrodes where the unified data file puts them, electrode k at
// x = (k - 1) × spacing, each interpolated linearly between the points on either side. The
// points must reach from electrode 1 to `lastUsed`, the highest electrode the sequence uses:
// nothing, with *error saying why, where they do not. The file lists every electrode of the
// cable, and one beyond the points, which no reading uses, keeps the height of the last point.
std::optional<QVector<double>> electrodeHeights(
    const TopographyResult &topography, double spacingMetres, int lastUsed, QString *error);

// Reads a unified data file. Its electrodes must lie on the cable's grid, electrode k at
// x = (k - 1) × spacing, y = z = 0 within half a millimetre, at the spacing given or else at
// the one electrode 2 implies; the cable holds at most its 48. Every datum must keep the
// electrode rules of a list, with electrodes up to the file's electrode count. What follows
// the data, such as a topography block, is not read; rows of more data than the count gives are
// not read either, but the result's warning names them.
ExchangeResult readUnifiedData(QIODevice *device, std::optional<qint32> spacingMillimetres);

// Reads a CSV. The header names the columns in any letter case and any order, and other
// columns are ignored; fields are separated by commas, or by semicolons or tabs when the header
// has no comma, and may be quoted. Every row must hold a whole number in each of a, b, m and n
// that keeps the electrode rules of a list.
ExchangeResult readCsv(QIODevice *device);

// Reads either format; the spacing only matters to a unified data file.
ExchangeResult readExchange(
    QIODevice *device, ExchangeFormat format, std::optional<qint32> spacingMillimetres);
ExchangeResult readExchangeFile(
    const QString &fileName, ExchangeFormat format, std::optional<qint32> spacingMillimetres);

} // namespace Kgw

#endif
