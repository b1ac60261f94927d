// A long run against an encoder that misbehaves: replies dropped, cut,
// extended, garbled and delayed, the line hung up and brought back, while the
// window polls at 10 ms and runs a set-zero and a self-calibration.
// CORVANE_SOAK_SECONDS sets the length (60 by default), CORVANE_SOAK_SEED the
// fault schedule, CORVANE_SOAK_MAX_GAP_MS the bound on the event loop's
// silences (400 by default).
#include <QtTest>

#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSpinBox>
#include <memory>

#include "app/main_form.h"
#include "app/widgets.h"
#include "link/palvo_konstante.h"
#include "link/serial_channel.h"
#include "tests/support/sim_fixture.h"
#include "tests/support/test_doubles.h"

namespace {

// Counts the decoded replies: each one flips the communication lamp and
// repaints it on the spot.
class LampWatch : public QObject {
public:
    explicit LampWatch(Panel *lamp) : m_lamp(lamp) { lamp->installEventFilter(this); }
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::Paint && m_lamp->color() != m_last) {
            m_last = m_lamp->color();
            ++flips;
        }
        return false;
    }
    qint64 flips = 0;

private:
    Panel *m_lamp;
    QColor m_last;
};

// The file descriptors of this process that lead to `device`.
int openHandlesTo(const QString &device)
{
    int n = 0;
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QFileInfo &fd : fds.entryInfoList(QDir::System | QDir::NoDotAndDotDot))
        if (fd.symLinkTarget() == device)
            ++n;
    return n;
}

// Qt Test's watchdog ends a test function after five minutes; a longer soak
// gets its length and two minutes more, unless the caller set a bound.
const bool watchdogFitsTheSoak = [] {
    const int seconds = qEnvironmentVariableIntValue("CORVANE_SOAK_SECONDS");
    if (seconds > 0 && !qEnvironmentVariableIsSet("QTEST_FUNCTION_TIMEOUT"))
        qputenv("QTEST_FUNCTION_TIMEOUT", QByteArray::number((qint64(seconds) + 120) * 1000));
    return true;
}();

}   // namespace

class SoakTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void faultyEncoder();

private:
    // What the window shows must come whole from one decoded reply.
    void checkShownValues(TMainForm &form);
    QStringList m_violations;
};

void SoakTest::checkShownValues(TMainForm &form)
{
    const QString counts = form.pnlAbsPosCnt->text();
    bool isNumber = false;
    const qint64 n = counts.toLongLong(&isNumber);
    if (isNumber) {
        if (n < 0 || n >= form.Enkoder_CPR)
            m_violations << QStringLiteral("count %1 outside one turn").arg(counts);
        const QString degrees = form.pnlAbsPosDeg->text();
        const QString expected = QLocale().toString(double(n * 360) / form.Enkoder_CPR, 'f', 2);
        if (!degrees.startsWith(expected))
            m_violations << QStringLiteral("count %1 shown with angle %2").arg(counts, degrees);
    }
    // Every traced reply is at least as long as its command's reply.
    for (const QLabel *trace : {form.lblRxBuffer1, form.lblRxBuffer2}) {
        for (const QString &line : trace->text().split(QStringLiteral("\r\n"), Qt::SkipEmptyParts)) {
            const int arrow = line.indexOf(QStringLiteral(" -> "));
            if (line == trace->objectName())   // the caption it starts with
                continue;
            if (arrow != 1) {
                m_violations << QStringLiteral("trace line \"%1\"").arg(line);
                continue;
            }
            const char command = line.at(0).toLatin1();
            const qsizetype bytes = line.mid(arrow + 4).split(QLatin1Char(' '), Qt::SkipEmptyParts).size();
            for (int i = 1; i <= 4; ++i) {
                if (Palvo_konstante::CommandChars(i) == command &&
                    bytes < Palvo_konstante::ReplyLengths(form.Multiturn, i))
                    m_violations << QStringLiteral("short reply traced: \"%1\"").arg(line);
            }
        }
    }
}

