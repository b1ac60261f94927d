#include "update/check_flow.h"

#include "tools/terminating.h"
#include "update/manifest_analysis.h"
#include "update/software_update_check.h"
#include "update/update_preference.h"

namespace {

const QStringList retryButtons{QStringLiteral("Yes, retry"),
                               QStringLiteral("Never connect to the internet again")};

// Asks for consent while nothing is stored; gives the preference to go on with.
qint32 preferenceWithConsent()
{
    StatusCallback(QStringLiteral("Update: Reading perferences..."));
    qint32 value = -1;
    ReadUpdatePreference(value);
    if (value != -1)
        return value;

    StatusCallback(QStringLiteral("Update: perferences not defined"));
    const int answer = AskWithButtons(
        QStringLiteral("Corvane: Software update?"),
        QStringLiteral("Check for a new Corvane software version?"),
        QStringLiteral(
            "Is it allowed to connect to the internet to check if a new software version is available?"),
        Dialogs::Icon::Information,
        {QStringLiteral("Yes, check"), QStringLiteral("Skip this time"), QStringLiteral("Skip for 1 week"),
         QStringLiteral("Never ask again")});
    switch (answer) {
    case 100:
        value = 1;
        break;
    case 102:
        value = dateNumberPlusDays(TodayAsNumber(), 7);
        break;
    case 103:
        value = 0;
        break;
    default:
        break;
    }
    if (value >= 0)
        WriteUpdatePreference(value);
    return value;
}

bool internetReachable()
{
    StatusCallback(QStringLiteral("Update: Checking internet connection..."));
    if (CanReachHost(ProbeHost1))
        return true;
    return !ApplicationTerminating() && CanReachHost(ProbeHost2);
}

void offerNeverAgain(const QString &caption, const QString &title)
{
    if (ApplicationTerminating())
        return;
    if (AskWithButtons(caption, title, QStringLiteral("Should we retry next time?"), Dialogs::Icon::Warning,
                       retryButtons) == 101)
        WriteUpdatePreference(0);
}

}   // namespace

bool shouldCheckNow(qint32 preference, qint32 today)
{
    if (preference == 1)
        return true;
    // Any real date waits until it has passed; a value that names no day
    // (20251235, say) and everything else stays quiet.
    return isDateNumber(preference) && today > preference;
}

int AskWithButtons(const QString &caption, const QString &title, const QString &text, Dialogs::Icon icon,
                   const QStringList &buttons)
{
    return dialogs().askWithButtons(caption, title, text, icon, buttons);
}

void runUpdateCheck()
{
    static bool running = false;
    if (running)
        return;
    running = true;
    struct Done {
        ~Done() { running = false; }
    } done;

    const qint32 preference = preferenceWithConsent();
    StatusCallback(QString());
    if (!shouldCheckNow(preference, TodayAsNumber())) {
        StatusCallback(QStringLiteral("Update check skipped."));
        return;
    }
    if (ApplicationTerminating())
        return;

    if (!internetReachable()) {
        if (ApplicationTerminating())
            return;
        StatusCallback(QStringLiteral("Update: No access to the internet!"));
        offerNeverAgain(QStringLiteral("Corvane: No access to the internet"),
                        QStringLiteral("Unable to connect to the internet."));
        return;
    }

    StatusCallback(QStringLiteral("Update: Downloading version file..."));
    QStringList lines;
    if (!DownloadLines(ManifestUrl, lines)) {
        if (ApplicationTerminating())
            return;
        StatusCallback(QStringLiteral("Update: Downloading version file failed!"));
        offerNeverAgain(QStringLiteral("Corvane: Internet connection failed"),
                        QStringLiteral("Unable to load the version file."));
        return;
    }
    analyzeManifest(lines);
}

void CheckForUpdate()
{
    // Once per program run, even if something restarts the start-up timer.
    static bool ran = false;
    if (ran)
        return;
    ran = true;
    runUpdateCheck();
}
