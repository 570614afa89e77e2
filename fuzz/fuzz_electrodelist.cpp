// Feeds arbitrary bytes to the electrode-list reader. Besides crashes and sanitizer reports it
// looks for wrong answers: whatever the reader accepts must be what QTextStream itself reads
// from those lines, every quadruple must obey the electrode rules, and no message may carry a
// control character.

#include "electrodelist.h"

#include <QBuffer>
#include <QTextStream>

#include <cstdint>
#include <cstdlib>

namespace {

void require(bool condition)
{
    if (!condition)
        abort();
}

// The list as QTextStream reads it with its own integer extraction, line by line, where a line
// ends at LF, CR or CRLF.
QByteArray readByTextStream(const QByteArray &bytes)
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
    QByteArray body;
    for (QString line : text.split(QLatin1Char('\n'))) {
        if (line.isEmpty())
            return body;
        QTextStream fields(&line);
        int a = 0, b = 0, m = 0, n = 0;
        fields >> a >> b >> m >> n;
        Kgw::appendQuadruple(body, Kgw::Quadruple { a, b, m, n });
    }
    return body;
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
        require(result.body.isEmpty());
        require(!result.message.isEmpty());
        require(result.message.size() < 80);
        require(result.informativeText().size() < 150);
        for (const QChar c : result.message + result.lineText)
            require(c.category() != QChar::Other_Control);
        return 0;
    }
    require(result.count() > 0 && result.body.size() % 4 == 0);
    for (int i = 0; i < result.count(); ++i) {
        const Kgw::Quadruple q = Kgw::quadrupleAt(result.body, i);
        require(q.a >= 1 && q.a <= 48 && q.m >= 1 && q.m <= 48);
        require(q.b >= 0 && q.b <= 48 && q.n >= 0 && q.n <= 48);
    }
    require(result.body == readByTextStream(bytes));
    return 0;
}
