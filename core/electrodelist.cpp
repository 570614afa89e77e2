#include "electrodelist.h"

#include "iodevice.h"
#include "textutil.h"

#include <QFile>
#include <QStringView>
#include <QTextStream>

namespace Kgw {

namespace {

constexpr int FieldsPerLine = 4;
constexpr int ChunkLength = 64 * 1024;
// The magnitude of the most negative 32-bit value; anything larger can't be an electrode.
constexpr quint64 Int32Magnitude = quint64(1) << 31;

// Reads one integer field by the rules of QTextStream's integer extraction at its default
// settings (skip white space, a sign forces decimal, 0x/0b/0 prefixes choose the base), but
// character by character and without holding the field: a field can be as long as the file.
// Unlike the stream it tells a field that is missing (0) from one that isn't a number, and a
// number too large for 32 bits from the value it would wrap around to.
class FieldScanner
{
public:
    void reset()
    {
        m_state = Blank;
        m_base = 10;
        m_digits = 0;
        m_negative = false;
        m_notANumber = false;
        m_magnitude = 0;
        m_written.resize(0); // keeps the capacity for the next line
    }

    // Offers the next character of the line. Returns false when the field ended just before
    // it, so that the character is the next field's.
    bool feed(QChar c)
    {
        switch (m_state) {
        case Blank:
            if (c.isSpace())
                return true;
            take(c);
            if (c == QLatin1Char('0')) {
                m_state = Zero;
            } else if (c == QLatin1Char('-') || c == QLatin1Char('+')) {
                m_negative = c == QLatin1Char('-');
                m_state = Digits;
            } else if (c.isDigit()) {
                addDigit(c.digitValue());
                m_state = Digits;
            } else {
                m_notANumber = true;
                m_state = Junk;
            }
            return true;
        case Zero: {
            const QChar lower = c.toLower();
            if (lower == QLatin1Char('x') || lower == QLatin1Char('b')) {
                take(c);
                m_base = lower == QLatin1Char('x') ? 16 : 2;
                m_state = Digits;
                return true;
            }
            if (c.isDigit() && c.digitValue() <= 7) {
                m_base = 8;
            } else {
                m_digits = 1; // the zero is the decimal number's first digit
            }
            m_state = Digits;
            return feed(c);
        }
        case Digits: {
            const int digit = digitValue(c);
            if (digit >= 0) {
                take(c);
                addDigit(digit);
                return true;
            }
            if (m_digits > 0) {
                m_state = Finished;
                return false;
            }
            m_notANumber = true;
            m_state = Junk;
            return feed(c);
        }
        case Junk:
            // Only gathers the rest of the word for the message.
            if (c.isSpace())
                m_state = Finished;
            else
                take(c);
            return true;
        case Finished:
            break;
        }
        return false;
    }

    void endOfLine()
    {
        if (m_state == Digits && m_digits == 0)
            m_notANumber = true; // a sign or a prefix without digits
        m_state = Finished;
    }

    bool isFinished() const { return m_state == Finished; }
    bool isNotANumber() const { return m_notANumber; }
    bool isTooLarge() const
    {
        return m_negative ? m_magnitude > Int32Magnitude : m_magnitude >= Int32Magnitude;
    }
    qint64 value() const { return m_negative ? -qint64(m_magnitude) : qint64(m_magnitude); }
    bool isRemote() const { return !isTooLarge() && value() == 0; }
    const QString &written() const { return m_written; }

private:
    enum State { Blank, Zero, Digits, Junk, Finished };

    void take(QChar c)
    {
        if (m_written.size() <= FieldQuoteLength)
            m_written.append(c);
    }

    void addDigit(int digit)
    {
        ++m_digits;
        // Past 32 bits the exact value no longer matters; stopping there keeps it from
        // wrapping.
        if (m_magnitude <= Int32Magnitude)
            m_magnitude = m_magnitude * quint64(m_base) + quint64(digit);
    }

    int digitValue(QChar c) const
    {
        if (m_base == 10)
            return c.isDigit() ? c.digitValue() : -1;
        const ushort u = c.toLower().unicode();
        if (u >= '0' && u <= '9' && u - '0' < m_base)
            return u - '0';
        if (m_base == 16 && u >= 'a' && u <= 'f')
            return u - 'a' + 10;
        return -1;
    }

    State m_state = Blank;
    int m_base = 10;
    int m_digits = 0;
    bool m_negative = false;
    bool m_notANumber = false;
    quint64 m_magnitude = 0;
    QString m_written; // the field as written, cut a character past the quote length
};

// One line of the list, fed character by character. It keeps the four fields and the start
// of the line for messages, never the whole line.
class LineParser
{
public:
    LineParser()
    {
        m_head.reserve(LineQuoteLength + 1);
        reset();
    }

    void reset()
    {
        for (FieldScanner &field : m_fields)
            field.reset();
        m_current = 0;
        m_head.resize(0);
        m_length = 0;
        m_endsWithCarriageReturn = false;
    }

    void feed(QChar c)
    {
        ++m_length;
        m_endsWithCarriageReturn = c == QLatin1Char('\r');
        if (m_head.size() <= LineQuoteLength)
            m_head.append(c);
        while (m_current < FieldsPerLine) {
            FieldScanner &field = m_fields[m_current];
            if (field.isNotANumber() && field.isFinished())
                return; // the fields after it are never read
            if (field.feed(c))
                return;
            ++m_current;
        }
    }

