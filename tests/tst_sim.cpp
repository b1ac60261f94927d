// The simulator seen from the tool's side of the pty, with plain POSIX calls.
#include <QtTest>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include "tests/support/sim_fixture.h"

namespace {

// A raw 8N1 line at a standard rate on the slave side, as a tool would open it.
int openLine(const QString &path, speed_t speed = B115200)
{
    int fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    termios t {};
    tcgetattr(fd, &t);
    cfmakeraw(&t);
    cfsetspeed(&t, speed);
    t.c_cflag &= ~(CSIZE | PARENB | CSTOPB);
    t.c_cflag |= CS8 | CREAD | CLOCAL;
    tcsetattr(fd, TCSANOW, &t);
    return fd;
}

// Reads until `want` bytes came or `ms` passed; returns what came.
QByteArray readFor(int fd, int want, int ms = 1000)
{
    QByteArray got;
    QElapsedTimer timer;
    timer.start();
    while (got.size() < want && timer.elapsed() < ms) {
        pollfd p {fd, POLLIN, 0};
        if (::poll(&p, 1, int(ms - timer.elapsed())) <= 0)
            continue;
        char buf[64];
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n > 0)
            got.append(buf, int(n));
    }
    return got;
}

} // namespace

class SimTest : public QObject {
    Q_OBJECT
private slots:
    void answersPositionCommandThroughLink_data();
    void answersPositionCommandThroughLink();
};

void SimTest::answersPositionCommandThroughLink_data()
{
    QTest::addColumn<bool>("multiturn");
    QTest::addColumn<int>("length");
    QTest::newRow("single-turn") << false << 3;
    QTest::newRow("multiturn") << true << 5;
}

void SimTest::answersPositionCommandThroughLink()
{
    QFETCH(bool, multiturn);
    QFETCH(int, length);
    palvo::SimConfig config;
    config.multiturn = multiturn;
    SimFixture fx(config);
    QVERIFY(fx.ok());
    QVERIFY(QFileInfo(fx.portPath()).isSymLink());
    QCOMPARE(fx.portEntry(), fx.portPath() + "  cmdline");

    int fd = openLine(fx.portPath());
    QVERIFY(fd >= 0);
    QCOMPARE(::write(fd, "1", 1), ssize_t(1));
    QByteArray reply = readFor(fd, length + 1, 300);
    ::close(fd);
    QCOMPARE(reply.size(), length);
    QCOMPARE(reply.at(0), '1');
}

QTEST_GUILESS_MAIN(SimTest)
#include "tst_sim.moc"
