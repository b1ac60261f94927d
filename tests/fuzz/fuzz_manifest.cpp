// The manifest on arbitrary bytes: decoding by byte-order mark, line splitting
// and the per-line analysis, with the new-version dialog answered by the first
// byte. Only the texts of the check may come out; nothing may crash.
#include <QCoreApplication>
#include <QDate>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cstdint>
#include <cstring>
#include <exception>

#include "tests/fuzz/fuzz_check.h"
#include "tests/support/test_doubles.h"
#include "update/manifest_analysis.h"
#include "update/software_update_check.h"
#include "update/update_network.h"
#include "update/update_preference.h"

namespace {

int g_statusLines = 0;
void countStatus(const QString &text)
{
    FUZZ_CHECK(text.startsWith(QLatin1String("Update")));
    ++g_statusLines;
}

}   // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication app(*argc, *argv);
    // The preference store goes to a private folder, never the user's.
    static QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());
    QStandardPaths::setTestModeEnabled(true);
    setUpdateToday(QDate(2026, 12, 10));
    ProgramName = QStringLiteral("Corvane_for_Palvo_Zivaz_Uvezud");
    ProgramVersion = {1, 0, 0, 0};
    StatusCallback = countStatus;
    setBrowserOpener([](const QUrl &) { return true; });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    static RecordingDialogs boxes;
    boxes.calls.clear();
    boxes.asked.clear();
    boxes.defaultAnswer = 100 + data[0] % 5;   // 104: no such button

    const QByteArray body(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    const QStringList lines = decodeManifest(body);
    for (const QString &line : lines)
        FUZZ_CHECK(!line.contains(QLatin1Char('\n')) && !line.contains(QLatin1Char('\r')));

    g_statusLines = 0;
    try {
        analyzeManifest(lines);
    } catch (const std::exception &e) {
        // Only the browser step may fail: an address that is not http(s) with a
        // host is refused before it reaches the browser.
        if (std::strcmp(e.what(), "Could not open the default web browser.") != 0) {
            std::fprintf(stderr, "unexpected error: %s\n", e.what());
            std::abort();
        }
        return 0;
    }
    FUZZ_CHECK(g_statusLines >= 1);
    return 0;
}
