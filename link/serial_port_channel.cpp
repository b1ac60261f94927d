#include "link/serial_channel.h"

namespace {
class NullChannel final : public SerialChannel {
public:
    bool open(const QString &) override { return false; }
    quintptr handle() const override { return INVALID_HANDLE_VALUE; }
    bool setLine(qint32) override { return false; }
    void discardInput() override {}
    void discardOutput() override {}
    bool writeByte(char) override { return false; }
    qint64 waitForInput(int) override { return 0; }
    QByteArray readWaiting() override { return {}; }
    void close() override {}
};
} // namespace

std::unique_ptr<SerialChannel> createSerialPortChannel() { return std::make_unique<NullChannel>(); }