void SoakTest::faultyEncoder()
{
    const int seconds = qEnvironmentVariableIsSet("CORVANE_SOAK_SECONDS")
                            ? qEnvironmentVariableIntValue("CORVANE_SOAK_SECONDS")
                            : 60;
    const quint32 seed = qEnvironmentVariableIsSet("CORVANE_SOAK_SEED")
                             ? qEnvironmentVariable("CORVANE_SOAK_SEED").toUInt()
                             : QRandomGenerator::global()->generate();
    qInfo("soak: %d s, seed %u", seconds, seed);
    QRandomGenerator random(seed);

    RecordingDialogs boxes;
    palvo::SimConfig config;
    config.multiturn = true;
    SimFixture fx(config);
    QVERIFY(fx.ok());
    fx.sim().setSpeed(3000);
    fx.sim().setCalibration(1500, 0x1C);

    auto channel = createSerialPortChannel();
    FixedPortList ports({fx.portEntry()});
    auto form = std::make_unique<TMainForm>(Platform{channel.get(), &ports});
    form->tmrStartup->stop();
    form->show();
    form->seDelay->setValue(10);
    LampWatch lamp(form->pnlComm);

    QTRY_VERIFY_WITH_TIMEOUT(form->cbBeriEnkoder->isChecked(), 15000);
    QCOMPARE(form->TimerBeriEnkoder->interval(), 10);

    // The event loop's longest silence: every 20 ms a call is posted, and the
    // time until the loop gets round to it is measured. (The gap between two
    // timer ticks would overstate it: overdue timers fire one after another.)
    QElapsedTimer clock;
    qint64 longestGap = 0;
    QTimer heartbeat;
    heartbeat.setTimerType(Qt::PreciseTimer);
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        const qint64 postedAt = clock.elapsed();
        QMetaObject::invokeMethod(
            &heartbeat,
            [&, postedAt] {
                const qint64 gap = clock.elapsed() - postedAt;
                if (gap >= 400) {
                    // What went over the line meanwhile tells which steps held the loop.
                    QByteArray sent;
                    const double since = fx.sim().elapsedMs() - double(gap) - 20;
                    for (const palvo::LoggedByte &b : fx.sim().log())
                        if (b.ms >= since)
                            sent.append(char(b.byte));
                    qInfo("soak: event loop silent for %lld ms (searching %d, sequence %d), sent: %s", gap,
                          int(form->m_searching), int(form->m_sequenceRunning), sent.toHex(' ').constData());
                }
                longestGap = qMax(longestGap, gap);
            },
            Qt::QueuedConnection);
        checkShownValues(*form);
    });

    int faults = 0, hangUps = 0, reconnections = 0, setZeros = 0, selfCals = 0;
    bool connected = true;
    QTimer connection;   // counts the times the window found the encoder again
    QObject::connect(&connection, &QTimer::timeout, [&] {
        const bool now = form->ComID != INVALID_HANDLE_VALUE && !form->m_searching;
        if (now && !connected)
            ++reconnections;
        connected = now;
    });
    connection.start(5);

    QTimer faulter;   // a new fault every few hundred ms
    bool hungUp = false;
    QObject::connect(&faulter, &QTimer::timeout, [&] {
        faulter.setInterval(200 + int(random.bounded(1000)));
        if (hungUp) {
            QVERIFY(fx.sim().restart());
            hungUp = false;
            return;
        }
        const int kind = int(random.bounded(9));
        ++faults;
        switch (kind) {
        case 0:
            fx.sim().setFault(palvo::Fault::Silent, 1 + int(random.bounded(3)));
            break;
        case 1:
            fx.sim().setFault(palvo::Fault::Short, 1 + int(random.bounded(4)));
            break;
        case 2:
            fx.sim().setFault(palvo::Fault::Extra, 1 + int(random.bounded(4)));
            break;
        case 3:
            fx.sim().setFault(palvo::Fault::WrongEcho, 1 + int(random.bounded(4)));
            break;
        case 4:
            fx.sim().setFault(palvo::Fault::Delay, 1 + int(random.bounded(3)), int(random.bounded(400)));
            break;
        case 5:
            fx.sim().setFault(palvo::Fault::Garbage, 1 + int(random.bounded(4)));
            break;
        case 6:
            fx.sim().hangUp();
            hungUp = true;
            ++hangUps;
            break;
        default:
            fx.sim().setFault(palvo::Fault::None);
            --faults;
            break;   // a quiet spell
        }
    });
    faulter.start(500);

    // One set-zero and one self-calibration in each third of the run; their
    // clicks come from the event loop, as a user's do.
    // A technician clicks them with an encoder on the screen, not in the middle
    // of a search.
    QTimer clicker;
    const int clickEvery = seconds * 1000 / 6;
    QObject::connect(&clicker, &QTimer::timeout, [&] {
        if (form->m_searching || form->ComID == INVALID_HANDLE_VALUE) {
            clicker.setInterval(100);
            return;
        }
        clicker.setInterval(clickEvery);
        if ((setZeros + selfCals) % 2 == 0) {
            ++setZeros;
            form->btnSTzero->click();
        } else {
            ++selfCals;
            form->btnStartSelfCal->click();
        }
    });
    clicker.start(clickEvery);

    clock.start();
    heartbeat.start(20);
    QElapsedTimer run;
    run.start();
    while (run.elapsed() < seconds * 1000)
        QTest::qWait(100);
    faulter.stop();
    clicker.stop();

    // The encoder recovers: the window must find it and poll again.
    fx.sim().setFault(palvo::Fault::None);
    if (hungUp || !fx.sim().serving())
        QVERIFY(fx.sim().restart());
    const qint64 flipsBefore = lamp.flips;
    auto state = [&] {
        return QStringLiteral(
                   "read %1, port %2, searching %3, sequence %4, InitTimer %5, serving %6, last boxes: %7")
            .arg(form->cbBeriEnkoder->isChecked())
            .arg(form->ComID != INVALID_HANDLE_VALUE)
            .arg(form->m_searching)
            .arg(form->m_sequenceRunning)
            .arg(form->InitTimer->isActive())
            .arg(fx.sim().serving())
            .arg(boxes.calls.mid(qMax(0, int(boxes.calls.size()) - 4)).join(QStringLiteral(" | ")));
    };
    qInfo("soak: at the end of the faults: %s", qPrintable(state()));
    QTRY_VERIFY2_WITH_TIMEOUT(form->cbBeriEnkoder->isChecked() && lamp.flips > flipsBefore + 20,
                              qPrintable(state()), 20000);
    heartbeat.stop();
    connection.stop();

    qInfo("soak: replies decoded %lld, faults injected %d (hang-ups %d), reconnections %d, "
          "set-zero %d, self-calibration %d, boxes %lld, longest event-loop gap %lld ms",
          lamp.flips, faults, hangUps, reconnections, setZeros, selfCals, qint64(boxes.calls.size()),
          longestGap);

    QVERIFY2(m_violations.isEmpty(), qPrintable(m_violations.mid(0, 5).join(QLatin1Char('\n'))));
    const qint64 maxGap = qEnvironmentVariableIsSet("CORVANE_SOAK_MAX_GAP_MS")
                              ? qEnvironmentVariableIntValue("CORVANE_SOAK_MAX_GAP_MS")
                              : 400;
    QVERIFY2(longestGap < maxGap, qPrintable(QStringLiteral("event loop silent for %1 ms").arg(longestGap)));
    QVERIFY(lamp.flips > seconds * 2);

    const QString device = fx.devicePath();
    // The simulator keeps its own handle to the device; the window's must go.
    const int withWindow = openHandlesTo(device);
    QVERIFY(form->ComID != INVALID_HANDLE_VALUE);
    form->close();
    form.reset();
    QCOMPARE(openHandlesTo(device), withWindow - 1);
}

QTEST_MAIN(SoakTest)
#include "tst_soak.moc"
