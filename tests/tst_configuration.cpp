// Multiturn zero, "Set zero here" and "Reset to Factory" against the simulated
// encoder on a pseudo-terminal.
#include <QtTest>

#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <memory>

#include "app/colors.h"
#include "app/main_form.h"
#include "app/widgets.h"
#include "link/serial_channel.h"
#include "tests/support/sim_fixture.h"
#include "tests/support/test_doubles.h"
#include "tools/terminating.h"

namespace {

// The real serial channel, noting when each byte went out: the simulator's
// own timestamps carry the delay of its reading thread on a busy machine.
class TimedChannel : public SerialChannel {
public:
    struct Command {
        QByteArray bytes;
        double firstMs, lastMs;
        double minPauseMs;   // shortest gap between two of its bytes
    };
    TimedChannel() { m_clock.start(); }
    bool open(const QString &portName) override { return m_real->open(portName); }
    quintptr handle() const override { return m_real->handle(); }
    bool setLine(qint32 baud) override { return m_real->setLine(baud); }
    void discardInput() override { m_real->discardInput(); }
    void discardOutput() override
    {
        m_newCommand = true;   // every transaction starts here
        m_real->discardOutput();
    }
    bool writeByte(char byte) override
    {
        const double now = double(m_clock.nsecsElapsed()) / 1e6;
        if (m_newCommand || m_commands.isEmpty())
            m_commands.append({QByteArray(), now, now, 1e9});
        m_newCommand = false;
        Command &c = m_commands.last();
        if (!c.bytes.isEmpty())
            c.minPauseMs = qMin(c.minPauseMs, now - c.lastMs);
        c.bytes.append(byte);
        c.lastMs = now;
        ++m_written;
        return m_real->writeByte(byte);
    }
    qint64 waitForInput(int timeoutMs) override { return m_real->waitForInput(timeoutMs); }
    QByteArray readWaiting() override { return m_real->readWaiting(); }
    void close() override { m_real->close(); }

    QList<Command> commands() const { return m_commands; }
    void clear()
    {
        m_commands.clear();
        m_written = 0;
    }
    size_t bytesWritten() const { return m_written; }

private:
    std::unique_ptr<SerialChannel> m_real = createSerialPortChannel();
    QElapsedTimer m_clock;
    QList<Command> m_commands;
    bool m_newCommand = true;
    size_t m_written = 0;
};

// A window whose port is opened on the simulator directly, as discovery would
// leave it, but with "Read encoder" never switched on (command index still 0).
struct Bench {
    explicit Bench(bool multiturn = true)
        : multiturn(multiturn), fx(config(multiturn)), ports({fx.portEntry()})
    {
        form = std::make_unique<TMainForm>(Platform{channel.get(), &ports});
        form->tmrStartup->stop();
        form->InitTimer->stop();
    }
    static palvo::SimConfig config(bool multiturn)
    {
        palvo::SimConfig c;
        c.multiturn = multiturn;
        return c;
    }
    bool openPort()
    {
        if (!fx.ok() || !channel->open(fx.portPath()) || !channel->setLine(115200))
            return false;
        form->ComID = channel->handle();
        form->Multiturn = multiturn ? 1 : 0;
        form->resolucija_bitov = 14;
        form->Singleturn_maska = 0x3FFF;
        form->Enkoder_CPR = 16384;
        return form->ComID != INVALID_HANDLE_VALUE;
    }
    palvo::Simulator &sim() { return fx.sim(); }

