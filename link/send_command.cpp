#include "link/send_command.h"

#include "link/serial_channel.h"
#include "tools/dialogs.h"
#include "tools/tick_clock.h"

qint32 SendCommand(SerialChannel &channel, TransactionHost &host, quintptr handle, const QByteArray &command,
                   QByteArray &reply, qint32 expectedLength)
{
    reply.clear();
    if (handle == INVALID_HANDLE_VALUE || command.isEmpty())
        return SC_FAILED;

    channel.discardOutput();
    channel.discardInput();   // leftovers of an earlier transaction never reach this reply

    // One byte per write; the encoder needs the gap between the bytes of a frame.
    // Only the last byte's outcome counts: an earlier failure may have been a
    // hiccup, a failed last byte means the line is gone.
    bool lastWritten = false;
    for (qsizetype i = 0; i < command.size(); ++i) {
        if (i > 0)
            tickClock().sleepMs(PauseBetweenBytesMs);
        lastWritten = channel.writeByte(command.at(i));
    }
    if (!lastWritten) {
        // Close first: while the box is up, timer ticks run and must find no port.
        host.CloseComPort();
        dialogs().warning(QStringLiteral("Cable disconnected!"));
        return SC_FAILED;
    }

    tickClock().sleepMs(PauseBeforeReplyMs);
    const quint32 start = tickClock().tickCount();
    int waitMs = 0;   // the first poll only looks; with nothing expected it is the only one
    for (;;) {
        if (channel.waitForInput(waitMs) > 0)
            reply += channel.readWaiting();
        if (reply.size() >= expectedLength)
            return SC_OK;
        // Unsigned difference: right across a wrap of the 32-bit tick counter.
        const quint32 elapsed = tickClock().tickCount() - start;
        if (elapsed > ReplyTimeoutMs)
            return SC_SHORT;
        // Block in the OS until bytes come or the time is up, one tick past 300
        // so the last poll happens after the timeout has truly passed.
        waitMs = int(ReplyTimeoutMs + 1 - elapsed);
    }
}
