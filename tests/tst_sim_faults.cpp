// Faults on demand, hang-up and restart, and the byte log the tool's tests
// read back.
#include <QtTest>

#include "tests/support/sim_fixture.h"

Q_DECLARE_METATYPE(palvo::Fault)

class SimFaultsTest : public QObject {
    Q_OBJECT
private slots:
    void faultOnNextAnswerOnly_data();
    void faultOnNextAnswerOnly();
    void faultUntilCleared();
    void delayedAnswer();
    void hangUpAndRestart();
    void hangUpFault();
    void byteLogKeepsOrderAndPauses();
};

void SimFaultsTest::faultOnNextAnswerOnly_data()
{
    QTest::addColumn<palvo::Fault>("fault");
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QByteArray>("faulty");   // what comes instead of the normal answer
    QTest::addColumn<QByteArray>("normal");

    const QByteArray one = QByteArray::fromHex("3100058003");
    QTest::newRow("silent") << palvo::Fault::Silent << QByteArray("1") << QByteArray() << one;
    QTest::newRow("short") << palvo::Fault::Short << QByteArray("1") << one.left(4) << one;
    QTest::newRow("extra byte") << palvo::Fault::Extra << QByteArray("1") << one + QByteArray::fromHex("55")
                                << one;
    QTest::newRow("wrong echo") << palvo::Fault::WrongEcho << QByteArray("v")
                                << QByteArray::fromHex("89") + "A12345" << QByteArray("vA12345");
    QTest::newRow("short serial reply")
        << palvo::Fault::Short << QByteArray("v") << QByteArray("vA1234") << QByteArray("vA12345");
}

void SimFaultsTest::faultOnNextAnswerOnly()
{
    QFETCH(palvo::Fault, fault);
    QFETCH(QByteArray, command);
    QFETCH(QByteArray, faulty);
    QFETCH(QByteArray, normal);

    SimFixture fx;
    QVERIFY(fx.ok());
    fx.sim().setPosition(8192);
    fx.sim().setTurns(5);
    RawLine line(fx.portPath());

    fx.sim().setFault(fault, 1);
    QVERIFY(line.send(command));
    QCOMPARE(line.drain(100).toHex(' '), faulty.toHex(' '));
    QVERIFY(line.send(command));
    QCOMPARE(line.receive(normal.size() + 1, 300).toHex(' '), normal.toHex(' '));
}

void SimFaultsTest::faultUntilCleared()
{
    SimFixture fx;
    QVERIFY(fx.ok());
    RawLine line(fx.portPath());

    fx.sim().setFault(palvo::Fault::Garbage);
    for (int i = 0; i < 3; ++i) {
        QVERIFY(line.send("v"));
        const QByteArray got = line.receive(7);
        QCOMPARE(got.size(), 7);
        QVERIFY2(got.at(0) != 'v', got.toHex(' ').constData());
    }
    fx.sim().setFault(palvo::Fault::None);
    QVERIFY(line.send("v"));
    QCOMPARE(line.receive(7), QByteArray("vA12345"));
}

void SimFaultsTest::delayedAnswer()
{
    SimFixture fx;
    QVERIFY(fx.ok());
    RawLine line(fx.portPath());

    fx.sim().setFault(palvo::Fault::Delay, 1, 400);
    QElapsedTimer timer;
    timer.start();
    QVERIFY(line.send("v"));
    QCOMPARE(line.receive(7, 150), QByteArray());   // nothing early
    QCOMPARE(line.receive(7, 3000), QByteArray("vA12345"));
    QVERIFY2(timer.elapsed() >= 380, QByteArray::number(timer.elapsed()).constData());

    // Two commands in a row: answers keep their order behind the delayed one.
    fx.sim().setFault(palvo::Fault::Delay, 1, 200);
    QVERIFY(line.send("v"));
    QVERIFY(line.send("i"));
    QCOMPARE(line.receive(9, 3000), QByteArray("vA12345i") + char(0x01));
}

void SimFaultsTest::hangUpAndRestart()
{
    SimFixture fx;
    QVERIFY(fx.ok());
    fx.sim().setPosition(8192);
    RawLine line(fx.portPath());
    QVERIFY(line.send("3"));
    QCOMPARE(line.receive(4).size(), 4);

    fx.sim().hangUp();
    QVERIFY(!fx.sim().serving());
    QVERIFY(!line.send("3"));                     // the tool's write fails
    QVERIFY(!QFileInfo::exists(fx.portPath()));   // the link is gone, like an unplugged adapter
    QVERIFY(!RawLine(fx.portPath()).isOpen());

    QVERIFY(fx.sim().restart());
    QVERIFY(fx.sim().serving());
    QVERIFY(QFileInfo(fx.portPath()).isSymLink());
    RawLine again(fx.portPath());
    QVERIFY(again.isOpen());
    QVERIFY(again.send("3"));
    QCOMPARE(again.receive(4).toHex(), QByteArray("00008003"));   // the encoder kept its state
}

void SimFaultsTest::hangUpFault()
{
    SimFixture fx;
    QVERIFY(fx.ok());
    RawLine line(fx.portPath());

    fx.sim().setFault(palvo::Fault::HangUp, 1);
    QVERIFY(line.send("1"));
    QTRY_VERIFY_WITH_TIMEOUT(!fx.sim().serving(), 2000);
    QCOMPARE(line.drain(50), QByteArray());
    QVERIFY(!line.send("1"));
    QVERIFY(!QFileInfo::exists(fx.portPath()));

    QVERIFY(fx.sim().restart());
    RawLine again(fx.portPath());
    QVERIFY(again.send("1"));
    QCOMPARE(again.receive(5).size(), 5);   // the one-shot fault is spent
}

void SimFaultsTest::byteLogKeepsOrderAndPauses()
{
    SimFixture fx;
    QVERIFY(fx.ok());
    RawLine line(fx.portPath());

    const QByteArray frame = QByteArray::fromHex("9e274db663");
    QVERIFY(line.send(frame, 20));
    QVERIFY(line.send("1"));
    QTRY_COMPARE_WITH_TIMEOUT(fx.sim().log().size(), size_t(6), 2000);

    QCOMPARE(QByteArray::fromStdString(fx.sim().received()).toHex(' '), (frame + "1").toHex(' '));
    const std::vector<palvo::LoggedByte> log = fx.sim().log();
    for (size_t i = 1; i < size_t(frame.size()); ++i) {
        const double gap = log[i].ms - log[i - 1].ms;
        QVERIFY2(gap >= 10,
                 qPrintable(QStringLiteral("byte %1 came %2 ms after the one before").arg(i).arg(gap)));
    }
    QVERIFY(log[5].ms >= log[4].ms);

    fx.sim().clearLog();
    QVERIFY(fx.sim().log().empty());
}

QTEST_GUILESS_MAIN(SimFaultsTest)
#include "tst_sim_faults.moc"
