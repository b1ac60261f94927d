// SendCommand against the simulator on a real pseudo-terminal, and against a
// scripted channel for what a pty cannot show (a write that fails on one byte
// only, a tick counter that wraps during the wait).
#include <QtTest>

#include "link/palvo_konstante.h"
#include "link/send_command.h"
#include "link/serial_channel.h"
#include "tests/support/sim_fixture.h"
#include "tests/support/test_doubles.h"

namespace {

// What the window's CloseComPort does to the link; notes whether a box was
// already up when it ran.
class Host : public TransactionHost {
public:
    Host(SerialChannel &channel, RecordingDialogs &boxes) : channel(channel), boxes(boxes) {}
    void CloseComPort() override
    {
        boxesAtClose << boxes.calls.size();
        channel.close();
        handle = INVALID_HANDLE_VALUE;
    }
    SerialChannel &channel;
    RecordingDialogs &boxes;
    quintptr handle = INVALID_HANDLE_VALUE;
    QList<qsizetype> boxesAtClose;
};

// A channel that follows a script on the ManualClock: writes succeed or fail
// as listed, reply bytes become waiting at given ticks after the first write,
// and a wait with nothing there moves the clock on by its whole timeout, as a
// blocking wait in the OS would.
class ScriptedChannel : public SerialChannel {
public:
    explicit ScriptedChannel(ManualClock &clock) : clock(clock) {}
    bool open(const QString &) override { return true; }
    quintptr handle() const override { return 7; }
    bool setLine(qint32) override { return true; }
    void discardInput() override { ops << QStringLiteral("purge in"); }
    void discardOutput() override { ops << QStringLiteral("purge out"); }
    bool writeByte(char byte) override
    {
        if (!firstWrite)
            firstWrite = clock.now;
        ops << QStringLiteral("write %1 at +%2").arg(quint8(byte), 2, 16, QChar('0')).arg(sinceFirst());
        return writeOutcomes.isEmpty() ? true : writeOutcomes.takeFirst();
    }
    qint64 waitForInput(int timeoutMs) override
    {
        waits << timeoutMs;
        if (due().isEmpty()) {
            // Block until the next chunk is due or the time is up.
            quint32 step = quint32(qMax(timeoutMs, 0));
            if (!chunks.isEmpty() && firstWrite) {
                const quint32 toNext = chunks.first().first - sinceFirst();
                step = qMin(step, toNext);
            }
            clock.now += step;
        }
        return due().size();
    }
    QByteArray readWaiting() override
    {
        const QByteArray bytes = due();
        while (!chunks.isEmpty() && chunks.first().first <= sinceFirst())
            chunks.removeFirst();
        return bytes;
    }
    void close() override {}

    ManualClock &clock;
    QList<bool> writeOutcomes;
    QList<QPair<quint32, QByteArray>> chunks;   // ticks after the first write, bytes
    QStringList ops;
    QList<int> waits;

private:
    quint32 sinceFirst() const { return clock.now - *firstWrite; }
    QByteArray due() const
    {
        QByteArray bytes;
        for (const auto &chunk : chunks)
            if (firstWrite && chunk.first <= sinceFirst())
                bytes += chunk.second;
        return bytes;
    }
    std::optional<quint32> firstWrite;
};

}   // namespace

class SendCommandTest : public QObject {
    Q_OBJECT
private slots:
    // On a pty with the simulator.
    void replyLengths_data();
    void replyLengths();
    void invalidHandleDoesNothing();
    void staleInputIsDiscardedFirst();
    void lostLineClosesBeforeTheBox();
    void frameBytesArriveWithGaps();

    // Scripted.
    void onlyTheLastWriteCounts_data();
    void onlyTheLastWriteCounts();
    void purgesThenWritesWithPauses();
    void waitEndsRightAcrossTickWrap_data();
    void waitEndsRightAcrossTickWrap();
};

