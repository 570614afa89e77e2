#ifndef KGW_EXCHANGE_H
#define KGW_EXCHANGE_H

#include "electrodelist.h"
#include "line.h"
#include "quadruple.h"
#include "savefile.h"

#include <QByteArray>
#include <QString>
#include <QVector>

#include <array>
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

// No survey coordinate lies 10,000 km from anything: a larger one is a slip, and refusing it
// keeps every distance worked out from coordinates far from overflow.
constexpr double MaxCoordinate = 1e7;

// A coordinate in metres within ±MaxCoordinate, or why the word is none: "x is not a number (a)",
// named as `name`.
std::optional<QString> coordinateProblem(const QString &name, const QString &word, double *value);

// How far the distance between neighbouring electrodes of a unified data file may stray from
// the spacing, as a share of it: a cable laid along the ground keeps its electrodes that far
// apart, and a survey of them measures that closely.
constexpr double SpacingTolerance = 0.001;

// The values the inversion packages keep per datum beside its electrodes, by the names their
// files give the columns: k the geometric factor (m), r the transfer resistance (Ω), rhoa the
// apparent resistivity (Ωm), err the relative error (a share: 0.03 for 3 %), u the voltage (mV),
// i the current (mA) and ip the chargeability, as the file gives it.
enum class DataColumn { K, R, Rhoa, Err, U, I, Ip };
constexpr int DataColumnCount = 7;

// The data columns of a file, a value per row in each column it has; a file of electrodes alone
// has none. Give a writer the columns to write, each with a finite value per row.
struct DataColumns {
    std::array<QVector<double>, DataColumnCount> values;

    bool has(DataColumn column) const { return !values[size_t(column)].isEmpty(); }
    bool isEmpty() const;
    QVector<double> &operator[](DataColumn column) { return values[size_t(column)]; }
    const QVector<double> &operator[](DataColumn column) const { return values[size_t(column)]; }
    // A row's value; NaN where the file has no such column.
    double value(DataColumn column, int row) const;
};

// Each row's apparent resistivity in Ωm: the file's rhoa, or else k·r, with k the geometric
// factor on a flat ground at the spacing where the file gives none. Nothing where the file has
// neither rhoa nor r.
std::optional<QVector<double>> apparentResistivities(
    const DataColumns &data, const QVector<Quadruple> &rows, double spacingMetres);
std::optional<QVector<double>> apparentResistivities(
    const DataColumns &data, const QVector<LineQuadruple> &rows, double spacingMetres);

// Which rows a reader takes: a cable's, in positions 1 to CablePositions, for every command that
// works on one cable; or, only where the caller asks for it, a whole line's in line positions 1
// to MaxLinePositions. A cable command given the file of a longer line so refuses it, rather
// than lose the rows no cable holds.
enum class ExchangeExtent { Cable, WholeLine };

// A sequence read from an exchange file. A file is refused whole, with its line, as an electrode
// list is; but it is read to its end, and blank lines do not end it.
struct ExchangeResult : ListResult {
    // From a unified data file, the spacing its electrode positions lie at; 0 where the file
    // names fewer than two electrodes and no spacing was given, and for a CSV.
    qint32 spacingMillimetres = 0;
    // From a unified data file, the height z of each electrode it lists, so that its size is the
    // file's electrode count, the line's length; empty for a CSV.
    QVector<double> heights;
    // Read as a whole line: the rows in line positions, in the place of quadruples, which stays
    // empty (and unmeasurable counts these).
    QVector<LineQuadruple> lineQuadruples;
    // Read as a whole line from a unified data file that records the spreads it was planned in
    // (see unifiedLineContent()), those spreads; the pictures of a plan need them.
    std::optional<SpreadLayout> layout;
    QVector<qint64> lineNumbers; // the file's line of each row, when Ok
    // The data columns the header names, a value per row.
    DataColumns data;
    // What was left unread of a file that is Ok, such as data rows past the data count, and the
    // first line of it; empty and 0 when nothing was.
    QString warning;
    qint64 warningLineNumber = 0;

    static constexpr char LoadFailureMessage[] = "Failed to load file";

    // Takes a line row read, and counts it where it is unmeasurable.
    void append(const LineQuadruple &q)
    {
        lineQuadruples.append(q);
        unmeasurable += isUnmeasurable(q) ? 1 : 0;
    }
    using ListResult::append;
};

// The sequence as a unified data file: the cable's electrodes at the heights given for them
// (0 without; an electrode past the last height keeps it), each the spacing from the one before
// as a tape laid between them measures it, electrode 1 at x = 0; then `a b m n k` per quadruple,
// with k its geometric factor in metres on a flat ground. Coordinates are written to 0.1 µm, so
// that the file reads back at the spacing and heights it was written with. The data columns
// given follow k, in the order r rhoa err u i ip (u and i named "u/mV" and "i/mA", so that no
// reader takes them for volts and amperes), each value in the fewest digits that read back as
// the same double; the geometric factor k is always the flat ground's, whatever the data hold.
// The text is made as it is written, a piece at a time, so the quadruples must outlive the
// content; the data are kept in it (shared, not copied).
FileContent unifiedDataContent(const QVector<Quadruple> &quadruples, double spacingMetres,
    const QVector<double> &heights = QVector<double>(), const DataColumns &data = DataColumns());

