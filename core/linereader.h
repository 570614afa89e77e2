#ifndef KGW_LINEREADER_H
#define KGW_LINEREADER_H

#include "linesplitter.h"

#include <QString>
#include <QStringList>

#include <optional>

class QIODevice;

namespace Kgw {

// Far longer than any line that a program or a person writes in a file read line by line. A file
// without line ends, such as a device of zeros, is refused at this length instead of filling
// memory.
constexpr int MaxLineLength = 64 * 1024;

// The lines of a file, each whole, for the formats that are read line by line.
class LineReader
{
public:
    explicit LineReader(QIODevice *device);

    // The next line without its end. Nothing at the end of the text, after a read failure
    // (failed()), and for a line longer than MaxLineLength (tooLong()).
    std::optional<QString> next();
    // The line last returned, or the one too long, and its text.
    qint64 lineNumber() const { return m_lineNumber; }
    const QString &line() const { return m_line; }
    bool tooLong() const { return m_tooLong; }
    bool failed() const;
    QString errorString() const;

private:
    QIODevice *m_device;
    LineSplitter m_text;
    const QChar *m_next = nullptr; // where the next line starts or goes on in the piece
    bool m_tooLong = false;
    qint64 m_lineNumber = 0;
    QString m_line;
};

// The white-space-separated words of a line, up to a # that starts a comment.
QStringList wordsOf(const QString &line);

} // namespace Kgw

#endif
