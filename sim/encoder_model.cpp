#include "sim/encoder_model.h"

#include <cmath>

namespace palvo {

namespace {

void putText(std::vector<uint8_t> &out, size_t at, const std::string &text, size_t length)
{
    for (size_t i = 0; i < length; ++i)
        out[at + i] = i < text.size() ? uint8_t(text[i]) : uint8_t(' ');
}

int64_t floorDiv(int64_t a, int64_t b)
{
    int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0)))
        --q;
    return q;
}

}   // namespace

EncoderModel::EncoderModel(const SimConfig &config) : m_config(config) {}

int EncoderModel::replyLength(uint8_t command, bool multiturn)
{
    switch (command) {
    case '1':
        return multiturn ? 5 : 3;
    case '3':
        return multiturn ? 4 : 2;
    case 'd':
        return multiturn ? 6 : 4;
    case 't':
        return multiturn ? 7 : 5;
    case 'i':
        return 2;
    case 'v':
        return 7;
    case 'r':
        return 28;
    default:
        return 0;
    }
}

EncoderModel::Now EncoderModel::at(double nowMs) const
{
    double exact = m_anchorCounts + m_speed * (nowMs - m_anchorMs) / 1000.0;
    int64_t whole = int64_t(std::floor(exact));
    int64_t wraps = floorDiv(whole, CountsPerTurn);
    return {whole - wraps * CountsPerTurn, m_anchorTurns + wraps};
}

void EncoderModel::reanchor(double nowMs)
{
    double exact = m_anchorCounts + m_speed * (nowMs - m_anchorMs) / 1000.0;
    double wraps = std::floor(exact / CountsPerTurn);
    m_anchorCounts = exact - wraps * CountsPerTurn;
    if (m_anchorCounts >= CountsPerTurn || m_anchorCounts < 0) {   // rounding at the edge
        m_anchorCounts = 0;
    }
    m_anchorTurns += int64_t(wraps);
    m_anchorMs = nowMs;
}

void EncoderModel::setPosition(uint16_t counts, double nowMs)
{
    reanchor(nowMs);
    m_anchorCounts = counts % CountsPerTurn;
}

uint16_t EncoderModel::position(double nowMs) const
{
    return uint16_t(at(nowMs).counts);
}

void EncoderModel::setTurns(int16_t turns, double nowMs)
{
    reanchor(nowMs);
    m_anchorTurns = turns;
}

int16_t EncoderModel::turns(double nowMs) const
{
    return int16_t(uint16_t(uint64_t(at(nowMs).turns) & 0xFFFF));
}

void EncoderModel::setSpeed(double countsPerSecond, double nowMs)
{
    reanchor(nowMs);
    m_speed = countsPerSecond;
}

uint32_t EncoderModel::positionWord(double nowMs) const
{
    Now now = at(nowMs);
    uint32_t word = uint32_t(now.counts) << 2;
    if (!errorActive)
        word |= 0x2;   // flags are active low
    if (!warningActive)
        word |= 0x1;
    word |= uint32_t(uint64_t(now.turns) & 0xFFFF) << 16;
    return word;
}

void EncoderModel::setCalStatus(uint8_t status)
{
    m_calStatus = status;
    m_calPending = false;
}

uint8_t EncoderModel::calStatus(double nowMs)
{
    if (m_calPending && nowMs >= m_calDueMs) {
        m_calPending = false;
        m_calStatus = m_calAutoResult ? uint8_t((m_calStatus + 1) & 0x03) : m_calResult;
    }
    return m_calStatus;
}

void EncoderModel::setCalibration(int delayMs, uint8_t resultStatus, bool never)
{
    m_calDelayMs = delayMs;
    m_calResult = resultStatus;
    m_calNever = never;
    m_calAutoResult = false;
}

std::vector<uint8_t> EncoderModel::answer(uint8_t command, double nowMs)
{
    const bool mt = m_config.multiturn;
    std::vector<uint8_t> out;
    auto putWord = [&] {
        uint32_t word = positionWord(nowMs);
        if (mt) {
            out.push_back(uint8_t(word >> 24));
            out.push_back(uint8_t(word >> 16));
        }
        out.push_back(uint8_t(word >> 8));
        out.push_back(uint8_t(word));
    };

    switch (command) {
    case '1':
        out.push_back(command);
        putWord();
        break;
    case '3':
        putWord();
        break;
    case 'd':
        out.push_back(command);
        putWord();
        out.push_back(detailedStatus);
        break;
    case 't':
        out.push_back(command);
        putWord();
        out.push_back(uint8_t(uint16_t(temperature) >> 8));
        out.push_back(uint8_t(uint16_t(temperature)));
        break;
    case 'i':
        out.push_back(command);
        out.push_back(calStatus(nowMs));
        break;
    case 'v':
        out.assign(7, ' ');
        out[0] = command;
        putText(out, 1, m_config.serial, 6);
        break;
    case 'r':
        out.assign(28, 0);
        out[0] = command;
        putText(out, 1, m_config.productName, 6);
        // Byte 7 belongs to both fields; the part number is written last.
        putText(out, 6, m_config.partNumber, 16);
        out[23] = m_config.fw[0];
        out[24] = m_config.fw[1];
        out[25] = m_config.fw[2];
        out[26] = uint8_t(m_config.fwBuild >> 8);
        out[27] = uint8_t(m_config.fwBuild);
        break;
    default:
        break;
    }
    return out;
}

void EncoderModel::applyFrame(char letter, uint32_t value, double nowMs)
{
    switch (letter) {
    case 'M':
        reanchor(nowMs);
        m_anchorTurns = 0;
        break;
    case 'Z': {
        // The value moves the zero: the shown position drops by it, and the
        // offsets add up, so "Z 2" then "Z p" (p read in between) ends at 0.
        reanchor(nowMs);
        m_zeroOffset += value;
        int64_t shift = int64_t(value % CountsPerTurn);   // 2^32 is a multiple of 16384
        m_anchorCounts -= double(shift);
        if (m_anchorCounts < 0)
            m_anchorCounts += CountsPerTurn;
        break;
    }
    case 'c':
        ++saves;
        break;
    case 'r': {
        reanchor(nowMs);
        int64_t back = int64_t(m_zeroOffset % CountsPerTurn);
        m_anchorCounts += double(back);
        if (m_anchorCounts >= CountsPerTurn)
            m_anchorCounts -= CountsPerTurn;
        m_zeroOffset = 0;
        ++factoryResets;
        break;
    }
    case 'A':
        ++calibrationStarts;
        calStatus(nowMs);   // settle a calibration that already ended
        if (!m_calNever) {
            m_calPending = true;
            m_calDueMs = nowMs + m_calDelayMs;
        } else {
            m_calPending = false;
        }
        break;
    default:
        break;
    }
}

}   // namespace palvo
