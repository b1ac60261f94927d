// "Start Self-Cal": the progress and lamp rules, and whole runs against the
// simulated encoder on a pseudo-terminal.
#include <QtTest>

#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <functional>
#include <memory>

#include "app/colors.h"
#include "app/main_form.h"
#include "app/self_calibration.h"
#include "app/widgets.h"
#include "link/serial_channel.h"
#include "tests/support/sim_fixture.h"
#include "tests/support/test_doubles.h"
#include "tools/terminating.h"
#include "tools/tick_clock.h"

namespace {

using Lamps = QList<QColor>;   // finished, effective, out of range, timeout, successful

// A window with its port opened on the simulator, as discovery leaves it.
struct Bench {
    Bench() : ports({fx.portEntry()})
    {
        form = std::make_unique<TMainForm>(Platform{channel.get(), &ports});
        form->tmrStartup->stop();
        form->InitTimer->stop();
    }
    bool openPort()
    {
        if (!fx.ok() || !channel->open(fx.portPath()) || !channel->setLine(115200))
            return false;
        form->ComID = channel->handle();
        form->Multiturn = 1;
        form->resolucija_bitov = 14;
        form->Singleturn_maska = 0x3FFF;
        form->Enkoder_CPR = 16384;
        return form->ComID != INVALID_HANDLE_VALUE;
    }
    palvo::Simulator &sim() { return fx.sim(); }
    Lamps lamps() const
    {
        return {form->pnlAselfCalFinished->color(), form->pnlASelfCalEffective->color(),
                form->pnlAselfCalOutOfRange->color(), form->pnlAselfCalTimeout->color(),
                form->pnlAselfCalSucessful->color()};
    }
    void setLamps(const Lamps &l)
    {
        form->pnlAselfCalFinished->setColor(l[0]);
        form->pnlASelfCalEffective->setColor(l[1]);
        form->pnlAselfCalOutOfRange->setColor(l[2]);
        form->pnlAselfCalTimeout->setColor(l[3]);
        form->pnlAselfCalSucessful->setColor(l[4]);
    }

    RecordingDialogs boxes;   // before the window: no real box may open
    SimFixture fx;
    std::unique_ptr<SerialChannel> channel = createSerialPortChannel();
    FixedPortList ports;
    std::unique_ptr<TMainForm> form;
};

// Runs `action` on every pass of the window's event loop (every few ms) while
// a run is going on, from inside its waits.
class DuringRun : public QObject {
public:
    explicit DuringRun(std::function<void()> action)
    {
        connect(&m_timer, &QTimer::timeout, this, action);
        m_timer.start(5);
    }
    void stop() { m_timer.stop(); }

private:
    QTimer m_timer;
};

// Five times faster than the system clock and a few seconds short of the wrap
// of the 32-bit counter, so a whole wait runs across it in a few seconds.
class FastWrappingClock : public TickClock {
public:
    explicit FastWrappingClock(quint32 start) : m_start(start)
    {
        m_real.start();
        setTickClock(this);
    }
    ~FastWrappingClock() override { setTickClock(nullptr); }
    quint32 tickCount() override { return m_start + quint32(m_real.elapsed() * 5); }
    void sleepMs(quint32 ms) override { QThread::msleep(ms); }

private:
    quint32 m_start;
    QElapsedTimer m_real;
};

const Lamps AllGrey{clrGrey, clrGrey, clrGrey, clrGrey, clrGrey};
const Lamps AllSilver{clrSilver, clrSilver, clrSilver, clrSilver, clrSilver};

}   // namespace

Q_DECLARE_METATYPE(Lamps)

class SelfCalibrationTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void cleanup() { Terminating::instance().set(false); }

    void progressRounding_data();
    void progressRounding();
    void lampRules_data();
    void lampRules();
    void runAgainstEncoder_data();
    void runAgainstEncoder();
    void failedFirstReadEndsRun();
    void noChangeForTheWholeWait();
    void waitEndsAcrossCounterWrap();
    void closingWindowEndsRunWithoutFinalRead();
};

