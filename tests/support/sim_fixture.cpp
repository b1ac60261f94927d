#include "tests/support/sim_fixture.h"

SimFixture::SimFixture(palvo::SimConfig config)
    : m_sim(std::make_unique<palvo::Simulator>(std::move(config)))
{
    if (!m_dir.isValid())
        return;
    m_link = m_dir.filePath(QStringLiteral("encoder"));
    m_ok = m_sim->start(m_link.toStdString());
}

SimFixture::~SimFixture()
{
    m_sim->stop();
}

bool SimFixture::ok() const
{
    return m_ok;
}

palvo::Simulator &SimFixture::sim()
{
    return *m_sim;
}

QString SimFixture::portPath() const
{
    return m_link;
}

QString SimFixture::portEntry() const
{
    return m_link + QStringLiteral("  cmdline");
}

QString SimFixture::devicePath() const
{
    return QString::fromStdString(m_sim->devicePath());
}