    bool multiturn;
    RecordingDialogs boxes;   // before the window: no real box may open
    SimFixture fx;
    std::unique_ptr<TimedChannel> channel = std::make_unique<TimedChannel>();
    FixedPortList ports;
    std::unique_ptr<TMainForm> form;
};

QString letters(const std::vector<palvo::TakenFrame> &frames)
{
    QString s;
    for (const auto &f : frames)
        s += QLatin1Char(f.letter);
    return s;
}

QList<quint32> values(const std::vector<palvo::TakenFrame> &frames)
{
    QList<quint32> v;
    for (const auto &f : frames)
        v << f.value;
    return v;
}

// The frames as they crossed the line, cut at each unlock prefix.
QList<QByteArray> framesOnLine(const palvo::Simulator &sim)
{
    const QByteArray all = QByteArray::fromStdString(sim.received());
    const QByteArray unlock = QByteArray::fromHex("9e274db6");
    QList<QByteArray> out;
    for (qsizetype at = all.indexOf(unlock); at >= 0;) {
        const qsizetype next = all.indexOf(unlock, at + 1);
        QByteArray f = all.mid(at, next < 0 ? -1 : next - at);
        const int length = (f.size() > 4 && (f[4] == 'M' || f[4] == 'Z')) ? 9 : 5;
        out << f.left(length);
        at = next;
    }
    return out;
}

// The encoder drops a frame whose bytes pause for over 200 ms. On a machine
// busy enough to stall the writing thread that long the frame is rightly lost,
// and the sequence shows nothing about the tool.
double longestPauseInFrames(const palvo::Simulator &sim)
{
    const auto log = sim.log();
    const QByteArray all = QByteArray::fromStdString(sim.received());
    const QByteArray unlock = QByteArray::fromHex("9e274db6");
    double longest = 0;
    for (qsizetype at = all.indexOf(unlock); at >= 0; at = all.indexOf(unlock, at + 1)) {
        const qsizetype length = (at + 4 < all.size() && (all[at + 4] == 'M' || all[at + 4] == 'Z')) ? 9 : 5;
        for (qsizetype i = at + 1; i < qMin(at + length, all.size()); ++i)
            longest = qMax(longest, log[size_t(i)].ms - log[size_t(i - 1)].ms);
    }
    return longest;
}

#define skipIfFrameStalled(bench)                                                                            \
    do {                                                                                                     \
        (void)QTest::qWaitFor(                                                                               \
            [&] { return (bench).sim().received().size() >= (bench).channel->bytesWritten(); }, 2000);       \
        if (longestPauseInFrames((bench).sim()) > 200.0)                                                     \
            QSKIP("a frame byte was held up over 200 ms on this busy machine");                              \
    } while (0)

const QString ResetFinished = QStringLiteral("Reset finished. It is recommended to power-cycle the encoder.");

}   // namespace

class ConfigurationTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void cleanup() { Terminating::instance().set(false); }

    void setZeroHere_data();
    void setZeroHere();
    void setZeroHereIgnoredWhileErrorLampIsRed();
    void multiturnZeroKeepsReadingState_data();
    void multiturnZeroKeepsReadingState();
    void factoryResetClearsSelfCalDisplay();
    void withoutPortEachButtonReportsItsFailure_data();
    void withoutPortEachButtonReportsItsFailure();
    void pulledCableGivesOneBox_data();
    void pulledCableGivesOneBox();
    void clickDuringSequenceIsIgnored();
    void searchWaitsForTheSequence();
};

namespace {

// Runs `action` once the simulator has received `bytes` bytes, from inside the
// waits of a running sequence.
class WhenReceived : public QObject {
public:
    WhenReceived(palvo::Simulator &sim, size_t bytes, std::function<void()> action)
    {
        connect(&m_poll, &QTimer::timeout, this, [this, &sim, bytes, action] {
            if (sim.received().size() >= bytes) {
                m_poll.stop();
                action();
            }
        });
        m_poll.start(2);
    }

private:
    QTimer m_poll;
};

QByteArray zeroOffsetFrame(quint32 value)
{
    QByteArray f = QByteArray::fromHex("9e274db65a");
    for (int shift = 24; shift >= 0; shift -= 8)
        f.append(char(value >> shift));
    return f;
}

}   // namespace

void ConfigurationTest::setZeroHere_data()
{
    QTest::addColumn<bool>("multiturn");
    QTest::addColumn<bool>("reading");
    // Reading never switched on: the command index is still 0 at the sequence's
    // first read, which used to stop it with the template offset already sent.
    QTest::newRow("multiturn, reading never switched on") << true << false;
    QTest::newRow("multiturn, reading on") << true << true;
    QTest::newRow("single-turn, reading on") << false << true;
}