void SelfCalibrationTest::progressRounding_data()
{
    QTest::addColumn<quint32>("elapsedMs");
    QTest::addColumn<int>("progress");
    QTest::newRow("start") << 0u << 0;
    QTest::newRow("half of the first tenth goes down to even 0") << 50u << 0;
    QTest::newRow("just over a half goes up") << 51u << 1;
    QTest::newRow("1.5 goes up to even 2") << 150u << 2;
    QTest::newRow("2.5 goes down to even 2") << 250u << 2;
    QTest::newRow("100.5 stays at 100") << 10050u << 100;
    QTest::newRow("110.5 stays at 110: not yet over") << 11050u << 110;
    QTest::newRow("just past 11050 ms is over") << 11051u << 111;
    QTest::newRow("largest difference of the counter") << 0xFFFFFFFFu << 42949673;
}

void SelfCalibrationTest::progressRounding()
{
    QFETCH(quint32, elapsedMs);
    QFETCH(int, progress);
    QCOMPARE(selfCalProgress(elapsedMs), progress);
}

void SelfCalibrationTest::lampRules_data()
{
    QTest::addColumn<bool>("finished");
    QTest::addColumn<int>("status");
    QTest::addColumn<Lamps>("lamps");
    QTest::newRow("finished, counter only")
        << true << 0x02 << Lamps{clrGreen, clrGrey, clrGrey, clrGrey, clrLime};
    QTest::newRow("not finished, clean status") << false << 0x01 << AllGrey;
    QTest::newRow("finished, timeout and effective")
        << true << 0x15 << Lamps{clrGreen, clrLime, clrGrey, clrRed, clrGrey};
    QTest::newRow("finished, bit 5 alone spoils it")
        << true << 0x20 << Lamps{clrGreen, clrGrey, clrGrey, clrGrey, clrGrey};
    QTest::newRow("finished, effective alone spoils it")
        << true << 0x10 << Lamps{clrGreen, clrLime, clrGrey, clrGrey, clrGrey};
    QTest::newRow("not finished, out of range")
        << false << 0x08 << Lamps{clrGrey, clrGrey, clrRed, clrGrey, clrGrey};
    QTest::newRow("finished, unused bits 7..6 do not count")
        << true << 0xC1 << Lamps{clrGreen, clrGrey, clrGrey, clrGrey, clrLime};
}

void SelfCalibrationTest::lampRules()
{
    QFETCH(bool, finished);
    QFETCH(int, status);
    QFETCH(Lamps, lamps);
    const SelfCalLamps l = selfCalLamps(finished, quint8(status));
    QCOMPARE((Lamps{l.finished, l.effective, l.outOfRange, l.timeout, l.successful}), lamps);
}

void SelfCalibrationTest::runAgainstEncoder_data()
{
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("result");
    QTest::addColumn<Lamps>("lamps");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("bar");
    QTest::newRow("success") << 0x01 << 0x02 << Lamps{clrGreen, clrGrey, clrGrey, clrGrey, clrLime}
                             << "Counter: 2\r\n"
                             << 100;
    QTest::newRow("finished with timeout and effective")
        << 0x01 << 0x15 << Lamps{clrGreen, clrLime, clrGrey, clrRed, clrGrey} << "Counter: 1\r\n"
        << 0;
    QTest::newRow("bit 5 alone") << 0x01 << 0x21 << Lamps{clrGreen, clrGrey, clrGrey, clrGrey, clrGrey}
                                 << "Counter: 1\r\n"
                                 << 0;
    QTest::newRow("only the counter changes")
        << 0x03 << 0x00 << Lamps{clrGreen, clrGrey, clrGrey, clrGrey, clrLime} << "Counter: 0\r\n"
        << 100;
}

