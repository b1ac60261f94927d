#include "app/port_list.h"

namespace {
class SystemPortList final : public PortList {
public:
    explicit SystemPortList(QStringList extra) : m_extra(std::move(extra)) {}
    QStringList entries() override
    {
        QStringList out;
        for (const QString &p : m_extra)
            out << p + QStringLiteral("  cmdline");
        return out;
    }
private:
    QStringList m_extra;
};
} // namespace

std::unique_ptr<PortList> createSystemPortList(const QStringList &commandLinePorts)
{
    return std::make_unique<SystemPortList>(commandLinePorts);
}
