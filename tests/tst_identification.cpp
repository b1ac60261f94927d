// Identifying the encoder that a run found: multiturn decision, the info
// labels, and what happens when parts of it get no answer.
#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStandardPaths>
#include <QtTest>

#include "app/main_form.h"
#include "app/widgets.h"
#include "link/serial_channel.h"
#include "tests/support/sim_fixture.h"
#include "tests/support/test_doubles.h"

namespace {

// The real channel, except that one command byte never reaches the line: the
// simulator has no fault that spares "v" and hits only one later command.
class DroppingChannel final : public SerialChannel {
public:
    DroppingChannel(SerialChannel &inner, char drop) : m_inner(inner), m_drop(drop) {}
    bool open(const QString &name) override { return m_inner.open(name); }
    quintptr handle() const override { return m_inner.handle(); }
    bool setLine(qint32 baud) override { return m_inner.setLine(baud); }
    void discardInput() override { m_inner.discardInput(); }
    void discardOutput() override { m_inner.discardOutput(); }
    bool writeByte(char byte) override { return byte == m_drop || m_inner.writeByte(byte); }
    qint64 waitForInput(int timeoutMs) override { return m_inner.waitForInput(timeoutMs); }
    QByteArray readWaiting() override { return m_inner.readWaiting(); }
    void close() override { m_inner.close(); }

private:
    SerialChannel &m_inner;
    char m_drop;
};

struct Window {
    explicit Window(const QStringList &entries, char drop = 0) : ports(entries)
    {
        SerialChannel *line = real.get();
        if (drop) {
            dropping = std::make_unique<DroppingChannel>(*real, drop);
            line = dropping.get();
        }
        form = std::make_unique<TMainForm>(Platform{line, &ports});
        form->tmrStartup->stop();
        form->InitTimer->stop();
    }
    RecordingDialogs dialogs;
    std::unique_ptr<SerialChannel> real = createSerialPortChannel();
    std::unique_ptr<DroppingChannel> dropping;
    FixedPortList ports;
    std::unique_ptr<TMainForm> form;
};

bool portFree(const QString &path)
{
    auto probe = createSerialPortChannel();
    const bool ok = probe->open(path);
    probe->close();
    return ok;
}

}   // namespace

class IdentificationTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void identifies_data();
    void identifies();
    void noIdentRecordStillStartsPolling();
    void noAnswerToMultiturnTestSearchesAgain();
};

void IdentificationTest::identifies_data()
{
    QTest::addColumn<bool>("multiturn");
    QTest::addColumn<QByteArray>("serial");
    QTest::addColumn<QByteArray>("productName");
    QTest::addColumn<QList<int>>("firmware");
    QTest::addColumn<QByteArray>("traffic");
    QTest::addColumn<QString>("info");
    QTest::addColumn<QString>("info2");

    QTest::newRow("multiturn") << true << QByteArray("A12345") << QByteArray("Palvo ")
                               << QList<int>{1, 2, 3, 10} << QByteArray("v1r")
                               << "Serial no.: A12345\r\nMultiturn: True"
                               << "Part number:  PAL-UART-14B-MT\r\nFW version: 1.2.3.10";
    // The first "1" waits out the multiturn length, the second decides.
    QTest::newRow("single-turn, 8-bit serial, wide build number")
        << false
        << QByteArray("\xB0"
                      "00042")
        << QByteArray("Palvo ") << QList<int>{0, 255, 7, 4660} << QByteArray("v11r")
        << QString::fromUtf8("Serial no.: °00042\r\nMultiturn: False")
        << "Part number:  PAL-UART-14B-MT\r\nFW version: 0.255.7.4660";
    QTest::newRow("another product") << true << QByteArray("A12345") << QByteArray("Pavlo ")
                                     << QList<int>{1, 2, 3, 10} << QByteArray("v1r")
                                     << "Serial no.: A12345\r\nMultiturn: True" << QString();
}

