#include <QtTest>

#include <QElapsedTimer>

#include "tests/support/test_doubles.h"
#include "tests/support/update_https_server.h"
#include "tests/support/update_recorders.h"
#include "tools/terminating.h"
#include "update/check_flow.h"
#include "update/software_update_check.h"
#include "update/update_network.h"
#include "update/update_preference.h"

// Every address here is on this machine: the probe goes to 127.0.0.x and the
// manifest to a loopback HTTPS server.
namespace {
const QString P = QStringLiteral("Corvane_for_Palvo_Zivaz_Uvezud");
const QString Url = QStringLiteral("https://corvane.example/downloads/corvane-setup.exe");
constexpr int NoneStored = std::numeric_limits<int>::min();

const QString reading = QStringLiteral("Update: Reading perferences...");
const QString notDefined = QStringLiteral("Update: perferences not defined");
const QString skipped = QStringLiteral("Update check skipped.");
const QString checking = QStringLiteral("Update: Checking internet connection...");
const QString noInternetStatus = QStringLiteral("Update: No access to the internet!");
const QString downloading = QStringLiteral("Update: Downloading version file...");
const QString downloadFailed = QStringLiteral("Update: Downloading version file failed!");
const QString analyzing = QStringLiteral("Update: Analyzing version file...");
const QString consentTitle = QStringLiteral("Check for a new Corvane software version?");
const QString noInternetTitle = QStringLiteral("Unable to connect to the internet.");
const QString downloadTitle = QStringLiteral("Unable to load the version file.");

int storedPreference()
{
    qint32 v = NoneStored;
    ReadUpdatePreference(v);
    return v;
}
void store(int value)
{
    clearUpdatePreference();
    if (value != NoneStored)
        WriteUpdatePreference(value);
}
QStringList askedTitles(const RecordingDialogs &d)
{
    QStringList t;
    for (const auto &a : d.asked)
        t << a.title;
    return t;
}
}   // namespace

class UpdateCheckTest : public QObject {
    Q_OBJECT
    std::unique_ptr<UpdateTestPki> m_pki;
    std::unique_ptr<UpdateProbePort> m_refused;

private slots:
    void initTestCase()
    {
        isolateUpdateSettings();
        ProgramName = P;
        m_pki = std::make_unique<UpdateTestPki>();
        QVERIFY2(m_pki->ok(), qPrintable(m_pki->error()));
        m_refused = std::make_unique<UpdateProbePort>(false);
    }
    void init()
    {
        clearUpdatePreference();
        setUpdateToday(QDate(2026, 3, 10));
        ProgramVersion = {1, 0, 0, 0};
        ProbeHost1 = QStringLiteral("127.0.0.1");
        ProbeHost2 = QStringLiteral("127.0.0.2");
        UpdateNetworkSettings &net = updateNetwork();
        net = UpdateNetworkSettings{};
        net.probePort = m_refused->port();
        net.trustedAuthorities = {m_pki->authority};
        ManifestUrl = QStringLiteral("https://127.0.0.1:%1/software-manifest.csv").arg(m_refused->port());
    }