    void endOfLine()
    {
        for (int i = m_current; i < FieldsPerLine; ++i) {
            m_fields[i].endOfLine();
            if (m_fields[i].isNotANumber())
                break;
        }
        m_current = FieldsPerLine;
    }

    // A line of a lone carriage return is the empty line of a CRLF list.
    bool isEmpty() const { return m_length == 0 || (m_length == 1 && m_endsWithCarriageReturn); }

    // True once more characters can change neither the verdict nor the quoted text.
    bool isSettled() const
    {
        if (m_head.size() <= LineQuoteLength)
            return false;
        if (m_current == FieldsPerLine)
            return true;
        const FieldScanner &field = m_fields[m_current];
        return field.isNotANumber() && field.isFinished();
    }

    // Returns the first rule the line breaks, or an empty string and the quadruple.
    QString problem(Quadruple *quadruple) const
    {
        for (int i = 0; i < FieldsPerLine; ++i) {
            if (m_fields[i].isNotANumber()) {
                return QStringLiteral("%1 electrode is not a number (%2)")
                    .arg(QLatin1Char(ElectrodeRules[i].name))
                    .arg(elided(m_fields[i].written(), FieldQuoteLength));
            }
        }
        // The remote tests come before all range tests.
        if (m_fields[0].isRemote())
            return QStringLiteral("A electrode can not be remote (0)");
        if (m_fields[2].isRemote())
            return QStringLiteral("M electrode can not be remote (0)");
        for (int i = 0; i < FieldsPerLine; ++i) {
            const FieldScanner &field = m_fields[i];
            if (field.isTooLarge()) {
                return electrodeOutOfRangeMessage(i, elided(field.written(), FieldQuoteLength));
            }
            if (field.value() < ElectrodeRules[i].minimum || field.value() > CablePositions)
                return electrodeOutOfRangeMessage(i, QString::number(field.value()));
        }
        quadruple->a = int(m_fields[0].value());
        quadruple->b = int(m_fields[1].value());
        quadruple->m = int(m_fields[2].value());
        quadruple->n = int(m_fields[3].value());
        return QString();
    }

    // The line as read, without the carriage return of a CRLF ending, cut for display.
    QString text() const
    {
        const qint64 length = m_length - (m_endsWithCarriageReturn ? 1 : 0);
        if (length <= LineQuoteLength)
            return m_head.left(int(length));
        return elided(m_head, LineQuoteLength);
    }

private:
    FieldScanner m_fields[FieldsPerLine];
    int m_current = 0;
    QString m_head; // the line's first characters, one more than is ever shown
    qint64 m_length = 0;
    bool m_endsWithCarriageReturn = false;
};

} // namespace

QString electrodeOutOfRangeMessage(int column, const QString &value)
{
    return QStringLiteral("%1 electrode is out of range [%2, %3] (%4)")
        .arg(QLatin1Char(ElectrodeRules[column].name))
        .arg(ElectrodeRules[column].minimum)
        .arg(CablePositions)
        .arg(value);
}

ListResult ListResult::loadFailure(Status status, const QString &errorString)
{
    ListResult result;
    result.status = status;
    result.message = QStringLiteral("Failed to load TXT file");
    result.errorString = errorString;
    return result;
}

QString ListResult::informativeText() const
{
    if (status == BadLine)
        return QStringLiteral("Line %1: %2").arg(lineNumber).arg(lineText);
    return errorString;
}

ListResult readElectrodeList(QIODevice *device)
{
    QTextStream in(device);
    LineParser line;
    ListResult result;
    qint64 lineNumber = 1;

    // Returns true when the list ends with this line, by an empty line or a bad one.
    auto endLine = [&]() {
        line.endOfLine();
        if (line.isEmpty())
            return true;
        Quadruple quadruple;
        const QString problem = line.problem(&quadruple);
        if (!problem.isEmpty()) {
            result.status = ListResult::BadLine;
            result.message = problem;
            result.lineNumber = lineNumber;
            result.lineText = line.text();
            return true;
        }
        appendQuadruple(result.body, quadruple);
        line.reset();
        ++lineNumber;
        return false;
    };
    auto finish = [&]() {
        if (result.status == ListResult::BadLine) {
            result.body.clear();
        } else if (result.body.isEmpty()) {
            result.status = ListResult::Empty;
            result.message = QStringLiteral("TXT file is empty");
        }
        return result;
    };

    bool atStart = true;
    for (;;) {
        const QString chunk = in.read(ChunkLength);
        if (chunk.isEmpty())
            break;
        QStringView text(chunk);
        // The stream recognises a UTF-16 byte-order mark but hands it on as a character;
        // a list saved as "Unicode" by a Windows editor would otherwise fail on its first field.
        if (atStart && text.startsWith(QChar(QChar::ByteOrderMark)))
            text = text.mid(1);
        atStart = false;
        for (const QChar c : text) {
            if (c != QLatin1Char('\n'))
                line.feed(c);
            else if (endLine())
                return finish();
        }
        // A bad line can be as long as the file; once its verdict and quote are known, the rest
        // of it makes no difference.
        Quadruple unused;
        if (line.isSettled() && !line.problem(&unused).isEmpty() && endLine())
            return finish();
    }
    if (deviceFailed(device))
        return ListResult::loadFailure(ListResult::ReadFailed, device->errorString());
    endLine();
    return finish();
}

ListResult readElectrodeList(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return ListResult::loadFailure(ListResult::OpenFailed, file.errorString());
    return readElectrodeList(&file);
}

} // namespace Kgw
