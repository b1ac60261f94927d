#include "update/software_update_check.h"

QString ProgramName = QStringLiteral("Corvane");
QString ManifestUrl = QStringLiteral("https://corvane.example/software-manifest.csv");
QString UpdateRegistryKey = QStringLiteral("Software\\ZKT");
QString UpdateValueSuffix = QStringLiteral("UpdateAllowed");
QString ProbeHost1 = QStringLiteral("1.1.1.1");
QString ProbeHost2 = QStringLiteral("8.8.8.8");

std::array<qint32, 4> ProgramVersion{0, 0, 0, 0};
QString ProgramVersionStr;

static void statusNothing(const QString &) {}
StatusProc StatusCallback = statusNothing;

void SoftwareUpdateCheckStartup()
{
    StatusCallback = statusNothing;
    ReadProgramVersion();
}
