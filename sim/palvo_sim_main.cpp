// palvo-sim: a simulated Palvo UART encoder on a pseudo-terminal, for trying
// the tool without hardware.
#include "sim/palvo_sim.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

const char kUsage[] = "Usage: palvo-sim --link PATH [options]\n"
                      "\n"
                      "Serves a simulated Palvo UART encoder on a pseudo-terminal. PATH becomes a\n"
                      "symlink to the pty's device; point the tool at it with: corvane --port PATH\n"
                      "Runs until SIGINT or SIGTERM, then removes the link.\n"
                      "\n"
                      "Options:\n"
                      "  --link PATH          symlink to create (an existing symlink is replaced)\n"
                      "  --baud N             the only rate it answers at, 8N1 (default 115200)\n"
                      "  --garbage            send line noise at other rates instead of staying silent\n"
                      "  --wire-time          answer only after the bytes would have crossed a real line\n"
                      "  --single-turn        no multiturn counter (shorter replies)\n"
                      "  --position N         shown single-turn position, 0..16383 (default 0)\n"
                      "  --turns N            multiturn counter, -32768..32767 (default 0)\n"
                      "  --speed N            rotation in counts per second, negative for backwards\n"
                      "  --error, --warning   report the error or warning flag\n"
                      "  --status BYTE        detailed status byte of \"d\" (e.g. 0x80)\n"
                      "  --temperature N      temperature in tenths of a degree C (default 250)\n"
                      "  --serial TEXT        six-character serial number (default A12345)\n"
                      "  --product TEXT       six-byte product name (default \"Palvo \")\n"
                      "  --part-number TEXT   16-byte part number, from the name's closing blank\n"
                      "  --firmware A.B.C.D   firmware version (default 1.2.3.10)\n"
                      "  --cal-delay MS       self-calibration takes MS milliseconds (default 2000)\n"
                      "  --cal-result BYTE    status byte when it ends (default: counter + 1)\n"
                      "  --cal-never          self-calibration never ends\n"
                      "  --help               this text\n";

bool parseLong(const char *text, long min, long max, long &out)
{
    errno = 0;
    char *end = nullptr;
    const long v = std::strtol(text, &end, 0);
    if (errno != 0 || end == text || *end != '\0' || v < min || v > max)
        return false;
    out = v;
    return true;
}

bool parseDouble(const char *text, double &out)
{
    errno = 0;
    char *end = nullptr;
    out = std::strtod(text, &end);
    return errno == 0 && end != text && *end == '\0';
}

bool parseFirmware(const std::string &text, palvo::SimConfig &config)
{
    unsigned a, b, c, d;
    char tail;
    if (std::sscanf(text.c_str(), "%u.%u.%u.%u%c", &a, &b, &c, &d, &tail) != 4 || a > 255 || b > 255 ||
        c > 255 || d > 65535)
        return false;
    config.fw[0] = uint8_t(a);
    config.fw[1] = uint8_t(b);
    config.fw[2] = uint8_t(c);
    config.fwBuild = uint16_t(d);
    return true;
}

int fail(const std::string &message)
{
    std::fprintf(stderr, "palvo-sim: %s\n%s", message.c_str(), "Try palvo-sim --help\n");
    return 2;
}

}   // namespace

int main(int argc, char **argv)
{
    palvo::SimConfig config;
    std::string link;
    long position = 0, turns = 0, status = 0, temperature = 250;
    double speed = 0;
    bool error = false, warning = false;
    long calDelay = 2000, calResult = -1;
    bool calNever = false;

    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](const char *&out) {
            if (i + 1 >= argc)
                return false;
            out = argv[++i];
            return true;
        };
        const char *v = nullptr;
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (arg == "--single-turn") {
            config.multiturn = false;
        } else if (arg == "--garbage") {
            config.garbageAtWrongBaud = true;
        } else if (arg == "--wire-time") {
            config.wireTime = true;
        } else if (arg == "--error") {
            error = true;
        } else if (arg == "--warning") {
            warning = true;
        } else if (arg == "--cal-never") {
            calNever = true;
        } else if (!value(v)) {
            return fail(arg.rfind("--", 0) == 0 ? "missing value or unknown option: " + arg
                                                : "unexpected argument: " + arg);
        } else if (arg == "--link") {
            link = v;
        } else if (arg == "--baud") {
            long baud;
            if (!parseLong(v, 50, 4000000, baud))
                return fail("bad --baud: " + std::string(v));
            config.baud = int(baud);
        } else if (arg == "--position") {
            if (!parseLong(v, 0, 16383, position))
                return fail("bad --position (0..16383): " + std::string(v));
        } else if (arg == "--turns") {
            if (!parseLong(v, -32768, 32767, turns))
                return fail("bad --turns: " + std::string(v));
        } else if (arg == "--speed") {
            if (!parseDouble(v, speed))
                return fail("bad --speed: " + std::string(v));
        } else if (arg == "--status") {
            if (!parseLong(v, 0, 255, status))
                return fail("bad --status (0..255): " + std::string(v));
        } else if (arg == "--temperature") {
            if (!parseLong(v, -32768, 32767, temperature))
                return fail("bad --temperature: " + std::string(v));
        } else if (arg == "--serial") {
            config.serial = v;
        } else if (arg == "--product") {
            config.productName = v;
        } else if (arg == "--part-number") {
            config.partNumber = v;
        } else if (arg == "--firmware") {
            if (!parseFirmware(v, config))
                return fail("bad --firmware (A.B.C.D): " + std::string(v));
        } else if (arg == "--cal-delay") {
            if (!parseLong(v, 0, 3600000, calDelay))
                return fail("bad --cal-delay: " + std::string(v));
        } else if (arg == "--cal-result") {
            if (!parseLong(v, 0, 255, calResult))
                return fail("bad --cal-result (0..255): " + std::string(v));
        } else {
            return fail("unknown option: " + arg);
        }
    }
    if (link.empty())
        return fail("--link PATH is required");

    // Block the stop signals before the serving thread starts, so only
    // sigwait below sees them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    palvo::Simulator sim(config);
    sim.setPosition(uint16_t(position));
    sim.setTurns(int16_t(turns));
    sim.setSpeed(speed);
    sim.setErrorBit(error);
    sim.setWarningBit(warning);
    sim.setDetailedStatus(uint8_t(status));
    sim.setTemperature(int16_t(temperature));
    if (calNever || calResult >= 0)
        sim.setCalibration(int(calDelay), uint8_t(calResult), calNever);
    else
        sim.setCalibrationDelay(int(calDelay));

    if (!sim.start(link)) {
        std::fprintf(
            stderr,
            "palvo-sim: cannot serve %s (no pseudo-terminal, or the path exists and is not a symlink)\n",
            link.c_str());
        return 1;
    }
    std::printf("palvo-sim: serving %s -> %s at %d\n", link.c_str(), sim.devicePath().c_str(), config.baud);
    std::fflush(stdout);

    int signal = 0;
    sigwait(&stopSignals, &signal);
    sim.stop();
    return 0;
}
