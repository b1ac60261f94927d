#include "link/send_command.h"

#include "link/serial_channel.h"

qint32 SendCommand(SerialChannel &, TransactionHost &, quintptr, const QByteArray &, QByteArray &reply, qint32)
{
    reply.clear();
    return SC_FAILED;
}
