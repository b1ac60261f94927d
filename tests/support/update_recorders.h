#pragma once
// Recorders for the update check's outputs: the status lines and the browser.
#include <QStringList>
#include <QUrl>

// Collects every status line while it lives; the do-nothing procedure after.
class UpdateStatusLog {
public:
    UpdateStatusLog();
    ~UpdateStatusLog();
    QStringList lines;
    QString last() const { return lines.isEmpty() ? QString() : lines.last(); }
};

// Records the addresses handed to the browser instead of opening one.
class RecordingBrowser {
public:
    explicit RecordingBrowser(bool opens = true);
    ~RecordingBrowser();
    QList<QUrl> opened;
    bool opens;
};

// Runs the tests' settings in a private HOME in Qt's test mode, so that no real
// preference is read or written. Call in initTestCase, before any QSettings.
// Points the probes and the manifest at loopback.
// Returns the folder that holds the per-user settings files.
QString isolateUpdateSettings();

// Removes the stored preference of the current program name.
void clearUpdatePreference();