void SendCommandTest::replyLengths_data()
{
    QTest::addColumn<bool>("multiturn");
    QTest::addColumn<int>("fault");
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<int>("expected");
    QTest::addColumn<int>("result");
    QTest::addColumn<int>("received");
    QTest::addColumn<int>("minMs");

    QTest::newRow("silent port, nothing expected")
        << true << int(palvo::Fault::Silent) << QByteArray("1") << 0 << int(SC_OK) << 0 << 0;
    QTest::newRow("exact length") << true << int(palvo::Fault::None) << QByteArray("t") << 7 << int(SC_OK)
                                  << 7 << 0;
    QTest::newRow("eight for seven, all kept")
        << true << int(palvo::Fault::Extra) << QByteArray("t") << 7 << int(SC_OK) << 8 << 0;
    // A single-turn encoder asked as if multiturn: the identification's own test.
    QTest::newRow("three for five, short after 300 ms")
        << false << int(palvo::Fault::None) << QByteArray("1") << 5 << int(SC_SHORT) << 3 << 300;
    QTest::newRow("silent port, short after 300 ms")
        << true << int(palvo::Fault::Silent) << QByteArray("v") << 7 << int(SC_SHORT) << 0 << 300;
}

void SendCommandTest::replyLengths()
{
    QFETCH(bool, multiturn);
    QFETCH(int, fault);
    QFETCH(QByteArray, command);
    QFETCH(int, expected);
    QFETCH(int, result);
    QFETCH(int, received);
    QFETCH(int, minMs);

    palvo::SimConfig config;
    config.multiturn = multiturn;
    SimFixture fx(config);
    QVERIFY(fx.ok());
    fx.sim().setFault(palvo::Fault(fault));
    auto channel = createSerialPortChannel();
    QVERIFY(channel->open(fx.portPath()));
    QVERIFY(channel->setLine(config.baud));
    RecordingDialogs boxes;
    Host host(*channel, boxes);

    QByteArray reply("left from before");
    QElapsedTimer timer;
    timer.start();
    const qint32 got = SendCommand(*channel, host, channel->handle(), command, reply, expected);
    const qint64 ms = timer.elapsed();

    QCOMPARE(got, qint32(result));
    QCOMPARE(reply.size(), received);
    if (received > 0)
        QCOMPARE(reply.at(0), command.at(0));
    // A timeout is declared only once more than 300 ms have passed; a success
    // does not sit out the timeout.
    if (minMs > 0)
        QVERIFY2(ms > minMs && ms < 2000, qPrintable(QString::number(ms)));
    else
        QVERIFY2(ms < 250, qPrintable(QString::number(ms)));
    QCOMPARE(QByteArray::fromStdString(fx.sim().received()), command);
    QCOMPARE(boxes.calls, QStringList());
    QCOMPARE(host.boxesAtClose.size(), 0);
}

void SendCommandTest::invalidHandleDoesNothing()
{
    SimFixture fx;
    QVERIFY(fx.ok());
    auto channel = createSerialPortChannel();
    QVERIFY(channel->open(fx.portPath()));
    QVERIFY(channel->setLine(115200));
    RecordingDialogs boxes;
    Host host(*channel, boxes);

    QByteArray reply("old");
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(SendCommand(*channel, host, INVALID_HANDLE_VALUE, "v", reply, 7), qint32(SC_FAILED));
    QVERIFY2(timer.elapsed() < 100, qPrintable(QString::number(timer.elapsed())));
    QCOMPARE(reply, QByteArray());
    QCOMPARE(boxes.calls, QStringList());
    QCOMPARE(host.boxesAtClose.size(), 0);
    // Nothing reached the line.
    QVERIFY(channel->writeByte('v'));
    QTRY_COMPARE_WITH_TIMEOUT(fx.sim().received(), std::string("v"), 2000);
}

