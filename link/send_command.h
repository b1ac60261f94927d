#pragma once
#include <QByteArray>

class SerialChannel;

// The side of the window that a transaction needs when the line is lost.
class TransactionHost {
public:
    virtual ~TransactionHost() = default;
    virtual void CloseComPort() = 0;
};

// Result codes of a transaction.
enum : qint32 { SC_OK = 0, SC_SHORT = -1, SC_FAILED = -3 };

constexpr int PauseBetweenBytesMs = 2;
constexpr int PauseBeforeReplyMs = 1;
constexpr quint32 ReplyTimeoutMs = 300;

qint32 SendCommand(SerialChannel &channel, TransactionHost &host, quintptr handle, const QByteArray &command,
                   QByteArray &reply, qint32 expectedLength);
