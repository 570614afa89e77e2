// Feeds arbitrary bytes to the electrode-list reader. Besides crashes and sanitizer reports it
// looks for wrong answers: whatever the reader accepts must be what QTextStream itself reads
// from those lines, every quadruple must obey the electrode rules, and no message may carry a
// control character.

#include "electrodelist.h"

#include <QBuffer>
#include <QTextStream>

#include "require.h"

#include <cstdint>
#include <cstdlib>

namespace {

// The list as QTextStream reads it with its own integer extraction, line by line, where a line
// ends at LF, CR or CRLF.
QVector<Kgw::Quadruple> readByTextStream(const QByteArray &bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QTextStream in(&buffer);
    QString text = in.readAll();
    if (text.startsWith(QChar(QChar::ByteOrderMark)))
        text.remove(0, 1);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QVector<Kgw::Quadruple> quadruples;
    for (QString line : text.split(QLatin1Char('\n'))) {
        if (line.isEmpty())
            return quadruples;
        QTextStream fields(&line);
        int a = 0, b = 0, m = 0, n = 0;
        fields >> a >> b >> m >> n;
        quadruples.append(Kgw::Quadruple { a, b, m, n });
    }
    return quadruples;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    const Kgw::ListResult result = Kgw::readElectrodeList(&buffer);

    if (!result.ok()) {
        require(result.quadruples.isEmpty());
        require(!result.message.isEmpty());
        require(result.message.size() < 80);
        require(result.informativeText().size() < 150);
        for (const QChar c : result.message + result.lineText)
            require(c.category() != QChar::Other_Control);
        return 0;
    }
    require(result.count() > 0);
    for (const Kgw::Quadruple &q : result.quadruples) {
        require(q.a >= 1 && q.a <= 48 && q.m >= 1 && q.m <= 48);
        require(q.b >= 0 && q.b <= 48 && q.n >= 0 && q.n <= 48);
    }
    require(result.quadruples == readByTextStream(bytes));
    return 0;
}
