#pragma once
#include <QStringList>
#include <array>

enum class VersionOrder { Older, Equal, Newer };

// A part that is not a decimal integer counts as 0.
qint32 versionPart(const QString &text);
// The four published parts against the running version, highest position first:
// the first position that differs decides.
VersionOrder compareVersion(const QStringList &parts, const std::array<qint32, 4> &running);

// Reads the manifest's lines for this program: reports each line's outcome,
// stores today's date number for every well-formed line of this program and
// offers every newer version. Throws when the browser cannot be opened.
void analyzeManifest(const QStringList &lines);
