#include "sim/frame_parser.h"

namespace palvo {

void FrameParser::reset()
{
    m_state = State::Idle;
    m_prefixSeen = 0;
    m_letter = 0;
    m_valueBytes = 0;
    m_value = 0;
}

FrameParser::Item FrameParser::take(uint8_t byte, double nowMs)
{
    // A frame whose sender went quiet is abandoned, like the encoder's own
    // inter-byte timeout; otherwise one lost byte would swallow later commands.
    if (m_state != State::Idle && nowMs - m_lastMs > FrameTimeoutMs)
        reset();
    m_lastMs = nowMs;

    switch (m_state) {
    case State::Idle:
        return takeFresh(byte);
    case State::Prefix:
        if (byte == Unlock[m_prefixSeen]) {
            if (++m_prefixSeen == 4)
                m_state = State::Letter;
            return {};
        }
        reset();
        return takeFresh(byte);
    case State::Letter:
        switch (byte) {
        case 'M':
        case 'Z':
            m_letter = char(byte);
            m_state = State::Value;
            return {};
        case 'c':
        case 'r':
        case 'A': {
            reset();
            Item item;
            item.kind = Item::Frame;
            item.letter = char(byte);
            return item;
        }
        default:
            reset();
            return takeFresh(byte);
        }
    case State::Value:
        m_value = (m_value << 8) | byte;
        if (++m_valueBytes < 4)
            return {};
        Item item;
        item.kind = Item::Frame;
        item.letter = m_letter;
        item.value = m_value;
        reset();
        return item;
    }
    return {};
}

FrameParser::Item FrameParser::takeFresh(uint8_t byte)
{
    if (byte == Unlock[0]) {
        m_state = State::Prefix;
        m_prefixSeen = 1;
        return {};
    }
    Item item;
    item.kind = Item::Command;
    item.command = byte;
    return item;
}

}   // namespace palvo
