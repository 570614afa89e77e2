#include "linereader.h"

#include "iodevice.h"

namespace Kgw {

LineReader::LineReader(QIODevice *device)
    : m_device(device)
    , m_text(device)
{ }

bool LineReader::failed() const
{
    return deviceFailed(m_device);
}

QString LineReader::errorString() const
{
    return m_device->errorString();
}

std::optional<QString> LineReader::next()
{
    QString line;
    for (;;) {
        if (m_next == m_text.end()) {
            const bool more = m_text.readPiece();
            m_next = m_text.begin();
            if (more)
                continue;
            // A last line without a line end is a line all the same.
            if (line.isEmpty())
                return std::nullopt;
            ++m_lineNumber;
            return m_line = line;
        }
        const QChar *p = m_next;
        while (p != m_text.end() && !LineSplitter::isLineEnd(p->unicode()))
            ++p;
        if (line.size() + (p - m_next) > MaxLineLength) {
            m_tooLong = true;
            ++m_lineNumber;
            return std::nullopt;
        }
        line.append(m_next, int(p - m_next));
        if (p == m_text.end()) {
            m_next = p;
            continue;
        }
        m_next = m_text.pastLineEnd(p);
        ++m_lineNumber;
        return m_line = line;
    }
}

QStringList wordsOf(const QString &line)
{
    QStringList words;
    int start = -1;
    for (int i = 0; i <= line.size(); ++i) {
        const bool end = i == line.size() || line.at(i) == QLatin1Char('#');
        if (end || line.at(i).isSpace()) {
            if (start >= 0)
                words.append(line.mid(start, i - start));
            start = -1;
            if (end)
                break;
        } else if (start < 0) {
            start = i;
        }
    }
    return words;
}

} // namespace Kgw
