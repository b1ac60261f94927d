// The palvo-sim command as the demo script runs it.
#include <QtTest>

#include <csignal>

#include "tests/support/sim_fixture.h"

class SimCommandTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void servesUntilTerminated();
    void rejectsBadArguments_data();
    void rejectsBadArguments();

private:
    QString m_program;
};

void SimCommandTest::initTestCase()
{
    const QString dir = qEnvironmentVariable("CORVANE_BIN_DIR");
    m_program = dir + "/sim/palvo-sim";
    if (dir.isEmpty() || !QFileInfo(m_program).isExecutable())
        QSKIP("palvo-sim is not built");
}

void SimCommandTest::servesUntilTerminated()
{
    QTemporaryDir dir;
    const QString link = dir.filePath("encoder");
    QProcess sim;
    sim.start(m_program, {"--link", link, "--baud", "1000000", "--single-turn", "--position", "8192",
                          "--serial", "QW0001", "--firmware", "4.5.6.700"});
    QVERIFY(sim.waitForStarted(5000));
    QTRY_VERIFY_WITH_TIMEOUT(sim.canReadLine(), 5000);
    const QString banner = QString::fromLocal8Bit(sim.readLine()).trimmed();
    const QString device = QFileInfo(link).symLinkTarget();
    QVERIFY(!device.isEmpty());
    QCOMPARE(banner, QStringLiteral("palvo-sim: serving %1 -> %2 at 1000000").arg(link, device));

    {
        RawLine line(link, 1000000);
        QVERIFY(line.isOpen());
        QVERIFY(line.send("v"));
        QCOMPARE(line.receive(7), QByteArray("vQW0001"));
        QVERIFY(line.send("1"));
        QCOMPARE(line.receive(3).toHex(), QByteArray("318003"));
        QVERIFY(line.send("r"));
        QCOMPARE(line.receive(28).right(5).toHex(), QByteArray("04050602bc"));
    }

    ::kill(pid_t(sim.processId()), SIGTERM);
    QVERIFY(sim.waitForFinished(5000));
    QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
    QCOMPARE(sim.exitCode(), 0);
    QVERIFY(!QFileInfo::exists(link) && !QFileInfo(link).isSymLink());
}

void SimCommandTest::rejectsBadArguments_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("no link") << QStringList{"--speed", "2000"};
    QTest::newRow("position out of range") << QStringList{"--link", "LINK", "--position", "16384"};
    QTest::newRow("speed not a number") << QStringList{"--link", "LINK", "--speed", "fast"};
    QTest::newRow("firmware with three fields") << QStringList{"--link", "LINK", "--firmware", "1.2.3"};
    QTest::newRow("unknown option") << QStringList{"--link", "LINK", "--colour", "red"};
    QTest::newRow("option without its value") << QStringList{"--link"};
}

void SimCommandTest::rejectsBadArguments()
{
    QFETCH(QStringList, arguments);
    QTemporaryDir dir;
    const QString link = dir.filePath("encoder");
    arguments.replaceInStrings("LINK", link);
    QProcess sim;
    sim.start(m_program, arguments);
    QVERIFY(sim.waitForFinished(5000));
    QCOMPARE(sim.exitCode(), 2);
    QVERIFY(sim.readAllStandardError().startsWith("palvo-sim: "));
    QVERIFY(!QFileInfo(link).isSymLink());
}

QTEST_GUILESS_MAIN(SimCommandTest)
#include "tst_sim_command.moc"
