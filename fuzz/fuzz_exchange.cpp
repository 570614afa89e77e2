// Feeds arbitrary bytes to the readers of the exchange formats, the first byte choosing the
// format. Besides crashes and sanitizer reports it checks that a refusal holds nothing, and that
// whatever is accepted keeps the electrode rules of a list, with a line for every quadruple, and
// electrodes at heights some ground has.

#include "exchange.h"

#include <QBuffer>

#include "require.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const Kgw::ExchangeFormat format
        = data[0] % 2 == 0 ? Kgw::ExchangeFormat::Unified : Kgw::ExchangeFormat::Csv;
    QByteArray bytes(reinterpret_cast<const char *>(data) + 1, int(size - 1));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    const Kgw::ExchangeResult result = Kgw::readExchange(&buffer, format, std::nullopt);

    if (!result.ok()) {
        require(result.quadruples.isEmpty());
        require(!result.message.isEmpty());
        for (const QChar c : result.message)
            require(c.category() != QChar::Other_Control);
        return 0;
    }
    require(result.lineNumbers.size() == result.quadruples.size());
    qint64 previousLine = 0;
    for (int i = 0; i < result.quadruples.size(); ++i) {
        const Kgw::Quadruple &q = result.quadruples.at(i);
        require(q.a >= 1 && q.a <= 48 && q.m >= 1 && q.m <= 48);
        require(q.b >= 0 && q.b <= 48 && q.n >= 0 && q.n <= 48);
        require(result.lineNumbers.at(i) > previousLine);
        previousLine = result.lineNumbers.at(i);
    }
    require(format == Kgw::ExchangeFormat::Unified || result.heights.isEmpty());
    for (const double height : result.heights)
        require(qAbs(height) <= Kgw::MaxCoordinate);
    return 0;
}
