#pragma once
// Starts a palvo::Simulator in-process on a fresh pseudo-terminal and names
// it with a symlink in a temporary folder; stops it in the destructor.
#include <QString>
#include <QTemporaryDir>
#include <memory>

#include "sim/palvo_sim.h"

class SimFixture {
public:
    explicit SimFixture(palvo::SimConfig config = {});
    ~SimFixture();
    SimFixture(const SimFixture &) = delete;
    SimFixture &operator=(const SimFixture &) = delete;

    bool ok() const;                 // started
    palvo::Simulator &sim();
    QString portPath() const;        // the symlink the tool's channel opens
    QString portEntry() const;       // as the port list gives it: path, two blanks, tag
    QString devicePath() const;      // /dev/pts/N behind the link

private:
    QTemporaryDir m_dir;
    QString m_link;
    std::unique_ptr<palvo::Simulator> m_sim;
    bool m_ok = false;
};
