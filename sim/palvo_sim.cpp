#include "sim/palvo_sim.h"
#include "sim/encoder_model.h"
#include "sim/frame_parser.h"
#include "sim/line_settings.h"
#include "sim/pty_device.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <deque>
#include <fcntl.h>
#include <poll.h>
#include <random>
#include <thread>
#include <unistd.h>

namespace palvo {

struct Simulator::Impl {
    explicit Impl(const SimConfig &config)
        : model(config), baud(config.baud), origin(std::chrono::steady_clock::now())
    {
    }

    double nowMs() const
    {
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - origin).count();
    }

    bool serve();   // opens a pty, points the link, starts the thread
    void halt();    // stops the thread and closes the pty
    void run();
    void onByte(uint8_t byte, double now);
    void reply(std::vector<uint8_t> bytes, double now, bool faultsApply = true);
    std::vector<uint8_t> garbage(size_t length);
    void flushDue(double now);
    int pollTimeout(double now) const;

    mutable std::mutex mutex;   // guards everything below except the thread handle
    EncoderModel model;
    FrameParser parser;
    int baud;
    int lastSeenBaud = 0;
    std::vector<int> baudHistory;
    std::vector<LoggedByte> log;
    std::vector<TakenFrame> frames;
    Fault fault = Fault::None;
    int faultCount = 0;
    int faultParam = 0;
    struct Pending {
        double dueMs;
        std::vector<uint8_t> bytes;
    };
    std::deque<Pending> pending;
    std::mt19937 noise{20240611};   // fixed seed: runs repeat

    const std::chrono::steady_clock::time_point origin;
    std::string linkPath;
    PtyDevice pty;
    std::string devicePath;
    std::thread thread;
    int wake[2] = {-1, -1};
    std::atomic<bool> running{false};
    bool closeRequested = false;   // a HangUp fault fired; the thread closes the pty
};

bool Simulator::Impl::serve()
{
    if (!pty.open())
        return false;
    {
        std::lock_guard lock(mutex);
        devicePath = pty.slavePath();
        parser.reset();
        pending.clear();
    }
    if (!linkPath.empty() && !pointLink(linkPath, pty.slavePath())) {
        pty.close();
        return false;
    }
    if (pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        pty.close();
        return false;
    }
    running = true;
    thread = std::thread([this] { run(); });
    return true;
}

void Simulator::Impl::halt()
{
    if (thread.joinable()) {
        running = false;
        char b = 1;
        [[maybe_unused]] ssize_t n = ::write(wake[1], &b, 1);
        thread.join();
    }
    for (int &fd : wake) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
    std::lock_guard lock(mutex);
    pty.close();
    pending.clear();
    parser.reset();
}

int Simulator::Impl::pollTimeout(double now) const
{
    if (pending.empty())
        return -1;
    double wait = pending.front().dueMs - now;
    return wait <= 0 ? 0 : int(std::ceil(wait));
}

void Simulator::Impl::run()
{
    const int master = pty.master();
    while (running) {
        int timeout;
        {
            std::lock_guard lock(mutex);
            timeout = pollTimeout(nowMs());
        }
        pollfd fds[2] = {{master, POLLIN, 0}, {wake[0], POLLIN, 0}};
        int n = ::poll(fds, 2, timeout);
        if (n < 0 && errno != EINTR)
            break;
        if (!running)
            break;
        if (n > 0 && (fds[0].revents & POLLIN)) {
            uint8_t buf[256];
            ssize_t got = ::read(master, buf, sizeof buf);
            if (got > 0) {
                std::lock_guard lock(mutex);
                const double now = nowMs();
                for (ssize_t i = 0; i < got; ++i)
                    onByte(buf[i], now);
            }
        } else if (n > 0 && (fds[0].revents & (POLLHUP | POLLERR))) {
            // Cannot happen while our own slave handle is open; do not spin if it does.
            ::poll(fds + 1, 1, 10);
        }
        std::lock_guard lock(mutex);
        if (closeRequested) {
            closeRequested = false;
            pending.clear();
            parser.reset();
            pty.close();
            removeLink(linkPath);
            running = false;
            break;
        }
        flushDue(nowMs());
    }
}

