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

// The kernel's names of serial devices, in the order the search tries them:
// USB adapters first (the encoder is nearly always behind one), then on-board
// UARTs (PCs, ARM boards).
constexpr const char *Prefixes[] = {"ttyUSB", "ttyACM", "ttyXRUSB", "ttyS",
                                    "ttyAMA", "ttymxc", "ttyTHS",   "ttyO"};

struct Found {
    int rank;   // index into Prefixes
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
    static const QRegularExpression name(QStringLiteral("^([A-Za-z]+)([0-9]+)$"));
    const QString classDir = sysfsRoot + QStringLiteral("/class/tty");
    const QStringList names =
        QDir(classDir).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);

    QList<Found> found;
    for (const QString &n : names) {
        const QRegularExpressionMatch m = name.match(n);
        if (!m.hasMatch())
            continue;
        const QString prefix = m.captured(1);
        const auto known = std::find_if(std::begin(Prefixes), std::end(Prefixes),
                                        [&](const char *p) { return prefix == QLatin1String(p); });
        if (known == std::end(Prefixes))
            continue;
        const QString ttyDir = classDir + QLatin1Char('/') + n;
        if (!QFileInfo::exists(ttyDir + QStringLiteral("/device")))
            continue;   // virtual terminal, no hardware
        if (prefix == QLatin1String("ttyS") && !hasUart(ttyDir))
            continue;
        found.append({int(known - std::begin(Prefixes)), m.captured(2).toInt(),
                      makePortEntry(n, driverTag(sysfsRoot, ttyDir))});
    }
    std::sort(found.begin(), found.end(), [](const Found &a, const Found &b) {
        return a.rank != b.rank ? a.rank < b.rank : a.number < b.number;
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
