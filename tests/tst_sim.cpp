// The simulator seen from the tool's side of the pty, through plain POSIX
// calls: reply layouts, identity, and the line settings it answers at.
#include <QtTest>

#include "tests/support/sim_fixture.h"

namespace {

const QList<int> kRates = {115200, 128000, 230400, 256000, 500000, 1000000, 921600};

}   // namespace

class SimTest : public QObject {
    Q_OBJECT
private slots:
    void answersThroughLink_data();
    void answersThroughLink();
    void replyLayouts_data();
    void replyLayouts();
    void identityIsConfigurable();
    void answersOnlyAtItsLineSettings_data();
    void answersOnlyAtItsLineSettings();
    void garbageAtWrongRate();
    void baudHistoryCollapsesRepeats();
    void wireTimeHoldsTheAnswer();
};

void SimTest::answersThroughLink_data()
{
    QTest::addColumn<bool>("multiturn");
    QTest::addColumn<int>("length");
    QTest::newRow("single-turn") << false << 3;
    QTest::newRow("multiturn") << true << 5;
}

void SimTest::answersThroughLink()
{
    QFETCH(bool, multiturn);
    QFETCH(int, length);
    palvo::SimConfig config;
    config.multiturn = multiturn;
    SimFixture fx(config);
    QVERIFY(fx.ok());
    QVERIFY(QFileInfo(fx.portPath()).isSymLink());
    QCOMPARE(QFileInfo(fx.portPath()).symLinkTarget(), fx.devicePath());
    QCOMPARE(fx.portEntry(), fx.portPath() + "  cmdline");

    RawLine line(fx.portPath());
    QVERIFY(line.isOpen());
    QVERIFY(line.send("1"));
    const QByteArray reply = line.receive(length);
    QCOMPARE(reply.size(), length);
    QCOMPARE(reply.at(0), '1');
    QCOMPARE(line.drain(), QByteArray());   // nothing beyond the layout
}

void SimTest::replyLayouts_data()
{
    QTest::addColumn<bool>("multiturn");
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("turns");
    QTest::addColumn<bool>("error");
    QTest::addColumn<bool>("warning");
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QByteArray>("reply");

    // Half a turn, no error, no warning: word 0x8003; turn 5 on top for multiturn.
    QTest::newRow("1 single-turn") << false << 8192 << 5 << false << false << QByteArray("1")
                                   << QByteArray::fromHex("318003");
    QTest::newRow("1 multiturn") << true << 8192 << 5 << false << false << QByteArray("1")
                                 << QByteArray::fromHex("3100058003");
    QTest::newRow("3 single-turn, no echo")
        << false << 8192 << 5 << false << false << QByteArray("3") << QByteArray::fromHex("8003");
    QTest::newRow("3 multiturn, no echo")
        << true << 8192 << 5 << false << false << QByteArray("3") << QByteArray::fromHex("00058003");
    QTest::newRow("d single-turn") << false << 8192 << 5 << false << false << QByteArray("d")
                                   << QByteArray::fromHex("648003a5");
    QTest::newRow("d multiturn") << true << 8192 << 5 << false << false << QByteArray("d")
                                 << QByteArray::fromHex("6400058003a5");
    QTest::newRow("t single-turn") << false << 8192 << 5 << false << false << QByteArray("t")
                                   << QByteArray::fromHex("748003ff9c");
    QTest::newRow("t multiturn") << true << 8192 << 5 << false << false << QByteArray("t")
                                 << QByteArray::fromHex("7400058003ff9c");
    QTest::newRow("i single-turn") << false << 0 << 0 << false << false << QByteArray("i")
                                   << QByteArray::fromHex("6901");
    QTest::newRow("i multiturn") << true << 0 << 0 << false << false << QByteArray("i")
                                 << QByteArray::fromHex("6901");
    QTest::newRow("v single-turn") << false << 0 << 0 << false << false << QByteArray("v")
                                   << QByteArray("vA12345");
    QTest::newRow("v multiturn") << true << 0 << 0 << false << false << QByteArray("v")
                                 << QByteArray("vA12345");
    // Flags are active low: both active clears bits 1 and 0.
    QTest::newRow("error and warning, last count")
        << false << 16383 << 0 << true << true << QByteArray("1") << QByteArray::fromHex("31fffc");
    QTest::newRow("error only") << false << 0 << 0 << true << false << QByteArray("1")
                                << QByteArray::fromHex("310001");
    QTest::newRow("warning only") << false << 0 << 0 << false << true << QByteArray("1")
                                  << QByteArray::fromHex("310002");
    QTest::newRow("minus one turn") << true << 0 << -1 << false << false << QByteArray("3")
                                    << QByteArray::fromHex("ffff0003");
    QTest::newRow("turn 0x8000 on the wire")
        << true << 16383 << -32768 << false << false << QByteArray("3") << QByteArray::fromHex("8000ffff");

    QTest::newRow("r single-turn") << false << 0 << 0 << false << false << QByteArray("r")
                                   << QByteArray("rPalvo PAL-UART-14B-MT") +
                                          QByteArray::fromHex("00010203000a");
    QTest::newRow("r multiturn") << true << 0 << 0 << false << false << QByteArray("r")
                                 << QByteArray("rPalvo PAL-UART-14B-MT") +
                                        QByteArray::fromHex("00010203000a");
}