void SendCommandTest::staleInputIsDiscardedFirst()
{
    SimFixture fx;
    QVERIFY(fx.ok());
    auto channel = createSerialPortChannel();
    QVERIFY(channel->open(fx.portPath()));
    QVERIFY(channel->setLine(115200));
    RecordingDialogs boxes;
    Host host(*channel, boxes);

    // An answer nobody collected, waiting in the input queue.
    QVERIFY(channel->writeByte('v'));
    QTRY_COMPARE_WITH_TIMEOUT(channel->waitForInput(20), qint64(7), 2000);

    QByteArray reply;
    QCOMPARE(SendCommand(*channel, host, channel->handle(), "1", reply, 5), qint32(SC_OK));
    QCOMPARE(reply.size(), 5);
    QCOMPARE(reply.at(0), '1');
}

void SendCommandTest::lostLineClosesBeforeTheBox()
{
    SimFixture fx;
    QVERIFY(fx.ok());
    auto channel = createSerialPortChannel();
    QVERIFY(channel->open(fx.portPath()));
    QVERIFY(channel->setLine(115200));
    RecordingDialogs boxes;
    Host host(*channel, boxes);
    host.handle = channel->handle();

    fx.sim().hangUp();
    QByteArray reply;
    QCOMPARE(SendCommand(*channel, host, host.handle, "1", reply, 5), qint32(SC_FAILED));
    QCOMPARE(reply, QByteArray());
    QCOMPARE(host.boxesAtClose, QList<qsizetype>{0});   // closed while no box was up
    QCOMPARE(boxes.calls, QStringList{QStringLiteral("warning: Cable disconnected!")});
    QCOMPARE(host.handle, INVALID_HANDLE_VALUE);
    QCOMPARE(channel->handle(), INVALID_HANDLE_VALUE);

    // The next transaction finds no port: no second box, no second close.
    QCOMPARE(SendCommand(*channel, host, host.handle, "1", reply, 5), qint32(SC_FAILED));
    QCOMPARE(boxes.calls.size(), 1);
    QCOMPARE(host.boxesAtClose.size(), 1);
}

void SendCommandTest::frameBytesArriveWithGaps()
{
    SimFixture fx;
    QVERIFY(fx.ok());
    auto channel = createSerialPortChannel();
    QVERIFY(channel->open(fx.portPath()));
    QVERIFY(channel->setLine(115200));
    RecordingDialogs boxes;
    Host host(*channel, boxes);

    const QByteArray frame = Palvo_konstante::frameZeroOffsetTemplate();
    QByteArray reply;
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(SendCommand(*channel, host, channel->handle(), frame, reply, 0), qint32(SC_OK));
    // Eight pauses of 2 ms and the 1 ms before the first poll.
    QVERIFY2(timer.elapsed() >= 17, qPrintable(QString::number(timer.elapsed())));

    QTRY_COMPARE_WITH_TIMEOUT(int(fx.sim().log().size()), int(frame.size()), 2000);
    const auto log = fx.sim().log();
    QCOMPARE(QByteArray::fromStdString(fx.sim().received()), frame);
    // The simulator may read late under load and see two bytes at once, so
    // check the whole span rather than each gap.
    const double span = log.back().ms - log.front().ms;
    QVERIFY2(span >= 2.0 * (frame.size() - 1) - 2.0, qPrintable(QString::number(span)));
    QCOMPARE(fx.sim().frames().size(), size_t(1));
    QCOMPARE(fx.sim().frames().front().letter, 'Z');
}

void SendCommandTest::onlyTheLastWriteCounts_data()
{
    QTest::addColumn<QList<bool>>("writes");
    QTest::addColumn<int>("result");
    QTest::addColumn<int>("closes");
    QTest::addColumn<QStringList>("boxes");

    const QStringList cable{QStringLiteral("warning: Cable disconnected!")};
    QTest::newRow("all written") << QList<bool>{true, true, true} << int(SC_OK) << 0 << QStringList();
    QTest::newRow("first fails, last succeeds")
        << QList<bool>{false, true, true} << int(SC_OK) << 0 << QStringList();
    QTest::newRow("middle fails, last succeeds")
        << QList<bool>{true, false, true} << int(SC_OK) << 0 << QStringList();
    QTest::newRow("last fails") << QList<bool>{true, true, false} << int(SC_FAILED) << 1 << cable;
    QTest::newRow("all fail") << QList<bool>{false, false, false} << int(SC_FAILED) << 1 << cable;
}

