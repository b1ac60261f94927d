// Configuration frames behind the unlock prefix: how the simulator splits the
// byte stream, and what each frame does to the encoder.
#include <QtTest>

#include "sim/frame_parser.h"
#include "tests/support/sim_fixture.h"

namespace {

const QByteArray kUnlock = QByteArray::fromHex("9e274db6");

// Position and turns out of a multiturn reply to "1", decoded here on purpose
// rather than with the tool's decoders.
struct Shown {
    int counts = -1;
    int turns = 0;
};

Shown readPosition(RawLine &line)
{
    if (!line.send("1"))
        return {};
    const QByteArray r = line.receive(5);
    if (r.size() != 5)
        return {};
    const quint32 word = (quint32(quint8(r[1])) << 24) | (quint32(quint8(r[2])) << 16) |
                         (quint32(quint8(r[3])) << 8) | quint8(r[4]);
    return {int((word >> 2) & 0x3FFF), int(qint16(word >> 16))};
}

QByteArray be32(quint32 v)
{
    QByteArray b(4, '\0');
    qToBigEndian(v, b.data());
    return b;
}

}   // namespace

class SimFramesTest : public QObject {
    Q_OBJECT
private slots:
    void parser_data();
    void parser();
    void prefixSplitAcrossWrites();
    void setZeroSequenceEndsAtZero_data();
    void setZeroSequenceEndsAtZero();
    void factoryResetAndPlainR();
    void selfCalibration_data();
    void selfCalibration();
    void rotationCountsTurns();
};

void SimFramesTest::parser_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("pauseBeforeLastMs");
    QTest::addColumn<QStringList>("items");

    QTest::newRow("plain r is a command") << QByteArray("r") << 0 << QStringList{"cmd r"};
    QTest::newRow("r after the prefix is a frame") << kUnlock + "r" << 0 << QStringList{"frame r 0"};
    QTest::newRow("c and A") << kUnlock + "c" + kUnlock + "A" << 0 << QStringList{"frame c 0", "frame A 0"};
    QTest::newRow("M with its value") << kUnlock + "M" + be32(0) << 0 << QStringList{"frame M 0"};
    QTest::newRow("Z value big-endian")
        << kUnlock + "Z" + be32(0x00001388) << 0 << QStringList{"frame Z 5000"};
    QTest::newRow("Z value with prefix bytes inside")
        << kUnlock + "Z" + QByteArray::fromHex("9e274db6") << 0 << QStringList{"frame Z 2653375926"};
    QTest::newRow("commands around a frame")
        << "1" + kUnlock + "c" + "t" << 0 << QStringList{"cmd 1", "frame c 0", "cmd t"};
    QTest::newRow("broken prefix, then a command")
        << QByteArray::fromHex("9e27") + "1" << 0 << QStringList{"cmd 1"};
    QTest::newRow("prefix restarts on its first byte")
        << QByteArray::fromHex("9e9e274db6") + "c" << 0 << QStringList{"frame c 0"};
    QTest::newRow("unknown letter after the prefix is a command")
        << kUnlock + "v" << 0 << QStringList{"cmd v"};
    QTest::newRow("stalled frame is abandoned") << kUnlock + "r" << 1500 << QStringList{"cmd r"};
    QTest::newRow("slow frame within the gap limit") << kUnlock + "r" << 400 << QStringList{"frame r 0"};
}

void SimFramesTest::parser()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, pauseBeforeLastMs);
    QFETCH(QStringList, items);

    palvo::FrameParser p;
    QStringList seen;
    double t = 0;
    for (int i = 0; i < bytes.size(); ++i) {
        t += i == bytes.size() - 1 ? pauseBeforeLastMs : 2;
        const auto item = p.take(uint8_t(bytes[i]), t);
        if (item.kind == palvo::FrameParser::Item::Command)
            seen << QStringLiteral("cmd %1").arg(QChar(item.command));
        else if (item.kind == palvo::FrameParser::Item::Frame)
            seen << QStringLiteral("frame %1 %2").arg(QChar(item.letter)).arg(item.value);
    }
    QCOMPARE(seen, items);
}

void SimFramesTest::prefixSplitAcrossWrites()
{
    SimFixture fx;
    QVERIFY(fx.ok());
    fx.sim().setTurns(9);
    RawLine line(fx.portPath());

    // One byte per write, 2 ms apart, as the tool sends frames.
    QVERIFY(line.send(kUnlock + "M" + be32(0), 2));
    QTRY_COMPARE_WITH_TIMEOUT(fx.sim().frames().size(), size_t(1), 2000);
    QCOMPARE(fx.sim().frames()[0].letter, 'M');
    QCOMPARE(fx.sim().turns(), int16_t(0));
    QCOMPARE(line.drain(), QByteArray());   // frames get no answer

    // The prefix in two writes with a pause between, then the letter.
    QVERIFY(line.send(kUnlock.left(2)));
    QTest::qWait(20);
    QVERIFY(line.send(kUnlock.mid(2) + "c"));
    QTRY_COMPARE_WITH_TIMEOUT(fx.sim().saves(), 1, 2000);
}

void SimFramesTest::setZeroSequenceEndsAtZero_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("turns");
    QTest::newRow("mid turn") << 5000 << 7;
    QTest::newRow("at zero already") << 0 << 0;
    QTest::newRow("one count, shift wraps below zero") << 1 << -3;
    QTest::newRow("last count") << 16383 << 1;
}

