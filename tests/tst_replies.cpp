// The reply decoders, from whole replies as they come off the line.
#include <QtTest>

#include <stdexcept>

#include "link/replies.h"

class RepliesTest : public QObject {
    Q_OBJECT
private slots:
    void positionReply_data();
    void positionReply();
    void detailedStatus_data();
    void detailedStatus();
    void temperature_data();
    void temperature();
    void calStatus_data();
    void calStatus();
    void identification_data();
    void identification();
    void serialReply_data();
    void serialReply();
    void shortRepliesAreRangeErrors_data();
    void shortRepliesAreRangeErrors();
};

void RepliesTest::positionReply_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("multiturn");
    QTest::addColumn<qint64>("word");
    QTest::addColumn<int>("counts");
    QTest::addColumn<int>("turns");
    QTest::addColumn<bool>("error");
    QTest::addColumn<bool>("warning");

    auto hex = [](const char *h) { return QByteArray::fromHex(h); };
    QTest::newRow("half turn, single-turn")
        << hex("318003") << 1 << false << qint64(0x8003) << 8192 << 0 << false << false;
    QTest::newRow("last count, error and warning")
        << hex("31fffc") << 1 << false << qint64(0xFFFC) << 16383 << 0 << true << true;
    QTest::newRow("five turns") << hex("3100058003") << 1 << true << qint64(0x00058003) << 8192 << 5 << false
                                << false;
    QTest::newRow("minus one turn") << hex("31ffff0003") << 1 << true << qint64(0xFFFF0003) << 0 << -1
                                    << false << false;
    // Bit 31 set stays a positive word; the turn count still reads negative.
    QTest::newRow("most negative turn count")
        << hex("318000ffff") << 1 << true << qint64(2147549183) << 16383 << -32768 << false << false;
    // "3" has no echo: the word starts at byte 1.
    QTest::newRow("no echo on 3, error and warning")
        << hex("7ffc") << 2 << false << qint64(0x7FFC) << 8191 << 0 << true << true;
    QTest::newRow("no echo on 3, multiturn")
        << hex("00024003") << 2 << true << qint64(0x00024003) << 4096 << 2 << false << false;
    QTest::newRow("d, multiturn, minus two turns")
        << hex("64fffe800320") << 3 << true << qint64(0xFFFE8003) << 8192 << -2 << false << false;
    QTest::newRow("t, single-turn quarter turn")
        << hex("74400300fd") << 4 << false << qint64(0x4003) << 4096 << 0 << false << false;
    // The echo is skipped whatever it holds.
    QTest::newRow("wrong echo ignored")
        << hex("00fffe") << 1 << false << qint64(0xFFFE) << 16383 << 0 << false << true;
    QTest::newRow("warning only") << hex("3100000002") << 1 << true << qint64(2) << 0 << 0 << false << true;
}

void RepliesTest::positionReply()
{
    QFETCH(QByteArray, reply);
    QFETCH(int, index);
    QFETCH(bool, multiturn);
    QFETCH(qint64, word);
    QFETCH(int, counts);
    QFETCH(int, turns);
    QFETCH(bool, error);
    QFETCH(bool, warning);

    const qint64 got = replies::positionWord(reply, replies::positionOffset(quint8(index)), multiturn);
    QCOMPARE(got, word);
    QCOMPARE(replies::singleTurnCount(got, 14, 0x3FFF), quint32(counts));
    QCOMPARE(int(replies::turnCount(got)), turns);
    QCOMPARE(replies::errorActive(got), error);
    QCOMPARE(replies::warningActive(got), warning);
}

void RepliesTest::detailedStatus_data()
{
    QTest::addColumn<quint8>("status");
    QTest::addColumn<QString>("lit");   // H L T S M A C for the bits 7 6 5 4 3 1 0

    QTest::newRow("none") << quint8(0x00) << "";
    QTest::newRow("bit 2 has no lamp") << quint8(0x04) << "";
    QTest::newRow("all") << quint8(0xFF) << "HLTSMAC";
    QTest::newRow("temperature") << quint8(0x20) << "T";
    QTest::newRow("signal high, safety") << quint8(0x81) << "HC";
    QTest::newRow("low, speed, multiturn, acceleration") << quint8(0x5A) << "LSMA";
}

void RepliesTest::detailedStatus()
{
    QFETCH(quint8, status);
    QFETCH(QString, lit);
    const auto s = replies::detailedStatus(status);
    QString got;
    for (auto [on, c] : {std::pair{s.signalHigh, 'H'},
                         {s.signalLow, 'L'},
                         {s.temperature, 'T'},
                         {s.speed, 'S'},
                         {s.multiturnError, 'M'},
                         {s.acceleration, 'A'},
                         {s.safety, 'C'}})
        if (on)
            got += QLatin1Char(c);
    QCOMPARE(got, lit);
}

void RepliesTest::temperature_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("multiturn");
    QTest::addColumn<int>("tenths");

    QTest::newRow("25.0") << QByteArray::fromHex("74400300fa") << false << 250;
    QTest::newRow("25.3") << QByteArray::fromHex("74400300fd") << false << 253;
    QTest::newRow("-10.0") << QByteArray::fromHex("744003ff9c") << false << -100;
    QTest::newRow("-1.0, multiturn") << QByteArray::fromHex("7400014003fff6") << true << -10;
    QTest::newRow("most negative") << QByteArray::fromHex("74000140038000") << true << -32768;
}

void RepliesTest::temperature()
{
    QFETCH(QByteArray, reply);
    QFETCH(bool, multiturn);
    QFETCH(int, tenths);
    const int offset = replies::positionOffset(4) + replies::positionWordSize(multiturn);
    QCOMPARE(int(replies::temperature(reply, offset)), tenths);
}

