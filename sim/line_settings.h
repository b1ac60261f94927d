#pragma once
// Line settings of a tty through termios2, so any rate (128000, 1000000, ...)
// can be read and set. Kept apart: <asm/termbits.h> clashes with <termios.h>.

namespace palvo {

struct LineSettings {
    int baud = 0;   // output rate in bit/s
    int dataBits = 8;
    bool parity = false;
    bool twoStopBits = false;

    bool is8N1() const { return dataBits == 8 && !parity && !twoStopBits; }
};

// On a pty master this reads the slave's settings, which the tool set.
bool readLineSettings(int fd, LineSettings &settings);

// Sets rate and frame format; everything else stays as it is.
bool writeLineSettings(int fd, const LineSettings &settings);

// Raw mode: no echo, no line editing, no translation, receiver on.
bool makeRaw(int fd);

}   // namespace palvo