void SelfCalibrationTest::runAgainstEncoder()
{
    QFETCH(int, first);
    QFETCH(int, result);
    QFETCH(Lamps, lamps);
    QFETCH(QString, text);
    QFETCH(int, bar);
    Bench b;
    QVERIFY(b.openPort());
    b.sim().setCalStatus(quint8(first));
    b.sim().setCalibration(800, quint8(result));
    b.form->cbBeriEnkoder->setChecked(true);

    // While the encoder calibrates: polling off, the first counter shown, the
    // lamps as they were.
    QString textDuring;
    bool readingDuring = true;
    Lamps lampsDuring;
    DuringRun watch([&] {
        if (b.sim().calibrationStarts() > 0 && lampsDuring.isEmpty()) {
            textDuring = b.form->lblAselfCalResult->text();
            readingDuring = b.form->cbBeriEnkoder->isChecked() || b.form->TimerBeriEnkoder->isActive();
            lampsDuring = b.lamps();
        }
    });
    QElapsedTimer took;
    took.start();
    b.form->btnStartSelfCal->click();
    const qint64 ms = took.elapsed();
    watch.stop();

    QCOMPARE(b.boxes.calls, QStringList());
    QCOMPARE(b.sim().calibrationStarts(), 1);
    QCOMPARE(textDuring, QStringLiteral("Counter: %1").arg(first & 3));
    QVERIFY(!readingDuring);
    QCOMPARE(lampsDuring, AllSilver);
    QCOMPARE(b.lamps(), lamps);
    QCOMPARE(b.form->lblAselfCalResult->text(), text);
    QCOMPARE(b.form->pbSelfCalProgress->value(), bar);
    QVERIFY(b.form->cbBeriEnkoder->isChecked());
    QVERIFY(b.form->TimerBeriEnkoder->isActive());
    // Ends soon after the change, well before the 11 s limit.
    QVERIFY2(ms >= 800 && ms < 5000, qPrintable(QStringLiteral("run took %1 ms").arg(ms)));
}

void SelfCalibrationTest::failedFirstReadEndsRun()
{
    Bench b;
    QVERIFY(b.openPort());
    b.form->lblAselfCalResult->setText(QStringLiteral("Counter: 3\r\n"));
    b.form->cbBeriEnkoder->setChecked(true);
    b.sim().setFault(palvo::Fault::Silent);

    b.form->btnStartSelfCal->click();

    QCOMPARE(b.boxes.calls, QStringList{QStringLiteral("error: Command \"i\" failed!")});
    QCOMPARE(b.sim().calibrationStarts(), 0);
    QCOMPARE(b.form->lblAselfCalResult->text(), QStringLiteral("Counter: 3\r\n"));
    QCOMPARE(b.lamps(), AllSilver);
    QVERIFY(!b.form->cbBeriEnkoder->isChecked());
    QVERIFY(!b.form->TimerBeriEnkoder->isActive());
}

void SelfCalibrationTest::noChangeForTheWholeWait()
{
    Bench b;
    QVERIFY(b.openPort());
    b.sim().setCalStatus(0x01);
    b.sim().setCalibration(0, 0, true);
    // What a previous run left; it must still show until this one ends.
    const Lamps previous{clrGreen, clrLime, clrGrey, clrGrey, clrLime};
    b.setLamps(previous);

    QElapsedTimer took;
    took.start();
    qint64 fullAt = -1;
    int lastBar = 0;
    bool barWentBack = false;
    bool lampsKept = true;
    DuringRun watch([&] {
        const int v = b.form->pbSelfCalProgress->value();
        barWentBack = barWentBack || v < lastBar;
        lastBar = v;
        if (v == 100 && fullAt < 0)
            fullAt = took.elapsed();
        lampsKept = lampsKept && b.lamps() == previous;
    });
    b.form->btnStartSelfCal->click();
    const qint64 ms = took.elapsed();
    watch.stop();

    QCOMPARE(b.boxes.calls, QStringList());
    QCOMPARE(b.sim().calibrationStarts(), 1);
    QVERIFY(lampsKept);
    QVERIFY(!barWentBack);
    // Full at about 10 s after the start frame, and it stayed full to the end.
    QVERIFY2(fullAt >= 9900 && fullAt < ms,
             qPrintable(QStringLiteral("full at %1 ms of %2").arg(fullAt).arg(ms)));
    QCOMPARE(lastBar, 100);
    // The wait gives up only once progress is past 110: more than 11 050 ms.
    QVERIFY2(ms >= 11050 + 200 && ms < 20000, qPrintable(QStringLiteral("run took %1 ms").arg(ms)));
    QCOMPARE(b.lamps(), AllGrey);
    QCOMPARE(b.form->lblAselfCalResult->text(), QStringLiteral("Counter: 1\r\n"));
    QCOMPARE(b.form->pbSelfCalProgress->value(), 0);
}

