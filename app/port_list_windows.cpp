#ifdef _WIN32
#include <windows.h>

#include <iterator>

#include "app/port_entry.h"
#include "app/port_list.h"

namespace {

// Value names are device names (\Device\Serial0), data the port names (COM1);
// entries stand in the registry's enumeration order.
QStringList registrySerialPortEntries()
{
    QStringList out;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"hardware\\devicemap\\serialcomm", 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
        return out;
    for (DWORD i = 0;; ++i) {
        wchar_t name[16384];
        DWORD nameLen = DWORD(std::size(name));
        BYTE data[1024] = {};
        DWORD dataLen = sizeof data - sizeof(wchar_t);   // room for a terminator
        DWORD type = 0;
        const LONG rc = RegEnumValueW(key, i, name, &nameLen, nullptr, &type, data, &dataLen);
        if (rc == ERROR_NO_MORE_ITEMS)
            break;
        if (rc != ERROR_SUCCESS || type != REG_SZ)
            continue;
        const QString port = QString::fromWCharArray(reinterpret_cast<const wchar_t *>(data));
        if (!port.startsWith(QLatin1String("COM")))
            continue;
        out << makePortEntry(port.mid(3),
                             deviceTagFromValueName(QString::fromWCharArray(name, int(nameLen))));
    }
    RegCloseKey(key);
    return out;
}

class SystemPortList final : public PortList {
public:
    explicit SystemPortList(QStringList extra) : m_extra(std::move(extra)) {}
    QStringList entries() override
    {
        QStringList out = registrySerialPortEntries();
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
