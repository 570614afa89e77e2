#include "exchange.h"

#include "geometry.h"
#include "iodevice.h"
#include "linereader.h"
#include "sequencewriter.h"
#include "spacing.h"
#include "textutil.h"

#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

namespace Kgw {

namespace {

// Far below what any survey measures, and far above the rounding of a few dozen steps along
// the ground.
constexpr double RoundingSlack = 1e-9;
// Quadruples are turned into text a piece at a time, so that a sequence is never held twice.
constexpr int QuadruplesPerPiece = 16384;

const char *const ElectrodeColumns[4] = { "a", "b", "m", "n" };
const char *const Axes[3] = { "x", "y", "z" };

// A data column as a header names it. The packages hold u and i in volts and amperes, and err as
// a share, unless the name gives another unit; this reader keeps the millivolts and milliamperes
// a crew reads.
struct DataName {
    const char *name;
    DataColumn column;
    double factor; // to the column's unit
};
const DataName DataNames[] = { { "k", DataColumn::K, 1 }, { "r", DataColumn::R, 1 },
    { "rhoa", DataColumn::Rhoa, 1 }, { "err", DataColumn::Err, 1 },
    { "err/%", DataColumn::Err, 0.01 }, { "u", DataColumn::U, 1000 },
    { "u/v", DataColumn::U, 1000 }, { "u/mv", DataColumn::U, 1 }, { "i", DataColumn::I, 1000 },
    { "i/a", DataColumn::I, 1000 }, { "i/ma", DataColumn::I, 1 }, { "ip", DataColumn::Ip, 1 } };
// How the writers name the columns, in the order they write them.
const char *const WrittenDataNames[DataColumnCount]
    = { "k", "r", "rhoa", "err", "u/mV", "i/mA", "ip" };

// Where each data column stands among a header's names: -1 for one it does not name.
struct DataPlaces {
    int index[DataColumnCount] = {};
    double factor[DataColumnCount] = {};
    QString name[DataColumnCount]; // as the header names it
};

DataPlaces findDataColumns(const QStringList &names)
{
    DataPlaces places;
    std::fill(std::begin(places.index), std::end(places.index), -1);
    for (const DataName &d : DataNames) {
        const int c = int(d.column);
        const int index = names.indexOf(QLatin1String(d.name));
        if (index >= 0 && places.index[c] < 0) {
            places.index[c] = index;
            places.factor[c] = d.factor;
            places.name[c] = QLatin1String(d.name);
        }
    }
    return places;
}

// Takes a row's values of the data columns, or says why it can not.
std::optional<QString> readData(
    const QStringList &fields, const DataPlaces &places, DataColumns *data)
{
    double values[DataColumnCount];
    for (int c = 0; c < DataColumnCount; ++c) {
        const int index = places.index[c];
        if (index < 0)
            continue;
        const QString field = fields.value(index);
        if (field.isEmpty())
            return QStringLiteral("%1 is missing").arg(places.name[c]);
        bool ok = false;
        values[c] = field.toDouble(&ok) * places.factor[c];
        // The writers give a row that measures nothing a k of nan, or inf where no voltage
        // arises; every other value is one measured or modelled.
        if (!ok || (!qIsFinite(values[c]) && c != int(DataColumn::K)))
            return QStringLiteral("%1 is not a finite number (%2)")
                .arg(places.name[c], quotedWord(field));
    }
    for (int c = 0; c < DataColumnCount; ++c) {
        if (places.index[c] >= 0)
            data->values[size_t(c)].append(values[c]);
    }
    return std::nullopt;
}

// The fewest digits that read back as the same double.
QByteArray valueText(double value)
{
    return QByteArray::number(value, 'g', QLocale::FloatingPointShortest);
}

// The names of the data columns given, each after the separator, k only where wanted.
QByteArray dataHeader(const DataColumns &data, char separator, bool withK)
{
    QByteArray text;
    for (int c = withK ? 0 : 1; c < DataColumnCount; ++c) {
        if (data.has(DataColumn(c)))
            text += separator + QByteArray(WrittenDataNames[c]);
    }
    return text;
}

QByteArray dataText(const DataColumns &data, int row, char separator, bool withK)
{
    QByteArray text;
    for (int c = withK ? 0 : 1; c < DataColumnCount; ++c) {
        if (data.has(DataColumn(c)))
            text += separator + valueText(data.values[size_t(c)].at(row));
    }
    return text;
}

template <typename Row>
std::optional<QVector<double>> apparentOf(
    const DataColumns &data, const QVector<Row> &rows, double spacingMetres)
{
    if (data.has(DataColumn::Rhoa))
        return data[DataColumn::Rhoa];
    if (!data.has(DataColumn::R))
        return std::nullopt;
    QVector<double> rhoa;
    rhoa.reserve(rows.size());
    for (int i = 0; i < rows.size(); ++i) {
        const double k = data.has(DataColumn::K) ? data[DataColumn::K].at(i)
                                                 : geometricFactor(rows.at(i), spacingMetres);
        rhoa.append(k * data[DataColumn::R].at(i));
    }
    return rhoa;
}

ExchangeResult refusal(qint64 lineNumber, const QString &message, const QString &line = QString())
{
    ExchangeResult result;
    result.status = ListResult::BadLine;
    result.message = message;
    result.lineNumber = lineNumber;
    result.lineText = elided(printable(line), LineQuoteLength);
    return result;
}

// The line the reader stopped at refused.
ExchangeResult refusal(const LineReader &lines, const QString &message)
{
    return refusal(lines.lineNumber(), message, lines.line());
}

// Where the lines stopped before the file was complete: a read failure, a line too long, or
// else the end of the file, where `missing` was still to come.
ExchangeResult stopped(const LineReader &lines, const QString &missing)
{
    if (lines.failed())
        return loadFailure<ExchangeResult>(ListResult::ReadFailed, lines.errorString());
    if (lines.tooLong()) {
        return refusal(lines.lineNumber(),
            QStringLiteral("Line is longer than %1 characters").arg(MaxLineLength));
    }
    return refusal(lines.lineNumber() + 1, missing);
}

ExchangeResult noConfigurations()
{
    ExchangeResult result;
    result.status = ListResult::Empty;
    result.message = QStringLiteral("File holds no configurations");
    return result;
}

// A decimal whole number, with or without a sign.
std::optional<qint64> wholeNumber(const QString &word)
{
    bool ok = false;
    const qint64 value = word.toLongLong(&ok, 10);
    return ok ? std::optional<qint64>(value) : std::nullopt;
}

QString notANumber(int column, const QString &word)
{
    return QStringLiteral("%1 electrode is not a number (%2)")
        .arg(QLatin1Char(ElectrodeRules[column].name))
        .arg(quotedWord(word));
}

QString missing(int column)
{
    return QStringLiteral("%1 electrode is missing").arg(QLatin1Char(ElectrodeRules[column].name));
}

// The first electrode rule of a list that the values break, checked in the list's order, with
// `maximum` the highest electrode there is.
std::optional<QString> brokenRule(const qint64 values[4], int maximum)
{
    if (values[0] == 0)
        return QStringLiteral("A electrode can not be remote (0)");
    if (values[2] == 0)
        return QStringLiteral("M electrode can not be remote (0)");
    for (int i = 0; i < 4; ++i) {
        if (values[i] < ElectrodeRules[i].minimum || values[i] > maximum)
            return electrodeOutOfRangeMessage(i, QString::number(values[i]), maximum);
    }
    return std::nullopt;
}

// The highest position a reader of that extent takes.
int positionsOf(ExchangeExtent extent)
{
    return extent == ExchangeExtent::WholeLine ? MaxLinePositions : CablePositions;
}

// Takes the row read, as the extent wants it; its values keep the electrode rules.
void appendRow(ExchangeResult *result, const qint64 values[4], ExchangeExtent extent)
{
    const int a = int(values[0]);
    const int b = int(values[1]);
    const int m = int(values[2]);
    const int n = int(values[3]);
    if (extent == ExchangeExtent::WholeLine)
        result->append(LineQuadruple(a, b, m, n));
    else
        result->append(Quadruple(a, b, m, n));
}

// Where each of the names stands among the columns: -1 for one they don't name.
template <int Count>
void findColumns(
    const QStringList &names, const char *const (&wanted)[Count], int (&columns)[Count])
{
    for (int i = 0; i < Count; ++i)
        columns[i] = names.indexOf(QLatin1String(wanted[i]));
}

template <int Count>
bool namesAny(const int (&columns)[Count])
{
    for (const int column : columns) {
        if (column >= 0)
            return true;
    }
    return false;
}

// The metres of a whole number of millimetres, exactly and as short as it goes: "0", "2.5".
QByteArray metresText(qint64 millimetres)
{
    QByteArray text = QByteArray::number(millimetres / 1000);
    QByteArray fraction = QByteArray::number(millimetres % 1000).rightJustified(3, '0');
    while (fraction.endsWith('0'))
        fraction.chop(1);
    return fraction.isEmpty() ? text : text + '.' + fraction;
}

// How a whole-line file records its spreads, on its first line; what the reader takes and the
// writer writes.
const char RollAlongPrefix[] = "# roll-along:";
const char RollAlongForm[] = "# roll-along: spreads of %1 electrodes, moved by %2";

class UnifiedReader
{
public:
    UnifiedReader(
        QIODevice *device, std::optional<qint32> spacingMillimetres, ExchangeExtent extent)
        : m_lines(device)
        , m_spacing(spacingMillimetres.value_or(0))
        , m_extent(extent)
    { }

