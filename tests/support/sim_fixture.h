#pragma once
// Starts a palvo::Simulator in-process on a fresh pseudo-terminal and names
// it with a symlink in a temporary folder; stops it in the destructor.
#include <QByteArray>
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

    bool ok() const;   // started
    palvo::Simulator &sim();
    QString portPath() const;     // the symlink the tool's channel opens
    QString portEntry() const;    // as the port list gives it: path, two blanks, tag
    QString devicePath() const;   // /dev/pts/N behind the link

private:
    QTemporaryDir m_dir;
    QString m_link;
    std::unique_ptr<palvo::Simulator> m_sim;
    bool m_ok = false;
};

// The tool's side of the line with plain POSIX calls (raw, 8N1), so tests of
// the simulator do not lean on the tool's own channel.
class RawLine {
public:
    explicit RawLine(const QString &path, int baud = 115200);
    ~RawLine();
    RawLine(const RawLine &) = delete;
    RawLine &operator=(const RawLine &) = delete;

    bool isOpen() const { return m_fd >= 0; }
    int fd() const { return m_fd; }
    // Standard rates through cfsetspeed; others through termios2 (BOTHER).
    bool setLine(int baud, int dataBits = 8, bool parity = false, bool twoStopBits = false);
    // Writes each byte on its own, `gapMs` apart; false when a write fails.
    bool send(const QByteArray &bytes, int gapMs = 0);
    // Collects until `want` bytes came or `ms` passed.
    QByteArray receive(int want, int ms = 1000);
    // Whatever arrives within `ms`.
    QByteArray drain(int ms = 50);

private:
    int m_fd = -1;
};
