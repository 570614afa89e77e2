#include "linesplitter.h"

namespace Kgw {

namespace {

// Large enough that a read costs little per character, small enough to be held at once.
constexpr int PieceLength = 64 * 1024;

} // namespace

LineSplitter::LineSplitter(QIODevice *device)
    : m_in(device)
{ }

bool LineSplitter::readPiece()
{
    m_piece = m_in.read(PieceLength);
    // utf16() rather than constData() for the 0 after the characters, which it promises.
    m_begin = reinterpret_cast<const QChar *>(m_piece.utf16());
    m_end = m_begin + m_piece.size();
    if (m_piece.isEmpty())
        return false;
    // The stream recognises a UTF-16 byte-order mark but hands it on as a character; a list
    // saved as "Unicode" by a Windows editor would otherwise fail on its first field.
    if (!m_started && *m_begin == QChar(QChar::ByteOrderMark))
        ++m_begin;
    m_started = true;
    if (m_skipLineFeed && m_begin < m_end && m_begin->unicode() == '\n')
        ++m_begin;
    m_skipLineFeed = false;
    return true;
}

} // namespace Kgw