void SendCommandTest::onlyTheLastWriteCounts()
{
    QFETCH(QList<bool>, writes);
    QFETCH(int, result);
    QFETCH(int, closes);
    QFETCH(QStringList, boxes);

    ManualClock clock(1000);
    ScriptedChannel channel(clock);
    channel.writeOutcomes = writes;
    channel.chunks = {{6, QByteArray("abc")}};
    RecordingDialogs recorded;
    Host host(channel, recorded);

    QByteArray reply;
    QCOMPARE(SendCommand(channel, host, channel.handle(), "xyz", reply, 3), qint32(result));
    QCOMPARE(host.boxesAtClose.size(), closes);
    QCOMPARE(recorded.calls, boxes);
    // Every byte is tried even after a failure.
    QCOMPARE(channel.ops.filter(QStringLiteral("write")).size(), 3);
    QCOMPARE(reply, result == SC_OK ? QByteArray("abc") : QByteArray());
}

void SendCommandTest::purgesThenWritesWithPauses()
{
    ManualClock clock(5000);
    ScriptedChannel channel(clock);
    channel.chunks = {{5, QByteArray("ok")}};
    RecordingDialogs boxes;
    Host host(channel, boxes);

    QByteArray reply;
    QCOMPARE(SendCommand(channel, host, channel.handle(), "\x9e\x27\x4d", reply, 2), qint32(SC_OK));
    QCOMPARE(channel.ops,
             (QStringList{"purge out", "purge in", "write 9e at +0", "write 27 at +2", "write 4d at +4"}));
    // 1 ms after the last byte the first poll only looks; the reply is due
    // then, so there is no second poll.
    QCOMPARE(channel.waits, QList<int>{0});
    QCOMPARE(reply, QByteArray("ok"));
}

void SendCommandTest::waitEndsRightAcrossTickWrap_data()
{
    QTest::addColumn<quint32>("start");
    QTest::addColumn<quint32>("replyAt");   // ticks after the write; 0 = never
    QTest::addColumn<int>("result");

    QTest::newRow("no wrap, silent") << quint32(1000) << quint32(0) << int(SC_SHORT);
    QTest::newRow("wraps mid-wait, silent") << quint32(0xFFFFFF00) << quint32(0) << int(SC_SHORT);
    QTest::newRow("wraps right after the start") << quint32(0xFFFFFFFE) << quint32(0) << int(SC_SHORT);
    QTest::newRow("wraps mid-wait, reply after the wrap")
        << quint32(0xFFFFFF00) << quint32(280) << int(SC_OK);
    // The last poll after 301 ms still finds the reply complete.
    QTest::newRow("reply on the very last poll") << quint32(0xFFFFFF80) << quint32(302) << int(SC_OK);
}

void SendCommandTest::waitEndsRightAcrossTickWrap()
{
    QFETCH(quint32, start);
    QFETCH(quint32, replyAt);
    QFETCH(int, result);

    ManualClock clock(start);
    ScriptedChannel channel(clock);
    if (replyAt)
        channel.chunks = {{replyAt, QByteArray("12345")}};
    RecordingDialogs boxes;
    Host host(channel, boxes);

    QByteArray reply;
    QCOMPARE(SendCommand(channel, host, channel.handle(), "1", reply, 5), qint32(result));
    const quint32 waited = clock.now - start - PauseBeforeReplyMs;
    if (result == SC_SHORT)
        QVERIFY2(waited > ReplyTimeoutMs && waited <= ReplyTimeoutMs + 2,
                 qPrintable(QString::number(waited)));
    else
        QCOMPARE(reply, QByteArray("12345"));
    // Blocking waits, not a spin: a look, then at most a couple of waits.
    QVERIFY2(channel.waits.size() <= 3, qPrintable(QString::number(channel.waits.size())));
    QCOMPARE(channel.waits.value(0), 0);
}

QTEST_MAIN(SendCommandTest)
#include "tst_send_command.moc"
