#pragma once
#include <QString>
#include <QStringList>
#include <array>

#include "tools/dialogs.h"

// Module state of the update check.
extern QString ProgramName;
extern QString ManifestUrl;
extern QString UpdateRegistryKey;
extern QString UpdateValueSuffix;
extern QString ProbeHost1;
extern QString ProbeHost2;

extern std::array<qint32, 4> ProgramVersion;   // major, minor, release, build
extern QString ProgramVersionStr;

using StatusProc = void (*)(const QString &text);
extern StatusProc StatusCallback;

// Module start-up: the do-nothing status procedure, the version, the interim title.
void SoftwareUpdateCheckStartup();
void ReadProgramVersion();
// Reads the version record of the given program file (the running one by default).
void ReadProgramVersionFrom(const QString &programFile);

qint32 TodayAsNumber();
void ReadUpdatePreference(qint32 &value);
void WriteUpdatePreference(qint32 value);

// The whole check, once per program run (later calls do nothing).
void CheckForUpdate();

// The task dialog: 100 + the position of the pressed button, 2 when cancelled,
// 0 when it could not be shown.
int AskWithButtons(const QString &caption, const QString &title, const QString &text, Dialogs::Icon icon,
                   const QStringList &buttons);
// True when a TCP connection to the probe port of host opens in time; otherwise
// reports "Check internet: " and the error.
bool CanReachHost(const QString &host);
// Fetches url and fills lines; otherwise reports "Download file: " and the error.
bool DownloadLines(const QString &url, QStringList &lines);
// Throws "Could not open the default web browser." when url is no web address
// or the browser cannot be opened.
void OpenInBrowser(const QString &url);