void Simulator::Impl::onByte(uint8_t byte, double now)
{
    log.push_back({byte, now});

    LineSettings line;
    if (readLineSettings(pty.master(), line))
        lastSeenBaud = line.baud;
    if (baudHistory.empty() || baudHistory.back() != lastSeenBaud)
        baudHistory.push_back(lastSeenBaud);

    if (line.baud != baud || !line.is8N1()) {
        // At a wrong rate or format the encoder's UART sees framing errors,
        // not bytes: nothing is parsed, and the line at most carries noise.
        parser.reset();
        if (model.config().garbageAtWrongBaud)
            reply(garbage(1 + noise() % 8), now, false);
        return;
    }

    FrameParser::Item item = parser.take(byte, now);
    if (item.kind == FrameParser::Item::Frame) {
        model.applyFrame(item.letter, item.value, now);
        frames.push_back({item.letter, item.value, now});
    } else if (item.kind == FrameParser::Item::Command) {
        std::vector<uint8_t> answer = model.answer(item.command, now);
        if (!answer.empty())
            reply(std::move(answer), now);
    }
}

std::vector<uint8_t> Simulator::Impl::garbage(size_t length)
{
    // High-bit bytes, as framing errors tend to read: never a valid echo.
    std::vector<uint8_t> bytes(length);
    for (uint8_t &b : bytes)
        b = uint8_t(0x80 | (noise() & 0x7F));
    return bytes;
}

void Simulator::Impl::reply(std::vector<uint8_t> bytes, double now, bool faultsApply)
{
    double due = now;
    if (model.config().wireTime && baud > 0)   // 10 bits a byte at 8N1
        due += double(bytes.size() + 1) * 10000.0 / baud;
    if (faultsApply && fault != Fault::None && faultCount != 0) {
        switch (fault) {
        case Fault::Silent:
            bytes.clear();
            break;
        case Fault::Short:
            bytes.pop_back();
            break;
        case Fault::Extra:
            bytes.push_back(0x55);
            break;
        case Fault::WrongEcho:
            bytes[0] = uint8_t(bytes[0] ^ 0xFF);
            break;
        case Fault::Delay:
            due = now + faultParam;
            break;
        case Fault::Garbage:
            bytes = garbage(bytes.size());
            break;
        case Fault::HangUp:
            bytes.clear();
            closeRequested = true;
            break;
        case Fault::None:
            break;
        }
        if (faultCount > 0 && --faultCount == 0)
            fault = Fault::None;
    }
    if (bytes.empty())
        return;
    // One answer after the other, as a single UART sends them.
    if (!pending.empty())
        due = std::max(due, pending.back().dueMs);
    pending.push_back({due, std::move(bytes)});
    flushDue(now);
}

void Simulator::Impl::flushDue(double now)
{
    while (!pending.empty() && pending.front().dueMs <= now) {
        const std::vector<uint8_t> &bytes = pending.front().bytes;
        // A full input queue on the tool's side loses the rest, like an overrun.
        [[maybe_unused]] ssize_t n = ::write(pty.master(), bytes.data(), bytes.size());
        pending.pop_front();
    }
}

// ---------------------------------------------------------------------------

Simulator::Simulator(const SimConfig &config) : d(std::make_unique<Impl>(config)) {}

Simulator::~Simulator()
{
    stop();
}

bool Simulator::start(const std::string &linkPath)
{
    stop();
    d->linkPath = linkPath;
    return d->serve();
}

void Simulator::stop()
{
    d->halt();
    removeLink(d->linkPath);
}

std::string Simulator::devicePath() const
{
    std::lock_guard lock(d->mutex);
    return d->devicePath;
}

std::string Simulator::portPath() const
{
    if (!d->linkPath.empty())
        return d->linkPath;
    return devicePath();
}

void Simulator::hangUp()
{
    d->halt();
    removeLink(d->linkPath);
}

bool Simulator::serving() const
{
    std::lock_guard lock(d->mutex);
    return d->pty.isOpen();
}

void Simulator::setMultiturn(bool multiturn)
{
    std::lock_guard lock(d->mutex);
    d->model.setMultiturn(multiturn);
}

