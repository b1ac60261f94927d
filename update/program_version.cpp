#include "update/software_update_check.h"
#include "update/version_record.h"
#include "tools/app_title.h"

#ifdef Q_OS_WIN
#include <windows.h>
#include <vector>
#endif

namespace {

void applyVersion(quint32 ms, quint32 ls)
{
    ProgramVersion = {qint32(ms >> 16), qint32(ms & 0xFFFF), qint32(ls >> 16), qint32(ls & 0xFFFF)};
    ProgramVersionStr = QStringLiteral("%1.%2.%3.%4")
                            .arg(ProgramVersion[0])
                            .arg(ProgramVersion[1])
                            .arg(ProgramVersion[2])
                            .arg(ProgramVersion[3]);
}

#ifdef Q_OS_WIN
void readWindowsVersionResource(const QString &programFile)
{
    const std::wstring path = programFile.toStdWString();
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
    if (size == 0)
        return;
    std::vector<BYTE> buffer(size, 0);
    if (!GetFileVersionInfoW(path.c_str(), 0, size, buffer.data()))
        return;
    VS_FIXEDFILEINFO *info = nullptr;
    UINT len = 0;
    if (!VerQueryValueW(buffer.data(), L"\\", reinterpret_cast<void **>(&info), &len) || !info ||
        len < sizeof(VS_FIXEDFILEINFO))
        return;
    applyVersion(info->dwFileVersionMS, info->dwFileVersionLS);
}
#endif

}   // namespace

void ReadProgramVersionFrom(const QString &programFile)
{
    ProgramVersionStr.clear();
    ProgramVersion = {0, 0, 0, 0};
#ifdef Q_OS_WIN
    readWindowsVersionResource(programFile);
#else
    if (const auto record = readVersionRecord(programFile))
        applyVersion(record->fileVersionMS, record->fileVersionLS);
#endif
    // Interim: the application entry sets the real title right after start-up.
    SetApplicationTitle(ProgramName + QStringLiteral(" (") + ProgramVersionStr + QStringLiteral(")"));
}

void ReadProgramVersion()
{
#ifdef Q_OS_WIN
    wchar_t path[32768];
    const DWORD n = GetModuleFileNameW(nullptr, path, DWORD(std::size(path)));
    ReadProgramVersionFrom(n > 0 && n < std::size(path) ? QString::fromWCharArray(path, int(n)) : QString());
#else
    ReadProgramVersionFrom(QStringLiteral("/proc/self/exe"));
#endif
}
