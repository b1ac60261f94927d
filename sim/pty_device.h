#pragma once
// A pseudo-terminal pair for the simulator, and the symlink that names it.
#include <string>

namespace palvo {

class PtyDevice {
public:
    PtyDevice() = default;
    ~PtyDevice() { close(); }
    PtyDevice(const PtyDevice &) = delete;
    PtyDevice &operator=(const PtyDevice &) = delete;

    bool open();
    void close();
    bool isOpen() const { return m_master >= 0; }
    int master() const { return m_master; }
    const std::string &slavePath() const { return m_slavePath; }

private:
    int m_master = -1;
    int m_slave = -1;   // held open so the line keeps its settings between the tool's opens
    std::string m_slavePath;
};

// Makes `link` a symlink to `target`, replacing an older symlink atomically.
// Refuses to replace anything that is not a symlink.
bool pointLink(const std::string &link, const std::string &target);
// Removes `link` if it is a symlink.
void removeLink(const std::string &link);

}   // namespace palvo