void ConfigurationTest::setZeroHere()
{
    QFETCH(bool, multiturn);
    QFETCH(bool, reading);
    Bench b(multiturn);
    QVERIFY(b.openPort());
    b.sim().setPosition(5002);   // the template's 2 moves it to 5000 before the read
    if (reading) {
        b.form->cbBeriEnkoder->setChecked(true);
        QTRY_COMPARE_WITH_TIMEOUT(b.form->ST_value, 5002, 5000);
    } else {
        QCOMPARE(b.form->commandIndex(), quint8(0));
    }
    b.sim().clearLog();
    b.channel->clear();

    b.form->btnSTzero->click();
    const QList<TimedChannel::Command> sent = b.channel->commands();

    QCOMPARE(b.boxes.calls, QStringList());
    QCOMPARE(b.form->cbBeriEnkoder->isChecked(), reading);
    QCOMPARE(b.form->TimerBeriEnkoder->isActive(), reading);
    skipIfFrameStalled(b);
    QTRY_COMPARE_WITH_TIMEOUT(letters(b.sim().frames()), QStringLiteral("ZMZMcM"), 2000);
    const auto frames = b.sim().frames();
    QCOMPARE(values(frames), (QList<quint32>{2, 0, 5000, 0, 0, 0}));
    const QList<QByteArray> line = framesOnLine(b.sim());
    QCOMPARE(line.size(), 6);
    QCOMPARE(line[0], zeroOffsetFrame(2));
    QCOMPARE(line[1], QByteArray::fromHex("9e274db64d00000000"));
    QCOMPARE(line[2], QByteArray::fromHex("9e274db65a00001388"));
    QCOMPARE(line[4], QByteArray::fromHex("9e274db663"));
    QCOMPARE(b.sim().position(), quint16(0));
    QCOMPARE(b.sim().saves(), 1);

    // The waits, timed where the bytes leave: 100 ms between the commands
    // of the sequence, 2 ms between the bytes of a frame.
    QCOMPARE(sent.size(), 8);
    QString kinds;
    for (const auto &c : sent)
        kinds +=
            c.bytes.startsWith(QByteArray::fromHex("9e274db6")) ? QLatin1Char(c.bytes[4]) : QLatin1Char('p');
    QCOMPARE(kinds, QStringLiteral("ZMpZpMcM"));
    for (qsizetype i = 1; i < sent.size(); ++i) {
        const double gap = sent[i].firstMs - sent[i - 1].lastMs;
        QVERIFY2(gap >= 99.0 && gap < 1000.0,
                 qPrintable(QStringLiteral("command %1 came %2 ms after the one before").arg(i).arg(gap)));
    }
    for (const auto &c : sent)
        QVERIFY2(c.minPauseMs >= 1.9, qPrintable(QStringLiteral("%1 ms between bytes of %2")
                                                     .arg(c.minPauseMs)
                                                     .arg(QString::fromLatin1(c.bytes.toHex()))));

    // A second click starts again from the template, not from the value written
    // into the first click's frame.
    b.sim().clearLog();
    b.channel->clear();
    b.form->btnSTzero->click();
    QCOMPARE(b.boxes.calls, QStringList());
    skipIfFrameStalled(b);
    QTRY_VERIFY2_WITH_TIMEOUT(
        letters(b.sim().frames()) == QStringLiteral("ZMZMcMZMZMcM"),
        qPrintable(letters(b.sim().frames()) + QStringLiteral(" from ") +
                   QString::fromLatin1(QByteArray::fromStdString(b.sim().received()).toHex(' '))),
        2000);
    const auto again = b.sim().frames();
    QCOMPARE(again[6].value, 2u);
    QCOMPARE(framesOnLine(b.sim()).value(0), zeroOffsetFrame(2));
    QCOMPARE(b.sim().position(), quint16(0));
    QCOMPARE(b.sim().saves(), 2);
}

void ConfigurationTest::setZeroHereIgnoredWhileErrorLampIsRed()
{
    Bench b;
    QVERIFY(b.openPort());
    b.sim().setPosition(1234);
    b.sim().setErrorBit(true);
    b.form->cbBeriEnkoder->setChecked(true);
    QTRY_VERIFY_WITH_TIMEOUT(b.form->Encoder_Error, 5000);
    QCOMPARE(b.form->pnlAError->color(), clrRed);

    b.form->btnSTzero->click();

    QVERIFY(b.form->cbBeriEnkoder->isChecked());
    // A frame sent after the click lands behind anything the click sent.
    b.form->btnMTzero->click();
    QTRY_COMPARE_WITH_TIMEOUT(letters(b.sim().frames()), QStringLiteral("M"), 2000);
    QCOMPARE(b.boxes.calls, QStringList());
    QCOMPARE(b.sim().position(), quint16(1234));
    QCOMPARE(b.sim().saves(), 0);
}