void SimFramesTest::setZeroSequenceEndsAtZero()
{
    QFETCH(int, position);
    QFETCH(int, turns);
    SimFixture fx;
    QVERIFY(fx.ok());
    fx.sim().setPosition(uint16_t(position));
    fx.sim().setTurns(int16_t(turns));
    RawLine line(fx.portPath());

    // The tool's order: Z with 2, M, read, Z with the position read, read, M, save, M.
    QVERIFY(line.send(kUnlock + "Z" + be32(2), 2));
    QVERIFY(line.send(kUnlock + "M" + be32(0), 2));
    const Shown between = readPosition(line);
    QCOMPARE(between.counts, (position - 2 + 16384) % 16384);
    QVERIFY(line.send(kUnlock + "Z" + be32(quint32(between.counts)), 2));
    const Shown after = readPosition(line);
    QCOMPARE(after.counts, 0);
    QCOMPARE(after.turns, 0);
    QVERIFY(line.send(kUnlock + "M" + be32(0), 2));
    QVERIFY(line.send(kUnlock + "c", 2));
    QVERIFY(line.send(kUnlock + "M" + be32(0), 2));

    QTRY_COMPARE_WITH_TIMEOUT(fx.sim().saves(), 1, 2000);
    QTRY_COMPARE_WITH_TIMEOUT(fx.sim().frames().size(), size_t(6), 2000);
    QCOMPARE(fx.sim().position(), uint16_t(0));
    QCOMPARE(fx.sim().zeroOffset(), int32_t(2 + between.counts));
}

void SimFramesTest::factoryResetAndPlainR()
{
    SimFixture fx;
    QVERIFY(fx.ok());
    fx.sim().setPosition(5000);
    RawLine line(fx.portPath());

    QVERIFY(line.send(kUnlock + "Z" + be32(4000), 2));
    QCOMPARE(readPosition(line).counts, 1000);

    // The prefix makes "r" a reset: no identification record comes back.
    QVERIFY(line.send(kUnlock + "r", 2));
    QCOMPARE(line.drain(100), QByteArray());
    QCOMPARE(fx.sim().factoryResets(), 1);
    QCOMPARE(readPosition(line).counts, 5000);
    QCOMPARE(fx.sim().zeroOffset(), 0);

    // Without it, "r" stays the identification command.
    QVERIFY(line.send("r"));
    const QByteArray ident = line.receive(28);
    QCOMPARE(ident.size(), 28);
    QCOMPARE(ident.left(7), QByteArray("rPalvo "));
    QCOMPARE(fx.sim().factoryResets(), 1);
}

void SimFramesTest::selfCalibration_data()
{
    QTest::addColumn<int>("delayMs");
    QTest::addColumn<int>("result");
    QTest::addColumn<bool>("never");
    QTest::addColumn<int>("finalStatus");
    QTest::newRow("succeeds after a while") << 300 << 0x02 << false << 0x02;
    QTest::newRow("ends with timeout and effective bits") << 300 << 0x15 << false << 0x15;
    QTest::newRow("never answers the start") << 300 << 0x02 << true << 0x01;
}

void SimFramesTest::selfCalibration()
{
    QFETCH(int, delayMs);
    QFETCH(int, result);
    QFETCH(bool, never);
    QFETCH(int, finalStatus);

    SimFixture fx;
    QVERIFY(fx.ok());
    fx.sim().setCalStatus(0x01);
    fx.sim().setCalibration(delayMs, uint8_t(result), never);
    RawLine line(fx.portPath());

    QVERIFY(line.send("i"));
    QCOMPARE(line.receive(2).toHex(), QByteArray("6901"));
    QElapsedTimer since;
    since.start();
    QVERIFY(line.send(kUnlock + "A", 2));
    QTRY_COMPARE_WITH_TIMEOUT(fx.sim().calibrationStarts(), 1, 2000);

    // Unchanged right after the start, whatever the outcome.
    QVERIFY(line.send("i"));
    QCOMPARE(line.receive(2).toHex(), QByteArray("6901"));

    QTest::qWait(delayMs + 200);
    QVERIFY(since.elapsed() > delayMs);
    QVERIFY(line.send("i"));
    QCOMPARE(line.receive(2).toHex(),
             QByteArray("69") + QByteArray::number(finalStatus, 16).rightJustified(2, '0'));
}

void SimFramesTest::rotationCountsTurns()
{
    SimFixture fx;
    QVERIFY(fx.ok());
    RawLine line(fx.portPath());

    // Ten turns a second forward: the counter climbs past a few wraps.
    fx.sim().setSpeed(10 * 16384.0);
    QTRY_VERIFY_WITH_TIMEOUT(readPosition(line).turns >= 3, 3000);

    // Backwards through zero: the counter goes negative, as a signed 16-bit value.
    fx.sim().setTurns(0);
    fx.sim().setSpeed(-10 * 16384.0);
    QTRY_VERIFY_WITH_TIMEOUT(readPosition(line).turns <= -2, 3000);

    // Stopped: the shown position holds.
    fx.sim().setSpeed(0);
    fx.sim().setPosition(1234);
    QCOMPARE(readPosition(line).counts, 1234);
    QTest::qWait(50);
    QCOMPARE(readPosition(line).counts, 1234);
}

QTEST_GUILESS_MAIN(SimFramesTest)
#include "tst_sim_frames.moc"
