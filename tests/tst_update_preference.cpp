#include <QtTest>

#include <QFile>
#include <QSettings>
#include <stdexcept>

#include "tests/support/test_doubles.h"
#include "tests/support/update_recorders.h"
#include "update/check_flow.h"
#include "update/software_update_check.h"
#include "update/update_preference.h"

class UpdatePreferenceTest : public QObject {
    Q_OBJECT
    QString m_configDir;
    int m_freshKeys = 0;

    // A key of its own, so no cached settings file can leak between cases.
    QString freshKey() { return QStringLiteral("Software\\ZKTcase%1").arg(++m_freshKeys); }

private slots:
    void initTestCase()
    {
        m_configDir = isolateUpdateSettings();
        ProgramName = QStringLiteral("Corvane_for_Palvo_Zivaz_Uvezud");
    }
    void init()
    {
        UpdateRegistryKey = QStringLiteral("Software\\ZKT");
        clearUpdatePreference();
        setUpdateToday({});
    }
    void cleanupTestCase() { setUpdateToday({}); }

    void todayAsNumber_data()
    {
        QTest::addColumn<QDate>("today");
        QTest::addColumn<int>("number");
        QTest::newRow("8 December 2025") << QDate(2025, 12, 8) << 20251208;
        QTest::newRow("new year 2026") << QDate(2026, 1, 1) << 20260101;
        QTest::newRow("leap day") << QDate(2028, 2, 29) << 20280229;
    }
    void todayAsNumber()
    {
        QFETCH(QDate, today);
        QFETCH(int, number);
        setUpdateToday(today);
        QCOMPARE(TodayAsNumber(), number);
    }

    void todayFollowsTheClock()
    {
        QCOMPARE(TodayAsNumber(), QDate::currentDate().toString(QStringLiteral("yyyyMMdd")).toInt());
    }

