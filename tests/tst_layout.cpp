#include <QAbstractButton>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QRadioButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QtTest>

#include "app/colors.h"
#include "app/main_form.h"
#include "app/widgets.h"
#include "link/serial_channel.h"
#include "tests/support/test_doubles.h"
#include "tools/terminating.h"
#include "update/software_update_check.h"

namespace {

// What a control shows as its text, whatever its kind.
QString captionOf(QWidget *w)
{
    if (auto *l = qobject_cast<QLabel *>(w))
        return l->text();
    if (auto *g = qobject_cast<QGroupBox *>(w))
        return g->title();
    if (auto *b = qobject_cast<QAbstractButton *>(w))
        return b->text();
    if (auto *s = qobject_cast<QSpinBox *>(w))
        return s->text();
    if (auto *list = qobject_cast<QListWidget *>(w)) {
        QStringList rows;
        for (int i = 0; i < list->count(); ++i)
            rows << list->item(i)->text();
        return rows.join(QLatin1Char('\n'));
    }
    return {};
}

// The colour the control paints itself in; invalid where it shows its parent.
QColor colourOf(QWidget *w)
{
    if (auto *p = qobject_cast<Panel *>(w))
        return p->color();
    if (w->autoFillBackground())
        return w->palette().color(QPalette::Window);
    return {};
}

}   // namespace

class LayoutTest : public QObject {
    Q_OBJECT
public:
    LayoutTest() : m_channel(createSerialPortChannel()) {}

private:
    std::unique_ptr<TMainForm> makeForm()
    {
        auto form = std::make_unique<TMainForm>(Platform{m_channel.get(), &m_ports});
        form->tmrStartup->stop();
        form->InitTimer->stop();
        return form;
    }

