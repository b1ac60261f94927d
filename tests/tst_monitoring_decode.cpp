// Decoding of polling replies on a real window: panels, lamps, labels, fields.
#include <QtTest>

#include <QCheckBox>
#include <QLabel>
#include <QLocale>
#include <QStandardPaths>
#include <memory>

#include "app/colors.h"
#include "app/main_form.h"
#include "app/widgets.h"
#include "link/serial_channel.h"
#include "tests/support/test_doubles.h"

namespace {

const QString Dashes = QStringLiteral("-  -  -  -  -");
const QString Deg = QStringLiteral(" \u00b0");

// A window as it stands after a search found an encoder; nothing polls by itself.
struct Window {
    explicit Window(bool multiturn)
    {
        form = std::make_unique<TMainForm>(Platform{channel.get(), &ports});
        form->tmrStartup->stop();
        form->InitTimer->stop();
        form->resolucija_bitov = 14;
        form->Enkoder_CPR = 16384;
        form->Singleturn_maska = 0x3FFF;
        form->Multiturn = multiturn ? 1 : 0;
    }
    void reply(quint8 index, const QByteArray &bytes)
    {
        form->rxBufferRef() = bytes;
        form->ProcessReply(index);
    }
    RecordingDialogs dialogs;
    FixedPortList ports;
    std::unique_ptr<SerialChannel> channel = createSerialPortChannel();
    std::unique_ptr<TMainForm> form;
};

// Counts paint events of one widget.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget *w) { w->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::Paint)
            ++count;
        return false;
    }
};

// The detailed-status lamps by name, with the colour each shows when lit.
QList<QPair<QString, QColor>> statusLamps()
{
    return {{"pnlAmplitudaHi", clrOrange}, {"pnlAmplitudaWarn", clrOrange}, {"pnlTemperaturaAsic", clrOrange},
            {"pnlSpeed", clrRed},          {"pnlMultiturnErr", clrRed},     {"pnlOAngleAccel", clrRed},
            {"pnlOSafety", clrRed}};
}

QColor lampColor(TMainForm &form, const QString &name)
{
    auto *lamp = form.findChild<Panel *>(name);
    return lamp ? lamp->color() : QColor();
}

}   // namespace

class MonitoringDecodeTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void positionReply_data()
    {
        QTest::addColumn<bool>("multiturn");
        QTest::addColumn<int>("index");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("degrees");
        QTest::addColumn<QString>("counts");
        QTest::addColumn<QString>("turns");
        QTest::addColumn<QColor>("errorLamp");
        QTest::addColumn<QColor>("warningLamp");
        QTest::addColumn<QColor>("degreesBackground");
        QTest::addColumn<qint64>("word");
        QTest::addColumn<int>("stValue");
        QTest::addColumn<int>("mtValue");
        QTest::addColumn<float>("kot");

        QTest::newRow("multiturn d: half turn, two turns back")
            << true << 3 << QByteArray::fromHex("64fffe800320") << "180.00" + Deg << "8192"
            << "-2" << clrGrey << clrGrey << clrWhite << qint64(0xFFFE8003) << 8192 << -2 << 180.0f;
        QTest::newRow("single-turn t: quarter turn")
            << false << 4 << QByteArray::fromHex("74400300fd") << "90.00" + Deg << "4096"
            << "0" << clrGrey << clrGrey << clrWhite << qint64(0x4003) << 4096 << 0 << 90.0f;
        QTest::newRow("single-turn 3: word from byte 1, error and warning")
            << false << 2 << QByteArray::fromHex("7ffc") << Dashes << Dashes << Dashes << clrRed << clrOrange
            << clrLightRed << qint64(0x7FFC) << 8191 << 0 << float(8191 * 360.0 / 16384);
        QTest::newRow("multiturn 1: bit 31 set stays positive")
            << true << 1 << QByteArray::fromHex("318000ffff") << "359.98" + Deg << "16383"
            << "-32768" << clrGrey << clrGrey << clrWhite << qint64(2147549183) << 16383 << -32768
            << float(16383 * 360.0 / 16384);
        QTest::newRow("multiturn 3: all turn bits set is -1")
            << true << 2 << QByteArray::fromHex("ffff0003") << "0.00" + Deg << "0"
            << "-1" << clrGrey << clrGrey << clrWhite << qint64(0xFFFF0003) << 0 << -1 << 0.0f;
        QTest::newRow("single-turn 1: echo not checked, no turns")
            << false << 1 << QByteArray::fromHex("ff8003") << "180.00" + Deg << "8192"
            << "0" << clrGrey << clrGrey << clrWhite << qint64(0x8003) << 8192 << 0 << 180.0f;
        QTest::newRow("single-turn 3: warning alone")
            << false << 2 << QByteArray::fromHex("8002") << "180.00" + Deg << "8192"
            << "0" << clrGrey << clrOrange << clrWhite << qint64(0x8002) << 8192 << 0 << 180.0f;
        QTest::newRow("multiturn t: extra trailing byte ignored")
            << true << 4
            << QByteArray::fromHex("7400058003"
                                   "00fa"
                                   "55")
            << "180.00" + Deg << "8192"
            << "5" << clrGrey << clrGrey << clrWhite << qint64(0x00058003) << 8192 << 5 << 180.0f;
    }

    void positionReply()
    {
        QFETCH(bool, multiturn);
        QFETCH(int, index);
        QFETCH(QByteArray, reply);
        Window w(multiturn);
        TMainForm &f = *w.form;

        w.reply(quint8(index), reply);

        QFETCH(QString, degrees);
        QFETCH(QString, counts);
        QFETCH(QString, turns);
        QFETCH(QColor, errorLamp);
        QFETCH(QColor, warningLamp);
        QFETCH(QColor, degreesBackground);
        QFETCH(qint64, word);
        QFETCH(int, stValue);
        QFETCH(int, mtValue);
        QFETCH(float, kot);
        QCOMPARE(f.pnlAbsPosDeg->text(), degrees);
        QCOMPARE(f.pnlAbsPosCnt->text(), counts);
        QCOMPARE(f.pnlAbsPosMT->text(), turns);
        QCOMPARE(f.pnlAError->color(), errorLamp);
        QCOMPARE(f.pnlAWarning->color(), warningLamp);
        QCOMPARE(f.pnlAbsPosDeg->color(), degreesBackground);
        QCOMPARE(f.MTST_value, word);
        QCOMPARE(f.ST_value, stValue);
        QCOMPARE(int(f.MT_value), mtValue);
        QCOMPARE(f.kot, kot);
        QCOMPARE(f.Encoder_Error, f.pnlAError->color() == clrRed);
        QVERIFY2(f.rxBuffer().isEmpty(), "the reply buffer is emptied after the decode");
    }

    void detailedStatus_data()
    {
        QTest::addColumn<quint8>("status");
        QTest::addColumn<QStringList>("lit");
        QTest::newRow("0x00 none") << quint8(0x00) << QStringList();
        QTest::newRow("0x04 unused bit only") << quint8(0x04) << QStringList();
        QTest::newRow("0xFF all seven")
            << quint8(0xFF)
            << QStringList{"pnlAmplitudaHi",  "pnlAmplitudaWarn", "pnlTemperaturaAsic", "pnlSpeed",
                           "pnlMultiturnErr", "pnlOAngleAccel",   "pnlOSafety"};
        QTest::newRow("0x20 temperature") << quint8(0x20) << QStringList{"pnlTemperaturaAsic"};
        QTest::newRow("0x80 signal high") << quint8(0x80) << QStringList{"pnlAmplitudaHi"};
        QTest::newRow("0x40 signal low") << quint8(0x40) << QStringList{"pnlAmplitudaWarn"};
        QTest::newRow("0x18 speed, multiturn") << quint8(0x18) << QStringList{"pnlSpeed", "pnlMultiturnErr"};
        QTest::newRow("0x03 acceleration, safety")
            << quint8(0x03) << QStringList{"pnlOAngleAccel", "pnlOSafety"};
    }

    // Through a whole "d" reply, once with a good and once with an error word:
    // the status byte counts either way.
    void detailedStatus()
    {
        QFETCH(quint8, status);
        QFETCH(QStringList, lit);
        for (const QByteArray &word : {QByteArray::fromHex("8003"), QByteArray::fromHex("8001")}) {
            Window w(false);
            w.reply(3, QByteArray("d") + word + char(status));
            for (const auto &[name, onColor] : statusLamps()) {
                const QColor expected = lit.contains(name) ? onColor : clrGrey;
                QVERIFY2(
                    lampColor(*w.form, name) == expected,
                    qPrintable(name + " is " + lampColor(*w.form, name).name() + ", word " + word.toHex()));
            }
        }
    }

    void temperature_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("label");
        QTest::newRow("25.3") << "C" << QByteArray::fromHex("00fd") << "Temp: 25.3 \u00b0C";
        QTest::newRow("FF F6 is -1.0") << "C" << QByteArray::fromHex("fff6") << "Temp: -1.0 \u00b0C";
        QTest::newRow("-5.2") << "C" << QByteArray::fromHex("ffcc") << "Temp: -5.2 \u00b0C";
        QTest::newRow("zero") << "C" << QByteArray::fromHex("0000") << "Temp: 0.0 \u00b0C";
        QTest::newRow("largest, never grouped")
            << "de_DE" << QByteArray::fromHex("7fff") << "Temp: 3276,7 \u00b0C";
        QTest::newRow("locale decimal comma")
            << "de_DE" << QByteArray::fromHex("00fd") << "Temp: 25,3 \u00b0C";
        // Only the separator is the locale's: not its minus sign (U+2212 here) ...
        QTest::newRow("ASCII minus in sv_SE")
            << "sv_SE" << QByteArray::fromHex("ffcc") << "Temp: -5,2 \u00b0C";
        // ... nor its digits.
        QTest::newRow("ASCII digits in ar_EG")
            << "ar_EG" << QByteArray::fromHex("ffcc")
            << "Temp: -5" + QLocale(QStringLiteral("ar_EG")).decimalPoint() + "2 \u00b0C";
    }

    void temperature()
    {
        QFETCH(QString, locale);
        QFETCH(QByteArray, bytes);
        QLocale::setDefault(QLocale(locale));
        Window w(true);
        w.reply(4, QByteArray::fromHex("7400008003") + bytes);
        QFETCH(QString, label);
        QCOMPARE(w.form->lblTempAsic_C->text(), label);
        QCOMPARE(w.form->temperatura(), qint16((quint8(bytes[0]) << 8) | quint8(bytes[1])));
    }

    void angleTextFollowsLocale_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("text");
        QTest::newRow("de_DE") << "de_DE" << "359,98";
        QTest::newRow("ar_EG keeps ASCII digits")
            << "ar_EG" << "359" + QLocale(QStringLiteral("ar_EG")).decimalPoint() + "98";
    }

    void angleTextFollowsLocale()
    {
        QFETCH(QString, locale);
        QFETCH(QString, text);
        QLocale::setDefault(QLocale(locale));
        Window w(false);
        w.reply(2, QByteArray::fromHex("ffff"));
        QCOMPARE(w.form->pnlAbsPosDeg->text(), text + Deg);
    }

    // Status lamps only from "d", the temperature only from "t", whatever the
    // other replies carry in the same bytes.
    void onlyTheirOwnReplyTouchesStatusAndTemperature()
    {
        Window w(false);
        TMainForm &f = *w.form;
        const QString startTemp = f.lblTempAsic_C->text();

        w.reply(1, QByteArray::fromHex("318003"));
        w.reply(2, QByteArray::fromHex("8003"));
        QCOMPARE(f.pnlSpeed->color(), clrSilver);
        QCOMPARE(f.lblTempAsic_C->text(), startTemp);
        QCOMPARE(f.pnlAError->color(), clrGrey);

        w.reply(3, QByteArray::fromHex("648003ff00"));   // a fifth byte would be a temperature
        QCOMPARE(f.lblTempAsic_C->text(), startTemp);
        QCOMPARE(f.pnlSpeed->color(), clrRed);

        w.reply(4, QByteArray::fromHex("7480010000"));   // error word; label still written
        QCOMPARE(f.lblTempAsic_C->text(), QStringLiteral("Temp: 0.0 \u00b0C"));
        QCOMPARE(f.pnlSpeed->color(), clrRed);
        QCOMPARE(f.temperatura(), qint16(0));
    }

    // The lamp flips with every reply and is painted before the handler returns;
    // the dial is painted at once only for a word without error.
    void immediateRepaints()
    {
        Window w(false);
        TMainForm &f = *w.form;
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        QCoreApplication::processEvents();
        PaintCounter lampPaints(f.pnlComm);
        PaintCounter dialPaints(f.PaintBoxKot);

        QCOMPARE(f.pnlComm->color(), clrCommDark);
        w.reply(1, QByteArray::fromHex("318003"));
        QCOMPARE(f.pnlComm->color(), clrCommLit);
        QCOMPARE(lampPaints.count, 1);
        QCOMPARE(dialPaints.count, 1);

        w.reply(2, QByteArray::fromHex("4001"));   // error: the needle stays at 180
        QCOMPARE(f.pnlComm->color(), clrCommDark);
        QCOMPARE(lampPaints.count, 2);
        QCOMPARE(dialPaints.count, 1);
        QCOMPARE(f.kot, 90.0f);   // but the angle is still decoded
        QCOMPARE(f.pnlAbsPosDeg->color(), clrLightRed);

        w.reply(2, QByteArray::fromHex("4003"));
        QCOMPARE(dialPaints.count, 2);
        QCOMPARE(f.pnlAbsPosDeg->color(), clrWhite);
        QCOMPARE(f.pnlAbsPosDeg->text(), "90.00" + Deg);
    }
};

QTEST_MAIN(MonitoringDecodeTest)
#include "tst_monitoring_decode.moc"