void ConfigurationTest::multiturnZeroKeepsReadingState_data()
{
    QTest::addColumn<bool>("reading");
    QTest::newRow("reading off stays off") << false;
    QTest::newRow("reading on comes back") << true;
}

void ConfigurationTest::multiturnZeroKeepsReadingState()
{
    QFETCH(bool, reading);
    Bench b;
    QVERIFY(b.openPort());
    b.sim().setTurns(7);
    b.form->cbBeriEnkoder->setChecked(reading);

    b.form->btnMTzero->click();

    QTRY_COMPARE_WITH_TIMEOUT(letters(b.sim().frames()), QStringLiteral("M"), 2000);
    QCOMPARE(framesOnLine(b.sim()).value(0), QByteArray::fromHex("9e274db64d00000000"));
    QCOMPARE(b.sim().turns(), qint16(0));
    QCOMPARE(b.form->cbBeriEnkoder->isChecked(), reading);
    QCOMPARE(b.form->TimerBeriEnkoder->isActive(), reading);
    QCOMPARE(b.boxes.calls, QStringList());
}

void ConfigurationTest::factoryResetClearsSelfCalDisplay()
{
    Bench b;
    QVERIFY(b.openPort());
    TMainForm &f = *b.form;
    f.pbSelfCalProgress->setValue(40);
    f.lblAselfCalResult->setText(QStringLiteral("Counter: 3\r\n"));
    f.pnlAselfCalFinished->setColor(clrGreen);
    f.pnlAselfCalTimeout->setColor(clrRed);
    f.pnlAselfCalOutOfRange->setColor(clrRed);
    f.pnlAselfCalSucessful->setColor(clrLime);
    f.pnlASelfCalEffective->setColor(clrLime);
    f.cbBeriEnkoder->setChecked(true);

    QElapsedTimer clock;
    clock.start();
    f.btnResetFactory->click();
    const qint64 took = clock.elapsed();

    QVERIFY2(took >= 495, qPrintable(QStringLiteral("reset took %1 ms").arg(took)));
    QTRY_COMPARE_WITH_TIMEOUT(letters(b.sim().frames()), QStringLiteral("r"), 2000);
    QCOMPARE(framesOnLine(b.sim()).value(0), QByteArray::fromHex("9e274db672"));
    QCOMPARE(b.sim().factoryResets(), 1);
    QCOMPARE(b.boxes.calls, QStringList{QStringLiteral("plain: ") + ResetFinished});
    QCOMPARE(f.pbSelfCalProgress->value(), 0);
    QCOMPARE(f.lblAselfCalResult->text(), QString());
    QCOMPARE(f.pnlAselfCalFinished->color(), clrGrey);
    QCOMPARE(f.pnlAselfCalTimeout->color(), clrGrey);
    QCOMPARE(f.pnlAselfCalOutOfRange->color(), clrGrey);
    QCOMPARE(f.pnlAselfCalSucessful->color(), clrGrey);
    QCOMPARE(f.pnlASelfCalEffective->color(), clrLime);
    QVERIFY(f.cbBeriEnkoder->isChecked());
    QVERIFY(f.TimerBeriEnkoder->isActive());
}

void ConfigurationTest::withoutPortEachButtonReportsItsFailure_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("box");
    QTest::addColumn<bool>("readingAfter");
    QTest::newRow("Multiturn 0") << "btnMTzero"
                                 << "error: Set multitirn failed!" << true;
    QTest::newRow("Set zero here") << "btnSTzero"
                                   << "error: Set zero offset failed!" << true;
    // Never "Reset finished..." for a reset that was not sent.
    QTest::newRow("Reset to Factory") << "btnResetFactory"
                                      << "error: Command failed!" << true;
    // A failed status read leaves reading off.
    QTest::newRow("Start Self-Cal") << "btnStartSelfCal"
                                    << "error: Command \"i\" failed!" << false;
}