    void oneWeekLater_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("later");
        QTest::newRow("inside a month") << 20251208 << 20251215;
        QTest::newRow("across the year end (was 20251235)") << 20251228 << 20260104;
        QTest::newRow("across a leap February") << 20280225 << 20280303;
        QTest::newRow("no real day: plain arithmetic") << 20251235 << 20251242;
    }
    void oneWeekLater()
    {
        QFETCH(int, from);
        QFETCH(int, later);
        QCOMPARE(dateNumberPlusDays(from, 7), later);
    }

    void decision_data()
    {
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("today");
        QTest::addColumn<bool>("checks");
        QTest::newRow("not decided") << -1 << 20260310 << false;
        QTest::newRow("never") << 0 << 20260310 << false;
        QTest::newRow("check") << 1 << 20260310 << true;
        QTest::newRow("other small value") << 2 << 20260310 << false;
        QTest::newRow("below -1") << -7 << 20260310 << false;
        QTest::newRow("date today") << 20260310 << 20260310 << false;
        QTest::newRow("date in the future") << 20260317 << 20260310 << false;
        QTest::newRow("date passed") << 20260309 << 20260310 << true;
        QTest::newRow("2 January 2026 on the 2nd") << 20260102 << 20260102 << false;
        QTest::newRow("2 January 2026 on the 3rd") << 20260102 << 20260103 << true;
        QTest::newRow("week skip from 2025 has passed") << 20251215 << 20260310 << true;
        QTest::newRow("1 January 2026 has passed") << 20260101 << 20260310 << true;
        QTest::newRow("names no day") << 20251235 << 20260310 << false;
        QTest::newRow("names no day, above 2026") << 20261399 << 20280101 << false;
        QTest::newRow("before 1900") << 18991231 << 20260310 << false;
    }
    void decision()
    {
        QFETCH(int, stored);
        QFETCH(int, today);
        QFETCH(bool, checks);
        QCOMPARE(shouldCheckNow(stored, today), checks);
    }

    void storedValuesComeBack_data()
    {
        QTest::addColumn<int>("value");
        QTest::newRow("never") << 0;
        QTest::newRow("check") << 1;
        QTest::newRow("date") << 20260317;
        QTest::newRow("lowest") << std::numeric_limits<qint32>::min();
        QTest::newRow("highest") << std::numeric_limits<qint32>::max();
    }
    void storedValuesComeBack()
    {
        QFETCH(int, value);
        WriteUpdatePreference(value);
        qint32 read = -1;
        ReadUpdatePreference(read);
        QCOMPARE(read, value);
    }

    void readingCreatesNothingFirstWriteDoes()
    {
        UpdateRegistryKey = freshKey();
        const QString file = m_configDir + QLatin1Char('/') +
                             UpdateRegistryKey.section(QLatin1Char('\\'), -1) + QStringLiteral(".conf");
        qint32 value = 42;
        ReadUpdatePreference(value);
        QCOMPARE(value, 42);
        QVERIFY2(!QFile::exists(file), qPrintable(file));

        WriteUpdatePreference(1);
        QVERIFY2(QFile::exists(file), qPrintable(file));
        QSettings written(file, QSettings::IniFormat);
        QCOMPARE(written.value(QStringLiteral("Corvane_for_Palvo_Zivaz_Uvezud_UpdateAllowed")).toInt(), 1);
    }

    void shortNameIsNeverRead()
    {
        ProgramName = QStringLiteral("Corvane");
        WriteUpdatePreference(0);
        ProgramName = QStringLiteral("Corvane_for_Palvo_Zivaz_Uvezud");
        qint32 value = -1;
        ReadUpdatePreference(value);
        QCOMPARE(value, -1);
    }

    void storedText_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("error");
        const QString invalid =
            QStringLiteral("Invalid data type for 'Corvane_for_Palvo_Zivaz_Uvezud_UpdateAllowed'");
        const QString tooLong =
            QStringLiteral("Failed to get data for 'Corvane_for_Palvo_Zivaz_Uvezud_UpdateAllowed'");
        QTest::newRow("integer") << QByteArray("20260317") << 20260317 << QString();
        QTest::newRow("lowest integer")
            << QByteArray("-2147483648") << std::numeric_limits<int>::min() << QString();
        QTest::newRow("word") << QByteArray("abc") << 0 << invalid;
        QTest::newRow("number with text") << QByteArray("12abc") << 0 << invalid;
        QTest::newRow("fraction") << QByteArray("1.5") << 0 << invalid;
        QTest::newRow("empty") << QByteArray("") << 0 << invalid;
        QTest::newRow("list") << QByteArray("1, 2") << 0 << invalid;
        QTest::newRow("above 32 bits") << QByteArray("5000000000") << 0 << tooLong;
        QTest::newRow("above 64 bits") << QByteArray("99999999999999999999999") << 0 << tooLong;
        QTest::newRow("long bytes") << QByteArray("@ByteArray(abcdefgh)") << 0 << tooLong;
        QTest::newRow("short bytes") << QByteArray("@ByteArray(ab)") << 0 << invalid;
    }
    void storedText()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, value);
        QFETCH(QString, error);
        UpdateRegistryKey = freshKey();
        QFile file(m_configDir + QLatin1Char('/') + UpdateRegistryKey.section(QLatin1Char('\\'), -1) +
                   QStringLiteral(".conf"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[General]\nCorvane_for_Palvo_Zivaz_Uvezud_UpdateAllowed=" + text + "\n");
        file.close();

        qint32 read = -1;
        QString thrown;
        try {
            ReadUpdatePreference(read);
        } catch (const std::runtime_error &e) {
            thrown = QString::fromUtf8(e.what());
        }
        QCOMPARE(thrown, error);
        QCOMPARE(read, error.isEmpty() ? value : -1);
    }

    void badStoredValueEndsTheCheck()
    {
        QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("ZKT"))
            .setValue(updatePreferenceName(), QStringLiteral("yes"));
        RecordingDialogs dialogs;
        UpdateStatusLog status;
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, runUpdateCheck());
        QCOMPARE(status.lines, QStringList{QStringLiteral("Update: Reading perferences...")});
        QVERIFY(dialogs.calls.isEmpty());
    }

    void unwritableStoreIsReportedAndTheCallerGoesOn()
    {
        UpdateRegistryKey = freshKey();
        // A folder where the settings file should be: neither opened nor created.
        QVERIFY(QDir(m_configDir)
                    .mkpath(UpdateRegistryKey.section(QLatin1Char('\\'), -1) + QStringLiteral(".conf")));
        RecordingDialogs dialogs;
        WriteUpdatePreference(1);
        QCOMPARE(dialogs.calls, QStringList{QStringLiteral(
                                    "plain: Failed to create or open the registry key for writing.")});
        qint32 value = -1;
        ReadUpdatePreference(value);
        QCOMPARE(value, -1);
    }
};

QTEST_MAIN(UpdatePreferenceTest)
#include "tst_update_preference.moc"