    // Preference, consent and the decision; the probe is refused, so a check that
    // goes ahead ends at the no-internet dialog.
    void preferenceAndConsent_data()
    {
        QTest::addColumn<int>("stored");
        QTest::addColumn<QDate>("today");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("consent");
        QTest::addColumn<bool>("checks");
        QTest::addColumn<int>("storedAfter");
        const QDate mar10(2026, 3, 10);
        QTest::newRow("nothing, skip this time") << NoneStored << mar10 << 101 << true << false << NoneStored;
        QTest::newRow("nothing, cancelled") << NoneStored << mar10 << 2 << true << false << NoneStored;
        QTest::newRow("nothing, dialog not shown") << NoneStored << mar10 << 0 << true << false << NoneStored;
        QTest::newRow("nothing, yes check") << NoneStored << mar10 << 100 << true << true << 1;
        QTest::newRow("nothing, skip for 1 week") << NoneStored << mar10 << 102 << true << false << 20260317;
        QTest::newRow("nothing, 1 week across new year")
            << NoneStored << QDate(2025, 12, 28) << 102 << true << false << 20260104;
        QTest::newRow("nothing, never ask again") << NoneStored << mar10 << 103 << true << false << 0;
        QTest::newRow("-1 asks like nothing") << -1 << mar10 << 101 << true << false << -1;
        QTest::newRow("never") << 0 << mar10 << 0 << false << false << 0;
        QTest::newRow("check") << 1 << mar10 << 0 << false << true << 1;
        QTest::newRow("other value") << 7 << mar10 << 0 << false << false << 7;
        QTest::newRow("date passed") << 20260309 << mar10 << 0 << false << true << 20260309;
        QTest::newRow("date is today") << 20260310 << mar10 << 0 << false << false << 20260310;
        QTest::newRow("date to come") << 20260317 << mar10 << 0 << false << false << 20260317;
        QTest::newRow("week skip from 2025, March 2026")
            << 20251215 << mar10 << 0 << false << true << 20251215;
        QTest::newRow("names no day") << 20251235 << mar10 << 0 << false << false << 20251235;
    }
    void preferenceAndConsent()
    {
        QFETCH(int, stored);
        QFETCH(QDate, today);
        QFETCH(int, answer);
        QFETCH(bool, consent);
        QFETCH(bool, checks);
        QFETCH(int, storedAfter);
        store(stored);
        setUpdateToday(today);
        RecordingDialogs boxes;
        boxes.answers = {answer};
        UpdateStatusLog status;

        runUpdateCheck();

        QStringList titles;
        QStringList head{reading};
        if (consent) {
            titles << consentTitle;
            head << notDefined;
        }
        head << QString();
        if (checks)
            titles << noInternetTitle;
        QCOMPARE(askedTitles(boxes), titles);
        QCOMPARE(status.lines.mid(0, head.size()), head);
        QCOMPARE(status.last(), checks ? noInternetStatus : skipped);
        QCOMPARE(storedPreference(), storedAfter);
    }

    void consentDialog()
    {
        RecordingDialogs boxes;
        runUpdateCheck();
        QCOMPARE(boxes.asked.size(), 1);
        const auto &d = boxes.asked.first();
        QCOMPARE(d.caption, QStringLiteral("Corvane: Software update?"));
        QCOMPARE(d.title, consentTitle);
        QCOMPARE(d.text, QStringLiteral("Is it allowed to connect to the internet to check if a new software "
                                        "version is available?"));
        QCOMPARE(d.icon, Dialogs::Icon::Information);
        QCOMPARE(d.buttons,
                 (QStringList{"Yes, check", "Skip this time", "Skip for 1 week", "Never ask again"}));
    }

