#include "sim/line_settings.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace palvo {

namespace {

// Old-style Bxxx codes, for a driver that leaves c_ospeed at 0.
int rateFromCode(unsigned code)
{
    switch (code) {
    case B9600:
        return 9600;
    case B19200:
        return 19200;
    case B38400:
        return 38400;
    case B57600:
        return 57600;
    case B115200:
        return 115200;
    case B230400:
        return 230400;
    case B460800:
        return 460800;
    case B500000:
        return 500000;
    case B921600:
        return 921600;
    case B1000000:
        return 1000000;
    case B2000000:
        return 2000000;
    default:
        return 0;
    }
}

}   // namespace

bool readLineSettings(int fd, LineSettings &settings)
{
    struct termios2 t {};
    if (ioctl(fd, TCGETS2, &t) != 0)
        return false;
    settings.baud = t.c_ospeed != 0 ? int(t.c_ospeed) : rateFromCode(t.c_cflag & CBAUD);
    switch (t.c_cflag & CSIZE) {
    case CS5:
        settings.dataBits = 5;
        break;
    case CS6:
        settings.dataBits = 6;
        break;
    case CS7:
        settings.dataBits = 7;
        break;
    default:
        settings.dataBits = 8;
        break;
    }
    settings.parity = (t.c_cflag & PARENB) != 0;
    settings.twoStopBits = (t.c_cflag & CSTOPB) != 0;
    return true;
}

bool writeLineSettings(int fd, const LineSettings &settings)
{
    struct termios2 t {};
    if (ioctl(fd, TCGETS2, &t) != 0)
        return false;
    t.c_cflag &= ~(CBAUD | CSIZE | PARENB | CSTOPB);
    t.c_cflag |= BOTHER;
    switch (settings.dataBits) {
    case 5:
        t.c_cflag |= CS5;
        break;
    case 6:
        t.c_cflag |= CS6;
        break;
    case 7:
        t.c_cflag |= CS7;
        break;
    default:
        t.c_cflag |= CS8;
        break;
    }
    if (settings.parity)
        t.c_cflag |= PARENB;
    if (settings.twoStopBits)
        t.c_cflag |= CSTOPB;
    t.c_cflag &= ~(CBAUD << IBSHIFT);
    t.c_cflag |= BOTHER << IBSHIFT;
    t.c_ospeed = t.c_ispeed = unsigned(settings.baud);
    return ioctl(fd, TCSETS2, &t) == 0;
}

bool makeRaw(int fd)
{
    struct termios2 t {};
    if (ioctl(fd, TCGETS2, &t) != 0)
        return false;
    t.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF);
    t.c_oflag &= ~OPOST;
    t.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    t.c_cflag &= ~(CSIZE | PARENB | CSTOPB);
    t.c_cflag |= CS8 | CREAD | CLOCAL;
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    return ioctl(fd, TCSETS2, &t) == 0;
}

}   // namespace palvo