    RecordingDialogs m_dialogs;
    std::unique_ptr<SerialChannel> m_channel;
    FixedPortList m_ports;

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        ProgramVersionStr = QStringLiteral("1.0.0.0");
    }
    void cleanup() { Terminating::instance().set(false); }

    void controls_data()
    {
        QTest::addColumn<QString>("parent");
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("face");
        QTest::addColumn<int>("pixels");
        QTest::addColumn<bool>("bold");
        QTest::addColumn<QColor>("colour");
        QTest::addColumn<bool>("visible");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<QString>("hint");

        const QString win = QStringLiteral("MainForm");
        const QString sans = QStringLiteral("MS Sans Serif"), tahoma = QStringLiteral("Tahoma"),
                      arial = QStringLiteral("Arial");
        const QColor none, silver(192, 192, 192), white(255, 255, 255);
        auto row = [](const char *name) -> QTestData & { return QTest::newRow(name); };

        row("pnl1Top") << win << QRect(0, 0, 745, 81) << "" << sans << 11 << false << white << true << true
                       << "";
        row("pnl2Mid") << win << QRect(0, 81, 745, 8) << "" << sans << 11 << false << QColor(255, 128, 64)
                       << true << true << "";
        row("GroupBox1") << "pnl1Top" << QRect(7, 7, 522, 59) << " Encoder info " << sans << 11 << false
                         << none << true << true << "";
        row("lblEncoderInfo") << "GroupBox1" << QRect(19, 16, 115, 16) << "Encoder information" << tahoma
                              << 13 << false << none << true << true << "";
        row("lblEncoderInfo2") << "GroupBox1" << QRect(211, 16, 12, 16) << "..." << tahoma << 13 << false
                               << none << true << true << "";
        row("pnlComm") << "pnl1Top" << QRect(120, 5, 12, 12) << "" << sans << 11 << false << QColor(0, 68, 0)
                       << true << true << "";
        row("Image1") << "pnl1Top" << QRect(574, 23, 126, 31) << "" << sans << 11 << false << none << true
                      << true << "Double click to visit corvane.example";
        row("listCom") << win << QRect(8, 102, 94, 106) << "1\n2\n3" << sans << 11 << false << none << true
                       << false << "";
        row("seDelay") << win << QRect(8, 214, 94, 22) << "30" << sans << 11 << false << none << true << true
                       << "Delay between readings (ms)";
        row("cbBeriEnkoder") << win << QRect(8, 265, 124, 17) << "Read encoder" << sans << 16 << false << none
                             << true << true << "";
        row("lblRxBuffer1") << win << QRect(8, 288, 57, 13) << "lblRxBuffer1" << sans << 11 << false << none
                            << true << true << "";
        row("lblRxBuffer2") << win << QRect(8, 288, 57, 13) << "lblRxBuffer2" << sans << 11 << false << none
                            << false << true << "";
        row("rgBaudrate") << win << QRect(108, 96, 89, 145) << "Baudrate" << sans << 11 << false << none
                          << true << false << "";
        row("pnlAbsPosMT") << win << QRect(203, 99, 272, 35) << "0" << arial << 32 << true << white << false
                           << true << "Multiturn counter value";
        row("pnlAbsPosCnt") << win << QRect(203, 136, 272, 35) << "-  -  -  -  -" << arial << 32 << true
                            << white << true << true << "Singleturn position (counts)";
        row("pnlAbsPosDeg") << win << QRect(203, 173, 272, 35) << "not connected" << arial << 32 << true
                            << white << true << true << "Singleturn position (degrees)";
        row("PaintBoxKot") << win << QRect(203, 221, 100, 100) << "" << sans << 11 << false << none << true
                           << true << "";
        row("lblTempAsic_C") << win << QRect(186, 361, 69, 23) << "TempAsic"
                             << "Arial Narrow" << 19 << false << clrFace() << true << true << "";
        row("gbEncoderStatus") << win << QRect(321, 214, 166, 110) << " Encoder Status " << sans << 11
                               << false << none << true << true << "";
        row("pnlAError") << "gbEncoderStatus" << QRect(3, 16, 79, 17) << "Error" << tahoma << 12 << true
                         << silver << true << true << "";
        row("pnlAWarning") << "gbEncoderStatus" << QRect(83, 16, 79, 17) << "Warning" << tahoma << 12 << true
                           << silver << true << true << "";
        row("pnlAmplitudaHi") << "gbEncoderStatus" << QRect(3, 34, 79, 17) << "Signal High" << tahoma << 11
                              << false << silver << true << true << "";
        row("pnlTemperaturaAsic") << "gbEncoderStatus" << QRect(83, 34, 79, 17) << "Temerature" << tahoma
                                  << 11 << false << silver << true << true << "";
        row("pnlAmplitudaWarn") << "gbEncoderStatus" << QRect(3, 52, 79, 17) << "Signal Low" << tahoma << 11
                                << false << silver << true << true << "";
        row("pnlSpeed") << "gbEncoderStatus" << QRect(83, 52, 79, 17) << "Speed" << tahoma << 11 << false
                        << silver << true << true << "";
        row("pnlMultiturnErr") << "gbEncoderStatus" << QRect(3, 70, 79, 17) << "Multiturn Err" << tahoma << 11
                               << false << silver << true << true << "";
        row("pnlOAngleAccel") << "gbEncoderStatus" << QRect(83, 70, 79, 17) << "Acceleration" << tahoma << 11
                              << false << silver << true << true
                              << QStringLiteral("position has changed for > 20° in 20 µsec");
        row("pnlOSafety") << "gbEncoderStatus" << QRect(83, 88, 79, 17) << "Safety comp." << tahoma << 11
                          << false << silver << true << true << QStringLiteral("Redundacy deviation > 20°");
        row("btnMTzero") << win << QRect(494, 96, 87, 33) << "Multiturn 0" << sans << 11 << false << none
                         << true << true << "";
        row("btnSTzero") << win << QRect(493, 137, 88, 33) << "Set zero here" << sans << 11 << false << none
                         << true << true << "";
        row("btnResetFactory") << win << QRect(494, 179, 88, 35) << "Reset to Factory" << sans << 11 << false
                               << none << true << true << "";
        row("btnStartSelfCal") << win << QRect(648, 179, 85, 35) << "Start Self-Cal" << sans << 11 << false
                               << none << true << true << "";
        row("pbSelfCalProgress") << win << QRect(493, 221, 239, 17) << "" << sans << 11 << false << none
                                 << true << true << "";
        row("GroupBox4") << win << QRect(494, 244, 239, 156) << " Self-calibration status  " << sans << 11
                         << false << none << true << true << "";
        row("pnlAselfCalFinished") << "GroupBox4" << QRect(19, 25, 201, 17) << "Procedure finished" << tahoma
                                   << 11 << false << silver << true << true << "";
        row("pnlAselfCalTimeout") << "GroupBox4" << QRect(19, 44, 201, 17) << "Timeout expired" << tahoma
                                  << 11 << false << silver << true << true << "";
        row("pnlAselfCalOutOfRange") << "GroupBox4" << QRect(19, 63, 201, 17) << "Calibration out of range"
                                     << tahoma << 11 << false << silver << true << true << "";
        row("pnlASelfCalEffective") << "GroupBox4" << QRect(19, 82, 201, 17) << "Calibration is effective"
                                    << tahoma << 11 << false << silver << true << true << "";
        row("pnlAselfCalSucessful") << "GroupBox4" << QRect(19, 101, 201, 17) << "Calibration successful"
                                    << tahoma << 11 << false << silver << true << true << "";
        row("lblAselfCalResult") << "GroupBox4" << QRect(19, 117, 198, 44) << "..." << sans << 11 << false
                                 << none << true << true << "";
        row("lblSWupdateCheckStatus") << win << QRect(726, 401, 6, 11) << "..."
                                      << "Small Fonts" << 9 << false << none << true << true << "";
    }

    void controls()
    {
        QFETCH(QString, parent);
        QFETCH(QRect, geometry);
        QFETCH(QString, caption);
        QFETCH(QString, face);
        QFETCH(int, pixels);
        QFETCH(bool, bold);
        QFETCH(QColor, colour);
        QFETCH(bool, visible);
        QFETCH(bool, enabled);
        QFETCH(QString, hint);

        auto form = makeForm();
        auto *w = form->findChild<QWidget *>(QString::fromLatin1(QTest::currentDataTag()));
        QVERIFY(w);
        QCOMPARE(w->parentWidget()->objectName(), parent);
        QCOMPARE(w->geometry(), geometry);
        QCOMPARE(captionOf(w), caption);
        QCOMPARE(w->font().family(), face);
        QCOMPARE(w->font().pixelSize(), pixels);
        QCOMPARE(w->font().bold(), bold);
        QCOMPARE(colourOf(w), colour);
        QCOMPARE(w->isVisibleTo(form.get()), visible);
        QCOMPARE(w->isEnabled(), enabled);
        QCOMPARE(w->toolTip(), hint);
        if (auto *p = qobject_cast<Panel *>(w)) {
            const bool lowered = !p->objectName().startsWith(QLatin1String("pnl1")) &&
                                 !p->objectName().startsWith(QLatin1String("pnl2"));
            QCOMPARE(p->bevelLowered(), lowered);
        }
    }

    void window()
    {
        auto form = makeForm();
        QCOMPARE(form->objectName(), QStringLiteral("MainForm"));
        QCOMPARE(form->minimumSize(), QSize(745, 417));
        QCOMPARE(form->maximumSize(), QSize(745, 417));
        QVERIFY(!(form->windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(form->windowFlags() & Qt::WindowMinimizeButtonHint);
        QCOMPARE(form->palette().color(QPalette::Window), clrFace());
        // Only the specified controls carry a hint.
        QStringList hinted;
        for (auto *w : form->findChildren<QWidget *>())
            if (!w->toolTip().isEmpty())
                hinted << w->objectName();
        hinted.sort();
        QCOMPARE(hinted, (QStringList{"Image1", "pnlAbsPosCnt", "pnlAbsPosDeg", "pnlAbsPosMT",
                                      "pnlOAngleAccel", "pnlOSafety", "seDelay"}));
    }

    void startState()
    {
        auto form = makeForm();
        QCOMPARE(form->rgBaudrate->items(),
                 (QStringList{"A - 115200", "B - 128000", "C - 230400", "D - 256000", "E - 500000",
                              "F - 1000000", "G - 921600"}));
        QCOMPARE(form->rgBaudrate->itemIndex(), 0);
        QCOMPARE(form->listCom->visualItemRect(form->listCom->item(1)).height(), 13);
        QCOMPARE(form->seDelay->minimum(), 10);
        QCOMPARE(form->seDelay->maximum(), 1000);
        QCOMPARE(form->seDelay->singleStep(), 10);
        QCOMPARE(form->pbSelfCalProgress->minimum(), 0);
        QCOMPARE(form->pbSelfCalProgress->maximum(), 100);
        QCOMPARE(form->pbSelfCalProgress->value(), 0);
        QVERIFY(!form->cbBeriEnkoder->isChecked());
        QVERIFY(form->lblAselfCalResult->wordWrap());
        QVERIFY(!form->Image1->pixmap().isNull());
        QCOMPARE(form->Image1->pixmap().size(), QSize(126, 31));
        QCOMPARE(form->Image1->cursor().shape(), Qt::PointingHandCursor);
        // The lamp lies above the group box whose frame it covers.
        QVERIFY(form->pnl1Top->children().indexOf(form->pnlComm) >
                form->pnl1Top->children().indexOf(form->GroupBox1));
    }

    void timers_data()
    {
        QTest::addColumn<int>("interval");
        QTest::addColumn<bool>("active");
        QTest::newRow("TimerBeriEnkoder") << 50 << false;
        QTest::newRow("InitTimer") << 200 << true;      // armed by FormCreate
        QTest::newRow("tmrStartup") << 10000 << true;   // counting from the building of the window
    }

    void timers()
    {
        QFETCH(int, interval);
        QFETCH(bool, active);
        TMainForm form(Platform{m_channel.get(), &m_ports});
        auto *t = form.findChild<QTimer *>(QString::fromLatin1(QTest::currentDataTag()));
        QVERIFY(t);
        QCOMPARE(t->interval(), interval);
        QCOMPARE(t->isActive(), active);
        form.tmrStartup->stop();
        form.InitTimer->stop();
    }

    // The status label grows to the left and keeps its right edge at 732.
    void statusLabelKeepsRightEdge_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << "";
        QTest::newRow("short") << "x";
        QTest::newRow("progress") << "Checking for software updates...";
        QTest::newRow("long") << QString(120, QLatin1Char('W'));
    }

    void statusLabelKeepsRightEdge()
    {
        QFETCH(QString, text);
        auto form = makeForm();
        ShowUpdateStatus(QStringLiteral("a much longer text first"));
        ShowUpdateStatus(text);
        const QRect g = form->lblSWupdateCheckStatus->geometry();
        QCOMPARE(form->lblSWupdateCheckStatus->text(), text);
        QCOMPARE(g.x() + g.width(), 732);
        QCOMPARE(g.y(), 401);
        QVERIFY(g.width() >= form->lblSWupdateCheckStatus->fontMetrics().horizontalAdvance(text));
    }

    // Labels size themselves to the texts the other routines give them.
    void labelsGrowWithTheirText()
    {
        auto form = makeForm();
        const QString info = QStringLiteral("Serial no.: A12345   Multiturn: True");
        form->lblEncoderInfo->setText(info);
        QCOMPARE(form->lblEncoderInfo->pos(), QPoint(19, 16));
        QVERIFY(form->lblEncoderInfo->width() >= form->lblEncoderInfo->fontMetrics().horizontalAdvance(info));
        form->lblRxBuffer2->setText(QStringLiteral("1 -> 31 00 03\n2 -> 7F FC\n3 -> 64 00\n4 -> 74 40"));
        QVERIFY(form->lblRxBuffer2->height() >= 4 * form->lblRxBuffer2->fontMetrics().height());
        // The static text keeps its fixed size and wraps instead.
        form->lblAselfCalResult->setText(
            QStringLiteral("A long result text that needs more than one line to show"));
        QCOMPARE(form->lblAselfCalResult->size(), QSize(198, 44));
    }

    void tabOrderAndStartFocus_data()
    {
        QTest::addColumn<bool>("baudGroupEnabled");
        QTest::addColumn<QStringList>("order");
        QTest::newRow("at start") << false
                                  << QStringList{"cbBeriEnkoder", "btnMTzero",       "seDelay",
                                                 "btnSTzero",     "btnResetFactory", "btnStartSelfCal",
                                                 "cbBeriEnkoder"};
        QTest::newRow("after a disconnection")
            << true << QStringList{"cbBeriEnkoder",   "btnMTzero",       "seDelay",    "btnSTzero",
                                   "btnResetFactory", "btnStartSelfCal", "rgBaudrate", "cbBeriEnkoder"};
    }

    void tabOrderAndStartFocus()
    {
        QFETCH(bool, baudGroupEnabled);
        QFETCH(QStringList, order);
        auto form = makeForm();
        if (baudGroupEnabled)
            form->CloseComPort();
        form->show();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));

        const QStringList named{"rgBaudrate", "listCom",   "cbBeriEnkoder",   "btnMTzero",
                                "seDelay",    "btnSTzero", "btnResetFactory", "btnStartSelfCal"};
        auto focused = [&] {
            for (QWidget *w = QApplication::focusWidget(); w; w = w->parentWidget())
                if (named.contains(w->objectName()))
                    return w->objectName();
            return QStringLiteral("(none)");
        };
        QStringList seen{focused()};
        for (int i = 1; i < order.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            seen << focused();
        }
        QCOMPARE(seen, order);
    }
};

QTEST_MAIN(LayoutTest)
#include "tst_layout.moc"