// The rows of a whole line as a unified data file in line positions: `linePositions` electrodes
// laid as above, then `a b m n k` per row. With a layout (of that line), the file's first line
// records its spreads, "# roll-along: spreads of E electrodes, moved by S": a comment before the
// electrode count, which the inversion packages skip and the whole-line reader returns, so that a
// plan's file still knows the spreads it was planned in. Data columns as above.
FileContent unifiedLineContent(const QVector<LineQuadruple> &rows, int linePositions,
    double spacingMetres, const QVector<double> &heights = QVector<double>(),
    const std::optional<SpreadLayout> &layout = std::nullopt,
    const DataColumns &data = DataColumns());

// The sequence as a CSV: the header a,b,m,n, then a row per quadruple; the data columns given
// follow n, k first where the data hold it, named and written as above. Made as above.
FileContent csvContent(
    const QVector<Quadruple> &quadruples, const DataColumns &data = DataColumns());

// Either of the above; the spacing and the heights only matter to a unified data file.
FileContent exchangeContent(ExchangeFormat format, const QVector<Quadruple> &quadruples,
    double spacingMetres, const QVector<double> &heights = QVector<double>(),
    const DataColumns &data = DataColumns());

// The ground along a survey line, from a file of one "x z" pair per line: x in metres along the
// line from electrode 1, measured level and increasing from line to line, and z the height
// there, each within ±MaxCoordinate. Blank lines and what follows a # are skipped. A file is
// refused whole, with its line.
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

// The heights of the cable's electrodes laid along the ground, which runs straight between the
// points: electrode 1 at x = 0, and each next one the first point further on that lies the
// spacing from it in a straight line, as a tape between them measures it. The points must
// reach from electrode 1 to `lastUsed`, the highest electrode the sequence uses: nothing, with
// *error saying why, where they do not. The file lists every electrode of the cable, and one
// beyond the points, which no reading uses, keeps the height of the one before.
std::optional<QVector<double>> electrodeHeights(
    const TopographyResult &topography, double spacingMetres, int lastUsed, QString *error);

// Reads a unified data file. Its electrodes are the cable's, laid along the ground: each must lie
// the spacing from the one before, in a straight line and to within SpacingTolerance, at the
// spacing given or else at the one electrode 2 implies, wherever electrode 1 lies and at any
// height; the cable holds at most its 48, and a longer line is refused as one to be measured
// in spreads. Every datum must keep the electrode rules of a list, with electrodes up to the
// file's electrode count. What follows the data, such as a topography block, is not read; rows
// of more data than the count gives are not read either, but the result's warning names them.
// Read as a whole line, the file may list up to MaxLinePositions electrodes, laid alike, and
// its rows come as line rows; a first line "# roll-along: …" must name spreads the line can be
// measured in. The data columns are read where the names after the data count give them, in
// any letter case: k r rhoa err u i ip, u and i in the packages' volts and amperes unless named
// "u/mV" and "i/mA", err a share unless named "err/%"; other columns are not read. Each value
// must be a finite number, but k may be "nan" or "inf", as written for a row that measures
// nothing.
ExchangeResult readUnifiedData(QIODevice *device, std::optional<qint32> spacingMillimetres,
    ExchangeExtent extent = ExchangeExtent::Cable);

// Reads a CSV. The header names the columns in any letter case and any order, and other
// columns are ignored; fields are separated by commas, or by semicolons or tabs when the header
// has no comma. A field may be quoted whole, as spreadsheets write it: in double quotes, "" in
// it standing for a quote, and then it may hold the separator and line ends. A quote elsewhere in
// a field, or text after the closing one, is refused. Blanks around a field and blank lines are
// skipped. Every row must hold a whole number in each of a, b, m and n that keeps the electrode
// rules of a list, on the cable or, read as a whole line, on a line of MaxLinePositions. The
// data columns are read by the header's names, as from a unified data file.
ExchangeResult readCsv(QIODevice *device, ExchangeExtent extent = ExchangeExtent::Cable);

// Reads either format; the spacing only matters to a unified data file.
ExchangeResult readExchange(QIODevice *device, ExchangeFormat format,
    std::optional<qint32> spacingMillimetres, ExchangeExtent extent = ExchangeExtent::Cable);
ExchangeResult readExchangeFile(const QString &fileName, ExchangeFormat format,
    std::optional<qint32> spacingMillimetres, ExchangeExtent extent = ExchangeExtent::Cable);

} // namespace Kgw

#endif
