#pragma once
// The encoder itself: shaft, status, configuration and the replies it builds.
// Not thread-safe; the Simulator holds its lock around every call. Times are
// milliseconds on the simulator's steady clock.
#include "sim/palvo_sim.h"

#include <cstdint>
#include <vector>

namespace palvo {

class EncoderModel {
public:
    static constexpr int CountsPerTurn = 16384;

    explicit EncoderModel(const SimConfig &config);

    const SimConfig &config() const { return m_config; }
    void setMultiturn(bool multiturn) { m_config.multiturn = multiturn; }

    // The reply to a command byte; empty for a byte that is no command.
    std::vector<uint8_t> answer(uint8_t command, double nowMs);
    static int replyLength(uint8_t command, bool multiturn);   // 0 = no command

    // A configuration frame taken after the unlock prefix.
    void applyFrame(char letter, uint32_t value, double nowMs);

    void setPosition(uint16_t counts, double nowMs);
    uint16_t position(double nowMs) const;
    void setTurns(int16_t turns, double nowMs);
    int16_t turns(double nowMs) const;
    void setSpeed(double countsPerSecond, double nowMs);

    bool errorActive = false;
    bool warningActive = false;
    uint8_t detailedStatus = 0;
    int16_t temperature = 250;

    void setCalStatus(uint8_t status);
    uint8_t calStatus(double nowMs);
    void setCalibration(int delayMs, uint8_t resultStatus, bool never);
    void setCalibrationDelay(int delayMs) { m_calDelayMs = delayMs; }

    int32_t zeroOffset() const { return int32_t(m_zeroOffset); }
    int saves = 0;
    int factoryResets = 0;
    int calibrationStarts = 0;

private:
    struct Now {
        int64_t counts;   // shown position, 0..16383
        int64_t turns;    // unbounded; the wire carries the low 16 bits
    };
    Now at(double nowMs) const;
    void reanchor(double nowMs);
    uint32_t positionWord(double nowMs) const;

    SimConfig m_config;
    // Shaft: shown position and turns at the anchor time, then moving at m_speed.
    double m_anchorCounts = 0;
    int64_t m_anchorTurns = 0;
    double m_anchorMs = 0;
    double m_speed = 0;
    uint32_t m_zeroOffset = 0;   // cumulative "Z" values, wrapping like the encoder's 32-bit register

    uint8_t m_calStatus = 0x01;
    bool m_calPending = false;
    double m_calDueMs = 0;
    int m_calDelayMs = 2000;
    uint8_t m_calResult = 0;
    bool m_calNever = false;
    bool m_calAutoResult = true;   // until set: counter + 1, fault bits clear
};

}   // namespace palvo
