#ifndef KGW_LINESPLITTER_H
#define KGW_LINESPLITTER_H

#include <QString>
#include <QTextStream>

class QIODevice;

namespace Kgw {

// Reads text a piece at a time and finds where its lines end: at LF, CRLF or a lone CR, so that
// line numbers are right for files from any system, also where a CRLF is split between pieces.
// What a line holds is left to the reader, which may keep as little of it as it likes.
class LineSplitter
{
public:
    explicit LineSplitter(QIODevice *device);

    // Reads the next piece, of up to 64 Ki characters. False at the end of the text.
    bool readPiece();

    // The piece last read. It holds neither a byte-order mark at the start of the text nor the
    // LF of a CRLF that the piece before ended within. A 0 follows it at end(), so that a reader
    // that stops at any character it does not expect need not compare with end().
    const QChar *begin() const { return m_begin; }
    const QChar *end() const { return m_end; }

    static bool isLineEnd(ushort u) { return u == '\n' || u == '\r'; }

    // Where the next line starts, after the line end at `p` within the piece.
    const QChar *pastLineEnd(const QChar *p)
    {
        const bool cr = p->unicode() == '\r';
        ++p;
        if (cr) {
            if (p == m_end)
                m_skipLineFeed = true;
            else if (p->unicode() == '\n')
                ++p;
        }
        return p;
    }

private:
    QTextStream m_in;
    QString m_piece;
    const QChar *m_begin = nullptr;
    const QChar *m_end = nullptr;
    bool m_started = false;
    bool m_skipLineFeed = false; // the last piece ended on CR, so an LF next belongs to it
};

} // namespace Kgw

#endif
