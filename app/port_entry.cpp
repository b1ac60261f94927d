#include "app/port_entry.h"

QString makePortEntry(const QString &portName, const QString &tag)
{
    return portName + QStringLiteral("  ") + tag.left(DeviceTagMaxLength);
}

QString portNameOfEntry(const QString &entry)
{
    const qsizetype blank = entry.indexOf(QLatin1Char(' '));
    return blank < 0 ? entry : entry.left(blank);
}

QString deviceTagFromValueName(const QString &valueName)
{
    const qsizetype slash = valueName.indexOf(QLatin1Char('\\'), 1);
    const QString tag = slash < 0 ? valueName : valueName.mid(slash + 1);
    return tag.left(DeviceTagMaxLength);
}