void IdentificationTest::identifies()
{
    QFETCH(bool, multiturn);
    QFETCH(QByteArray, serial);
    QFETCH(QByteArray, productName);
    QFETCH(QList<int>, firmware);
    QFETCH(QByteArray, traffic);
    QFETCH(QString, info);
    QFETCH(QString, info2);

    palvo::SimConfig config;
    config.multiturn = multiturn;
    config.serial = serial.toStdString();
    config.productName = productName.toStdString();
    for (int i = 0; i < 3; ++i)
        config.fw[i] = uint8_t(firmware[i]);
    config.fwBuild = uint16_t(firmware[3]);
    SimFixture enc(config);
    QVERIFY(enc.ok());
    Window w({enc.portEntry()});
    // Start from the other look, so that the run has to set it.
    w.form->pnlAbsPosMT->setVisible(!multiturn);
    w.form->btnMTzero->setVisible(!multiturn);

    w.form->InitTimerTimer();

    QCOMPARE(QByteArray::fromStdString(enc.sim().received()), traffic);
    QCOMPARE(w.form->Multiturn, quint8(multiturn ? 1 : 0));
    QCOMPARE(w.form->pnlAbsPosMT->isHidden(), !multiturn);
    QCOMPARE(w.form->btnMTzero->isHidden(), !multiturn);
    QCOMPARE(w.form->lblEncoderInfo->text(), info);
    QCOMPARE(w.form->lblEncoderInfo2->text(), info2);
    // Read whatever the product name was.
    QCOMPARE(w.form->prebran_ident, QByteArray(" PAL-UART-14B-MT"));
    QCOMPARE(w.form->FWverzijaStr, QStringLiteral("%1.%2.%3.%4")
                                       .arg(firmware[0])
                                       .arg(firmware[1])
                                       .arg(firmware[2])
                                       .arg(firmware[3])
                                       .toLatin1());
    QVERIFY(w.form->cbBeriEnkoder->isChecked());
    QVERIFY(w.form->TimerBeriEnkoder->isActive());
    QVERIFY(!w.form->InitTimer->isActive());
    QVERIFY(w.form->ComID != INVALID_HANDLE_VALUE);
}

void IdentificationTest::noIdentRecordStillStartsPolling()
{
    SimFixture enc;
    QVERIFY(enc.ok());
    Window w({enc.portEntry()}, 'r');
    w.form->lblEncoderInfo2->setText("stale");

    w.form->InitTimerTimer();

    QCOMPARE(w.form->lblEncoderInfo->text(), QString("Serial no.: A12345\r\nMultiturn: True"));
    QCOMPARE(w.form->lblEncoderInfo2->text(), QString());
    QVERIFY(w.form->cbBeriEnkoder->isChecked());
    QVERIFY(w.form->ComID != INVALID_HANDLE_VALUE);
}

void IdentificationTest::noAnswerToMultiturnTestSearchesAgain()
{
    SimFixture enc;
    QVERIFY(enc.ok());
    Window w({enc.portEntry()}, '1');
    w.form->Multiturn = 1;
    const QString before = w.form->lblEncoderInfo->text();

    w.form->InitTimerTimer();

    // Found at the first rate, then no answer to either "1": the port is let
    // go and the search goes on, instead of the tool sitting idle.
    QCOMPARE(QByteArray::fromStdString(enc.sim().received()), QByteArray("v"));
    QCOMPARE(w.form->ComID, INVALID_HANDLE_VALUE);
    QVERIFY(portFree(enc.portPath()));
    QCOMPARE(w.form->listCom->currentRow(), -1);
    QCOMPARE(w.form->Multiturn, quint8(1));
    QCOMPARE(w.form->lblEncoderInfo->text(), before);
    QVERIFY(!w.form->cbBeriEnkoder->isChecked());
    QVERIFY(w.form->InitTimer->isActive());
    QCOMPARE(w.form->InitTimer->interval(), 800);
    QTRY_COMPARE_WITH_TIMEOUT(QByteArray::fromStdString(enc.sim().received()), QByteArray("vv"), 3000);
}

QTEST_MAIN(IdentificationTest)
#include "tst_identification.moc"
