#pragma once
#include <QStringList>
#include <memory>

// The serial ports of the machine, one entry each: the port name, two blanks
// and a device tag of at most 10 characters.
class PortList {
public:
    virtual ~PortList() = default;
    virtual QStringList entries() = 0;
};

// The machine's ports from the platform's enumeration, then the ones given with
// --port on the command line.
std::unique_ptr<PortList> createSystemPortList(const QStringList &commandLinePorts);
