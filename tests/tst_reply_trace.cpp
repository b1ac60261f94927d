// The raw reply trace under the "Read encoder" box, fed through the decoder.
#include <QtTest>

#include <QLabel>
#include <QStandardPaths>
#include <memory>

#include "app/main_form.h"
#include "link/serial_channel.h"
#include "tests/support/test_doubles.h"

namespace {

struct Window {
    Window()
    {
        form = std::make_unique<TMainForm>(Platform{channel.get(), &ports});
        form->tmrStartup->stop();
        form->InitTimer->stop();
        form->resolucija_bitov = 14;
        form->Enkoder_CPR = 16384;
        form->Singleturn_maska = 0x3FFF;
        form->Multiturn = 1;
    }
    void reply(quint8 index, const QByteArray &bytes)
    {
        form->rxBufferRef() = bytes;
        form->ProcessReply(index);
    }
    // One full cycle whose words carry `turns` so cycles can be told apart.
    void cycle(quint8 turns, int upTo = 4)
    {
        const QByteArray word = QByteArray::fromHex("00") + char(turns) + QByteArray::fromHex("8003");
        const QByteArray replies[4] = {"1" + word, word, "d" + word + '\0', "t" + word + QByteArray(2, '\0')};
        for (int i = 1; i <= upTo; ++i)
            reply(quint8(i), replies[i - 1]);
    }
    QLabel *shown() const
    {
        return form->lblRxBuffer1->isVisibleTo(form.get()) ? form->lblRxBuffer1 : form->lblRxBuffer2;
    }
    QLabel *collecting() const
    {
        return shown() == form->lblRxBuffer1 ? form->lblRxBuffer2 : form->lblRxBuffer1;
    }
    RecordingDialogs dialogs;
    FixedPortList ports;
    std::unique_ptr<SerialChannel> channel = createSerialPortChannel();
    std::unique_ptr<TMainForm> form;
};

QString cycleText(quint8 turns)
{
    const QString t = QString::asprintf("%02X", turns);
    return QStringLiteral("1 -> 31 00 %1 80 03 \r\n"
                          "3 -> 00 %1 80 03 \r\n"
                          "d -> 64 00 %1 80 03 00 \r\n"
                          "t -> 74 00 %1 80 03 00 00 \r\n")
        .arg(t);
}

}   // namespace

class ReplyTraceTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void line_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("line");
        QTest::newRow("status reply")
            << 3 << QByteArray::fromHex("64fffe800320") << "d -> 64 FF FE 80 03 20 \r\n";
        QTest::newRow("leading zeros, upper case")
            << 2 << QByteArray::fromHex("0a0b0cab0f00") << "3 -> 0A 0B 0C AB 0F 00 \r\n";
        QTest::newRow("longer reply in full")
            << 4 << QByteArray::fromHex("74000580030000fe01") << "t -> 74 00 05 80 03 00 00 FE 01 \r\n";
    }

    void line()
    {
        QFETCH(int, index);
        QFETCH(QByteArray, reply);
        QFETCH(QString, line);
        Window w;
        w.reply(1, QByteArray::fromHex("3100008003"));
        w.reply(quint8(index), reply);
        QCOMPARE(w.form->lblRxBuffer1->text(), "1 -> 31 00 00 80 03 \r\n" + line);
    }

    void labelsTradePlacesAfterTheFourthReply()
    {
        Window w;
        TMainForm &f = *w.form;
        QVERIFY(f.lblRxBuffer1->isVisibleTo(&f));
        QVERIFY(!f.lblRxBuffer2->isVisibleTo(&f));

        // First reply: the second label comes up with its design caption while
        // the first collects.
        w.cycle(1, 1);
        QCOMPARE(w.shown(), f.lblRxBuffer2);
        QCOMPARE(f.lblRxBuffer2->text(), QStringLiteral("lblRxBuffer2"));
        w.cycle(1, 3);   // index 1 again empties the collecting label
        QCOMPARE(w.shown(), f.lblRxBuffer2);
        QCOMPARE(f.lblRxBuffer1->text(), cycleText(1).section("\r\n", 0, 2) + "\r\n");

        w.reply(4, QByteArray::fromHex("74000180030000"));
        QCOMPARE(f.bufDisp(), quint8(1));
        w.cycle(2, 1);
        QCOMPARE(w.shown(), f.lblRxBuffer1);
        QCOMPARE(f.lblRxBuffer1->text(), cycleText(1));
        QCOMPARE(w.collecting()->text(), cycleText(2).section("\r\n", 0, 0) + "\r\n");

        w.cycle(2);
        w.cycle(3, 1);
        QCOMPARE(w.shown(), f.lblRxBuffer2);
        QCOMPARE(f.lblRxBuffer2->text(), cycleText(2));
        QCOMPARE(f.lblRxBuffer1->text(), cycleText(3).section("\r\n", 0, 0) + "\r\n");
    }

    void cycleCutShortDoesNotSwap()
    {
        Window w;
        TMainForm &f = *w.form;
        w.cycle(1);
        w.cycle(2, 2);   // polling switched off after index 2
        QCOMPARE(w.shown(), f.lblRxBuffer1);
        QCOMPARE(f.lblRxBuffer1->text(), cycleText(1));

        w.cycle(3);   // switched on again: starts at index 1
        w.cycle(4, 1);
        QCOMPARE(w.shown(), f.lblRxBuffer2);
        QCOMPARE(f.lblRxBuffer2->text(), cycleText(3));
        QCOMPARE(f.lblRxBuffer1->text(), cycleText(4).section("\r\n", 0, 0) + "\r\n");
    }
};

QTEST_MAIN(ReplyTraceTest)
#include "tst_reply_trace.moc"
