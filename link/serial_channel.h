#pragma once
#include <QByteArray>
#include <QString>
#include <memory>

// What a transaction and the port search need of a serial port; the
// QSerialPort implementation and the test doubles both fit.
class SerialChannel {
public:
    virtual ~SerialChannel() = default;
    virtual bool open(const QString &portName) = 0;   // exclusive, blocking I/O
    virtual quintptr handle() const = 0;              // the OS handle while open
    virtual bool setLine(qint32 baud) = 0;            // baud, 8N1; nothing else touched
    virtual void discardInput() = 0;
    virtual void discardOutput() = 0;
    virtual bool writeByte(char byte) = 0;
    virtual qint64 waitForInput(int timeoutMs) = 0;   // blocks in the OS; returns bytes waiting
    virtual QByteArray readWaiting() = 0;
    virtual void close() = 0;
};

// The handle value that means "no port open": all bits set.
constexpr quintptr INVALID_HANDLE_VALUE = ~quintptr(0);

std::unique_ptr<SerialChannel> createSerialPortChannel();
