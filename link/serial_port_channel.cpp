#include "link/serial_channel.h"

#include <QDeadlineTimer>
#include <QSerialPort>
#include <QThread>

#ifdef Q_OS_LINUX
#include <cerrno>
#include <linux/serial.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace {

// How long one byte may wait for room in the driver's output queue before the
// write counts as failed (a stalled adapter, not a slow line).
constexpr int WriteStallMs = 1000;

class SerialPortChannel final : public SerialChannel {
public:
    bool open(const QString &portName) override
    {
        close();
        m_port.setPortName(systemName(portName));
        // QSerialPort takes the port's lock file and TIOCEXCL, so a port that
        // another program holds fails here.
        if (!m_port.open(QIODevice::ReadWrite))
            return false;
        askLowLatency();
        // Whatever arrived before we opened is not an answer to us.
        m_port.clear(QSerialPort::Input);
        return true;
    }

    quintptr handle() const override
    {
        return m_port.isOpen() ? quintptr(m_port.handle()) : INVALID_HANDLE_VALUE;
    }

    bool setLine(qint32 baud) override
    {
        if (!m_port.isOpen())
            return false;
        // Frame format first: the rate goes last so that no later termios write
        // from QSerialPort can put back a cached standard rate.
        bool ok = m_port.setDataBits(QSerialPort::Data8);
        ok = m_port.setParity(QSerialPort::NoParity) && ok;
        ok = m_port.setStopBits(QSerialPort::OneStop) && ok;
        ok = m_port.setBaudRate(baud) && ok;
        return ok;
    }

    void discardInput() override
    {
        if (m_port.isOpen())
            m_port.clear(QSerialPort::Input);
    }

    void discardOutput() override
    {
        if (m_port.isOpen())
            m_port.clear(QSerialPort::Output);
    }

    bool writeByte(char byte) override
    {
        if (!m_port.isOpen())
            return false;
#ifdef Q_OS_LINUX
        // Straight to the descriptor: one byte, and its failure shows at once
        // (a pulled adapter or a closed pty master gives EIO here).
        const int fd = int(m_port.handle());
        QDeadlineTimer deadline(WriteStallMs);
        for (;;) {
            const ssize_t n = ::write(fd, &byte, 1);
            if (n == 1)
                return true;
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && errno != EAGAIN)
                return false;
            pollfd pfd{fd, POLLOUT, 0};
            const int left = int(deadline.remainingTime());
            if (left <= 0 || ::poll(&pfd, 1, left) <= 0 || (pfd.revents & (POLLERR | POLLHUP | POLLNVAL)))
                return false;
        }
#else
        if (m_port.write(&byte, 1) != 1)
            return false;
        if (!m_port.waitForBytesWritten(WriteStallMs)) {
            m_port.clear(QSerialPort::Output);   // do not resend it with the next byte
            return false;
        }
        return true;
#endif
    }

    qint64 waitForInput(int timeoutMs) override
    {
        if (!m_port.isOpen())
            return 0;
        if (m_port.bytesAvailable() > 0)
            return m_port.bytesAvailable();
        QDeadlineTimer deadline(qMax(timeoutMs, 0));
        m_port.waitForReadyRead(qMax(timeoutMs, 0));
        if (m_port.bytesAvailable() == 0) {
            // A wait that ends early with nothing to read is a dead line (an
            // error, or an unplugged adapter that reads end-of-file without
            // one), and it ends so again at once, every time: sleep out the
            // wait rather than let the caller spin on it.
            m_port.clearError();
            const qint64 left = deadline.remainingTime();
            if (left > 0)
                QThread::msleep(quint32(left));
        }
        return m_port.bytesAvailable();
    }

    QByteArray readWaiting() override
    {
        return m_port.isOpen() ? m_port.readAll() : QByteArray();
    }

    void close() override
    {
        if (m_port.isOpen())
            m_port.close();
        m_port.clearError();
    }

private:
    static QString systemName(const QString &portName)
    {
#ifdef Q_OS_WIN
        // The port list may give a bare number; QSerialPort adds the \\.\ itself.
        bool isNumber = false;
        const int number = portName.toInt(&isNumber);
        return isNumber && number > 0 ? QStringLiteral("COM") + portName : portName;
#else
        // "ttyUSB0" means /dev/ttyUSB0; a name starting with "/" is a path
        // (QSerialPort keeps those as they are).
        return portName;
#endif
    }

    void askLowLatency()
    {
#ifdef Q_OS_LINUX
        // FTDI adapters hold a short reply for up to 16 ms otherwise. A pty or
        // a driver without the ioctl refuses; that is fine.
        const int fd = int(m_port.handle());
        serial_struct ss{};
        if (::ioctl(fd, TIOCGSERIAL, &ss) == 0 && !(ss.flags & ASYNC_LOW_LATENCY)) {
            ss.flags |= ASYNC_LOW_LATENCY;
            (void)::ioctl(fd, TIOCSSERIAL, &ss);
        }
#endif
    }

    QSerialPort m_port;
};

}   // namespace

std::unique_ptr<SerialChannel> createSerialPortChannel()
{
    return std::make_unique<SerialPortChannel>();
}
