// The port search on real pseudo-terminals: rates in order, silent and
// unusable ports, rejected answers, closing during a run, polling held back.
#include <QCheckBox>
#include <QElapsedTimer>
#include <QListWidget>
#include <QPushButton>
#include <QStandardPaths>
#include <QtTest>

#include "app/main_form.h"
#include "app/widgets.h"
#include "link/serial_channel.h"
#include "tests/support/sim_fixture.h"
#include "tests/support/test_doubles.h"
#include "tools/terminating.h"

namespace {

const std::vector<int> Rates = {115200, 128000, 230400, 256000, 500000, 1000000, 921600};

// A window on the real serial channel with a fixed port list; no timers run.
struct Window {
    explicit Window(const QStringList &entries) : ports(entries)
    {
        form = std::make_unique<TMainForm>(Platform{channel.get(), &ports});
        form->tmrStartup->stop();
        form->InitTimer->stop();
    }
    RecordingDialogs dialogs;
    std::unique_ptr<SerialChannel> channel = createSerialPortChannel();
    FixedPortList ports;
    std::unique_ptr<TMainForm> form;
};

// An encoder at a rate the search never tries: it never answers.
palvo::SimConfig silentConfig()
{
    palvo::SimConfig c;
    c.baud = 9600;
    return c;
}

// Nobody holds the port: another program could open it now.
bool portFree(const QString &path)
{
    auto probe = createSerialPortChannel();
    const bool ok = probe->open(path);
    probe->close();
    return ok;
}

}   // namespace

class DiscoveryTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void cleanup() { Terminating::instance().set(false); }
    void foundAtEachRate_data();
    void foundAtEachRate();
    void silentPortsAreClosedAndPassed();
    void unusablePortsAreSkippedAtOnce();
    void noPortsRearmsTheTimer();
    void rejectedAnswers_data();
    void rejectedAnswers();
    void closingDuringARunStopsIt();
    void otherTicksWaitForTheRun();
    void configurationClicksWaitForTheRun();
};

void DiscoveryTest::foundAtEachRate_data()
{
    QTest::addColumn<int>("item");
    for (int i = 0; i < int(Rates.size()); ++i)
        QTest::addRow("%d", Rates[i]) << i;
}

void DiscoveryTest::foundAtEachRate()
{
    QFETCH(int, item);
    palvo::SimConfig config;
    config.baud = Rates[item];
    SimFixture enc(config);
    QVERIFY(enc.ok());
    Window w({enc.portEntry()});

    w.form->InitTimerTimer();

    QCOMPARE(w.form->rgBaudrate->itemIndex(), item);
    QCOMPARE(w.form->listCom->currentRow(), 0);
    QVERIFY(w.form->ComID != INVALID_HANDLE_VALUE);
    QVERIFY(!portFree(enc.portPath()));
    QCOMPARE(enc.sim().appliedBaud(), Rates[item]);
    // Every rate up to the encoder's was tried once, in item order.
    const std::vector<int> tried(Rates.begin(), Rates.begin() + item + 1);
    QCOMPARE(enc.sim().baudHistory(), tried);
    QVERIFY(w.form->cbBeriEnkoder->isChecked());
    QVERIFY(!w.form->InitTimer->isActive());
    QCOMPARE(w.form->InitTimer->interval(), 800);
    QCOMPARE(w.form->Enkoder_CPR, 16384);
    QCOMPARE(w.form->resolucija_bitov, quint8(14));
    QCOMPARE(w.form->Singleturn_maska, 0x3FFFu);
}

void DiscoveryTest::silentPortsAreClosedAndPassed()
{
    SimFixture silent1(silentConfig()), silent2(silentConfig()), enc;
    QVERIFY(silent1.ok() && silent2.ok() && enc.ok());
    Window w({silent1.portEntry(), silent2.portEntry(), enc.portEntry()});

    QElapsedTimer t;
    t.start();
    w.form->InitTimerTimer();
    const qint64 ms = t.elapsed();

    QCOMPARE(w.form->listCom->currentRow(), 2);
    QCOMPARE(w.form->rgBaudrate->itemIndex(), 0);
    for (SimFixture *s : {&silent1, &silent2}) {
        QCOMPARE(s->sim().baudHistory(), Rates);
        QCOMPARE(QByteArray::fromStdString(s->sim().received()), QByteArray("vvvvvvv"));
        QVERIFY(portFree(s->portPath()));
    }
    // Fourteen probes that each wait out the reply timeout.
    QVERIFY2(ms > 14 * 300, qPrintable(QString::number(ms)));
    QVERIFY(w.form->cbBeriEnkoder->isChecked());
}

void DiscoveryTest::unusablePortsAreSkippedAtOnce()
{
    SimFixture held, enc;
    QVERIFY(held.ok() && enc.ok());
    auto otherProgram = createSerialPortChannel();
    QVERIFY(otherProgram->open(held.portPath()));
    Window w({"/nonexistent/ttyUSB9  cmdline", held.portEntry(), enc.portEntry()});

    QElapsedTimer t;
    t.start();
    w.form->InitTimerTimer();
    const qint64 ms = t.elapsed();

    QCOMPARE(w.form->listCom->currentRow(), 2);
    QVERIFY(w.form->ComID != INVALID_HANDLE_VALUE);
    QCOMPARE(held.sim().received(), std::string());
    // One silent port alone would cost seven reply timeouts (over 2.1 s).
    QVERIFY2(ms < 1500, qPrintable(QString::number(ms)));
    QVERIFY(w.dialogs.calls.isEmpty());
}

