// The polling cycle against the encoder simulator on a pseudo-terminal.
#include <QtTest>

#include <QCheckBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QStandardPaths>
#include <memory>

#include "app/main_form.h"
#include "app/widgets.h"
#include "link/serial_channel.h"
#include "tests/support/sim_fixture.h"
#include "tests/support/test_doubles.h"

namespace {

struct Window {
    explicit Window(QStringList portEntries = {}) : ports(std::move(portEntries))
    {
        form = std::make_unique<TMainForm>(Platform{channel.get(), &ports});
        form->tmrStartup->stop();
        form->InitTimer->stop();
    }
    // What a search and identification leave behind, without running them.
    bool attach(SimFixture &fx, bool multiturn)
    {
        TMainForm &f = *form;
        if (!f.channel().open(fx.portPath()) || !f.channel().setLine(115200))
            return false;
        f.ComID = f.channel().handle();
        f.resolucija_bitov = 14;
        f.Enkoder_CPR = 16384;
        f.Singleturn_maska = 0x3FFF;
        f.Multiturn = multiturn ? 1 : 0;
        return true;
    }
    RecordingDialogs dialogs;
    FixedPortList ports;
    std::unique_ptr<SerialChannel> channel = createSerialPortChannel();
    std::unique_ptr<TMainForm> form;
};

// Mean gap in ms between the first `count` logged bytes.
double meanGapMs(const std::vector<palvo::LoggedByte> &log, size_t count)
{
    if (log.size() < count || count < 2)
        return -1;
    return (log[count - 1].ms - log[0].ms) / double(count - 1);
}

}   // namespace

class MonitoringPollTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void commandsTakeTurnsAndFollowTheShaft_data()
    {
        QTest::addColumn<bool>("multiturn");
        QTest::newRow("multiturn") << true;
        QTest::newRow("single-turn") << false;
    }

    void commandsTakeTurnsAndFollowTheShaft()
    {
        QFETCH(bool, multiturn);
        palvo::SimConfig config;
        config.multiturn = multiturn;
        SimFixture fx(config);
        QVERIFY(fx.ok());
        fx.sim().setPosition(4096);
        fx.sim().setTurns(-3);
        fx.sim().setTemperature(253);
        Window w;
        TMainForm &f = *w.form;
        QVERIFY(w.attach(fx, multiturn));

        fx.sim().clearLog();
        f.cbBeriEnkoder->setChecked(true);
        QTRY_VERIFY_WITH_TIMEOUT(fx.sim().received().size() >= 9, 10000);
        QCOMPARE(QString::fromStdString(fx.sim().received()).left(8), QStringLiteral("13dt13dt"));
        QTRY_COMPARE_WITH_TIMEOUT(f.pnlAbsPosCnt->text(), QStringLiteral("4096"), 5000);
        QCOMPARE(f.pnlAbsPosDeg->text(), QStringLiteral("90.00 \u00b0"));
        QCOMPARE(f.pnlAbsPosMT->text(), multiturn ? QStringLiteral("-3") : QStringLiteral("0"));
        QTRY_COMPARE_WITH_TIMEOUT(f.lblTempAsic_C->text(), QStringLiteral("Temp: 25.3 \u00b0C"), 5000);

        fx.sim().setPosition(12288);
        QTRY_COMPARE_WITH_TIMEOUT(f.pnlAbsPosDeg->text(), QStringLiteral("270.00 \u00b0"), 5000);
        QCOMPARE(f.kot, 270.0f);
        QVERIFY2(w.dialogs.calls.isEmpty(), qPrintable(w.dialogs.calls.join("; ")));
    }

    // What the text of the box, as typed and before the box corrects it, does
    // to the interval: a whole number from 1 up applies as it stands, a text
    // that is no number reads as the lower limit, zero and below keep the last
    // valid interval.
    void typedTextSetsTheInterval_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("interval");
        QTest::newRow("100") << "100" << 100;
        QTest::newRow("below the limit, applies as typed") << "7" << 7;
        QTest::newRow("zero keeps the last") << "0" << 70;
        QTest::newRow("negative keeps the last") << "-5" << 70;
        QTest::newRow("empty reads as 10") << "" << 10;
    }

    void typedTextSetsTheInterval()
    {
        QFETCH(QString, text);
        QFETCH(int, interval);
        Window w;
        TMainForm &f = *w.form;
        auto *editor = f.seDelay->findChild<QLineEdit *>();
        QVERIFY(editor);
        editor->setText(QStringLiteral("70"));
        f.seDelayChange();
        editor->setText(text);
        f.seDelayChange();
        QCOMPARE(f.TimerBeriEnkoder->interval(), interval);
        QVERIFY(f.TimerBeriEnkoder->interval() > 0);
    }

    // Keystrokes in the box itself: a number outside the limits applies as
    // typed until the box loses the focus, which brings it to the nearest limit.
    void typedKeysOutsideTheLimits_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<int>("whileTyped");
        QTest::addColumn<int>("afterFocusOut");
        QTest::newRow("above 1000") << 70 << "2000" << 2000 << 1000;
        QTest::newRow("below 10") << 70 << "5" << 5 << 10;
        // The lone minus is no number and reads as 10; -5 then keeps that.
        QTest::newRow("negative") << 70 << "-5" << 10 << 10;
        QTest::newRow("far above") << 70 << "99999" << 99999 << 1000;
        QTest::newRow("inside") << 70 << "250" << 250 << 250;
        // Brought back to the value it had: the box itself signals no change.
        QTest::newRow("below 10, back to 10") << 10 << "5" << 5 << 10;
        QTest::newRow("above 1000, back to 1000") << 1000 << "10000" << 10000 << 1000;
    }

    void typedKeysOutsideTheLimits()
    {
        QFETCH(int, start);
        QFETCH(QString, keys);
        QFETCH(int, whileTyped);
        QFETCH(int, afterFocusOut);
        Window w;
        TMainForm &f = *w.form;
        f.seDelay->setValue(start);
        QCOMPARE(f.TimerBeriEnkoder->interval(), start);
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(f.window()));
        f.seDelay->setFocus();
        f.seDelay->selectAll();
        QTest::keyClicks(f.seDelay, keys);
        QCOMPARE(f.seDelay->cleanText(), keys);
        QCOMPARE(f.TimerBeriEnkoder->interval(), whileTyped);

        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(f.seDelay, &out);
        QCOMPARE(f.seDelay->value(), afterFocusOut);
        QCOMPARE(f.TimerBeriEnkoder->interval(), afterFocusOut);
    }

    // 50 ms until the box is first changed, although it shows 30; then what is
    // typed into the box, keystroke by keystroke.
    void intervalFromTheSpinBox()
    {
        SimFixture fx;
        QVERIFY(fx.ok());
        Window w;
        TMainForm &f = *w.form;
        QVERIFY(w.attach(fx, true));
        QCOMPARE(f.seDelay->value(), 30);
        QCOMPARE(f.TimerBeriEnkoder->interval(), 50);

        fx.sim().clearLog();
        f.cbBeriEnkoder->setChecked(true);
        QTRY_VERIFY_WITH_TIMEOUT(fx.sim().log().size() >= 11, 10000);
        f.cbBeriEnkoder->setChecked(false);
        const double atStart = meanGapMs(fx.sim().log(), 11);
        QVERIFY2(atStart > 40 && atStart < 150, qPrintable(QString::number(atStart)));

        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(f.window()));
        f.seDelay->setFocus();
        f.seDelay->selectAll();
        QTest::keyClicks(f.seDelay, QStringLiteral("100"));
        QCOMPARE(f.TimerBeriEnkoder->interval(), 100);
        f.seDelay->selectAll();
        QTest::keyClicks(f.seDelay, QStringLiteral("0"));
        QCOMPARE(f.TimerBeriEnkoder->interval(), 100);

        fx.sim().clearLog();
        f.cbBeriEnkoder->setChecked(true);
        QTRY_VERIFY_WITH_TIMEOUT(fx.sim().log().size() >= 6, 10000);
        f.cbBeriEnkoder->setChecked(false);
        const double typed = meanGapMs(fx.sim().log(), 6);
        QVERIFY2(typed > 85 && typed < 250, qPrintable(QString::number(typed)));

        // The arrows step by 10.
        f.seDelay->setValue(100);
        f.seDelay->stepUp();
        QCOMPARE(f.TimerBeriEnkoder->interval(), 110);
    }

    void uncheckAndCheckRestartsAtIndexOne()
    {
        SimFixture fx;
        QVERIFY(fx.ok());
        Window w;
        TMainForm &f = *w.form;
        QVERIFY(w.attach(fx, true));
        f.cbBeriEnkoder->setChecked(true);
        QTRY_VERIFY_WITH_TIMEOUT(fx.sim().received().size() >= 2, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(f.commandIndex(), quint8(3), 5000);   // "d" is due next
        f.cbBeriEnkoder->setChecked(false);
        QCOMPARE(f.commandIndex(), quint8(1));

        fx.sim().clearLog();
        f.cbBeriEnkoder->setChecked(true);
        QTRY_VERIFY_WITH_TIMEOUT(fx.sim().received().size() >= 4, 10000);
        f.cbBeriEnkoder->setChecked(false);
        QCOMPARE(QString::fromStdString(fx.sim().received()).left(4), QStringLiteral("13dt"));
    }

    // A port search in progress holds polling back.
    void noTransactionWhileSearching()
    {
        SimFixture fx;
        QVERIFY(fx.ok());
        Window w;
        TMainForm &f = *w.form;
        QVERIFY(w.attach(fx, true));
        f.m_searching = true;
        fx.sim().clearLog();
        f.TimerBeriEnkoderTimer();
        f.m_searching = false;
        QCOMPARE(fx.sim().received(), std::string());
        QCOMPARE(f.commandIndex(), quint8(0));
    }

    void checkingWithoutAPortHandsBackToTheSearch()
    {
        Window w;
        TMainForm &f = *w.form;
        f.cbBeriEnkoder->setChecked(true);
        QTRY_VERIFY_WITH_TIMEOUT(!f.cbBeriEnkoder->isChecked(), 5000);
        QVERIFY(!f.TimerBeriEnkoder->isActive());
        QVERIFY(f.InitTimer->isActive());
        QCOMPARE(f.pnlAbsPosDeg->text(), QStringLiteral("not connected"));
    }

    // The encoder goes away while polling and comes back at the same path.
    void lostEncoderIsFoundAgain()
    {
        SimFixture fx;
        QVERIFY(fx.ok());
        fx.sim().setPosition(8192);
        Window w({fx.portEntry()});
        TMainForm &f = *w.form;
        w.dialogs.defaultAnswer = 2;
        f.InitTimer->start();   // the real road: search, identify, poll
        QTRY_VERIFY_WITH_TIMEOUT(f.cbBeriEnkoder->isChecked(), 15000);
        QTRY_COMPARE_WITH_TIMEOUT(f.pnlAbsPosDeg->text(), QStringLiteral("180.00 \u00b0"), 5000);
        const float lastKot = f.kot;

        fx.sim().hangUp();
        QTRY_COMPARE_WITH_TIMEOUT(f.pnlAbsPosDeg->text(), QStringLiteral("not connected"), 5000);
        QVERIFY(!f.cbBeriEnkoder->isChecked());
        QCOMPARE(f.pnlAbsPosCnt->text(), QStringLiteral("- - - - -"));
        QCOMPARE(f.ComID, INVALID_HANDLE_VALUE);
        QCOMPARE(f.kot, lastKot);
        QVERIFY(f.InitTimer->isActive() || f.m_searching);

        fx.sim().setPosition(12288);
        QVERIFY(fx.sim().restart());
        QTRY_VERIFY_WITH_TIMEOUT(f.cbBeriEnkoder->isChecked(), 20000);
        QTRY_COMPARE_WITH_TIMEOUT(f.pnlAbsPosDeg->text(), QStringLiteral("270.00 \u00b0"), 5000);
    }
};

QTEST_MAIN(MonitoringPollTest)
#include "tst_monitoring_poll.moc"