void ConfigurationTest::withoutPortEachButtonReportsItsFailure()
{
    QFETCH(QString, button);
    QFETCH(QString, box);
    QFETCH(bool, readingAfter);
    RecordingDialogs boxes;
    auto channel = createSerialPortChannel();
    FixedPortList ports;
    TMainForm form(Platform{channel.get(), &ports});
    form.tmrStartup->stop();
    form.InitTimer->stop();
    QCOMPARE(form.ComID, INVALID_HANDLE_VALUE);
    form.cbBeriEnkoder->setChecked(true);

    auto *b = form.findChild<QPushButton *>(button);
    QVERIFY(b);
    b->click();

    QCOMPARE(boxes.calls, QStringList{box});
    QCOMPARE(form.cbBeriEnkoder->isChecked(), readingAfter);
    form.cbBeriEnkoder->setChecked(false);
}

void ConfigurationTest::pulledCableGivesOneBox_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("pullAfterBytes");   // 0: before the click
    QTest::addColumn<QString>("taken");
    QTest::newRow("Multiturn 0") << "btnMTzero" << 0 << "";
    QTest::newRow("Set zero here, after its first frame") << "btnSTzero" << 9 << "Z";
    QTest::newRow("Reset to Factory") << "btnResetFactory" << 0 << "";
    QTest::newRow("Start Self-Cal, before the start frame") << "btnStartSelfCal" << 1 << "";
}

void ConfigurationTest::pulledCableGivesOneBox()
{
    QFETCH(QString, button);
    QFETCH(int, pullAfterBytes);
    QFETCH(QString, taken);
    Bench b;
    QVERIFY(b.openPort());
    std::unique_ptr<WhenReceived> pull;
    if (pullAfterBytes == 0)
        b.sim().hangUp();
    else
        pull = std::make_unique<WhenReceived>(b.sim(), size_t(pullAfterBytes), [&b] { b.sim().hangUp(); });

    b.form->findChild<QPushButton *>(button)->click();

    QCOMPARE(b.boxes.calls, QStringList{QStringLiteral("warning: Cable disconnected!")});
    QCOMPARE(letters(b.sim().frames()), taken);
    QCOMPARE(b.sim().saves(), 0);
    QCOMPARE(b.sim().calibrationStarts(), 0);
    QCOMPARE(b.form->ComID, INVALID_HANDLE_VALUE);
}

void ConfigurationTest::clickDuringSequenceIsIgnored()
{
    Bench b;
    QVERIFY(b.openPort());
    b.sim().setPosition(300);
    TMainForm &f = *b.form;
    // Clicks that arrive while the first wait of "Set zero here" processes events.
    WhenReceived others(b.sim(), 9, [&f] {
        f.btnResetFactory->click();
        f.btnMTzero->click();
        f.btnStartSelfCal->click();
        f.btnSTzero->click();
    });

    f.btnSTzero->click();

    QTRY_COMPARE_WITH_TIMEOUT(letters(b.sim().frames()), QStringLiteral("ZMZMcM"), 2000);
    QCOMPARE(b.sim().factoryResets(), 0);
    QCOMPARE(b.sim().calibrationStarts(), 0);
    QCOMPARE(b.sim().position(), quint16(0));
    QCOMPARE(b.boxes.calls, QStringList());

    // Once the sequence is over the buttons work again.
    f.btnMTzero->click();
    QTRY_COMPARE_WITH_TIMEOUT(letters(b.sim().frames()), QStringLiteral("ZMZMcMM"), 2000);
}

void ConfigurationTest::searchWaitsForTheSequence()
{
    Bench b;
    QVERIFY(b.openPort());
    b.sim().setPosition(300);
    TMainForm &f = *b.form;
    // The search timer comes due while the sequence waits, as a line lost
    // elsewhere would arm it.
    WhenReceived armed(b.sim(), 9, [&f] { f.InitTimer->start(10); });
    const int listed = f.listCom->count();

    f.btnSTzero->click();

    // No search took the port from under the sequence; it waits for its end.
    QCOMPARE(b.boxes.calls, QStringList());
    QTRY_COMPARE_WITH_TIMEOUT(letters(b.sim().frames()), QStringLiteral("ZMZMcM"), 2000);
    QVERIFY(!QByteArray::fromStdString(b.sim().received()).contains('v'));
    QCOMPARE(f.listCom->count(), listed);
    QVERIFY(f.ComID != INVALID_HANDLE_VALUE);
    QVERIFY(f.InitTimer->isActive());
    f.InitTimer->stop();
}

QTEST_MAIN(ConfigurationTest)
#include "tst_configuration.moc"
