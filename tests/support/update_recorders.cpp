#include "tests/support/update_recorders.h"

#include <QDir>
#include <QNetworkProxy>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "update/software_update_check.h"
#include "update/update_network.h"
#include "update/update_preference.h"

namespace {
UpdateStatusLog *currentLog = nullptr;
void record(const QString &text)
{
    if (currentLog)
        currentLog->lines << text;
}
void nothing(const QString &) {}
}   // namespace

UpdateStatusLog::UpdateStatusLog()
{
    currentLog = this;
    StatusCallback = record;
}

UpdateStatusLog::~UpdateStatusLog()
{
    currentLog = nullptr;
    StatusCallback = nothing;
}

RecordingBrowser::RecordingBrowser(bool opens) : opens(opens)
{
    setBrowserOpener([this](const QUrl &url) {
        opened << url;
        return this->opens;
    });
}

RecordingBrowser::~RecordingBrowser()
{
    setBrowserOpener({});
}

QString isolateUpdateSettings()
{
    static QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    QStandardPaths::setTestModeEnabled(true);
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    QDir().mkpath(dir);
    // Nothing a test does may leave this machine: the probes and the manifest
    // point at loopback until a test sets its own, and a proxy from the
    // environment is not used.
    ProbeHost1 = QStringLiteral("127.0.0.1");
    ProbeHost2 = QStringLiteral("127.0.0.2");
    ManifestUrl = QStringLiteral("https://127.0.0.1:9/software-manifest.csv");
    QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
    return dir;
}

void clearUpdatePreference()
{
    QSettings s(QSettings::NativeFormat, QSettings::UserScope,
                UpdateRegistryKey.section(QLatin1Char('\\'), -1));
    s.remove(updatePreferenceName());
    s.sync();
}