void SimTest::replyLayouts()
{
    QFETCH(bool, multiturn);
    QFETCH(int, position);
    QFETCH(int, turns);
    QFETCH(bool, error);
    QFETCH(bool, warning);
    QFETCH(QByteArray, command);
    QFETCH(QByteArray, reply);

    palvo::SimConfig config;
    config.multiturn = multiturn;
    SimFixture fx(config);
    QVERIFY(fx.ok());
    fx.sim().setPosition(uint16_t(position));
    fx.sim().setTurns(int16_t(turns));
    fx.sim().setErrorBit(error);
    fx.sim().setWarningBit(warning);
    fx.sim().setDetailedStatus(0xA5);
    fx.sim().setTemperature(-100);

    RawLine line(fx.portPath());
    QVERIFY(line.send(command));
    QCOMPARE(line.receive(reply.size()).toHex(' '), reply.toHex(' '));
    QCOMPARE(line.drain(), QByteArray());
}

void SimTest::identityIsConfigurable()
{
    palvo::SimConfig config;
    config.serial = "ZX0042";
    config.productName = "Pxlvo ";
    config.partNumber = " 1234567890ABCDE";
    config.fw[0] = 255;
    config.fw[1] = 0;
    config.fw[2] = 7;
    config.fwBuild = 0x1234;
    SimFixture fx(config);
    QVERIFY(fx.ok());

    RawLine line(fx.portPath());
    QVERIFY(line.send("v"));
    QCOMPARE(line.receive(7), QByteArray("vZX0042"));
    QVERIFY(line.send("r"));
    QCOMPARE(line.receive(28).toHex(' '),
             (QByteArray("rPxlvo 1234567890ABCDE") + QByteArray::fromHex("00ff00071234")).toHex(' '));
}

void SimTest::answersOnlyAtItsLineSettings_data()
{
    QTest::addColumn<int>("simBaud");
    QTest::addColumn<int>("lineBaud");
    QTest::addColumn<bool>("twoStopBits");
    QTest::addColumn<bool>("answers");

    for (int rate : kRates) {
        QTest::addRow("%d at its rate", rate) << rate << rate << false << true;
        const int other = kRates.at((kRates.indexOf(rate) + 1) % kRates.size());
        QTest::addRow("%d, line at %d", rate, other) << rate << other << false << false;
    }
    // A pty forces CS8 and no parity on itself, so only the stop bits can show
    // a wrong frame format here.
    QTest::newRow("two stop bits") << 1000000 << 1000000 << true << false;
}

void SimTest::answersOnlyAtItsLineSettings()
{
    QFETCH(int, simBaud);
    QFETCH(int, lineBaud);
    QFETCH(bool, twoStopBits);
    QFETCH(bool, answers);

    palvo::SimConfig config;
    config.baud = simBaud;
    SimFixture fx(config);
    QVERIFY(fx.ok());
    RawLine line(fx.portPath());
    QVERIFY(line.setLine(lineBaud, 8, false, twoStopBits));
    QCOMPARE(fx.sim().appliedBaud(), lineBaud);   // the rate really reached the pty

    QVERIFY(line.send("v"));
    if (answers)
        QCOMPARE(line.receive(7), QByteArray("vA12345"));
    else
        QCOMPARE(line.drain(100), QByteArray());
}

void SimTest::garbageAtWrongRate()
{
    palvo::SimConfig config;
    config.baud = 921600;
    config.garbageAtWrongBaud = true;
    SimFixture fx(config);
    QVERIFY(fx.ok());
    RawLine line(fx.portPath());

    QVERIFY(line.send("v"));
    const QByteArray noise = line.drain(100);
    QVERIFY(!noise.isEmpty());
    QVERIFY2(noise.at(0) != 'v', noise.toHex(' ').constData());

    // At the right rate the same encoder answers cleanly.
    QVERIFY(line.setLine(921600));
    QVERIFY(line.send("v"));
    QCOMPARE(line.receive(7), QByteArray("vA12345"));
}

void SimTest::baudHistoryCollapsesRepeats()
{
    SimFixture fx;
    QVERIFY(fx.ok());
    RawLine line(fx.portPath());
    size_t seen = 0;
    for (int rate : {128000, 128000, 230400, 115200, 115200, 1000000}) {
        QVERIFY(line.setLine(rate));
        QVERIFY(line.send("v"));
        // Each byte must have reached the simulator before the rate changes again.
        ++seen;
        QTRY_VERIFY_WITH_TIMEOUT(fx.sim().log().size() >= seen, 2000);
        line.drain(20);
    }
    const std::vector<int> expected = {128000, 230400, 115200, 1000000};
    QCOMPARE(fx.sim().baudHistory(), expected);
}

void SimTest::wireTimeHoldsTheAnswer()
{
    // 29 bytes at 9600 bit/s, 8N1: about 30 ms on a real line.
    palvo::SimConfig config;
    config.baud = 9600;
    config.wireTime = true;
    SimFixture fx(config);
    QVERIFY(fx.ok());
    RawLine line(fx.portPath(), 9600);

    QElapsedTimer timer;
    timer.start();
    QVERIFY(line.send("r"));
    QCOMPARE(line.receive(28, 10), QByteArray());
    QCOMPARE(line.receive(28, 2000).size(), 28);
    QVERIFY2(timer.elapsed() >= 28, QByteArray::number(timer.elapsed()).constData());
}

QTEST_GUILESS_MAIN(SimTest)
#include "tst_sim.moc"
