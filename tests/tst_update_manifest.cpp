#include <QtTest>

#include <stdexcept>

#include "tests/support/test_doubles.h"
#include "tests/support/update_recorders.h"
#include "update/manifest_analysis.h"
#include "update/software_update_check.h"
#include "update/update_network.h"
#include "update/update_preference.h"

namespace {
const QString P = QStringLiteral("Corvane_for_Palvo_Zivaz_Uvezud");
const QString Url = QStringLiteral("https://corvane.example/downloads/corvane-setup.exe");
constexpr int NoneStored = std::numeric_limits<int>::min();
using Version = std::array<qint32, 4>;

const QString analyzing = QStringLiteral("Update: Analyzing version file...");
const QString latest = QStringLiteral("Update: This is the latest version.");
const QString newer = QStringLiteral("Update: Newer software is available");
const QString skipped = QStringLiteral("Update skipped.");
const QString notFound = QStringLiteral("Update: Program name not found on the list.");
const QString wrongFile = QStringLiteral("Update: Wrong file format.");
const QString wrongVersion = QStringLiteral("Update: Wrong version format.");
QString noNewer(const QString &v)
{
    return QStringLiteral("Update: There is no newer version. Latest published is ") + v;
}

int storedPreference()
{
    qint32 v = NoneStored;
    ReadUpdatePreference(v);
    return v;
}
}   // namespace

Q_DECLARE_METATYPE(Version)

class UpdateManifestTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        isolateUpdateSettings();
        ProgramName = P;
    }
    void init()
    {
        clearUpdatePreference();
        setUpdateToday(QDate(2026, 3, 10));
        ProgramVersion = {1, 0, 0, 0};
    }

    void decoding_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("empty") << QByteArray() << QStringList{};
        QTest::newRow("CR LF, LF and CR") << QByteArray("a\r\nb\nc\rd") << QStringList{"a", "b", "c", "d"};
        QTest::newRow("line end at the end adds no line") << QByteArray("a\r\n") << QStringList{"a"};
        QTest::newRow("blank line at the end") << QByteArray("a\n\n") << QStringList{"a", ""};
        QTest::newRow("CR CR LF") << QByteArray("a\r\r\nb") << QStringList{"a", "", "b"};
        QTest::newRow("only a line end") << QByteArray("\r\n") << QStringList{""};
        QTest::newRow("no BOM: Latin-1") << QByteArray("Gr\xFC\xDF") << QStringList{QStringLiteral("Grüß")};
        QTest::newRow("UTF-8 BOM") << QByteArray("\xEF\xBB\xBFGr\xC3\xBC\xC3\x9F\r\nx")
                                   << QStringList{QStringLiteral("Grüß"), "x"};
        QTest::newRow("UTF-16 LE BOM") << QByteArray("\xFF\xFE"
                                                     "a\0;\0\xFC\0\r\0\n\0b\0",
                                                     14)
                                       << QStringList{QStringLiteral("a;ü"), "b"};
        QTest::newRow("UTF-16 BE BOM")
            << QByteArray("\xFE\xFF\0a\0;\0\xFC\0\n\0b", 12) << QStringList{QStringLiteral("a;ü"), "b"};
    }
    void decoding()
    {
        QFETCH(QByteArray, body);
        QFETCH(QStringList, lines);
        QCOMPARE(decodeManifest(body), lines);
    }

    void comparison_data()
    {
        QTest::addColumn<QStringList>("published");
        QTest::addColumn<Version>("running");
        QTest::addColumn<int>("order");
        const int older = int(VersionOrder::Older), equal = int(VersionOrder::Equal),
                  newer = int(VersionOrder::Newer);
        QTest::newRow("equal") << QStringList{"1", "2", "3", "4"} << Version{1, 2, 3, 4} << equal;
        QTest::newRow("build higher") << QStringList{"1", "0", "0", "1"} << Version{1, 0, 0, 0} << newer;
        QTest::newRow("major higher, rest lower")
            << QStringList{"2", "0", "0", "0"} << Version{1, 9, 9, 9} << newer;
        QTest::newRow("1.5.0.0 is older than 2.0.0.0")
            << QStringList{"1", "5", "0", "0"} << Version{2, 0, 0, 0} << older;
        QTest::newRow("numbers, not text: 10 > 9")
            << QStringList{"1", "10", "0", "0"} << Version{1, 9, 0, 0} << newer;
        QTest::newRow("part not a number counts 0")
            << QStringList{"1", "x", "0", "0"} << Version{1, 0, 0, 0} << equal;
        QTest::newRow("empty part counts 0")
            << QStringList{"0", "", "0", "1"} << Version{0, 0, 0, 0} << newer;
        QTest::newRow("no version read: anything above 0")
            << QStringList{"0", "0", "0", "1"} << Version{0, 0, 0, 0} << newer;
    }
    void comparison()
    {
        QFETCH(QStringList, published);
        QFETCH(Version, running);
        QFETCH(int, order);
        QCOMPARE(int(compareVersion(published, running)), order);
    }

    void analysis_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<Version>("running");
        QTest::addColumn<QList<int>>("answers");
        QTest::addColumn<QStringList>("statuses");
        QTest::addColumn<int>("dialogs");
        QTest::addColumn<int>("stored");
        QTest::addColumn<QStringList>("opened");
        const Version v1{1, 0, 0, 0};
        const QString line = P + ";%1;" + Url;

        QTest::newRow("same version") << QStringList{line.arg("1.0.0.0")} << v1 << QList<int>{}
                                      << QStringList{analyzing, latest} << 0 << 20260310 << QStringList{};
        QTest::newRow("newer, download")
            << QStringList{line.arg("1.0.0.1")} << v1 << QList<int>{100} << QStringList{analyzing, newer} << 1
            << 20260310 << QStringList{Url};
        QTest::newRow("newer, skip this time")
            << QStringList{line.arg("1.0.0.1")} << v1 << QList<int>{101}
            << QStringList{analyzing, newer, skipped} << 1 << 20260310 << QStringList{};
        QTest::newRow("newer, skip for 1 week")
            << QStringList{line.arg("1.0.0.1")} << v1 << QList<int>{102}
            << QStringList{analyzing, newer, skipped} << 1 << 20260317 << QStringList{};
        QTest::newRow("newer, never ask again")
            << QStringList{line.arg("1.0.0.1")} << v1 << QList<int>{103}
            << QStringList{analyzing, newer, skipped} << 1 << 0 << QStringList{};
        QTest::newRow("newer, dialog cancelled")
            << QStringList{line.arg("1.0.0.1")} << v1 << QList<int>{2}
            << QStringList{analyzing, newer, skipped} << 1 << 20260310 << QStringList{};
        QTest::newRow("newer, dialog not shown")
            << QStringList{line.arg("1.0.0.1")} << v1 << QList<int>{0}
            << QStringList{analyzing, newer, skipped} << 1 << 20260310 << QStringList{};
        QTest::newRow("older, parts as written")
            << QStringList{line.arg("0.9.0.00")} << v1 << QList<int>{}
            << QStringList{analyzing, noNewer("0.9.0.00")} << 0 << 20260310 << QStringList{};
        QTest::newRow("1.5.0.0 against running 2.0.0.0")
            << QStringList{line.arg("1.5.0.0")} << Version{2, 0, 0, 0} << QList<int>{}
            << QStringList{analyzing, noNewer("1.5.0.0")} << 0 << 20260310 << QStringList{};
        QTest::newRow("part not a number")
            << QStringList{line.arg("0.x.0.0")} << v1 << QList<int>{}
            << QStringList{analyzing, noNewer("0.x.0.0")} << 0 << 20260310 << QStringList{};
        QTest::newRow("heading line first")
            << QStringList{"Program;Version;Download", line.arg("1.0.0.0")} << v1 << QList<int>{}
            << QStringList{analyzing, latest} << 0 << 20260310 << QStringList{};
        QTest::newRow("two fields") << QStringList{P + ";1.0.0.0"} << v1 << QList<int>{}
                                    << QStringList{analyzing, wrongFile, notFound} << 0 << NoneStored
                                    << QStringList{};
        QTest::newRow("four fields, later lines still read")
            << QStringList{line.arg("1.0.0.0") + ";x", line.arg("1.0.0.0")} << v1 << QList<int>{}
            << QStringList{analyzing, wrongFile, latest} << 0 << 20260310 << QStringList{};
        QTest::newRow("three version parts")
            << QStringList{line.arg("1.0.1")} << v1 << QList<int>{} << QStringList{analyzing, wrongVersion}
            << 0 << NoneStored << QStringList{};
        QTest::newRow("short name only")
            << QStringList{"Corvane;9.0.0.0;" + Url} << v1 << QList<int>{} << QStringList{analyzing, notFound}
            << 0 << NoneStored << QStringList{};
        QTest::newRow("name in other case")
            << QStringList{P.toLower() + ";9.0.0.0;" + Url} << v1 << QList<int>{}
            << QStringList{analyzing, notFound} << 0 << NoneStored << QStringList{};
        QTest::newRow("long name with text around")
            << QStringList{"New " + P + " (Linux);1.0.0.0;" + Url} << v1 << QList<int>{}
            << QStringList{analyzing, latest} << 0 << 20260310 << QStringList{};
        QTest::newRow("quoted name with a semicolon")
            << QStringList{"\"" + P + ";beta\";1.0.0.1;" + Url} << v1 << QList<int>{101}
            << QStringList{analyzing, newer, skipped} << 1 << 20260310 << QStringList{};
        QTest::newRow("two newer lines, two dialogs")
            << QStringList{line.arg("1.1.0.0"), "Other;9.9.9.9;x", line.arg("1.2.0.0")} << v1
            << QList<int>{101, 100} << QStringList{analyzing, newer, skipped, newer} << 2 << 20260310
            << QStringList{Url};
        QTest::newRow("empty manifest")
            << QStringList{} << v1 << QList<int>{} << QStringList{analyzing, notFound} << 0 << NoneStored
            << QStringList{};
        QTest::newRow("trailing blank line passed over")
            << QStringList{line.arg("1.0.0.0"), ""} << v1 << QList<int>{} << QStringList{analyzing, latest}
            << 0 << 20260310 << QStringList{};
    }
    void analysis()
    {
        QFETCH(QStringList, lines);
        QFETCH(Version, running);
        QFETCH(QList<int>, answers);
        QFETCH(QStringList, statuses);
        QFETCH(int, dialogs);
        QFETCH(int, stored);
        QFETCH(QStringList, opened);
        ProgramVersion = running;
        RecordingDialogs boxes;
        boxes.answers = answers;
        RecordingBrowser browser;
        UpdateStatusLog status;

        analyzeManifest(lines);

        QCOMPARE(status.lines, statuses);
        QCOMPARE(boxes.asked.size(), dialogs);
        QCOMPARE(storedPreference(), stored);
        QStringList urls;
        for (const QUrl &u : browser.opened)
            urls << u.toString();
        QCOMPARE(urls, opened);
    }

    void newVersionDialog()
    {
        RecordingDialogs boxes;
        boxes.answers = {101};
        RecordingBrowser browser;
        analyzeManifest({P + ";2.0.0.0;" + Url});
        QCOMPARE(boxes.asked.size(), 1);
        const auto &d = boxes.asked.first();
        QCOMPARE(d.caption, QStringLiteral("Corvane: New version found"));
        QCOMPARE(d.title, QStringLiteral("New Corvane app version is available."));
        QCOMPARE(d.text, QStringLiteral("Do you want to download it?"));
        QCOMPARE(d.icon, Dialogs::Icon::Information);
        QCOMPARE(d.buttons,
                 (QStringList{"Yes, download", "Skip this time", "Skip for 1 week", "Never ask again"}));
    }

    void browserFailureEndsTheAnalysis_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("opens");
        QTest::newRow("local file") << QStringLiteral("file:///etc/passwd") << true;
        QTest::newRow("browser does not open") << Url << false;
    }
    void browserFailureEndsTheAnalysis()
    {
        QFETCH(QString, address);
        QFETCH(bool, opens);
        RecordingDialogs boxes;
        boxes.answers = {100};
        RecordingBrowser browser(opens);
        UpdateStatusLog status;
        QString error;
        try {
            analyzeManifest({P + ";2.0.0.0;" + address, P + ";1.0.0.0;" + Url});
        } catch (const std::runtime_error &e) {
            error = QString::fromUtf8(e.what());
        }
        QCOMPARE(error, QStringLiteral("Could not open the default web browser."));
        QCOMPARE(status.last(), newer);   // the second line is never read
        QCOMPARE(storedPreference(), 20260310);
    }

    void onlyWebAddressesReachTheBrowser_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("opened");
        QTest::newRow("https") << QStringLiteral("https://corvane.example/get") << true;
        QTest::newRow("http") << QStringLiteral("http://corvane.example/get?v=2") << true;
        QTest::newRow("scheme in capitals") << QStringLiteral("HTTPS://corvane.example/get") << true;
        QTest::newRow("file") << QStringLiteral("file:///usr/bin/xterm") << false;
        QTest::newRow("bare path") << QStringLiteral("/usr/bin/xterm") << false;
        QTest::newRow("windows program") << QStringLiteral("C:\\Windows\\System32\\calc.exe") << false;
        QTest::newRow("script") << QStringLiteral("javascript:alert(1)") << false;
        QTest::newRow("other scheme") << QStringLiteral("ftp://corvane.example/get") << false;
        QTest::newRow("no host") << QStringLiteral("https:///etc/passwd") << false;
        QTest::newRow("empty") << QString() << false;
    }
    void onlyWebAddressesReachTheBrowser()
    {
        QFETCH(QString, address);
        QFETCH(bool, opened);
        RecordingBrowser browser;
        bool threw = false;
        try {
            OpenInBrowser(address);
        } catch (const std::runtime_error &e) {
            threw = true;
            QCOMPARE(QString::fromUtf8(e.what()), QStringLiteral("Could not open the default web browser."));
        }
        QCOMPARE(threw, !opened);
        QCOMPARE(browser.opened.size(), opened ? 1 : 0);
    }
};

QTEST_MAIN(UpdateManifestTest)
#include "tst_update_manifest.moc"