bool Simulator::restart()
{
    d->halt();
    return d->serve();
}

void Simulator::setBaud(int baud)
{
    std::lock_guard lock(d->mutex);
    d->baud = baud;
}

int Simulator::appliedBaud() const
{
    std::lock_guard lock(d->mutex);
    LineSettings line;
    if (d->pty.isOpen() && readLineSettings(d->pty.master(), line))
        d->lastSeenBaud = line.baud;
    return d->lastSeenBaud;
}

std::vector<int> Simulator::baudHistory() const
{
    std::lock_guard lock(d->mutex);
    return d->baudHistory;
}

void Simulator::clearBaudHistory()
{
    std::lock_guard lock(d->mutex);
    d->baudHistory.clear();
}

void Simulator::setPosition(uint16_t counts)
{
    std::lock_guard lock(d->mutex);
    d->model.setPosition(counts, d->nowMs());
}

uint16_t Simulator::position() const
{
    std::lock_guard lock(d->mutex);
    return d->model.position(d->nowMs());
}

void Simulator::setTurns(int16_t turns)
{
    std::lock_guard lock(d->mutex);
    d->model.setTurns(turns, d->nowMs());
}

int16_t Simulator::turns() const
{
    std::lock_guard lock(d->mutex);
    return d->model.turns(d->nowMs());
}

void Simulator::setSpeed(double countsPerSecond)
{
    std::lock_guard lock(d->mutex);
    d->model.setSpeed(countsPerSecond, d->nowMs());
}

void Simulator::setErrorBit(bool active)
{
    std::lock_guard lock(d->mutex);
    d->model.errorActive = active;
}

void Simulator::setWarningBit(bool active)
{
    std::lock_guard lock(d->mutex);
    d->model.warningActive = active;
}

void Simulator::setDetailedStatus(uint8_t status)
{
    std::lock_guard lock(d->mutex);
    d->model.detailedStatus = status;
}

void Simulator::setTemperature(int16_t tenths)
{
    std::lock_guard lock(d->mutex);
    d->model.temperature = tenths;
}

void Simulator::setCalStatus(uint8_t status)
{
    std::lock_guard lock(d->mutex);
    d->model.setCalStatus(status);
}

uint8_t Simulator::calStatus() const
{
    std::lock_guard lock(d->mutex);
    return d->model.calStatus(d->nowMs());
}

void Simulator::setCalibration(int delayMs, uint8_t resultStatus, bool never)
{
    std::lock_guard lock(d->mutex);
    d->model.setCalibration(delayMs, resultStatus, never);
}

void Simulator::setCalibrationDelay(int delayMs)
{
    std::lock_guard lock(d->mutex);
    d->model.setCalibrationDelay(delayMs);
}

int32_t Simulator::zeroOffset() const
{
    std::lock_guard lock(d->mutex);
    return d->model.zeroOffset();
}

int Simulator::saves() const
{
    std::lock_guard lock(d->mutex);
    return d->model.saves;
}

int Simulator::factoryResets() const
{
    std::lock_guard lock(d->mutex);
    return d->model.factoryResets;
}

int Simulator::calibrationStarts() const
{
    std::lock_guard lock(d->mutex);
    return d->model.calibrationStarts;
}

std::vector<TakenFrame> Simulator::frames() const
{
    std::lock_guard lock(d->mutex);
    return d->frames;
}

void Simulator::setFault(Fault fault, int count, int faultParam)
{
    std::lock_guard lock(d->mutex);
    d->fault = count == 0 ? Fault::None : fault;
    d->faultCount = count;
    d->faultParam = faultParam;
}

std::vector<LoggedByte> Simulator::log() const
{
    std::lock_guard lock(d->mutex);
    return d->log;
}

std::string Simulator::received() const
{
    std::lock_guard lock(d->mutex);
    std::string bytes;
    bytes.reserve(d->log.size());
    for (const LoggedByte &b : d->log)
        bytes.push_back(char(b.byte));
    return bytes;
}

double Simulator::elapsedMs() const
{
    return d->nowMs();
}

void Simulator::clearLog()
{
    std::lock_guard lock(d->mutex);
    d->log.clear();
}

}   // namespace palvo
