#include "electrodelist.h"

#include "iodevice.h"
#include "linesplitter.h"
#include "textutil.h"

#include <QFile>

#include <optional>

namespace Kgw {

namespace {

constexpr int FieldsPerLine = 4;
// The magnitude of the most negative 32-bit value; anything larger can't be an electrode.
constexpr quint64 Int32Magnitude = quint64(1) << 31;

bool isBlank(ushort u)
{
    if (u < 0x80)
        return u == ' ' || (u >= '\t' && u <= '\r');
    return QChar(u).isSpace();
}

// The value of a digit in the base, or -1. Only decimal numbers take the digits of other
// scripts, as QTextStream's own extraction does.
int digitValue(ushort u, int base)
{
    if (unsigned(u - '0') < 10)
        return int(u - '0') < base ? int(u - '0') : -1;
    if (base == 16 && ushort((u | 0x20) - 'a') < 6)
        return (u | 0x20) - 'a' + 10;
    if (base == 10 && u >= 0x80 && QChar(u).isDigit())
        return QChar(u).digitValue();
    return -1;
}

// Reads an electrode list as a stream of characters, piece by piece.
//
// A line ends at LF, CR or CRLF. A field is a whole white-space-separated word, and the word
// must be an integer in a form that QTextStream's extraction takes at its default settings: a
// sign, which makes it decimal; 0x, 0b or a leading 0 for hexadecimal, binary or octal;
// otherwise decimal. Words after the fourth are ignored, and missing ones count as 0.
//
// Nothing of a good line is kept but its quadruple. The start of the line and of the word are
// kept only for a message: they are taken from the text where a piece ends or the line turns
// out bad. So memory stays bounded however long a line or a word is, and once a verdict is
// known, reading stops as soon as its quotes are complete.
class ListParser
{
public:
    ListParser()
    {
        m_head.reserve(LineQuoteLength + 1);
        m_word.reserve(FieldQuoteLength + 1);
    }

    // Makes room for every quadruple that `bytes` of text can hold, so that the quadruples are
    // never copied to grow. The room is only reserved: memory is used as lines arrive.
    void reserveFor(qint64 bytes);

    // Takes the piece the text last read. Returns true once the list has ended.
    bool feed(LineSplitter &text);

    // The end of the data: the last line ends, and the result is final.
    ListResult finish();
    // Whether the list ended at an empty line, and what follows is only counted.
    bool endedAtEmptyLine() const { return m_endedAtEmptyLine; }
    // Reading stopped before the end of the data, so more lines may follow the ones counted.
    void cutLinesAfterEnd() { m_result.linesAfterEndCut = true; }

private:
    enum WordState {
        Gap, // before a word
        Sign, // after a sign: decimal digits must follow
        Zero, // after a leading zero: a prefix, octal digits or the end may follow
        Prefix, // after 0x or 0b: digits of the base must follow
        Digits, // inside a number
        NotANumber, // inside a word that is no integer
        Ignored, // the words are read; the rest of the line doesn't matter
    };

    struct Field {
        quint64 magnitude = 0;
        bool negative = false;

        bool isTooLarge() const
        {
            return negative ? magnitude > Int32Magnitude : magnitude >= Int32Magnitude;
        }
        qint64 value() const { return negative ? -qint64(magnitude) : qint64(magnitude); }
    };

    void startWord(const QChar *p);
    void stepWord(ushort u);
    void addDigit(int digit);
    void endWord(const QChar *p);
    void endLine(const QChar *p);
    // Adds the quadruple of a line. Returns false, and ends the list, when it holds too many.
    bool take(const Quadruple &q);
    static const QChar *plainLine(const QChar *p, Quadruple *q);
    // Whether the fields obey the electrode rules; brokenRule() names the first one they break.
    bool isGood() const
    {
        for (int i = 0; i < FieldsPerLine; ++i) {
            const qint64 value = m_fields[i].value();
            if (value < ElectrodeRules[i].minimum || value > CablePositions)
                return false;
        }
        return true;
    }
    std::optional<QString> brokenRule() const;
    void refuse(const QString &message);
    // The current word is no integer: that is the verdict, whatever follows.
    void refuseWord();
    bool completeQuotes(const QChar *&p, const QChar *end);
    void keepHead(const QChar *p);
    void keepWord(const QChar *p);
    // Counts the lines after the end that hold more than blanks. Returns true once reading
    // must stop: ListLookAheadCharacters are counted and more follow.
    bool countAfterEnd(const QChar *p, const QChar *end);

