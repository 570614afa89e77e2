// Feeds arbitrary bytes to the sequence-file reader. Besides crashes and sanitizer reports it
// checks that whatever is accepted is what the bytes say: a file without header differences is
// exactly the header this program writes followed by the body it was read as.

#include "quadruple.h"
#include "sequencereader.h"
#include "sequencewriter.h"

#include "require.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    const Kgw::SequenceResult result = Kgw::readSequence(bytes);

    if (!result.ok()) {
        require(result.quadruples.isEmpty());
        require(!result.message.isEmpty());
        return 0;
    }
    require(result.count >= 0 && result.quadruples.size() == result.count);
    require(bytes.size() == Kgw::SequenceHeaderSize + 4 * result.count);
    for (int i = 0; i < result.count; ++i) {
        const Kgw::Quadruple &q = result.quadruples.at(i);
        // The body holds A M N B.
        const char *stored = bytes.constData() + Kgw::SequenceHeaderSize + 4 * i;
        require(q.a == stored[0] && q.m == stored[1] && q.n == stored[2] && q.b == stored[3]);
        require(q.a >= 1 && q.a <= 48 && q.m >= 1 && q.m <= 48);
        require(q.b >= 0 && q.b <= 48 && q.n >= 0 && q.n <= 48);
    }
    const QByteArray written = Kgw::sequenceHeader(result.count, result.spacingMillimetres);
    for (const Kgw::HeaderDifference &difference : result.headerDifferences) {
        require(difference.offset >= 0 && difference.offset < Kgw::SequenceHeaderSize);
        require(difference.expected != difference.found);
        require(quint8(bytes.at(difference.offset)) == difference.found);
    }
    require(result.headerDifferences.isEmpty() == bytes.startsWith(written));
    return 0;
}