    ExchangeResult read();

private:
    // The words of the next line that has any. A comment line straight after a count names the
    // columns of the lines that follow it; with `names`, those names are kept there.
    std::optional<QStringList> nextWords(QStringList *names = nullptr);
    // The count a line holds alone, or nothing.
    static std::optional<qint64> count(const QStringList &words);
    std::optional<QString> positionProblem(int electrode, const QStringList &words);
    std::optional<QString> datumProblem(const QStringList &words, qint64 values[4]) const;
    std::optional<ExchangeResult> readLayout();
    void warnOfUnreadData(qint64 count, ExchangeResult *result);

    LineReader m_lines;
    qint32 m_spacing; // 0 until electrode 2 implies it, where none was given
    ExchangeExtent m_extent;
    QString m_rollAlong; // the first line, where it records spreads
    std::optional<SpreadLayout> m_layout;
    QStringList m_positionNames;
    QStringList m_dataNames;
    DataPlaces m_dataPlaces;
    int m_electrodes = 0;
    double m_previous[3] = {}; // the position of the electrode read last
    QVector<double> m_heights;
};

std::optional<QStringList> UnifiedReader::nextWords(QStringList *names)
{
    while (const std::optional<QString> line = m_lines.next()) {
        const QString text = line->trimmed();
        if (m_lines.lineNumber() == 1 && text.startsWith(QLatin1String(RollAlongPrefix)))
            m_rollAlong = text;
        if (text.startsWith(QLatin1Char('#'))) {
            if (names)
                *names = wordsOf(text.mid(1).toLower());
            names = nullptr;
            continue;
        }
        const QStringList words = wordsOf(text);
        if (!words.isEmpty())
            return words;
    }
    return std::nullopt;
}

std::optional<qint64> UnifiedReader::count(const QStringList &words)
{
    const std::optional<qint64> value
        = words.size() == 1 ? wholeNumber(words.first()) : std::nullopt;
    if (value && *value >= 0)
        return value;
    return std::nullopt;
}

std::optional<QString> UnifiedReader::positionProblem(int electrode, const QStringList &words)
{
    int columns[3];
    findColumns(m_positionNames, Axes, columns);
    if (!namesAny(columns)) {
        // Unnamed, the columns are x; x z; or x y z.
        columns[0] = 0;
        columns[1] = words.size() >= 3 ? 1 : -1;
        columns[2] = words.size() == 2 ? 1 : words.size() >= 3 ? 2 : -1;
    }
    double position[3] = {}; // an axis the file doesn't name lies at 0
    for (int axis = 0; axis < 3; ++axis) {
        if (columns[axis] < 0)
            continue;
        const QString name = QLatin1String(Axes[axis]);
        if (columns[axis] >= words.size())
            return QStringLiteral("Electrode %1 has no %2").arg(electrode).arg(name);
        if (const std::optional<QString> problem
            = coordinateProblem(name, words.at(columns[axis]), &position[axis]))
            return QStringLiteral("Electrode %1 %2").arg(electrode).arg(*problem);
    }
    const double distance = electrode == 1
        ? 0
        : std::hypot(
            position[0] - m_previous[0], position[1] - m_previous[1], position[2] - m_previous[2]);
    std::copy(position, position + 3, m_previous);
    m_heights.append(position[2]);
    if (electrode == 1)
        return std::nullopt;
    if (m_spacing == 0) {
        // The sequence file records the spacing to the millimetre.
        m_spacing = distance < 1e6 ? qint32(qRound64(distance * 1000)) : 0;
        if (!isSpacingInRange(m_spacing)) {
            return QStringLiteral(
                "Electrode 2 lies %1 m from electrode 1: a cable spacing outside %2")
                .arg(distance, 0, 'g', 7)
                .arg(spacingRangeText());
        }
    }
    const double spacing = m_spacing / 1000.0;
    if (!(qAbs(distance - spacing) <= SpacingTolerance * spacing)) {
        return QStringLiteral(
            "Electrode %1 lies %2 m from electrode %3, not the cable's spacing of "
            "%4 m (to within %5 %)")
            .arg(electrode)
            .arg(distance, 0, 'g', 7)
            .arg(electrode - 1)
            .arg(QString::fromLatin1(metresText(m_spacing)))
            .arg(SpacingTolerance * 100);
    }
    return std::nullopt;
}

std::optional<QString> UnifiedReader::datumProblem(const QStringList &words, qint64 values[4]) const
{
    int columns[4];
    findColumns(m_dataNames, ElectrodeColumns, columns);
    if (!namesAny(columns)) {
        for (int i = 0; i < 4; ++i)
            columns[i] = i;
    }
    for (int i = 0; i < 4; ++i) {
        // A column the file doesn't name, such as b and n of pole-pole data, is remote.
        values[i] = 0;
        if (columns[i] < 0)
            continue;
        if (columns[i] >= words.size())
            return missing(i);
        const std::optional<qint64> value = wholeNumber(words.at(columns[i]));
        if (!value)
            return notANumber(i, words.at(columns[i]));
        values[i] = *value;
    }
    return brokenRule(values, m_electrodes);
}

// The spreads the first line records, once the electrode count gives the line's length; a
// refusal where they are malformed or can not measure the line.
std::optional<ExchangeResult> UnifiedReader::readLayout()
{
    if (m_rollAlong.isEmpty() || m_extent != ExchangeExtent::WholeLine)
        return std::nullopt;
    // The line is the form with its two numbers, written as the writer writes them.
    static const QRegularExpression number(QStringLiteral("\\d{1,6}"));
    QVector<int> numbers;
    for (QRegularExpressionMatchIterator i = number.globalMatch(m_rollAlong); i.hasNext();)
        numbers.append(i.next().captured().toInt());
    const QString form = QString::fromLatin1(RollAlongForm);
    QString problem;
    if (numbers.size() == 2 && form.arg(numbers.at(0)).arg(numbers.at(1)) == m_rollAlong)
        m_layout = SpreadLayout::plan(m_electrodes, numbers.at(0), numbers.at(1), &problem);
    else
        problem = QStringLiteral("Expected \"%1\"")
                      .arg(form.arg(QStringLiteral("E")).arg(QStringLiteral("S")));
    if (problem.isEmpty())
        return std::nullopt;
    return refusal(1, problem, m_rollAlong);
}

// The inversion packages stop at the data count too, so a count too small would lose data
// without a word. Such rows end at a lone number: the count of a block that follows, such as
// topography, while a datum has at least its A and M.
void UnifiedReader::warnOfUnreadData(qint64 count, ExchangeResult *result)
{
    qint64 rows = 0;
    while (const std::optional<QStringList> words = nextWords()) {
        if (words->size() < 2)
            break;
        if (rows++ == 0)
            result->warningLineNumber = m_lines.lineNumber();
    }
    if (rows == 0)
        return;
    result->warning = rows == 1
        ? QStringLiteral("Data count is %1, but 1 more data row follows; it was not read")
              .arg(count)
        : QStringLiteral("Data count is %1, but %2 more data rows follow; they were not read")
              .arg(count)
              .arg(rows);
}

ExchangeResult UnifiedReader::read()
{
    std::optional<QStringList> words = nextWords();
    const QString noElectrodeCount = QStringLiteral("Missing electrode count");
    if (!words)
        return stopped(m_lines, noElectrodeCount);
    const std::optional<qint64> electrodes = count(*words);
    if (!electrodes)
        return refusal(m_lines, noElectrodeCount);
    if (m_extent == ExchangeExtent::Cable && *electrodes > CablePositions) {
        return refusal(m_lines,
            QStringLiteral("A line of %1 electrodes is longer than the cable of %2: it is measured "
                           "in spreads; split the file into spreads of at most %2 electrodes")
                .arg(*electrodes)
                .arg(CablePositions));
    }
    if (*electrodes < 1 || *electrodes > positionsOf(m_extent)) {
        return refusal(m_lines,
            QStringLiteral("Electrode count is out of range [1, %1] (%2)")
                .arg(positionsOf(m_extent))
                .arg(*electrodes));
    }
    m_electrodes = int(*electrodes);
    if (const std::optional<ExchangeResult> refused = readLayout())
        return *refused;
    for (int electrode = 1; electrode <= m_electrodes; ++electrode) {
        words = nextWords(electrode == 1 ? &m_positionNames : nullptr);
        if (!words) {
            return stopped(m_lines,
                QStringLiteral("File ends after %1 of %2 electrodes")
                    .arg(electrode - 1)
                    .arg(m_electrodes));
        }
        if (const std::optional<QString> problem = positionProblem(electrode, *words))
            return refusal(m_lines, *problem);
    }

    words = nextWords();
    const QString noDataCount = QStringLiteral("Missing data count");
    if (!words)
        return stopped(m_lines, noDataCount);
    const std::optional<qint64> data = count(*words);
    if (!data)
        return refusal(m_lines, noDataCount);
    if (*data > MaxSequenceQuadruples) {
        return refusal(m_lines,
            QStringLiteral("Data count is out of range [0, %1] (%2)")
                .arg(MaxSequenceQuadruples)
                .arg(*data));
    }
    ExchangeResult result;
    for (qint64 datum = 0; datum < *data; ++datum) {
        words = nextWords(datum == 0 ? &m_dataNames : nullptr);
        if (!words) {
            return stopped(
                m_lines, QStringLiteral("File ends after %1 of %2 data").arg(datum).arg(*data));
        }
        if (datum == 0)
            m_dataPlaces = findDataColumns(m_dataNames);
        qint64 values[4];
        std::optional<QString> problem = datumProblem(*words, values);
        if (!problem)
            problem = readData(*words, m_dataPlaces, &result.data);
        if (problem)
            return refusal(m_lines, *problem);
        appendRow(&result, values, m_extent);
        result.lineNumbers.append(m_lines.lineNumber());
    }
    // A failure may have cut the last line short.
    if (m_lines.failed())
        return loadFailure<ExchangeResult>(ListResult::ReadFailed, m_lines.errorString());
    if (result.lineNumbers.isEmpty())
        return noConfigurations();
    result.spacingMillimetres = m_spacing;
    result.heights = m_heights;
    result.layout = m_layout;
    warnOfUnreadData(*data, &result);
    return result;
}

// The records of a CSV, each split into its fields, as spreadsheets write them: a field either
// unquoted, holding no quote, or quoted whole, where "" stands for a quote and the separator
// and line ends are its text. Blanks around a field are not part of it, and blank lines are
// skipped. The separator is the header's: its first comma, semicolon or tab.
class CsvReader
{
public:
    explicit CsvReader(QIODevice *device)
        : m_lines(device)
    { }

