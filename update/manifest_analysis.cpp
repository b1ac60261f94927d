#include "update/manifest_analysis.h"

#include "tools/orodja.h"
#include "tools/terminating.h"
#include "update/software_update_check.h"
#include "update/update_preference.h"

qint32 versionPart(const QString &text)
{
    bool ok = false;
    const int n = text.toInt(&ok, 10);
    return ok ? n : 0;
}

VersionOrder compareVersion(const QStringList &parts, const std::array<qint32, 4> &running)
{
    for (int i = 0; i < 4; ++i) {
        const qint32 published = i < parts.size() ? versionPart(parts[i]) : 0;
        if (published != running[size_t(i)])
            return published > running[size_t(i)] ? VersionOrder::Newer : VersionOrder::Older;
    }
    return VersionOrder::Equal;
}

void analyzeManifest(const QStringList &lines)
{
    StatusCallback(QStringLiteral("Update: Analyzing version file..."));
    bool found = false;
    QStringList fields;
    QStringList parts;
    for (const QString &line : lines) {
        if (ApplicationTerminating())
            return;
        // A blank line (a trailing one, say) says nothing about the manifest.
        if (line.isEmpty())
            continue;
        SplitFields(line, QLatin1Char(';'), fields);
        if (fields.size() != 3) {
            StatusCallback(QStringLiteral("Update: Wrong file format."));
            continue;
        }
        if (!fields[0].contains(ProgramName, Qt::CaseSensitive))
            continue;
        found = true;
        SplitFields(fields[1], QLatin1Char('.'), parts);
        if (parts.size() != 4) {
            StatusCallback(QStringLiteral("Update: Wrong version format."));
            continue;
        }
        WriteUpdatePreference(TodayAsNumber());

        const VersionOrder order = compareVersion(parts, ProgramVersion);
        if (order == VersionOrder::Newer) {
            StatusCallback(QStringLiteral("Update: Newer software is available"));
            const int answer =
                AskWithButtons(QStringLiteral("Corvane: New version found"),
                               QStringLiteral("New Corvane app version is available."),
                               QStringLiteral("Do you want to download it?"), Dialogs::Icon::Information,
                               {QStringLiteral("Yes, download"), QStringLiteral("Skip this time"),
                                QStringLiteral("Skip for 1 week"), QStringLiteral("Never ask again")});
            if (answer == 100) {
                OpenInBrowser(fields[2]);
                continue;
            }
            if (answer == 102)
                WriteUpdatePreference(dateNumberPlusDays(TodayAsNumber(), 7));
            else if (answer == 103)
                WriteUpdatePreference(0);
            StatusCallback(QStringLiteral("Update skipped."));
        } else if (order == VersionOrder::Equal) {
            StatusCallback(QStringLiteral("Update: This is the latest version."));
        } else {
            StatusCallback(QStringLiteral("Update: There is no newer version. Latest published is ") +
                           parts.join(QLatin1Char('.')));
        }
    }
    if (!found)
        StatusCallback(QStringLiteral("Update: Program name not found on the list."));
}
