// The identification record and the answer to "v" on arbitrary bytes.
#include <QByteArray>
#include <QList>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <stdexcept>

#include "link/replies.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray reply(reinterpret_cast<const char *>(data), qsizetype(size));

    try {
        const replies::Identification id = replies::identification(reply);
        FUZZ_CHECK(reply.size() >= 28);
        FUZZ_CHECK(id.partNumber.size() == 16);
        FUZZ_CHECK(id.productNameOk == reply.mid(1, 6).startsWith("Palvo "));
        // "a.b.c.d": four decimal numbers, the first three bytes, the last a 16-bit word.
        const QList<QByteArray> parts = id.firmware.split('.');
        FUZZ_CHECK(parts.size() == 4);
        for (int i = 0; i < parts.size(); ++i) {
            bool ok = false;
            const uint value = parts[i].toUInt(&ok);
            FUZZ_CHECK(ok && value <= (i < 3 ? 0xFFu : 0xFFFFu));
        }
    } catch (const std::out_of_range &e) {
        FUZZ_CHECK(std::strcmp(e.what(), "Range check error") == 0);
        FUZZ_CHECK(reply.size() < 28);
    }

    const bool valid = replies::serialReplyValid(reply);
    FUZZ_CHECK(valid == (reply.size() == 7 && reply.at(0) == 'v'));
    try {
        const QByteArray serial = replies::serialNumber(reply);
        FUZZ_CHECK(reply.size() >= 7 && serial == reply.mid(1, 6));
    } catch (const std::out_of_range &e) {
        FUZZ_CHECK(std::strcmp(e.what(), "Range check error") == 0);
        FUZZ_CHECK(reply.size() < 7);
    }
    return 0;
}
