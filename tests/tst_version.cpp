#include <QtTest>

#include <QTemporaryDir>

#include "app/main_form.h"
#include "link/serial_channel.h"
#include "tests/support/test_doubles.h"
#include "tools/app_title.h"
#include "update/software_update_check.h"
#include "update/version_record.h"

namespace {

class Bytes {
public:
    explicit Bytes(bool big) : m_big(big) {}
    Bytes &put(quint64 v, int size)
    {
        for (int i = 0; i < size; ++i)
            data += char((v >> (8 * (m_big ? size - 1 - i : i))) & 0xFF);
        return *this;
    }
    Bytes &raw(const QByteArray &b)
    {
        data += b;
        return *this;
    }
    Bytes &pad4()
    {
        while (data.size() % 4)
            data += '\0';
        return *this;
    }
    QByteArray data;

private:
    bool m_big;
};

QByteArray note(bool big, const QByteArray &name, quint32 type, const QByteArray &desc, qint64 nameSize = -1)
{
    Bytes b(big);
    b.put(nameSize < 0 ? quint64(name.size()) : quint64(nameSize), 4)
        .put(quint64(desc.size()), 4)
        .put(type, 4);
    b.raw(name).pad4().raw(desc).pad4();
    return b.data;
}

QByteArray versionDesc(bool big, quint32 ms, quint32 ls, quint32 signature = 0xFEEF04BDu)
{
    return Bytes(big).put(signature, 4).put(0x00010000, 4).put(ms, 4).put(ls, 4).data;
}

QByteArray ours(bool big, quint32 ms, quint32 ls)
{
    return note(big, QByteArray("Corvane", 8), 1, versionDesc(big, ms, ls));
}

// A minimal ELF file: header, one note section, and a table of two sections.
QByteArray elf(bool is64, bool big, const QByteArray &notes, quint64 notesOffset = 0)
{
    const int headerSize = is64 ? 64 : 52;
    const quint64 notesAt = notesOffset ? notesOffset : quint64(headerSize);
    const quint64 tableAt = quint64(headerSize) + quint64(notes.size());
    Bytes h(big);
    h.raw(QByteArray("\x7f"
                     "ELF",
                     4))
        .put(is64 ? 2 : 1, 1)
        .put(big ? 2 : 1, 1)
        .put(1, 1);
    h.data.resize(headerSize, '\0');
    if (is64) {
        h.data.replace(0x28, 8, Bytes(big).put(tableAt, 8).data);
        h.data.replace(0x3A, 2, Bytes(big).put(64, 2).data);
        h.data.replace(0x3C, 2, Bytes(big).put(2, 2).data);
    } else {
        h.data.replace(0x20, 4, Bytes(big).put(tableAt, 4).data);
        h.data.replace(0x2E, 2, Bytes(big).put(40, 2).data);
        h.data.replace(0x30, 2, Bytes(big).put(2, 2).data);
    }
    Bytes table(big);
    table.data = QByteArray(is64 ? 64 : 40, '\0');   // the null section
    if (is64)
        table.put(0, 4)
            .put(7, 4)
            .put(0, 8)
            .put(0, 8)
            .put(notesAt, 8)
            .put(quint64(notes.size()), 8)
            .raw(QByteArray(24, '\0'));
    else
        table.put(0, 4)
            .put(7, 4)
            .put(0, 4)
            .put(0, 4)
            .put(notesAt, 4)
            .put(quint64(notes.size()), 4)
            .raw(QByteArray(16, '\0'));
    return h.data + notes + table.data;
}

constexpr quint32 MS_2_5 = (2u << 16) | 5u;
constexpr quint32 LS_17_300 = (17u << 16) | 300u;

}   // namespace

class VersionTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_noRecord;

    QString writeFile(const QString &name, const QByteArray &bytes)
    {
        QFile f(m_dir.filePath(name));
        if (!f.open(QIODevice::WriteOnly))
            return {};
        f.write(bytes);
        return f.fileName();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_noRecord =
            writeFile(QStringLiteral("no-record"), elf(true, false, note(false, "GNU", 3, "12345678")));
    }
    void init() { ProgramName = QStringLiteral("Corvane"); }

    void recordInFiles_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("version");
        QTest::newRow("64-bit little-endian")
            << elf(true, false, ours(false, MS_2_5, LS_17_300)) << "2.5.17.300";
        QTest::newRow("32-bit big-endian") << elf(false, true, ours(true, MS_2_5, LS_17_300)) << "2.5.17.300";
        QTest::newRow("after another owner's note")
            << elf(true, false,
                   note(false, "GNU", 3, "0123456789abcdef0123") + ours(false, MS_2_5, LS_17_300))
            << "2.5.17.300";
        QTest::newRow("largest parts")
            << elf(true, false, ours(false, 0xFFFFFFFF, 0xFFFFFFFF)) << "65535.65535.65535.65535";
        QTest::newRow("another owner only") << elf(true, false, note(false, "GNU", 3, "12345678")) << "";
        QTest::newRow("our owner, other type")
            << elf(true, false,
                   note(false, QByteArray("Corvane", 8), 2, versionDesc(false, MS_2_5, LS_17_300)))
            << "";
        QTest::newRow("wrong signature")
            << elf(true, false,
                   note(false, QByteArray("Corvane", 8), 1, versionDesc(false, MS_2_5, 0, 0x12345678)))
            << "";
        QTest::newRow("descriptor too short")
            << elf(true, false, note(false, QByteArray("Corvane", 8), 1, QByteArray(8, '\0'))) << "";
        QTest::newRow("name size past the section")
            << elf(true, false,
                   note(false, QByteArray("Corvane", 8), 1, versionDesc(false, 1, 1), 0xFFFFFFF0))
            << "";
        QTest::newRow("section past the end of the file")
            << elf(true, false, ours(false, MS_2_5, LS_17_300), 0xFFFFFFFFFFFFull) << "";
        QTest::newRow("cut short") << elf(true, false, ours(false, MS_2_5, LS_17_300)).left(90) << "";
        QTest::newRow("header only") << elf(false, false, {}).left(30) << "";
        QTest::newRow("not ELF") << QByteArray("#!/bin/sh\necho hello\n") << "";
        QTest::newRow("empty") << QByteArray() << "";
    }
    void recordInFiles()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, version);
        const QString path = writeFile(QString::fromLatin1(QTest::currentDataTag()), file);
        QVERIFY(!path.isEmpty());
        ReadProgramVersionFrom(path);
        QCOMPARE(ProgramVersionStr, version);
        if (version.isEmpty())
            QCOMPARE(ProgramVersion, (std::array<qint32, 4>{0, 0, 0, 0}));
        QCOMPARE(ApplicationTitle(), QStringLiteral("Corvane (") + version + QStringLiteral(")"));
    }

    void notAFile()
    {
        ReadProgramVersionFrom(m_dir.path());
        QCOMPARE(ProgramVersionStr, QString());
        ReadProgramVersionFrom(m_dir.filePath(QStringLiteral("missing")));
        QCOMPARE(ProgramVersionStr, QString());
    }

    // This test program carries the same record as the tool, made from the
    // project version by the build.
    void ownProgramFile()
    {
        ReadProgramVersion();
        const std::array<qint32, 4> expected{CORVANE_VERSION_MAJOR, CORVANE_VERSION_MINOR,
                                             CORVANE_VERSION_PATCH, CORVANE_VERSION_TWEAK};
        QCOMPARE(ProgramVersion, expected);
        const QString text =
            QStringLiteral("%1.%2.%3.%4").arg(expected[0]).arg(expected[1]).arg(expected[2]).arg(expected[3]);
        QCOMPARE(ProgramVersionStr, text);
        QCOMPARE(ApplicationTitle(), QStringLiteral("Corvane (") + text + QStringLiteral(")"));
    }

    void startupSetsInterimTitle()
    {
        StatusCallback = [](const QString &) { QFAIL("no status before the window"); };
        SoftwareUpdateCheckStartup();
        StatusCallback(QStringLiteral("goes nowhere"));
        QVERIFY(ApplicationTitle().startsWith(QStringLiteral("Corvane (")));
        QVERIFY(!ProgramVersionStr.isEmpty());
    }

    void captionSuffix_data()
    {
        QTest::addColumn<bool>("withRecord");
        QTest::newRow("program file with the record") << true;
        QTest::newRow("program file without it") << false;
    }
    void captionSuffix()
    {
        QFETCH(bool, withRecord);
        if (withRecord)
            ReadProgramVersion();
        else
            ReadProgramVersionFrom(m_noRecord);
        const QString built = QStringLiteral("%1.%2.%3.%4")
                                  .arg(CORVANE_VERSION_MAJOR)
                                  .arg(CORVANE_VERSION_MINOR)
                                  .arg(CORVANE_VERSION_PATCH)
                                  .arg(CORVANE_VERSION_TWEAK);
        QCOMPARE(ApplicationTitle(), withRecord ? "Corvane (" + built + ")" : QStringLiteral("Corvane ()"));
        const QString suffix = withRecord ? " (Ver: " + built + ")" : QStringLiteral(" (Ver: )");

        RecordingDialogs boxes;
        auto channel = createSerialPortChannel();
        FixedPortList ports;
        TMainForm form(Platform{channel.get(), &ports});
        form.tmrStartup->stop();
        form.InitTimer->stop();
        QVERIFY2(form.windowTitle().endsWith(suffix), qPrintable(form.windowTitle()));
        QVERIFY(!form.windowTitle().startsWith(suffix));
    }
};

QTEST_MAIN(VersionTest)
#include "tst_version.moc"
