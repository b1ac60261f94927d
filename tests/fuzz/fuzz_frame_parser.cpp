// The simulator's frame parser on an arbitrary byte stream with arbitrary pauses:
// input is pairs of (pause in ms, byte).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "sim/frame_parser.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    palvo::FrameParser parser;
    double now = 0;
    bool sawUnlockByte = false;
    std::vector<uint8_t> commands;
    std::vector<uint8_t> sent;

    for (size_t i = 0; i + 1 < size; i += 2) {
        now += data[i];   // up to 255 ms: beyond the frame time-out as well
        const uint8_t byte = data[i + 1];
        sent.push_back(byte);
        sawUnlockByte = sawUnlockByte || byte == palvo::FrameParser::Unlock[0];

        const auto item = parser.take(byte, now);
        switch (item.kind) {
        case palvo::FrameParser::Item::Nothing:
            break;
        case palvo::FrameParser::Item::Command:
            // The first prefix byte never passes as a command: it starts a frame.
            FUZZ_CHECK(item.command != palvo::FrameParser::Unlock[0]);
            FUZZ_CHECK(item.command == byte);
            commands.push_back(item.command);
            break;
        case palvo::FrameParser::Item::Frame:
            FUZZ_CHECK(item.letter == 'M' || item.letter == 'Z' || item.letter == 'c' || item.letter == 'r' ||
                       item.letter == 'A');
            if (item.letter != 'M' && item.letter != 'Z')
                FUZZ_CHECK(item.value == 0);
            FUZZ_CHECK(!parser.inFrame());
            break;
        }
    }
    // Without an unlock byte every byte is a command of its own, in order.
    if (!sawUnlockByte)
        FUZZ_CHECK(commands == sent);

    // After a pause longer than the frame time-out, a plain byte is a command again.
    const auto after = parser.take('1', now + palvo::FrameParser::FrameTimeoutMs + 1);
    FUZZ_CHECK(after.kind == palvo::FrameParser::Item::Command && after.command == '1');
    return 0;
}