void SelfCalibrationTest::waitEndsAcrossCounterWrap()
{
    // The real counter wraps once in 49.7 days: only a clock double shows it.
    Bench b;
    QVERIFY(b.openPort());
    b.sim().setCalStatus(0x01);
    b.sim().setCalibration(0, 0, true);
    FastWrappingClock clock(0xFFFFFFFFu - 3000u);

    // If the wait never ends by itself, closing the window ends it.
    QTimer rescue;
    rescue.setSingleShot(true);
    connect(&rescue, &QTimer::timeout, b.form.get(), &QWidget::close);
    rescue.start(8000);
    int maxBar = 0;
    DuringRun watch([&] { maxBar = qMax(maxBar, b.form->pbSelfCalProgress->value()); });

    b.form->btnStartSelfCal->click();
    watch.stop();

    QVERIFY2(rescue.isActive(), "the wait did not end by itself");
    QVERIFY(quint32(clock.tickCount()) < 0x80000000u);   // the counter did wrap
    QCOMPARE(maxBar, 100);
    QCOMPARE(b.boxes.calls, QStringList());
    QCOMPARE(b.lamps(), AllGrey);
    QCOMPARE(b.form->lblAselfCalResult->text(), QStringLiteral("Counter: 1\r\n"));
    QCOMPARE(b.form->pbSelfCalProgress->value(), 0);
}

void SelfCalibrationTest::closingWindowEndsRunWithoutFinalRead()
{
    Bench b;
    QVERIFY(b.openPort());
    b.sim().setCalStatus(0x01);
    b.sim().setCalibration(0, 0, true);
    b.form->cbBeriEnkoder->setChecked(true);

    size_t readsAtClose = 0;
    QElapsedTimer sinceClose;
    DuringRun closer([&] {
        if (b.sim().calibrationStarts() > 0 && !sinceClose.isValid()) {
            readsAtClose = b.sim().received().size();
            sinceClose.start();
            b.form->close();
        }
    });
    b.form->btnStartSelfCal->click();
    closer.stop();

    QVERIFY(sinceClose.isValid());
    QVERIFY2(sinceClose.elapsed() < 1000, qPrintable(QString::number(sinceClose.elapsed())));
    // The pass under way reads once more; no final read follows it. A probe
    // sent now lands behind whatever the run sent.
    QByteArray reply;
    QCOMPARE(b.form->SendCommand(b.form->ComID, QByteArrayLiteral("v"), reply, 7), qint32(SC_OK));
    QCOMPARE(QByteArray::fromStdString(b.sim().received().substr(readsAtClose)), QByteArrayLiteral("iv"));
    QCOMPARE(b.boxes.calls, QStringList());
    QCOMPARE(b.lamps(), AllSilver);
    QCOMPARE(b.form->lblAselfCalResult->text(), QStringLiteral("Counter: 1"));
    QVERIFY(!b.form->cbBeriEnkoder->isChecked());
    QVERIFY(!b.form->TimerBeriEnkoder->isActive());
}

QTEST_MAIN(SelfCalibrationTest)
#include "tst_self_calibration.moc"
