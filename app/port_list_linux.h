#pragma once
#include <QStringList>

// The machine's serial ports from the kernel's tty class under sysfsRoot
// ("/sys" on a real machine): ttyUSB*, ttyACM* and the ttyS* that have a UART
// behind them, each as a port list entry tagged with its driver's name.
QStringList linuxSerialPortEntries(const QString &sysfsRoot = QStringLiteral("/sys"));
