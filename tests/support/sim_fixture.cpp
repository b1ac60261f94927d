#include "tests/support/sim_fixture.h"

#include <QElapsedTimer>
#include <QThread>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

SimFixture::SimFixture(palvo::SimConfig config) : m_sim(std::make_unique<palvo::Simulator>(std::move(config)))
{
    if (!m_dir.isValid())
        return;
    m_link = m_dir.filePath(QStringLiteral("encoder"));
    m_ok = m_sim->start(m_link.toStdString());
}

SimFixture::~SimFixture()
{
    m_sim->stop();
}

bool SimFixture::ok() const
{
    return m_ok;
}

palvo::Simulator &SimFixture::sim()
{
    return *m_sim;
}

QString SimFixture::portPath() const
{
    return m_link;
}

QString SimFixture::portEntry() const
{
    return m_link + QStringLiteral("  cmdline");
}

QString SimFixture::devicePath() const
{
    return QString::fromStdString(m_sim->devicePath());
}

namespace {

// termios2 lives in <asm/termbits.h>, which clashes with <termios.h>; only
// the struct and the ioctl numbers are needed, so they are declared here.
struct Termios2 {
    tcflag_t c_iflag, c_oflag, c_cflag, c_lflag;
    cc_t c_line;
    cc_t c_cc[19];
    speed_t c_ispeed, c_ospeed;
};
constexpr unsigned long kTCGETS2 = _IOR('T', 0x2A, Termios2);
constexpr unsigned long kTCSETS2 = _IOW('T', 0x2B, Termios2);
constexpr tcflag_t kBOTHER = 0010000;
constexpr tcflag_t kCBAUD = 0010017;
constexpr int kIBSHIFT = 16;

speed_t standardCode(int baud)
{
    switch (baud) {
    case 9600:
        return B9600;
    case 19200:
        return B19200;
    case 38400:
        return B38400;
    case 57600:
        return B57600;
    case 115200:
        return B115200;
    case 230400:
        return B230400;
    case 460800:
        return B460800;
    case 500000:
        return B500000;
    case 921600:
        return B921600;
    case 1000000:
        return B1000000;
    default:
        return 0;
    }
}

}   // namespace

RawLine::RawLine(const QString &path, int baud)
{
    m_fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_fd < 0)
        return;
    termios t{};
    tcgetattr(m_fd, &t);
    cfmakeraw(&t);
    t.c_cflag |= CREAD | CLOCAL;
    tcsetattr(m_fd, TCSANOW, &t);
    setLine(baud);
}

RawLine::~RawLine()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool RawLine::setLine(int baud, int dataBits, bool parity, bool twoStopBits)
{
    termios t{};
    if (tcgetattr(m_fd, &t) != 0)
        return false;
    t.c_cflag &= ~(CSIZE | PARENB | CSTOPB);
    t.c_cflag |= dataBits == 7 ? CS7 : CS8;
    if (parity)
        t.c_cflag |= PARENB;
    if (twoStopBits)
        t.c_cflag |= CSTOPB;
    // 128000 and 256000 have no B-code; 500000 and 1000000 do, but go the
    // same way as the tool's channel would for any rate without one.
    if (speed_t code = standardCode(baud); code != 0 && baud != 500000 && baud != 1000000) {
        cfsetspeed(&t, code);
        return tcsetattr(m_fd, TCSANOW, &t) == 0;
    }
    if (tcsetattr(m_fd, TCSANOW, &t) != 0)
        return false;
    Termios2 t2{};
    if (ioctl(m_fd, kTCGETS2, &t2) != 0)
        return false;
    t2.c_cflag &= ~(kCBAUD | (kCBAUD << kIBSHIFT));
    t2.c_cflag |= kBOTHER | (kBOTHER << kIBSHIFT);
    t2.c_ispeed = t2.c_ospeed = speed_t(baud);
    return ioctl(m_fd, kTCSETS2, &t2) == 0;
}

bool RawLine::send(const QByteArray &bytes, int gapMs)
{
    bool ok = true;
    for (int i = 0; i < bytes.size(); ++i) {
        if (i > 0 && gapMs > 0)
            QThread::msleep(gapMs);
        ok = ::write(m_fd, bytes.constData() + i, 1) == 1 && ok;
    }
    return ok;
}

QByteArray RawLine::receive(int want, int ms)
{
    QByteArray got;
    QElapsedTimer timer;
    timer.start();
    while (got.size() < want) {
        const int left = ms - int(timer.elapsed());
        if (left <= 0)
            break;
        pollfd p{m_fd, POLLIN, 0};
        if (::poll(&p, 1, left) <= 0)
            continue;
        if (!(p.revents & POLLIN))
            break;   // hung up
        char buf[256];
        const ssize_t n = ::read(m_fd, buf, sizeof buf);
        if (n > 0)
            got.append(buf, int(n));
        else if (n == 0 || (p.revents & POLLHUP))
            break;
    }
    return got;
}

QByteArray RawLine::drain(int ms)
{
    return receive(1 << 20, ms);
}
