#ifndef _WIN32
#include "app/port_list_linux.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>

#include "app/port_entry.h"
#include "app/port_list.h"

namespace {

struct Found {
    int group;   // adapters first: the encoder is nearly always behind one
    QString prefix;
    int number;
    QString entry;
};

QString driverOf(const QString &deviceDir)
{
    return QFileInfo(deviceDir + QStringLiteral("/driver")).canonicalFilePath();
}

// Newer kernels put a serial-base "port" and "ctrl" device between the tty and
// the UART's own device; the tag names the first real driver above them.
QString driverTag(const QString &sysfsRoot, const QString &ttyDir)
{
    const QString devicesRoot = QDir(sysfsRoot + QStringLiteral("/devices")).canonicalPath();
    QString dir = QFileInfo(ttyDir + QStringLiteral("/device")).canonicalFilePath();
    for (int depth = 0; depth < 8 && !dir.isEmpty(); ++depth) {
        const QString driver = driverOf(dir);
        if (!driver.isEmpty() && !driver.contains(QStringLiteral("/bus/serial-base/")))
            return QFileInfo(driver).fileName();
        const QString parent = QFileInfo(dir).path();
        if (parent == dir || (!devicesRoot.isEmpty() && !parent.startsWith(devicesRoot)))
            break;
        dir = parent;
    }
    return QStringLiteral("tty");
}

// A legacy ttyS slot with no UART reads type 0 (PORT_UNKNOWN); Qt's own port
// enumeration leaves those out as well.
bool hasUart(const QString &ttyDir)
{
    QFile type(ttyDir + QStringLiteral("/type"));
    if (!type.open(QIODevice::ReadOnly))
        return true;
    bool ok = false;
    const int value = type.readAll().trimmed().toInt(&ok);
    return ok && value != 0;
}

}   // namespace

QStringList linuxSerialPortEntries(const QString &sysfsRoot)
{
    static const QRegularExpression name(QStringLiteral("^(ttyUSB|ttyACM|ttyS)([0-9]+)$"));
    const QString classDir = sysfsRoot + QStringLiteral("/class/tty");
    const QStringList names =
        QDir(classDir).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);

    QList<Found> found;
    for (const QString &n : names) {
        const QRegularExpressionMatch m = name.match(n);
        if (!m.hasMatch())
            continue;
        const QString ttyDir = classDir + QLatin1Char('/') + n;
        if (!QFileInfo::exists(ttyDir + QStringLiteral("/device")))
            continue;   // virtual terminal, no hardware
        const QString prefix = m.captured(1);
        const bool onboard = prefix == QLatin1String("ttyS");
        if (onboard && !hasUart(ttyDir))
            continue;
        found.append(
            {onboard ? 1 : 0, prefix, m.captured(2).toInt(), makePortEntry(n, driverTag(sysfsRoot, ttyDir))});
    }
    std::sort(found.begin(), found.end(), [](const Found &a, const Found &b) {
        if (a.group != b.group)
            return a.group < b.group;
        if (a.prefix != b.prefix)
            return a.prefix > b.prefix;   // ttyUSB before ttyACM
        return a.number < b.number;
    });
    QStringList out;
    for (const Found &f : found)
        out << f.entry;
    return out;
}

namespace {
class SystemPortList final : public PortList {
public:
    explicit SystemPortList(QStringList extra) : m_extra(std::move(extra)) {}
    // Read anew for every run, so an adapter plugged in later is found.
    QStringList entries() override
    {
        QStringList out = linuxSerialPortEntries();
        for (const QString &p : m_extra)
            out << makePortEntry(p, QStringLiteral("cmdline"));
        return out;
    }

private:
    QStringList m_extra;
};
}   // namespace

std::unique_ptr<PortList> createSystemPortList(const QStringList &commandLinePorts)
{
    return std::make_unique<SystemPortList>(commandLinePorts);
}
#endif
