#pragma once
#include <QString>
#include <QStringList>
#include <array>

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

void CheckForUpdate();