    Field m_fields[FieldsPerLine];
    QString m_tooLarge[FieldsPerLine]; // the words of fields too large to hold, as written
    int m_field = 0; // the word being read; FieldsPerLine once all four are in
    WordState m_state = Gap;
    int m_base = 10;
    qint64 m_lineNumber = 1;
    // What a message may quote of the line and the word: what was kept of earlier pieces of the
    // text (empty while the line or word lies within one piece), and where the rest begins in
    // the current piece.
    QString m_head;
    QString m_word;
    const QChar *m_lineStart = nullptr;
    const QChar *m_wordStart = nullptr;
    bool m_refused = false; // the verdict is in; only its quotes may still be incomplete
    int m_badWord = -1; // the field whose word is no integer
    bool m_ended = false;
    bool m_endedAtEmptyLine = false;
    qint64 m_lookedAhead = 0; // characters counted after the end
    bool m_lineHasText = false; // the line being counted after the end
    ListResult m_result;
    int m_count = 0;
};

void ListParser::reserveFor(qint64 bytes)
{
    // The shortest line that is accepted, "1 0 1" and its line end, takes six characters, and a
    // character takes at least a byte.
    constexpr int ShortestLine = 6;
    m_result.quadruples.reserve(int(qMin<qint64>(bytes / ShortestLine + 1, MaxSequenceQuadruples)));
}

void ListParser::keepHead(const QChar *p)
{
    const qint64 wanted = qMin<qint64>(p - m_lineStart, LineQuoteLength + 1 - m_head.size());
    if (wanted > 0)
        m_head.append(m_lineStart, int(wanted));
    m_lineStart = p;
}

void ListParser::keepWord(const QChar *p)
{
    const qint64 wanted = qMin<qint64>(p - m_wordStart, FieldQuoteLength + 1 - m_word.size());
    if (wanted > 0)
        m_word.append(m_wordStart, int(wanted));
    m_wordStart = p;
}

void ListParser::startWord(const QChar *p)
{
    m_wordStart = p;
    m_base = 10;
    const ushort u = p->unicode();
    if (u == '0') {
        m_state = Zero;
    } else if (u == '-' || u == '+') {
        m_fields[m_field].negative = u == '-';
        m_state = Sign;
    } else {
        m_state = Digits;
        stepWord(u);
    }
}

void ListParser::stepWord(ushort u)
{
    int digit = -1;
    switch (m_state) {
    case Zero:
        if ((u | 0x20) == 'x' || (u | 0x20) == 'b') {
            m_base = (u | 0x20) == 'x' ? 16 : 2;
            m_state = Prefix;
            return;
        }
        // A zero before a digit of 0 to 7, in any script, makes the number octal, and octal
        // digits must be ASCII. Before any other digit the zero starts a decimal number.
        digit = digitValue(u, 10);
        m_base = digit >= 0 && digit <= 7 ? 8 : 10;
        digit = digitValue(u, m_base);
        break;
    case Sign:
    case Prefix:
    case Digits:
        digit = digitValue(u, m_base);
        break;
    default:
        return;
    }
    if (digit < 0) {
        m_state = NotANumber;
        refuseWord();
        return;
    }
    m_state = Digits;
    addDigit(digit);
}

void ListParser::addDigit(int digit)
{
    Field &field = m_fields[m_field];
    // Past 32 bits the exact value no longer matters; stopping there keeps it from wrapping.
    if (field.magnitude <= Int32Magnitude)
        field.magnitude = field.magnitude * quint64(m_base) + quint64(digit);
}

// At the blank or the line end that follows a word.
void ListParser::endWord(const QChar *p)
{
    if (m_state == Sign || m_state == Prefix) {
        keepWord(p);
        m_state = Ignored;
        refuseWord(); // a sign or a prefix without digits
        return;
    }
    if (m_fields[m_field].isTooLarge()) {
        keepWord(p);
        m_tooLarge[m_field] = elided(printable(m_word), FieldQuoteLength);
    }
    if (!m_word.isEmpty())
        m_word.resize(0);
    if (++m_field < FieldsPerLine) {
        m_state = Gap;
        return;
    }
    // Whatever follows the fourth word can't change the verdict.
    m_state = Ignored;
    if (!isGood())
        refuse(*brokenRule());
}

std::optional<QString> ListParser::brokenRule() const
{
    // The remote tests come before all range tests.
    if (m_fields[0].magnitude == 0)
        return QStringLiteral("A electrode can not be remote (0)");
    if (m_fields[2].magnitude == 0)
        return QStringLiteral("M electrode can not be remote (0)");
    for (int i = 0; i < FieldsPerLine; ++i) {
        const Field &field = m_fields[i];
        if (field.isTooLarge())
            return electrodeOutOfRangeMessage(i, m_tooLarge[i]);
        if (field.value() < ElectrodeRules[i].minimum || field.value() > CablePositions)
            return electrodeOutOfRangeMessage(i, QString::number(field.value()));
    }
    return std::nullopt;
}

void ListParser::refuse(const QString &message)
{
    m_refused = true;
    m_result.status = ListResult::BadLine;
    m_result.message = message;
    m_result.lineNumber = m_lineNumber;
}

void ListParser::refuseWord()
{
    m_badWord = m_field;
    refuse(QString());
}

void ListParser::endLine(const QChar *p)
{
    const bool empty = m_head.isEmpty() && p == m_lineStart;
    if (m_state != Gap && m_state != Ignored)
        endWord(p);
    if (!m_refused && m_field < FieldsPerLine) {
        if (empty) {
            m_ended = true;
            m_endedAtEmptyLine = true;
            m_result.endLineNumber = m_lineNumber;
            return;
        }
        // Missing fields count as 0.
        if (!isGood())
            refuse(*brokenRule());
    }
    if (m_refused) {
        keepHead(p);
        m_ended = true;
        return;
    }
    if (!take(Quadruple(int(m_fields[0].value()), int(m_fields[1].value()),
            int(m_fields[2].value()), int(m_fields[3].value()))))
        return;
    for (Field &field : m_fields)
        field = Field();
    m_field = 0;
    m_state = Gap;
    if (!m_head.isEmpty())
        m_head.resize(0);
}

inline bool ListParser::take(const Quadruple &q)
{
    if (m_count == MaxSequenceQuadruples) {
        m_result = loadFailure<ListResult>(ListResult::TooLarge,
            QStringLiteral("The list holds more than %1 quadruples, the most a KGW file holds")
                .arg(MaxSequenceQuadruples));
        m_ended = true;
        return false;
    }
    // Growing copies every quadruple, so where the size was unknown it is done in large steps.
    if (m_count == m_result.quadruples.capacity())
        m_result.quadruples.reserve(qMax(4096, m_count * 2));
    m_result.append(q);
    ++m_count;
    ++m_lineNumber;
    return true;
}

// Reads on from p until the line and the bad word are quoted as far as a message shows them.
// Returns true when they are; false when the piece ran out first.
bool ListParser::completeQuotes(const QChar *&p, const QChar *end)
{
    for (; p < end; ++p) {
        const ushort u = p->unicode();
        if (LineSplitter::isLineEnd(u))
            break;
        if (m_state == NotANumber && isBlank(u)) {
            keepWord(p);
            m_state = Ignored;
        }
        const bool wordDone
            = m_state != NotANumber || m_word.size() + (p - m_wordStart) > FieldQuoteLength;
        const bool headDone = m_head.size() + (p - m_lineStart) > LineQuoteLength;
        if (wordDone && headDone)
            break;
    }
    if (m_state == NotANumber)
        keepWord(p);
    keepHead(p);
    if (p == end)
        return false;
    m_ended = true;
    return true;
}

bool ListParser::countAfterEnd(const QChar *p, const QChar *end)
{
    // A CRLF counts as two line ends here, harmlessly: the empty line between them holds nothing.
    for (; p < end; ++p) {
        if (m_lookedAhead == ListLookAheadCharacters) {
            cutLinesAfterEnd();
            return true;
        }
        ++m_lookedAhead;
        const ushort u = p->unicode();
        if (LineSplitter::isLineEnd(u)) {
            m_result.linesAfterEnd += m_lineHasText ? 1 : 0;
            m_lineHasText = false;
        } else if (!m_lineHasText && !isBlank(u)) {
            m_lineHasText = true;
        }
    }
    return false;
}

bool ListParser::feed(LineSplitter &text)
{
    const QChar *p = text.begin();
    const QChar *const end = text.end();
    if (m_endedAtEmptyLine)
        return countAfterEnd(p, end);
    m_lineStart = m_wordStart = p;
    if (m_refused)
        return completeQuotes(p, end);

    while (p < end) {
        // At the start of a line, none of which is read yet.
        if (p == m_lineStart && m_field == 0 && m_state == Gap && m_head.isEmpty()) {
            Quadruple q;
            if (const QChar *lineEnd = plainLine(p, &q)) {
                if (!take(q))
                    return true;
                p = text.pastLineEnd(lineEnd);
                m_lineStart = m_wordStart = p;
                continue;
            }
        }
        const ushort u = p->unicode();
        if (LineSplitter::isLineEnd(u)) {
            endLine(p);
            if (m_endedAtEmptyLine)
                return countAfterEnd(p + 1, end);
            if (m_ended)
                return true;
            p = text.pastLineEnd(p);
            m_lineStart = m_wordStart = p;
            continue;
        }
        switch (m_state) {
        case Gap:
            if (!isBlank(u))
                startWord(p);
            break;
        case Ignored:
            break;
        default:
            if (isBlank(u))
                endWord(p);
            else
                stepWord(u);
            break;
        }
        ++p;
        if (m_refused)
            return completeQuotes(p, end);
    }
    keepHead(p);
    if (m_state != Gap && m_state != Ignored)
        keepWord(p);
    return false;
}

// Nearly every line of a list is four small decimal numbers within the electrode rules, separated
// by spaces or tabs: such a line is read here at once. Returns its line end, or nullptr for any
// other line, which the word-by-word reading then takes from its start. The 0 that ends the piece
// is no part of such a line, so a line that runs past the piece is also left to that reading.
const QChar *ListParser::plainLine(const QChar *p, Quadruple *q)
{
    ushort u = p->unicode();
    const auto isSpace = [&u] { return u == ' ' || u == '\t'; };
    // The electrode of a column that starts after spaces at p; -1 for anything else.
    const auto electrode = [&p, &u, &isSpace](int column) {
        while (isSpace())
            u = (++p)->unicode();
        int value = u - '0';
        if (unsigned(value) >= 10)
            return -1;
        // A 0 stands alone; any other number has at most the two digits of an electrode. One or
        // two digits is a toss-up in a list, so no branch is taken on it.
        const int next = p[1].unicode() - '0';
        const bool twoDigits = value != 0 && unsigned(next) < 10;
        value = twoDigits ? value * 10 + next : value;
        p += twoDigits ? 2 : 1;
        u = p->unicode();
        return value >= ElectrodeRules[column].minimum && value <= CablePositions ? value : -1;
    };
    const int a = electrode(0);
    if (a < 0 || !isSpace())
        return nullptr;
    const int b = electrode(1);
    if (b < 0 || !isSpace())
        return nullptr;
    const int m = electrode(2);
    if (m < 0 || !isSpace())
        return nullptr;
    const int n = electrode(3);
    if (n < 0 || !(isSpace() || LineSplitter::isLineEnd(u)))
        return nullptr;
    // What follows the fourth word is ignored.
    while (!LineSplitter::isLineEnd(u)) {
        if (u == 0)
            return nullptr;
        u = (++p)->unicode();
    }
    *q = Quadruple(a, b, m, n);
    return p;
}

ListResult ListParser::finish()
{
    // Whatever was read of the last line is kept already.
    m_lineStart = m_wordStart = nullptr;
    if (!m_ended && !m_refused)
        endLine(nullptr);
    // A last line without a line end is a line all the same.
    m_result.linesAfterEnd += m_lineHasText ? 1 : 0;
    m_lineHasText = false;
    if (!m_result.ok())
        m_result.quadruples.clear();
    ListResult result = m_result;
    if (m_refused) {
        if (m_badWord >= 0) {
            result.message = QStringLiteral("%1 electrode is not a number (%2)")
                                 .arg(QLatin1Char(ElectrodeRules[m_badWord].name))
                                 .arg(elided(printable(m_word), FieldQuoteLength));
        }
        result.lineText = elided(printable(m_head), LineQuoteLength);
        if (m_lineNumber == 1 && m_head.count(QChar(0)) * 2 >= m_head.size())
            result.hint = QStringLiteral("(is the file UTF-16 without a byte-order mark?)");
    } else if (result.ok() && result.quadruples.isEmpty()) {
        result.status = ListResult::Empty;
        result.message = QStringLiteral("TXT file is empty");
    }
    return result;
}

} // namespace

QString electrodeOutOfRangeMessage(int column, const QString &value, int maximum)
{
    return QStringLiteral("%1 electrode is out of range [%2, %3] (%4)")
        .arg(QLatin1Char(ElectrodeRules[column].name))
        .arg(ElectrodeRules[column].minimum)
        .arg(maximum)
        .arg(value);
}

QString ListResult::linesAfterEndText() const
{
    if (linesAfterEnd == 0)
        return QString();
    return QStringLiteral(
        "the list ends at this empty line; %1%2 non-empty %3 after it %4 not read")
        .arg(linesAfterEndCut ? QStringLiteral("at least ") : QString())
        .arg(linesAfterEnd)
        .arg(linesAfterEnd == 1 ? QStringLiteral("line") : QStringLiteral("lines"),
            linesAfterEnd == 1 ? QStringLiteral("was") : QStringLiteral("were"));
}

QString ListResult::informativeText() const
{
    if (status != BadLine)
        return errorString;
    const QString line = QStringLiteral("Line %1: %2").arg(lineNumber).arg(lineText);
    return hint.isEmpty() ? line : line + QLatin1Char('\n') + hint;
}

ListResult readElectrodeList(QIODevice *device)
{
    LineSplitter text(device);
    ListParser parser;
    // Files in /proc and the like give no size, or less than their position.
    if (!device->isSequential() && device->size() > device->pos())
        parser.reserveFor(device->size() - device->pos());
    while (text.readPiece()) {
        if (parser.feed(text))
            return parser.finish();
    }
    if (deviceFailed(device)) {
        // The list itself is whole; only the count of what follows it falls short.
        if (!parser.endedAtEmptyLine())
            return loadFailure<ListResult>(ListResult::ReadFailed, device->errorString());
        parser.cutLinesAfterEnd();
    }
    return parser.finish();
}

ListResult readElectrodeList(const QString &fileName)
{
    return readFile<ListResult>(
        fileName, [](QIODevice *device) { return readElectrodeList(device); });
}

} // namespace Kgw
