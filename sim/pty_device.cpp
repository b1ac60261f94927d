#include "sim/pty_device.h"
#include "sim/line_settings.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace palvo {

bool PtyDevice::open()
{
    close();
    int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0)
        return false;
    char name[128];
    if (grantpt(master) != 0 || unlockpt(master) != 0 || ptsname_r(master, name, sizeof name) != 0) {
        ::close(master);
        return false;
    }
    int slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave < 0) {
        ::close(master);
        return false;
    }
    // A fresh pty echoes and edits lines; a serial port does neither.
    makeRaw(slave);
    // Replies are written without blocking: a tool that never reads must not stall the encoder.
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    m_master = master;
    m_slave = slave;
    m_slavePath = name;
    return true;
}

void PtyDevice::close()
{
    if (m_slave >= 0)
        ::close(m_slave);
    if (m_master >= 0)
        ::close(m_master);
    m_slave = m_master = -1;
}

bool pointLink(const std::string &link, const std::string &target)
{
    struct stat st {};
    if (lstat(link.c_str(), &st) == 0 && !S_ISLNK(st.st_mode))
        return false;
    std::string temp = link + ".new." + std::to_string(getpid());
    ::unlink(temp.c_str());
    if (::symlink(target.c_str(), temp.c_str()) != 0)
        return false;
    if (::rename(temp.c_str(), link.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

void removeLink(const std::string &link)
{
    struct stat st {};
    if (!link.empty() && lstat(link.c_str(), &st) == 0 && S_ISLNK(st.st_mode))
        ::unlink(link.c_str());
}

}   // namespace palvo
