#include "update/update_preference.h"

#include <QRegularExpression>
#include <QSettings>
#include <limits>
#include <memory>
#include <stdexcept>

#include "tools/dialogs.h"
#include "update/software_update_check.h"

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

QDate fixedToday;

[[noreturn]] void fail(const char *pattern, const QString &name)
{
    throw std::runtime_error(QString::fromLatin1(pattern).arg(name).toStdString());
}

QDate fromDateNumber(qint32 n)
{
    return n > 0 ? QDate(n / 10000, n / 100 % 100, n % 100) : QDate();
}

qint32 toDateNumber(const QDate &d)
{
    bool ok = false;
    const int n = d.toString(QStringLiteral("yyyyMMdd")).toInt(&ok);
    return ok ? n : 999;
}

#ifndef Q_OS_WIN
// The per-user settings file of the organization named by the key's last part.
std::unique_ptr<QSettings> openStore()
{
    const QString organization = UpdateRegistryKey.section(QLatin1Char('\\'), -1);
    auto store = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, organization);
    // The value is the user's alone: a system-wide file must not answer for it.
    store->setFallbacksEnabled(false);
    return store;
}

// The settings file holds text; anything but a decimal 32-bit integer is refused
// the way the registry refuses a value of the wrong type or size.
qint32 storedInteger(const QVariant &v, const QString &name)
{
    bool ok = false;
    qlonglong n = 0;
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        n = v.toLongLong(&ok);
        if (!ok && v.typeId() == QMetaType::ULongLong)
            fail("Failed to get data for '%1'", name);
        break;
    case QMetaType::QString: {
        const QString text = v.toString();
        n = text.toLongLong(&ok);
        if (!ok) {
            static const QRegularExpression digits(QStringLiteral("^[+-]?[0-9]+$"));
            if (digits.match(text).hasMatch())
                fail("Failed to get data for '%1'", name);
        }
        break;
    }
    case QMetaType::QByteArray:
        if (v.toByteArray().size() > 4)
            fail("Failed to get data for '%1'", name);
        break;
    default:
        break;
    }
    if (!ok)
        fail("Invalid data type for '%1'", name);
    if (n < std::numeric_limits<qint32>::min() || n > std::numeric_limits<qint32>::max())
        fail("Failed to get data for '%1'", name);
    return qint32(n);
}
#endif

}   // namespace

void setUpdateToday(const QDate &date)
{
    fixedToday = date;
}

QDate updateToday()
{
    return fixedToday.isValid() ? fixedToday : QDate::currentDate();
}

bool isDateNumber(qint32 value)
{
    return value >= 19000101 && fromDateNumber(value).isValid();
}

qint32 dateNumberPlusDays(qint32 dateNumber, int days)
{
    const QDate d = fromDateNumber(dateNumber);
    return d.isValid() ? toDateNumber(d.addDays(days)) : dateNumber + days;
}

QString updatePreferenceName()
{
    return ProgramName + QLatin1Char('_') + UpdateValueSuffix;
}

qint32 TodayAsNumber()
{
    return toDateNumber(updateToday());
}

#ifndef Q_OS_WIN

void ReadUpdatePreference(qint32 &value)
{
    const QString name = updatePreferenceName();
    // Reading only: QSettings creates nothing until something is written.
    const auto store = openStore();
    if (!store->contains(name))
        return;
    value = storedInteger(store->value(name), name);
}

void WriteUpdatePreference(qint32 value)
{
    const QString name = updatePreferenceName();
    const auto store = openStore();
    if (!store->isWritable()) {
        dialogs().plain(QStringLiteral("Failed to create or open the registry key for writing."));
        return;
    }
    store->setValue(name, value);
    store->sync();
    if (store->status() != QSettings::NoError)
        fail("Failed to set data for '%1'", name);
}

#else

void ReadUpdatePreference(qint32 &value)
{
    const QString name = updatePreferenceName();
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, reinterpret_cast<LPCWSTR>(UpdateRegistryKey.utf16()), 0,
                      KEY_READ | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS)
        return;
    const auto wname = reinterpret_cast<LPCWSTR>(name.utf16());
    DWORD type = 0;
    DWORD data = 0;
    DWORD size = sizeof(data);
    const LONG rc = RegQueryValueExW(key, wname, nullptr, &type, reinterpret_cast<BYTE *>(&data), &size);
    RegCloseKey(key);
    if (rc == ERROR_FILE_NOT_FOUND)
        return;
    if (rc == ERROR_MORE_DATA || rc != ERROR_SUCCESS)
        fail("Failed to get data for '%1'", name);
    if (type != REG_DWORD || size != sizeof(data))
        fail("Invalid data type for '%1'", name);
    value = qint32(data);
}

void WriteUpdatePreference(qint32 value)
{
    const QString name = updatePreferenceName();
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, reinterpret_cast<LPCWSTR>(UpdateRegistryKey.utf16()), 0, nullptr,
                        REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
        dialogs().plain(QStringLiteral("Failed to create or open the registry key for writing."));
        return;
    }
    const DWORD data = DWORD(value);
    const LONG rc = RegSetValueExW(key, reinterpret_cast<LPCWSTR>(name.utf16()), 0, REG_DWORD,
                                   reinterpret_cast<const BYTE *>(&data), sizeof(data));
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS)
        fail("Failed to set data for '%1'", name);
}

#endif