    void noInternet_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("storedAfter");
        QTest::newRow("yes, retry") << 100 << 1;
        QTest::newRow("never connect again") << 101 << 0;
        QTest::newRow("cancelled") << 2 << 1;
    }
    void noInternet()
    {
        QFETCH(int, answer);
        QFETCH(int, storedAfter);
        store(1);
        RecordingDialogs boxes;
        boxes.answers = {answer};
        UpdateStatusLog status;

        runUpdateCheck();

        QCOMPARE(status.lines.size(), 6);
        QCOMPARE(status.lines.mid(0, 3), (QStringList{reading, QString(), checking}));
        QVERIFY2(status.lines[3].startsWith(QStringLiteral("Check internet: ")), qPrintable(status.lines[3]));
        QVERIFY2(status.lines[4].startsWith(QStringLiteral("Check internet: ")), qPrintable(status.lines[4]));
        QVERIFY(status.lines[3].size() > 16);
        QCOMPARE(status.lines[5], noInternetStatus);
        QCOMPARE(boxes.asked.size(), 1);
        const auto &d = boxes.asked.first();
        QCOMPARE(d.caption, QStringLiteral("Corvane: No access to the internet"));
        QCOMPARE(d.title, noInternetTitle);
        QCOMPARE(d.text, QStringLiteral("Should we retry next time?"));
        QCOMPARE(d.icon, Dialogs::Icon::Warning);
        QCOMPARE(d.buttons, (QStringList{"Yes, retry", "Never connect to the internet again"}));
        QCOMPARE(storedPreference(), storedAfter);
    }

    void probeOrder_data()
    {
        QTest::addColumn<bool>("firstListens");
        QTest::addColumn<int>("failedProbes");
        QTest::newRow("first answers, second never tried") << true << 0;
        QTest::newRow("first refuses, second answers") << false << 1;
    }
    void probeOrder()
    {
        QFETCH(bool, firstListens);
        QFETCH(int, failedProbes);
        QTcpServer first, second;
        QVERIFY(second.listen(QHostAddress(QStringLiteral("127.0.0.2")), 0));
        if (firstListens)
            QVERIFY(first.listen(QHostAddress::LocalHost, second.serverPort()));
        updateNetwork().probePort = second.serverPort();
        store(1);
        RecordingDialogs boxes;
        boxes.answers = {100};
        UpdateStatusLog status;

        runUpdateCheck();

        QCOMPARE(status.lines.filter(QStringLiteral("Check internet: ")).size(), failedProbes);
        QVERIFY(status.lines.contains(downloading));
        QCOMPARE(first.hasPendingConnections(), firstListens);
        QCOMPARE(second.hasPendingConnections(), !firstListens);
    }

    // Through a real HTTPS server on loopback, probe answered.
    void download_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("reason");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QList<int>>("answers");
        QTest::addColumn<QStringList>("tail");
        QTest::addColumn<int>("storedAfter");
        QTest::addColumn<int>("opened");
        const QByteArray newer = (P + ";1.0.0.1;" + Url).toLatin1();
        QByteArray utf16;
        {
            const QString text = "Program;Version;Download\r\n" + P + ";1.0.0.0;" + Url + "\r\n";
            utf16 = QByteArray("\xFF\xFE", 2) +
                    QByteArray(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
        }
        QTest::newRow("newer, download")
            << 200 << QByteArray("OK") << newer << QList<int>{100}
            << QStringList{downloading, analyzing, QStringLiteral("Update: Newer software is available")}
            << 20260310 << 1;
        QTest::newRow("UTF-16 with heading, latest")
            << 200 << QByteArray("OK") << utf16 << QList<int>{}
            << QStringList{downloading, analyzing, QStringLiteral("Update: This is the latest version.")}
            << 20260310 << 0;
        QTest::newRow("empty manifest")
            << 200 << QByteArray("OK") << QByteArray() << QList<int>{}
            << QStringList{downloading, analyzing,
                           QStringLiteral("Update: Program name not found on the list.")}
            << 1 << 0;
        QTest::newRow("404, retry") << 404 << QByteArray("Not Found") << QByteArray("gone") << QList<int>{100}
                                    << QStringList{downloading,
                                                   QStringLiteral("Download file: Error 404: Not Found"),
                                                   downloadFailed}
                                    << 1 << 0;
        QTest::newRow("500, never again")
            << 500 << QByteArray("Internal Server Error") << QByteArray() << QList<int>{101}
            << QStringList{downloading, QStringLiteral("Download file: Error 500: Internal Server Error"),
                           downloadFailed}
            << 0 << 0;
    }
    void download()
    {
        QFETCH(int, code);
        QFETCH(QByteArray, reason);
        QFETCH(QByteArray, body);
        QFETCH(QList<int>, answers);
        QFETCH(QStringList, tail);
        QFETCH(int, storedAfter);
        QFETCH(int, opened);
        UpdateProbePort probe(true);
        updateNetwork().probePort = probe.port();
        UpdateHttpsServer server(*m_pki);
        server.status = code;
        server.reason = reason;
        server.body = body;
        ManifestUrl = server.url();
        store(1);
        RecordingDialogs boxes;
        boxes.answers = answers;
        RecordingBrowser browser;
        UpdateStatusLog status;

        runUpdateCheck();

        QCOMPARE(status.lines.mid(0, 3), (QStringList{reading, QString(), checking}));
        QCOMPARE(status.lines.mid(3), tail);
        QCOMPARE(server.requestLines, QList<QByteArray>{"GET /software-manifest.csv HTTP/1.1"});
        QCOMPARE(storedPreference(), storedAfter);
        QCOMPARE(browser.opened.size(), opened);
        if (code != 200) {
            QCOMPARE(boxes.asked.size(), 1);
            const auto &d = boxes.asked.first();
            QCOMPARE(d.caption, QStringLiteral("Corvane: Internet connection failed"));
            QCOMPARE(d.title, downloadTitle);
            QCOMPARE(d.text, QStringLiteral("Should we retry next time?"));
            QCOMPARE(d.icon, Dialogs::Icon::Warning);
            QCOMPARE(d.buttons, (QStringList{"Yes, retry", "Never connect to the internet again"}));
        }
    }

    void downloadRefused_data()
    {
        QTest::addColumn<QString>("why");
        QTest::newRow("server certificate not trusted") << QStringLiteral("untrusted");
        QTest::newRow("body above the size limit") << QStringLiteral("large");
        QTest::newRow("no answer in time") << QStringLiteral("silent");
        QTest::newRow("nobody listening") << QStringLiteral("refused");
    }
    void downloadRefused()
    {
        QFETCH(QString, why);
        UpdateHttpsServer server(*m_pki);
        server.body = (P + ";9.0.0.0;" + Url).toLatin1();
        ManifestUrl = server.url();
        UpdateNetworkSettings &net = updateNetwork();
        if (why == QLatin1String("untrusted"))
            net.trustedAuthorities.clear();   // the system's authorities only
        if (why == QLatin1String("large"))
            server.body = QByteArray(net.maxManifestBytes + 1, 'x');
        if (why == QLatin1String("silent")) {
            server.silent = true;
            net.responseTimeoutMs = 400;
        }
        if (why == QLatin1String("refused"))
            ManifestUrl = QStringLiteral("https://127.0.0.1:%1/software-manifest.csv").arg(m_refused->port());
        QStringList lines{QStringLiteral("left alone")};
        UpdateStatusLog status;
        QElapsedTimer clock;
        clock.start();

        QVERIFY(!DownloadLines(ManifestUrl, lines));

        QCOMPARE(lines, QStringList{QStringLiteral("left alone")});
        QCOMPARE(status.lines.size(), 1);
        QVERIFY2(status.lines[0].startsWith(QStringLiteral("Download file: ")) && status.lines[0].size() > 15,
                 qPrintable(status.lines[0]));
        if (why == QLatin1String("silent"))
            QVERIFY2(clock.elapsed() >= 350 && clock.elapsed() < 8000,
                     qPrintable(QString::number(clock.elapsed())));
    }

    void closingTheWindowEndsTheCheck()
    {
        UpdateProbePort probe(true);
        updateNetwork().probePort = probe.port();
        UpdateHttpsServer server(*m_pki);
        server.silent = true;   // the full 10 s time-outs stay
        ManifestUrl = server.url();
        store(1);
        RecordingDialogs boxes;
        UpdateStatusLog status;
        QTimer::singleShot(300, [] { Terminating::instance().set(true); });
        QElapsedTimer clock;
        clock.start();

        runUpdateCheck();
        const qint64 took = clock.elapsed();
        Terminating::instance().set(false);

        QVERIFY2(took < 5000, qPrintable(QString::number(took)));
        QCOMPARE(status.last(), downloading);
        QVERIFY(boxes.asked.isEmpty());
    }

    // Must stay the only call of CheckForUpdate in this program.
    void checksOncePerRun()
    {
        store(0);
        RecordingDialogs boxes;
        UpdateStatusLog status;
        CheckForUpdate();
        QCOMPARE(status.lines, (QStringList{reading, QString(), skipped}));
        CheckForUpdate();
        QCOMPARE(status.lines.size(), 3);
    }
};

QTEST_MAIN(UpdateCheckTest)
#include "tst_update_check.moc"
