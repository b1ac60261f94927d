// The polling reply decoders on arbitrary bytes: the first byte picks the
// command index, multiturn and resolution; the rest is the reply. Short replies
// must end in "Range check error", never in a read past the end.
#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <stdexcept>

#include "link/replies.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

bool rangeError(const std::out_of_range &e)
{
    return std::strcmp(e.what(), "Range check error") == 0;
}

}   // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const uint8_t control = data[0];
    const QByteArray reply(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    const quint8 index = quint8(control & 0x07);   // 0..7: outside 1..4 as well
    const bool multiturn = (control & 0x08) != 0;
    const quint8 resolutionBits = quint8(control >> 3);   // 0..31: above 16 as well

    int offset = -1;
    try {
        offset = replies::positionOffset(index);
        FUZZ_CHECK(index >= 1 && index <= 4);
        FUZZ_CHECK(offset == (index == 2 ? 0 : 1));
    } catch (const std::out_of_range &e) {
        FUZZ_CHECK(rangeError(e));
        FUZZ_CHECK(index < 1 || index > 4);
        offset = 1;
    }

    const int wordSize = replies::positionWordSize(multiturn);
    const bool fits = reply.size() >= offset + wordSize;
    qint64 word = 0;
    try {
        word = replies::positionWord(reply, offset, multiturn);
        FUZZ_CHECK(fits);
        FUZZ_CHECK(word >= 0 && word <= (multiturn ? 0xFFFFFFFFLL : 0xFFFFLL));
    } catch (const std::out_of_range &e) {
        FUZZ_CHECK(rangeError(e));
        FUZZ_CHECK(!fits);
        return 0;
    }

    const quint32 mask = (1u << (resolutionBits & 0x0F)) - 1;
    try {
        const quint32 count = replies::singleTurnCount(word, resolutionBits, mask);
        FUZZ_CHECK(resolutionBits <= 16);
        FUZZ_CHECK(count <= mask);
    } catch (const std::out_of_range &e) {
        FUZZ_CHECK(rangeError(e));
        FUZZ_CHECK(resolutionBits > 16);
    }
    const qint16 turns = replies::turnCount(word);
    if (!multiturn)
        FUZZ_CHECK(turns == 0);
    FUZZ_CHECK(replies::errorActive(word) == ((word & 2) == 0));
    FUZZ_CHECK(replies::warningActive(word) == ((word & 1) == 0));

    // The status byte of "d" and the temperature of "t" follow the position word.
    const int after = offset + wordSize;
    if (after < reply.size()) {
        const auto status = replies::detailedStatus(quint8(reply.at(after)));
        const auto cal = replies::calStatus(quint8(reply.at(after)));
        FUZZ_CHECK(cal.counter <= 3 && cal.faults <= 15);
        (void)status;
    }
    try {
        const qint16 tenths = replies::temperature(reply, after);
        FUZZ_CHECK(reply.size() >= after + 2);
        FUZZ_CHECK(tenths == qint16((quint8(reply.at(after)) << 8) | quint8(reply.at(after + 1))));
    } catch (const std::out_of_range &e) {
        FUZZ_CHECK(rangeError(e));
        FUZZ_CHECK(reply.size() < after + 2);
    }
    return 0;
}
