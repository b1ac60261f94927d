#pragma once
// Splits the byte stream into one-byte commands and configuration frames
// behind the unlock prefix. The tool writes a frame one byte at a time with
// pauses, so the parser keeps its state between bytes.
#include <cstdint>

namespace palvo {

class FrameParser {
public:
    static constexpr uint8_t Unlock[4] = {0x9E, 0x27, 0x4D, 0xB6};
    static constexpr double FrameTimeoutMs =
        1000.0;   // generous: a loaded test machine can stall a writer for a few hundred ms

    struct Item {
        enum Kind { Nothing, Command, Frame } kind = Nothing;
        uint8_t command = 0;   // Command: the byte
        char letter = 0;       // Frame: M Z c r A
        uint32_t value = 0;    // Frame: the 32-bit value of M and Z
    };

    // Takes one byte received at `nowMs`; returns what it completes, if anything.
    Item take(uint8_t byte, double nowMs);
    void reset();
    bool inFrame() const { return m_state != State::Idle; }

private:
    enum class State { Idle, Prefix, Letter, Value };
    Item takeFresh(uint8_t byte);

    State m_state = State::Idle;
    int m_prefixSeen = 0;
    char m_letter = 0;
    int m_valueBytes = 0;
    uint32_t m_value = 0;
    double m_lastMs = 0;
};

}   // namespace palvo