void DiscoveryTest::noPortsRearmsTheTimer()
{
    Window w({});
    w.form->InitTimer->start();
    QTRY_COMPARE_WITH_TIMEOUT(w.form->InitTimer->interval(), 800, 2000);
    QCOMPARE(w.form->listCom->count(), 0);
    QVERIFY(w.form->InitTimer->isActive());
    QCOMPARE(w.form->ComID, INVALID_HANDLE_VALUE);
    QVERIFY(!w.form->cbBeriEnkoder->isChecked());
}

void DiscoveryTest::rejectedAnswers_data()
{
    QTest::addColumn<int>("fault");
    QTest::newRow("eight bytes to \"v\"") << int(palvo::Fault::Extra);
    QTest::newRow("wrong first byte") << int(palvo::Fault::WrongEcho);
    QTest::newRow("six bytes") << int(palvo::Fault::Short);
}

void DiscoveryTest::rejectedAnswers()
{
    QFETCH(int, fault);
    SimFixture enc;
    QVERIFY(enc.ok());
    enc.sim().setFault(palvo::Fault(fault));
    Window w({enc.portEntry()});

    w.form->InitTimerTimer();

    // All seven rates tried, no identification, the port let go.
    QCOMPARE(QByteArray::fromStdString(enc.sim().received()), QByteArray("vvvvvvv"));
    QCOMPARE(w.form->ComID, INVALID_HANDLE_VALUE);
    QVERIFY(portFree(enc.portPath()));
    QCOMPARE(w.form->listCom->currentRow(), -1);
    QVERIFY(w.form->prebrana_serijska.isEmpty());
    QVERIFY(!w.form->cbBeriEnkoder->isChecked());
    QVERIFY(w.form->InitTimer->isActive());
    QCOMPARE(w.form->InitTimer->interval(), 800);
}

void DiscoveryTest::closingDuringARunStopsIt()
{
    SimFixture silent1(silentConfig()), silent2(silentConfig());
    QVERIFY(silent1.ok() && silent2.ok());
    {
        Window w({silent1.portEntry(), silent2.portEntry()});
        w.form->show();
        QTimer::singleShot(400, w.form.get(), [&] { w.form->close(); });

        w.form->InitTimerTimer();

        QVERIFY(ApplicationTerminating());
        QVERIFY(silent1.sim().received().size() < 7);
        QCOMPARE(silent2.sim().received(), std::string());
        QVERIFY(!w.form->InitTimer->isActive());
        QVERIFY(!w.form->TimerBeriEnkoder->isActive());
        // The run stops without touching the port ...
        QVERIFY(w.form->ComID != INVALID_HANDLE_VALUE);
        QVERIFY(!portFree(silent1.portPath()));
    }
    // ... and the window's end closes it.
    QVERIFY(portFree(silent1.portPath()));
}

void DiscoveryTest::otherTicksWaitForTheRun()
{
    SimFixture silent(silentConfig()), enc;
    QVERIFY(silent.ok() && enc.ok());
    Window w({silent.portEntry(), enc.portEntry()});
    // While the silent port is being tried the user ticks "Read encoder", and
    // the search timer is armed again (as a lost line elsewhere would do).
    QTimer::singleShot(100, w.form.get(), [&] {
        w.form->cbBeriEnkoder->setChecked(true);
        w.form->InitTimer->start(10);
    });

    w.form->InitTimerTimer();

    // Neither a poll nor a second run touched the silent port.
    QVERIFY(w.form->TimerBeriEnkoder->isActive());
    QVERIFY(!w.form->InitTimer->isActive());
    QCOMPARE(QByteArray::fromStdString(silent.sim().received()), QByteArray("vvvvvvv"));
    QCOMPARE(w.form->listCom->currentRow(), 1);
    QVERIFY(w.form->ComID != INVALID_HANDLE_VALUE);
    // Once the run is over, polling goes on on the encoder's port.
    QTRY_VERIFY_WITH_TIMEOUT(QByteArray::fromStdString(enc.sim().received()).contains("3d"), 3000);
    QVERIFY(w.form->cbBeriEnkoder->isChecked());
    QVERIFY(w.form->ComID != INVALID_HANDLE_VALUE);
}

void DiscoveryTest::configurationClicksWaitForTheRun()
{
    SimFixture silent(silentConfig()), enc;
    QVERIFY(silent.ok() && enc.ok());
    Window w({silent.portEntry(), enc.portEntry()});
    // Clicks while the silent port is being tried: their frames would go to
    // whatever port the search holds at that moment.
    QTimer::singleShot(100, w.form.get(), [&] {
        w.form->btnSTzero->click();
        w.form->btnMTzero->click();
        w.form->btnResetFactory->click();
        w.form->btnStartSelfCal->click();
    });

    w.form->InitTimerTimer();

    QCOMPARE(QByteArray::fromStdString(silent.sim().received()), QByteArray("vvvvvvv"));
    QVERIFY(!QByteArray::fromStdString(enc.sim().received()).contains(char(0x9E)));
    QVERIFY(enc.sim().frames().empty());
    QCOMPARE(w.dialogs.calls, QStringList());
    QVERIFY(w.form->cbBeriEnkoder->isChecked());
    w.form->cbBeriEnkoder->setChecked(false);
}

QTEST_MAIN(DiscoveryTest)
#include "tst_discovery.moc"
