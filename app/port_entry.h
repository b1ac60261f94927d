#pragma once
// The rows of the port list: the port name, two blanks, a device tag of at
// most 10 characters. The text before the first blank names the port.
#include <QString>

constexpr int DeviceTagMaxLength = 10;

QString makePortEntry(const QString &portName, const QString &tag);

// The port name of a row: its text up to the first blank, or the whole row.
QString portNameOfEntry(const QString &entry);

// The tag from a device name as the Windows registry lists it: the part after
// the first backslash at or after the second character (\Device\Serial0 gives
// Serial0), else the name itself; cut to 10 characters.
QString deviceTagFromValueName(const QString &valueName);
