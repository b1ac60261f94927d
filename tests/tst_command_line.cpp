// The corvane binary's command line: --port refusals, and a run that finds
// the encoder on a pseudo-terminal given with --port.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "tests/support/sim_fixture.h"

namespace {

QString corvaneBinary()
{
    return qEnvironmentVariable("CORVANE_BIN_DIR") + QStringLiteral("/corvane");
}

// Offscreen, and a home of its own so that no user settings are read or written.
QProcessEnvironment toolEnvironment(const QString &home)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("HOME", home);
    env.insert("XDG_CONFIG_HOME", home + "/.config");
    return env;
}

}   // namespace

class CommandLineTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void refusals_data();
    void refusals();
    void findsEncoderOnGivenPort_data();
    void findsEncoderOnGivenPort();

private:
    QTemporaryDir m_home;
};

void CommandLineTest::initTestCase()
{
    QVERIFY(m_home.isValid());
    QVERIFY2(QFileInfo(corvaneBinary()).isExecutable(), qPrintable(corvaneBinary()));
    QFile blank(m_home.filePath("my port"));
    QVERIFY(blank.open(QIODevice::WriteOnly));
}

void CommandLineTest::refusals_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("message");   // a part of what stderr must say
    QTest::newRow("--port without a path") << QStringList{"--port"} << "--port needs";
    QTest::newRow("empty path") << QStringList{"--port", ""} << "--port needs";
    QTest::newRow("path with a blank") << QStringList{"--port", m_home.filePath("my port")} << "blank";
    QTest::newRow("missing device") << QStringList{"--port", "/nonexistent/ttyUSB0"}
                                    << "no such device: /nonexistent/ttyUSB0";
    QTest::newRow("second --port refused")
        << QStringList{"--port", "/dev/null", "--port", "/nonexistent/x"} << "no such device";
    QTest::newRow("unknown option") << QStringList{"--baud", "115200"} << "unknown option: --baud";
}

void CommandLineTest::refusals()
{
    QFETCH(QStringList, args);
    QFETCH(QString, message);
    QProcess p;
    p.setProcessEnvironment(toolEnvironment(m_home.path()));
    p.start(corvaneBinary(), args);
    QVERIFY(p.waitForFinished(10000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 2);
    const QString err = QString::fromLocal8Bit(p.readAllStandardError());
    QVERIFY2(err.contains(message), qPrintable(err));
}

void CommandLineTest::findsEncoderOnGivenPort_data()
{
    QTest::addColumn<bool>("relative");
    QTest::newRow("absolute path") << false;
    // A bare name must not be looked for under /dev.
    QTest::newRow("relative path") << true;
}

void CommandLineTest::findsEncoderOnGivenPort()
{
    QFETCH(bool, relative);
    SimFixture enc;
    QVERIFY(enc.ok());
    const QFileInfo link(enc.portPath());
    QProcess p;
    p.setProcessEnvironment(toolEnvironment(m_home.path()));
    p.setWorkingDirectory(link.path());
    p.start(corvaneBinary(), {"--port", relative ? link.fileName() : link.filePath()});
    QVERIFY(p.waitForStarted(5000));

    // Serial number, multiturn test, identification, then the polling cycle.
    // Well inside the ten seconds before the update check would start.
    QTRY_VERIFY_WITH_TIMEOUT(QByteArray::fromStdString(enc.sim().received()).startsWith("v1r13dt"), 7000);
    p.kill();
    p.waitForFinished(5000);
}

QTEST_GUILESS_MAIN(CommandLineTest)
#include "tst_command_line.moc"
