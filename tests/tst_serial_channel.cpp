// The QSerialPort channel on a real pseudo-terminal with the simulator behind it.
#include <QtTest>

#include <termios.h>

#include "link/send_command.h"
#include "link/serial_channel.h"
#include "sim/line_settings.h"
#include "tests/support/sim_fixture.h"
#include "tests/support/test_doubles.h"

namespace {

struct NoHost : TransactionHost {
    int closes = 0;
    void CloseComPort() override { ++closes; }
};

}   // namespace

class SerialChannelTest : public QObject {
    Q_OBJECT
private slots:
    void everyRateIsAppliedAndAnswered_data();
    void everyRateIsAppliedAndAnswered();
    void setLineTouchesOnlyRateAndFrame();
    void opensByDeviceNameOrPath();
    void portHeldElsewhereFailsToOpen();
    void discardInputDropsWhatWaits();
    void writeFailsOnceTheLineIsGone();
};

void SerialChannelTest::everyRateIsAppliedAndAnswered_data()
{
    QTest::addColumn<int>("baud");
    for (int baud : {115200, 128000, 230400, 256000, 500000, 1000000, 921600})
        QTest::addRow("%d", baud) << baud;
}

void SerialChannelTest::everyRateIsAppliedAndAnswered()
{
    QFETCH(int, baud);
    palvo::SimConfig config;
    config.baud = baud;
    SimFixture fx(config);
    QVERIFY(fx.ok());

    auto channel = createSerialPortChannel();
    QVERIFY(channel->open(fx.portPath()));
    // Start from a rate the encoder does not speak, so the answer proves the change.
    QVERIFY(channel->setLine(baud == 115200 ? 230400 : 115200));
    QVERIFY(channel->setLine(baud));

    palvo::LineSettings line;
    QVERIFY(palvo::readLineSettings(int(channel->handle()), line));
    QCOMPARE(line.baud, baud);
    QVERIFY(line.is8N1());

    NoHost host;
    RecordingDialogs boxes;
    QByteArray reply;
    QCOMPARE(SendCommand(*channel, host, channel->handle(), "v", reply, 7), qint32(SC_OK));
    QCOMPARE(reply, QByteArray("v") + QByteArray::fromStdString(config.serial));
    QCOMPARE(fx.sim().appliedBaud(), baud);
}

void SerialChannelTest::setLineTouchesOnlyRateAndFrame()
{
    SimFixture fx;
    QVERIFY(fx.ok());
    auto channel = createSerialPortChannel();
    QVERIFY(channel->open(fx.portPath()));
    const int fd = int(channel->handle());

    // Settings someone else chose for the port: hardware handshake, a special
    // character, odd parity, two stop bits, 7 data bits.
    termios before{};
    QCOMPARE(tcgetattr(fd, &before), 0);
    before.c_cflag |= CRTSCTS | PARENB | PARODD | CSTOPB;
    before.c_cflag = (before.c_cflag & ~CSIZE) | CS7;
    before.c_cc[VTIME] = 7;
    QCOMPARE(tcsetattr(fd, TCSANOW, &before), 0);
    QCOMPARE(tcgetattr(fd, &before), 0);

    QVERIFY(channel->setLine(128000));
    termios after{};
    QCOMPARE(tcgetattr(fd, &after), 0);

    const tcflag_t frame = CSIZE | PARENB | PARODD | CSTOPB | CBAUD | CBAUDEX;
    QCOMPARE(after.c_cflag & CSIZE, tcflag_t(CS8));
    QCOMPARE(after.c_cflag & (PARENB | CSTOPB), tcflag_t(0));
    QCOMPARE(after.c_cflag & ~frame, before.c_cflag & ~frame);
    QCOMPARE(after.c_iflag, before.c_iflag);
    QCOMPARE(after.c_oflag, before.c_oflag);
    QCOMPARE(after.c_lflag, before.c_lflag);
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(after.c_cc), NCCS),
             QByteArray(reinterpret_cast<const char *>(before.c_cc), NCCS));
}

void SerialChannelTest::opensByDeviceNameOrPath()
{
    SimFixture fx;
    QVERIFY(fx.ok());
    auto channel = createSerialPortChannel();
    QCOMPARE(channel->handle(), INVALID_HANDLE_VALUE);

    // A bare name is a device under /dev, as the port list gives "ttyUSB0".
    const QString device = fx.devicePath();
    QVERIFY(device.startsWith(QLatin1String("/dev/")));
    QVERIFY(channel->open(device.mid(5)));
    QVERIFY(channel->handle() != INVALID_HANDLE_VALUE);
    channel->close();
    QCOMPARE(channel->handle(), INVALID_HANDLE_VALUE);

    QVERIFY(channel->open(fx.portPath()));
    QVERIFY(channel->handle() != INVALID_HANDLE_VALUE);
    channel->close();

    QVERIFY(!channel->open(QStringLiteral("corvane-no-such-port")));
    QCOMPARE(channel->handle(), INVALID_HANDLE_VALUE);
}

void SerialChannelTest::portHeldElsewhereFailsToOpen()
{
    SimFixture fx;
    QVERIFY(fx.ok());
    auto first = createSerialPortChannel();
    auto second = createSerialPortChannel();
    QVERIFY(first->open(fx.portPath()));
    QVERIFY(!second->open(fx.portPath()));
    QCOMPARE(second->handle(), INVALID_HANDLE_VALUE);
    first->close();
    QVERIFY(second->open(fx.portPath()));
}

void SerialChannelTest::discardInputDropsWhatWaits()
{
    SimFixture fx;
    QVERIFY(fx.ok());
    auto channel = createSerialPortChannel();
    QVERIFY(channel->open(fx.portPath()));
    QVERIFY(channel->setLine(115200));

    QVERIFY(channel->writeByte('v'));
    QTRY_COMPARE_WITH_TIMEOUT(channel->waitForInput(50), qint64(7), 2000);
    channel->discardInput();
    QCOMPARE(channel->waitForInput(100), qint64(0));
    QCOMPARE(channel->readWaiting(), QByteArray());

    // Output purge leaves input alone.
    QVERIFY(channel->writeByte('v'));
    QTRY_COMPARE_WITH_TIMEOUT(channel->waitForInput(50), qint64(7), 2000);
    channel->discardOutput();
    QCOMPARE(channel->readWaiting().size(), 7);
}

void SerialChannelTest::writeFailsOnceTheLineIsGone()
{
    SimFixture fx;
    QVERIFY(fx.ok());
    auto channel = createSerialPortChannel();
    QVERIFY(channel->open(fx.portPath()));
    QVERIFY(channel->setLine(115200));
    QVERIFY(channel->writeByte('1'));

    fx.sim().hangUp();
    QVERIFY(!channel->writeByte('1'));

    // A wait on the dead line still lasts its time instead of returning at once.
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(channel->waitForInput(150), qint64(0));
    QVERIFY2(timer.elapsed() >= 100, qPrintable(QString::number(timer.elapsed())));
}

QTEST_MAIN(SerialChannelTest)
#include "tst_serial_channel.moc"
