// Feeds arbitrary bytes to the readers of the exchange formats, the first byte choosing the
// format (bit 0) and whether a cable or a whole line is read (bit 1). Besides crashes and
// sanitizer reports it checks that a refusal holds nothing, and that whatever is accepted keeps
// the electrode rules of a list on the cable or the line, with a line for every row, electrodes
// at heights some ground has, and spreads, where recorded, of the line read.

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
        = (data[0] & 1) == 0 ? Kgw::ExchangeFormat::Unified : Kgw::ExchangeFormat::Csv;
    const bool wholeLine = (data[0] & 2) != 0;
    QByteArray bytes(reinterpret_cast<const char *>(data) + 1, int(size - 1));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    const Kgw::ExchangeResult result = Kgw::readExchange(&buffer, format, std::nullopt,
        wholeLine ? Kgw::ExchangeExtent::WholeLine : Kgw::ExchangeExtent::Cable);

    if (!result.ok()) {
        require(result.quadruples.isEmpty() && result.lineQuadruples.isEmpty());
        require(!result.message.isEmpty());
        for (const QChar c : result.message)
            require(c.category() != QChar::Other_Control);
        return 0;
    }
    // A cable row is the line row of a spread that starts at 1.
    QVector<Kgw::LineQuadruple> rows = result.lineQuadruples;
    require(wholeLine ? result.quadruples.isEmpty() : rows.isEmpty());
    for (const Kgw::Quadruple &q : result.quadruples)
        rows.append(Kgw::toLinePositions(q));
    const int positions = wholeLine ? Kgw::MaxLinePositions : Kgw::CablePositions;
    require(result.lineNumbers.size() == rows.size());
    qint64 previousLine = 0;
    for (int i = 0; i < rows.size(); ++i) {
        const Kgw::LineQuadruple &q = rows.at(i);
        require(q.a >= 1 && q.a <= positions && q.m >= 1 && q.m <= positions);
        require(q.b >= 0 && q.b <= positions && q.n >= 0 && q.n <= positions);
        require(result.lineNumbers.at(i) > previousLine);
        previousLine = result.lineNumbers.at(i);
    }
    require(format == Kgw::ExchangeFormat::Unified || result.heights.isEmpty());
    require(
        !result.layout || (wholeLine && result.layout->linePositions() == result.heights.size()));
    for (const double height : result.heights)
        require(qAbs(height) <= Kgw::MaxCoordinate);
    return 0;
}