    // The fields of the next record, each trimmed; nothing at the end of the file, and where the
    // file could not be read or breaks the quoting (failure() says which).
    std::optional<QStringList> next();
    // The line the record last returned, or the one refused, starts on.
    qint64 lineNumber() const { return m_start; }
    // That record refused.
    ExchangeResult refused(const QString &message) const
    {
        return refusal(m_start, message, m_startLine);
    }
    // Why next() gave nothing: a refusal, or nothing at the end of the file.
    std::optional<ExchangeResult> failure() const;

private:
    std::optional<QStringList> refuse(const QString &problem);

    LineReader m_lines;
    QChar m_separator;
    qint64 m_start = 0;
    QString m_startLine;
    QString m_problem;
};

std::optional<QStringList> CsvReader::next()
{
    std::optional<QString> line;
    while ((line = m_lines.next()) && line->trimmed().isEmpty()) { }
    if (!line)
        return std::nullopt;
    m_start = m_lines.lineNumber();
    m_startLine = *line;
    if (m_separator.isNull()) {
        // Spreadsheets in locales with a decimal comma separate by semicolons.
        m_separator = QLatin1Char(',');
        for (const char candidate : { ',', ';', '\t' }) {
            if (line->contains(QLatin1Char(candidate))) {
                m_separator = QLatin1Char(candidate);
                break;
            }
        }
    }
    const QChar quote = QLatin1Char('"');
    enum { Before, Unquoted, Quoted, After } state = Before;
    QStringList fields;
    QString field;
    qint64 length = line->size();
    for (int i = 0;; ++i) {
        if (i == line->size()) {
            if (state != Quoted)
                break;
            // A quoted field goes on at the next line, but not for ever where a quote is missing.
            line = m_lines.next();
            if (!line)
                return m_lines.failed() || m_lines.tooLong()
                    ? std::nullopt
                    : refuse(QStringLiteral("Field %1 opens a quote that is never closed")
                                 .arg(fields.size() + 1));
            length += line->size() + 1;
            if (length > MaxLineLength) {
                return refuse(QStringLiteral("Field %1 runs on past %2 characters: is its "
                                             "closing quote missing?")
                                  .arg(fields.size() + 1)
                                  .arg(MaxLineLength));
            }
            field += QLatin1Char('\n');
            i = -1;
            continue;
        }
        const QChar c = line->at(i);
        if (state == Quoted) {
            if (c != quote)
                field += c;
            else if (i + 1 < line->size() && line->at(i + 1) == quote)
                field += line->at(++i);
            else
                state = After;
        } else if (c == m_separator) {
            fields.append(field.trimmed());
            field.clear();
            state = Before;
        } else if (state == After) {
            if (!c.isSpace()) {
                return refuse(QStringLiteral("Field %1 goes on after its closing quote")
                                  .arg(fields.size() + 1));
            }
        } else if (c == quote) {
            if (state == Unquoted) {
                return refuse(QStringLiteral("Field %1 holds a quote, but is not quoted whole")
                                  .arg(fields.size() + 1));
            }
            state = Quoted;
        } else if (state == Unquoted || !c.isSpace()) {
            field += c;
            state = Unquoted;
        }
    }
    fields.append(field.trimmed());
    return fields;
}

std::optional<QStringList> CsvReader::refuse(const QString &problem)
{
    m_problem = problem;
    return std::nullopt;
}

std::optional<ExchangeResult> CsvReader::failure() const
{
    if (!m_problem.isEmpty())
        return refused(m_problem);
    if (m_lines.failed() || m_lines.tooLong())
        return stopped(m_lines, QString());
    return std::nullopt;
}

// Text made a piece at a time as it is written. Its size is known only by making every piece, so
// they are made once beforehand and counted.
template <typename Row>
FileContent textContent(const QByteArray &head, const QVector<Row> &rows,
    const std::function<QByteArray(const Row &, int)> &line)
{
    FileContent content;
    content.pieceCount = 1 + (rows.size() + QuadruplesPerPiece - 1) / QuadruplesPerPiece;
    content.piece = [head, &rows, line](int index) {
        if (index == 0)
            return head;
        QByteArray text;
        const int first = (index - 1) * QuadruplesPerPiece;
        const int last = qMin(first + QuadruplesPerPiece, rows.size());
        for (int i = first; i < last; ++i)
            text += line(rows.at(i), i);
        return text;
    };
    for (int i = 0; i < content.pieceCount; ++i)
        content.size += content.piece(i).size();
    return content;
}

template <typename Row>
QByteArray electrodesText(const Row &q, char separator)
{
    QByteArray text;
    for (const int electrode : { int(q.a), int(q.b), int(q.m), int(q.n) }) {
        if (!text.isEmpty())
            text += separator;
        text += QByteArray::number(electrode);
    }
    return text;
}

// A coordinate in metres to 0.1 µm, as short as it goes: "0", "-2.5", "3.9867306". At any
// spacing the cable takes, that puts neighbours the spacing apart far within SpacingTolerance.
QByteArray coordinateText(double metres)
{
    QByteArray text = QByteArray::number(metres, 'f', 7);
    while (text.endsWith('0'))
        text.chop(1);
    if (text.endsWith('.'))
        text.chop(1);
    return text == "-0" ? QByteArray("0") : text;
}

// Where along the segment from o to o + d, relative to the last electrode, the ground lies the
// spacing from it: the later root t of |o + t d| = spacing, with o inside that circle. A share
// from 0 to 1; 1 where the segment is too short to tell.
double shareAtSpacing(const double o[2], const double d[2], double spacing)
{
    const double a = d[0] * d[0] + d[1] * d[1];
    const double b = o[0] * d[0] + o[1] * d[1];
    const double c = o[0] * o[0] + o[1] * o[1] - spacing * spacing; // at most 0
    const double t = (std::sqrt(b * b - a * c) - b) / a;
    return t >= 0 && t <= 1 ? t : 1;
}

// A topography's line: its x and z, or why it is none.
std::optional<QString> topographyProblem(const QStringList &words, double point[2])
{
    if (words.size() != 2) {
        return QStringLiteral("Expected an \"x z\" pair of numbers, found %1")
            .arg(counted(words.size(), QStringLiteral("word")));
    }
    for (int i = 0; i < 2; ++i) {
        if (const std::optional<QString> problem
            = coordinateProblem(QLatin1String(i == 0 ? "x" : "z"), words.at(i), &point[i]))
            return problem;
    }
    return std::nullopt;
}

// A unified data file of `electrodes` electrodes, the head before it if any, and the rows.
template <typename Row>
FileContent unifiedContent(QByteArray head, const QVector<Row> &rows, int electrodes,
    double spacingMetres, const QVector<double> &heights, const DataColumns &data)
{
    const qint32 millimetres = spacingToMillimetres(spacingMetres);
    const double spacing = millimetres / 1000.0;
    head += QByteArray::number(electrodes) + "\n# x z\n";
    double x = 0;
    double previous = 0;
    for (int k = 1; k <= electrodes; ++k) {
        const QByteArray zText
            = coordinateText(heights.value(k - 1, heights.isEmpty() ? 0.0 : heights.last()));
        // Laid out from the heights as written, the file reads back as it was written.
        const double z = zText.toDouble();
        if (k > 1) {
            const double rise = qAbs(z - previous);
            x += std::sqrt(std::max(0.0, (spacing - rise) * (spacing + rise)));
        }
        previous = z;
        head += coordinateText(x) + ' ' + zText + '\n';
    }
    head += QByteArray::number(rows.size()) + "\n# a b m n k" + dataHeader(data, ' ', false) + '\n';
    return textContent<Row>(head, rows, [spacing, data](const Row &q, int row) {
        return electrodesText(q, ' ') + ' '
            + QByteArray::number(geometricFactor(q, spacing), 'g', 10)
            + dataText(data, row, ' ', false) + '\n';
    });
}

} // namespace

std::optional<QString> coordinateProblem(const QString &name, const QString &word, double *value)
{
    bool ok = false;
    *value = word.toDouble(&ok);
    if (!ok || !qIsFinite(*value))
        return QStringLiteral("%1 is not a number (%2)").arg(name, quotedWord(word));
    if (qAbs(*value) > MaxCoordinate) {
        return QStringLiteral("%1 is out of range [-%2, %2] m (%3)")
            .arg(name)
            .arg(MaxCoordinate, 0, 'f', 0)
            .arg(quotedWord(word));
    }
    return std::nullopt;
}

std::optional<ExchangeFormat> findExchangeFormat(const QString &name)
{
    if (name.compare(QLatin1String("unified"), Qt::CaseInsensitive) == 0)
        return ExchangeFormat::Unified;
    if (name.compare(QLatin1String("csv"), Qt::CaseInsensitive) == 0)
        return ExchangeFormat::Csv;
    return std::nullopt;
}

QString allowedExchangeFormats()
{
    return QStringLiteral("unified or csv");
}

bool DataColumns::isEmpty() const
{
    return std::all_of(values.cbegin(), values.cend(),
        [](const QVector<double> &column) { return column.isEmpty(); });
}

double DataColumns::value(DataColumn column, int row) const
{
    return has(column) ? (*this)[column].at(row) : std::numeric_limits<double>::quiet_NaN();
}

std::optional<QVector<double>> apparentResistivities(
    const DataColumns &data, const QVector<Quadruple> &rows, double spacingMetres)
{
    return apparentOf(data, rows, spacingMetres);
}

std::optional<QVector<double>> apparentResistivities(
    const DataColumns &data, const QVector<LineQuadruple> &rows, double spacingMetres)
{
    return apparentOf(data, rows, spacingMetres);
}

FileContent unifiedDataContent(const QVector<Quadruple> &quadruples, double spacingMetres,
    const QVector<double> &heights, const DataColumns &data)
{
    return unifiedContent(QByteArray(), quadruples, CablePositions, spacingMetres, heights, data);
}

FileContent unifiedLineContent(const QVector<LineQuadruple> &rows, int linePositions,
    double spacingMetres, const QVector<double> &heights, const std::optional<SpreadLayout> &layout,
    const DataColumns &data)
{
    Q_ASSERT(!layout || layout->linePositions() == linePositions);
    QByteArray head;
    if (layout) {
        head = QString::fromLatin1(RollAlongForm)
                   .arg(layout->electrodes())
                   .arg(layout->move())
                   .toLatin1()
            + '\n';
    }
    return unifiedContent(head, rows, linePositions, spacingMetres, heights, data);
}

FileContent csvContent(const QVector<Quadruple> &quadruples, const DataColumns &data)
{
    return textContent<Quadruple>("a,b,m,n" + dataHeader(data, ',', true) + '\n', quadruples,
        [data](const Quadruple &q, int row) {
            return electrodesText(q, ',') + dataText(data, row, ',', true) + '\n';
        });
}

FileContent exchangeContent(ExchangeFormat format, const QVector<Quadruple> &quadruples,
    double spacingMetres, const QVector<double> &heights, const DataColumns &data)
{
    return format == ExchangeFormat::Unified
        ? unifiedDataContent(quadruples, spacingMetres, heights, data)
        : csvContent(quadruples, data);
}

ExchangeResult readUnifiedData(
    QIODevice *device, std::optional<qint32> spacingMillimetres, ExchangeExtent extent)
{
    return UnifiedReader(device, spacingMillimetres, extent).read();
}

ExchangeResult readCsv(QIODevice *device, ExchangeExtent extent)
{
    CsvReader records(device);
    const std::optional<QStringList> header = records.next();
    if (!header)
        return records.failure().value_or(noConfigurations());
    QStringList names = *header;
    for (QString &name : names)
        name = name.toLower();
    int columns[4];
    findColumns(names, ElectrodeColumns, columns);
    for (int i = 0; i < 4; ++i) {
        const QString name = QLatin1String(ElectrodeColumns[i]);
        if (columns[i] < 0)
            return records.refused(QStringLiteral("Header has no column %1").arg(name));
        if (names.lastIndexOf(name) != columns[i])
            return records.refused(QStringLiteral("Header names column %1 twice").arg(name));
    }

    const DataPlaces dataPlaces = findDataColumns(names);
    ExchangeResult result;
    while (const std::optional<QStringList> fields = records.next()) {
        qint64 values[4] = {};
        std::optional<QString> problem;
        for (int i = 0; i < 4 && !problem; ++i) {
            const QString field = fields->value(columns[i]);
            const std::optional<qint64> value = wholeNumber(field);
            if (field.isEmpty())
                problem = missing(i);
            else if (!value)
                problem = notANumber(i, field);
            else
                values[i] = *value;
        }
        if (!problem)
            problem = brokenRule(values, positionsOf(extent));
        if (!problem)
            problem = readData(*fields, dataPlaces, &result.data);
        if (problem)
            return records.refused(*problem);
        if (result.lineNumbers.size() == MaxSequenceQuadruples) {
            return loadFailure<ExchangeResult>(ListResult::TooLarge,
                QStringLiteral("The file holds more than %1 quadruples, the most a KGW file holds")
                    .arg(MaxSequenceQuadruples));
        }
        appendRow(&result, values, extent);
        result.lineNumbers.append(records.lineNumber());
    }
    if (const std::optional<ExchangeResult> failure = records.failure())
        return *failure;
    if (result.lineNumbers.isEmpty())
        return noConfigurations();
    return result;
}

ExchangeResult readExchange(QIODevice *device, ExchangeFormat format,
    std::optional<qint32> spacingMillimetres, ExchangeExtent extent)
{
    return format == ExchangeFormat::Unified ? readUnifiedData(device, spacingMillimetres, extent)
                                             : readCsv(device, extent);
}

ExchangeResult readExchangeFile(const QString &fileName, ExchangeFormat format,
    std::optional<qint32> spacingMillimetres, ExchangeExtent extent)
{
    return readFile<ExchangeResult>(fileName, [&](QIODevice *device) {
        return readExchange(device, format, spacingMillimetres, extent);
    });
}

TopographyResult readTopography(QIODevice *device)
{
    LineReader lines(device);
    TopographyResult result;
    const auto refuse = [&](const QString &message) {
        TopographyResult refused;
        refused.status = TopographyResult::BadLine;
        refused.message = message;
        refused.lineNumber = lines.lineNumber();
        return refused;
    };
    qint64 previousLine = 0;
    while (const std::optional<QString> line = lines.next()) {
        const QStringList words = wordsOf(*line);
        if (words.isEmpty())
            continue;
        double point[2];
        if (const std::optional<QString> problem = topographyProblem(words, point))
            return refuse(*problem);
        // Between two points at one x the height would be a cliff, and backwards a fold.
        if (!result.x.isEmpty() && point[0] <= result.x.last()) {
            return refuse(QStringLiteral("x = %1 does not increase from x = %2 on line %3")
                              .arg(quotedWord(words.at(0)))
                              .arg(result.x.last())
                              .arg(previousLine));
        }
        result.x.append(point[0]);
        result.z.append(point[1]);
        previousLine = lines.lineNumber();
    }
    if (lines.failed())
        return loadFailure<TopographyResult>(TopographyResult::ReadFailed, lines.errorString());
    if (lines.tooLong())
        return refuse(QStringLiteral("Line is longer than %1 characters").arg(MaxLineLength));
    if (result.x.isEmpty()) {
        result.status = TopographyResult::Empty;
        result.message = QStringLiteral("File holds no \"x z\" pair");
    }
    return result;
}

TopographyResult readTopographyFile(const QString &fileName)
{
    return readFile<TopographyResult>(
        fileName, [](QIODevice *device) { return readTopography(device); });
}

std::optional<QVector<double>> electrodeHeights(
    const TopographyResult &topography, double spacingMetres, int lastUsed, QString *error)
{
    const double spacing = spacingToMillimetres(spacingMetres) / 1000.0;
    const QVector<double> &x = topography.x;
    const QVector<double> &z = topography.z;
    const QString extent = x.isEmpty()
        ? QString()
        : QStringLiteral(": it runs from x = %1 to %2 m").arg(x.first()).arg(x.last());
    if (x.isEmpty() || x.first() > 0 || x.last() < 0) {
        *error = QStringLiteral("The topography does not reach electrode 1 at x = 0") + extent;
        return std::nullopt;
    }
    int j = 0; // the point at or before the last electrode laid
    while (j + 1 < x.size() && x.at(j + 1) <= 0)
        ++j;
    double electrode[2] = { 0, z.at(j) };
    if (x.at(j) < 0)
        electrode[1] += -x.at(j) / (x.at(j + 1) - x.at(j)) * (z.at(j + 1) - z.at(j));
    QVector<double> heights { electrode[1] };
    const int used = qBound(1, lastUsed, CablePositions);
    for (int k = 2; k <= CablePositions; ++k) {
        // Along the ground from the last electrode, segment by segment, to the first point the
        // spacing from it.
        double from[2] = { electrode[0], electrode[1] };
        bool laid = false;
        for (; j + 1 < x.size(); ++j) {
            const double to[2] = { x.at(j + 1), z.at(j + 1) };
            // A point at the spacing, as the ground's last point may be, stays one however the
            // steps before it were rounded.
            if (std::hypot(to[0] - electrode[0], to[1] - electrode[1])
                >= spacing * (1 - RoundingSlack)) {
                const double o[2] = { from[0] - electrode[0], from[1] - electrode[1] };
                const double d[2] = { to[0] - from[0], to[1] - from[1] };
                const double t = shareAtSpacing(o, d, spacing);
                electrode[0] = from[0] + t * d[0];
                electrode[1] = from[1] + t * d[1];
                laid = true;
                break;
            }
            from[0] = to[0];
            from[1] = to[1];
        }
        if (!laid && k <= used) {
            *error = QStringLiteral("The topography does not cover the electrodes used, 1 to %1%2, "
                                    "which holds electrodes 1 to %3 at a spacing of %4 m")
                         .arg(used)
                         .arg(extent)
                         .arg(k - 1)
                         .arg(QString::fromLatin1(coordinateText(spacing)));
            return std::nullopt;
        }
        // Past the points, where no reading is, the ground runs on level.
        heights.append(electrode[1]);
    }
    return heights;
}

} // namespace Kgw
