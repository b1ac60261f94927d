#pragma once
// The encoder model on the master side of a pseudo-terminal. Plain C++ and
// POSIX: it shares no code with the tool's decoders, so each checks the other.
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace palvo {

struct SimConfig {
    int baud = 115200;   // the only rate it answers at (8N1)
    bool multiturn = true;
    bool garbageAtWrongBaud = false;   // at other rates send line garbage instead of silence
    bool wireTime = false;   // answer only after the command and reply bytes would have crossed the wire
    std::string serial = "A12345";                 // six bytes
    std::string productName = "Palvo ";            // bytes 2-7 of the identification record
    std::string partNumber = " PAL-UART-14B-MT";   // bytes 7-22 (byte 7 is the name's blank)
    uint8_t fw[3] = {1, 2, 3};
    uint16_t fwBuild = 10;
};

// A configuration frame the encoder took.
struct TakenFrame {
    char letter;      // M Z c r A
    uint32_t value;   // the 32-bit value of M and Z, else 0
    double ms;        // when its last byte arrived
};

struct LoggedByte {
    uint8_t byte;
    double ms;   // since the simulator started, steady clock
};

enum class Fault {
    None,
    Silent,      // no answer at all
    Short,       // answer cut by one byte
    Extra,       // one byte more than the layout
    WrongEcho,   // first byte replaced
    Delay,       // answer after faultParam ms
    Garbage,     // random bytes of the right length
    HangUp,      // instead of answering, the master closes: the tool's writes fail
};

class Simulator {
public:
    explicit Simulator(const SimConfig &config = {});
    ~Simulator();
    Simulator(const Simulator &) = delete;
    Simulator &operator=(const Simulator &) = delete;

    // Opens a pty and serves it on its own thread. With a link path, that path
    // becomes a symlink to the pty's device.
    bool start(const std::string &linkPath = {});
    void stop();
    std::string devicePath() const;   // /dev/pts/N
    std::string portPath() const;     // link path when given, else device path

    // The master closes and the link goes away, as when the adapter is
    // unplugged: the tool's writes fail. restart() serves a new pty at the
    // same link path, keeping the encoder's state and the byte log.
    void hangUp();
    bool restart();
    bool serving() const;   // false after a hang-up (also one by Fault::HangUp)

    void setBaud(int baud);
    int appliedBaud() const;   // the rate the tool last set on the line
    // Each rate seen on the line when a byte arrived, repeats collapsed: the
    // order in which a port search tried them.
    std::vector<int> baudHistory() const;
    void clearBaudHistory();

    void setMultiturn(bool multiturn);

    // The shaft.
    void setPosition(uint16_t counts);   // 0..16383, as the encoder shows it
    uint16_t position() const;           // shown position (after the zero offset)
    void setTurns(int16_t turns);
    int16_t turns() const;
    void setSpeed(double countsPerSecond);   // 0 = fixed angle; wraps count turns
    void setErrorBit(bool active);           // the error flag (active low on the wire)
    void setWarningBit(bool active);
    void setDetailedStatus(uint8_t status);
    void setTemperature(int16_t tenths);

    // Self-calibration: after "A" the status byte becomes `resultStatus` after
    // delayMs; never == true leaves it unchanged.
    void setCalStatus(uint8_t status);
    uint8_t calStatus() const;
    void setCalibration(int delayMs, uint8_t resultStatus, bool never = false);
    // Only the time; the outcome stays as it was (by default counter + 1).
    void setCalibrationDelay(int delayMs);

    // Configuration frames the encoder has taken (for tests).
    int32_t zeroOffset() const;
    int saves() const;
    int factoryResets() const;
    int calibrationStarts() const;
    std::vector<TakenFrame> frames() const;

    // Faults on demand: applied to the next `count` answers (-1 = until cleared).
    void setFault(Fault fault, int count = -1, int faultParam = 0);

    // Every byte received, with its time; elapsedMs() is now on the same clock.
    std::vector<LoggedByte> log() const;
    std::string received() const;   // the bytes alone
    void clearLog();
    double elapsedMs() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

}   // namespace palvo