void RepliesTest::calStatus_data()
{
    QTest::addColumn<quint8>("status");
    QTest::addColumn<int>("counter");
    QTest::addColumn<bool>("timeout");
    QTest::addColumn<bool>("outOfRange");
    QTest::addColumn<bool>("effective");
    QTest::addColumn<int>("faults");

    QTest::newRow("idle") << quint8(0x00) << 0 << false << false << false << 0;
    QTest::newRow("counter only") << quint8(0x03) << 3 << false << false << false << 0;
    QTest::newRow("effective") << quint8(0x11) << 1 << false << false << true << 4;
    QTest::newRow("timeout, out of range") << quint8(0x0E) << 2 << true << true << false << 3;
    QTest::newRow("bit 5 has no lamp but counts") << quint8(0x20) << 0 << false << false << false << 8;
    QTest::newRow("bits 7-6 unused") << quint8(0xC0) << 0 << false << false << false << 0;
}

void RepliesTest::calStatus()
{
    QFETCH(quint8, status);
    const auto s = replies::calStatus(status);
    QTEST(int(s.counter), "counter");
    QTEST(s.timeout, "timeout");
    QTEST(s.outOfRange, "outOfRange");
    QTEST(s.effective, "effective");
    QTEST(int(s.faults), "faults");
}

namespace {

QByteArray identRecord(const QByteArray &name, const QByteArray &partTail, const QByteArray &firmware)
{
    // echo, bytes 2-7 the name, 8-22 the rest of the part number, 23 unused, 24-28 firmware.
    QByteArray r = "r" + name + partTail.leftJustified(15, ' ', true) + '\x00' + firmware;
    Q_ASSERT(r.size() == 28);
    return r;
}

}   // namespace

void RepliesTest::identification_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("nameOk");
    QTest::addColumn<QByteArray>("part");
    QTest::addColumn<QByteArray>("firmware");

    QTest::newRow("Palvo, 1.2.3.10") << identRecord("Palvo ", "PAL-UART-14B-MT",
                                                    QByteArray::fromHex("010203000a"))
                                     << true << QByteArray(" PAL-UART-14B-MT") << QByteArray("1.2.3.10");
    QTest::newRow("other maker still decodes")
        << identRecord("Acme  ", "X-1", QByteArray::fromHex("ff00ff1234")) << false
        << QByteArray(" X-1            ") << QByteArray("255.0.255.4660");
    QTest::newRow("lower-case name fails the test")
        << identRecord("palvo ", "Q", QByteArray::fromHex("0000000000")) << false
        << QByteArray(" Q              ") << QByteArray("0.0.0.0");
    QTest::newRow("build is unsigned") << identRecord("Palvo ", "Z", QByteArray::fromHex("0102038000"))
                                       << true << QByteArray(" Z              ") << QByteArray("1.2.3.32768");
    // Extra bytes after the record do not move anything.
    QTest::newRow("longer reply") << identRecord("Palvo ", "A", QByteArray::fromHex("0400010002")) + "xyz"
                                  << true << QByteArray(" A              ") << QByteArray("4.0.1.2");
}

void RepliesTest::identification()
{
    QFETCH(QByteArray, reply);
    const auto id = replies::identification(reply);
    QTEST(id.productNameOk, "nameOk");
    QTEST(id.partNumber, "part");
    QTEST(id.firmware, "firmware");
}

void RepliesTest::serialReply_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("valid");

    QTest::newRow("seven, v") << QByteArray("vA12345") << true;
    QTest::newRow("eight, v") << QByteArray("vA123456") << false;
    QTest::newRow("six, v") << QByteArray("vA1234") << false;
    QTest::newRow("seven, wrong echo") << QByteArray("xA12345") << false;
    QTest::newRow("empty") << QByteArray() << false;
}

void RepliesTest::serialReply()
{
    QFETCH(QByteArray, reply);
    QFETCH(bool, valid);
    QCOMPARE(replies::serialReplyValid(reply), valid);
    if (valid)
        QCOMPARE(replies::serialNumber(reply), reply.mid(1));
}

void RepliesTest::shortRepliesAreRangeErrors_data()
{
    QTest::addColumn<int>("what");
    QTest::newRow("multiturn word from a single-turn reply") << 0;
    QTest::newRow("temperature cut off") << 1;
    QTest::newRow("identification of 27 bytes") << 2;
    QTest::newRow("serial number of 4 bytes") << 3;
    QTest::newRow("polling index 0") << 4;
    QTest::newRow("polling index 5") << 5;
    QTest::newRow("resolution above 16 bits") << 6;
}

void RepliesTest::shortRepliesAreRangeErrors()
{
    QFETCH(int, what);
    try {
        switch (what) {
        case 0:
            replies::positionWord(QByteArray::fromHex("318003"), 1, true);
            break;
        case 1:
            replies::temperature(QByteArray::fromHex("74400300"), 3);
            break;
        case 2:
            replies::identification(QByteArray(27, 'r'));
            break;
        case 3:
            replies::serialNumber("vA12");
            break;
        case 4:
            replies::positionOffset(0);
            break;
        case 5:
            replies::positionOffset(5);
            break;
        case 6:
            replies::singleTurnCount(0x8003, 17, 0x3FFF);
            break;
        }
        QFAIL("no range check");
    } catch (const std::out_of_range &e) {
        QCOMPARE(QByteArray(e.what()), QByteArray("Range check error"));
    }
}

QTEST_MAIN(RepliesTest)
#include "tst_replies.moc"
