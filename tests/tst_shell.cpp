#include <QCheckBox>
#include <QLabel>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QtTest>
#include <stdexcept>

#include "app/application.h"
#include "app/colors.h"
#include "app/main_form.h"
#include "link/serial_channel.h"
#include "tests/support/sim_fixture.h"
#include "tests/support/test_doubles.h"
#include "tests/support/update_recorders.h"
#include "tools/terminating.h"
#include "update/software_update_check.h"
#include "update/update_preference.h"

class ShellTest : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<TMainForm> makeForm(SerialChannel &channel, PortList &ports)
    {
        auto form = std::make_unique<TMainForm>(Platform{&channel, &ports});
        form->tmrStartup->stop();
        form->InitTimer->stop();
        return form;
    }

    RecordingDialogs m_dialogs;
    FixedPortList m_noPorts;

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init() { m_dialogs.calls.clear(); }
    void cleanup() { Terminating::instance().set(false); }

    void captionCarriesTheVersion_data()
    {
        QTest::addColumn<QString>("version");
        QTest::newRow("version 1.0.0.0") << "1.0.0.0";
        QTest::newRow("no version record") << "";
        QTest::newRow("wide numbers") << "65535.0.12.3";
    }

    void captionCarriesTheVersion()
    {
        QFETCH(QString, version);
        ProgramVersionStr = version;
        auto channel = createSerialPortChannel();
        auto form = makeForm(*channel, m_noPorts);
        QCOMPARE(form->windowTitle(), QStringLiteral("Corvane for Palvo Asnychronous Serial (UART) (Ver: ") +
                                          version + QStringLiteral(")"));
    }

    void captionOfAProgramFileWithoutVersion()
    {
        QTemporaryFile plain;
        QVERIFY(plain.open());
        plain.write("not a program");
        plain.close();
        ReadProgramVersionFrom(plain.fileName());
        auto channel = createSerialPortChannel();
        auto form = makeForm(*channel, m_noPorts);
        QVERIFY2(form->windowTitle().endsWith(QLatin1String(" (Ver: )")), qPrintable(form->windowTitle()));
    }

    void formCreateState()
    {
        auto channel = createSerialPortChannel();
        TMainForm form(Platform{channel.get(), &m_noPorts});
        form.tmrStartup->stop();
        QCOMPARE(form.ComID, INVALID_HANDLE_VALUE);
        QCOMPARE(form.Enkoder_CPR, 1);
        QCOMPARE(form.Multiturn, quint8(0));
        QCOMPARE(form.kot, 0.0f);
        QCOMPARE(form.commandIndex(), quint8(0));
        QCOMPARE(form.rxBuffer(), QByteArray());
        QCOMPARE(form.bufDisp(), quint8(0));
        QCOMPARE(form.temperatura(), qint16(0));
        QCOMPARE(form.prebrana_serijska, QByteArray());
        QCOMPARE(form.prebran_ident, QByteArray());
        QCOMPARE(form.FWverzijaStr, QByteArray());
        QCOMPARE(form.resolucija_bitov, quint8(0));
        QCOMPARE(form.Singleturn_maska, 0u);
        QCOMPARE(form.MTST_value, qint64(0));
        QCOMPARE(form.ST_value, 0);
        QCOMPARE(form.MT_value, qint16(0));
        QCOMPARE(form.Encoder_Error, false);
        QCOMPARE(ProgramName, QStringLiteral("Corvane_for_Palvo_Zivaz_Uvezud"));
        QVERIFY(form.InitTimer->isActive());
        QCOMPARE(form.InitTimer->interval(), 200);
        form.InitTimer->stop();
        // The update check's status line lands in the window.
        StatusCallback(QStringLiteral("Checking..."));
        QCOMPARE(form.lblSWupdateCheckStatus->text(), QStringLiteral("Checking..."));
    }

    // The check box's handler runs only when the box really changes.
    void closeComPortStopsPollingThroughTheBox_data()
    {
        QTest::addColumn<bool>("checked");
        QTest::newRow("reading on") << true;
        QTest::newRow("reading off") << false;
    }

    void closeComPortStopsPollingThroughTheBox()
    {
        QFETCH(bool, checked);
        auto channel = createSerialPortChannel();
        auto form = makeForm(*channel, m_noPorts);
        form->cbBeriEnkoder->setChecked(checked);
        form->setCommandIndex(3);
        int handlerRuns = 0;
        connect(form->cbBeriEnkoder, &QCheckBox::toggled, this, [&] { ++handlerRuns; });

        form->CloseComPort();

        QVERIFY(!form->cbBeriEnkoder->isChecked());
        QVERIFY(!form->TimerBeriEnkoder->isActive());
        QCOMPARE(handlerRuns, checked ? 1 : 0);
        QCOMPARE(form->commandIndex(), quint8(checked ? 1 : 3));
    }

    void closeComPortResetsTheDisplayOnly()
    {
        auto channel = createSerialPortChannel();
        auto form = makeForm(*channel, m_noPorts);
        form->pnlAError->setColor(clrRed);
        form->pnlAbsPosMT->show();
        form->kot = 45.0f;
        form->ST_value = 2048;
        form->prebran_ident = "PAL-UART-14B-MT";
        form->lblRxBuffer1->setText(QStringLiteral("1 -> 31 00 03"));

        for (int round = 0; round < 2; ++round) {   // any number of times, no port open
            form->CloseComPort();
            QCOMPARE(form->lblTempAsic_C->text(), QStringLiteral("- - - - -"));
            QCOMPARE(form->pnlAbsPosDeg->text(), QStringLiteral("not connected"));
            QCOMPARE(form->pnlAbsPosCnt->text(), QStringLiteral("- - - - -"));
            QCOMPARE(form->pnlAbsPosMT->text(), QStringLiteral("- - - - -"));
            QCOMPARE(form->lblAselfCalResult->text(), QStringLiteral("..."));
            QCOMPARE(form->lblEncoderInfo->text(), QStringLiteral("Encoder information..."));
            QCOMPARE(form->lblEncoderInfo2->text(), QString());
            QCOMPARE(form->ComID, INVALID_HANDLE_VALUE);
            QVERIFY(form->rgBaudrate->isEnabled());
        }
        QCOMPARE(form->pnlAError->color(), clrRed);
        QVERIFY(form->pnlAbsPosMT->isVisibleTo(form.get()));
        QCOMPARE(form->kot, 45.0f);
        QCOMPARE(form->ST_value, 2048);
        QCOMPARE(form->prebran_ident, QByteArray("PAL-UART-14B-MT"));
        QCOMPARE(form->lblRxBuffer1->text(), QStringLiteral("1 -> 31 00 03"));
        QVERIFY(!form->InitTimer->isActive());   // no new search from here
    }

    void closeComPortClosesAnOpenPort()
    {
        SimFixture sim;
        QVERIFY(sim.ok());
        auto channel = createSerialPortChannel();
        auto form = makeForm(*channel, m_noPorts);
        QVERIFY(channel->open(sim.portPath()));
        form->ComID = channel->handle();
        QVERIFY(form->ComID != INVALID_HANDLE_VALUE);

        form->CloseComPort();
        QCOMPARE(form->ComID, INVALID_HANDLE_VALUE);
        QCOMPARE(channel->handle(), INVALID_HANDLE_VALUE);
        // Free again: another program could take it now.
        QVERIFY(channel->open(sim.portPath()));
        channel->close();
    }

    // Window closed while the search or the polling holds the port.
    void destroyingTheWindowLeavesNoPortOpen_data()
    {
        QTest::addColumn<bool>("waitForPolling");
        QTest::newRow("during the search") << false;
        QTest::newRow("while polling") << true;
    }

    void destroyingTheWindowLeavesNoPortOpen()
    {
        QFETCH(bool, waitForPolling);
        palvo::SimConfig config;
        config.baud = 921600;   // the last rate searched: the search takes a while
        SimFixture sim(config);
        QVERIFY(sim.ok());
        auto channel = createSerialPortChannel();
        FixedPortList ports({sim.portEntry()});
        auto form = std::make_unique<TMainForm>(Platform{channel.get(), &ports});
        form->tmrStartup->stop();
        form->show();
        if (waitForPolling)
            QTRY_VERIFY_WITH_TIMEOUT(form->cbBeriEnkoder->isChecked(), 15000);
        else
            QTRY_VERIFY_WITH_TIMEOUT(channel->handle() != INVALID_HANDLE_VALUE, 5000);

        form->close();
        QVERIFY(ApplicationTerminating());
        form.reset();
        QCOMPARE(channel->handle(), INVALID_HANDLE_VALUE);
    }

    void errorReportText_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("shown");
        QTest::newRow("letter gets a full stop") << "Range check error"
                                                 << "Range check error.";
        QTest::newRow("digit gets a full stop") << "Error 1"
                                                << "Error 1.";
        QTest::newRow("slash (47) gets one") << "a/"
                                             << "a/.";
        QTest::newRow("full stop (46) stays") << "Done."
                                              << "Done.";
        QTest::newRow("hyphen (45) stays") << "x-"
                                           << "x-";
        QTest::newRow("exclamation stays") << "Stop!"
                                           << "Stop!";
        QTest::newRow("blank stays") << "trailing "
                                     << "trailing ";
        QTest::newRow("non-ASCII gets one")
            << QStringLiteral("Temperatur °") << QStringLiteral("Temperatur °.");
        QTest::newRow("empty stays empty") << ""
                                           << "";
    }

    void errorReportText()
    {
        QFETCH(QString, message);
        QFETCH(QString, shown);
        QCOMPARE(::errorReportText(message), shown);
    }

    // An index error in a timer's handler ends that handler in the error box,
    // and the program carries on.
    void exceptionInAHandlerReachesTheReport()
    {
        auto channel = createSerialPortChannel();
        auto form = makeForm(*channel, m_noPorts);
        form->setCommandIndex(9);
        form->TimerBeriEnkoder->start();
        QTRY_VERIFY_WITH_TIMEOUT(!m_dialogs.calls.isEmpty(), 5000);
        form->TimerBeriEnkoder->stop();
        QCOMPARE(m_dialogs.calls.first(), QStringLiteral("error: Range check error."));

        bool later = false;
        QTimer::singleShot(0, this, [&] { later = true; });
        QTRY_VERIFY_WITH_TIMEOUT(later, 5000);
        QVERIFY(form->isEnabled());
    }

    void exceptionFromAnyEventReachesTheReport()
    {
        QTimer::singleShot(0, this, [] { throw std::runtime_error("Division by zero"); });
        QTRY_COMPARE_WITH_TIMEOUT(m_dialogs.calls, QStringList{"error: Division by zero."}, 5000);
    }

    // The start-up timer fires once, switches itself off and runs the check,
    // which reports through the window's status label; it never runs again.
    void startupTimerRunsTheCheckOnce()
    {
        isolateUpdateSettings();
        ProgramName = QStringLiteral("Corvane_for_Palvo_Zivaz_Uvezud");
        WriteUpdatePreference(0);   // "never": the check ends before any network step
        auto channel = createSerialPortChannel();
        auto form = std::make_unique<TMainForm>(Platform{channel.get(), &m_noPorts});
        form->InitTimer->stop();
        QCOMPARE(form->tmrStartup->interval(), 10000);
        QVERIFY(form->tmrStartup->isActive());
        form->tmrStartup->start(20);

        QTRY_COMPARE_WITH_TIMEOUT(form->lblSWupdateCheckStatus->text(), QStringLiteral("Update check skipped."),
                                  5000);
        QVERIFY(!form->tmrStartup->isActive());
        form->setStatusText(QString());
        form->tmrStartup->start(20);
        QTest::qWait(200);
        QCOMPARE(form->lblSWupdateCheckStatus->text(), QString());
        QCOMPARE(m_dialogs.calls, QStringList());
    }
};

int main(int argc, char **argv)
{
    CorvaneApplication app(argc, argv);
    SetApplicationTitle(CorvaneTitle);
    ShellTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_shell.moc"
