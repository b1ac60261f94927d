// Round-trip time of SendCommand for each polling command against the
// simulator on a pseudo-terminal, next to the floor the protocol allows, and
// the CPU time the tool's thread spends per transaction.
//
//   bench_send_command [transactions per command, default 1000]
#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <vector>

#include "link/palvo_konstante.h"
#include "link/send_command.h"
#include "link/serial_channel.h"
#include "tests/support/sim_fixture.h"

namespace {

struct NoHost : TransactionHost {
    void CloseComPort() override {}
};

double threadCpuMs()
{
    rusage ru{};
    getrusage(RUSAGE_THREAD, &ru);
    return (ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) * 1e3 +
           (ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e3;
}

double percentile(std::vector<double> v, double p)
{
    std::sort(v.begin(), v.end());
    const size_t i = std::min(v.size() - 1, size_t(p * double(v.size() - 1) + 0.5));
    return v[i];
}

}   // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::max(1, atoi(argv[1])) : 1000;
    const int multiturn = 1;
    int failures = 0;

    std::printf("%-8s %-3s %4s %9s %9s %9s %7s %9s %9s\n", "baud", "cmd", "n", "floor ms", "median", "p99",
                "x floor", "cpu ms/tx", "wall ms/tx");
    for (int baud : {115200, 1000000}) {
        palvo::SimConfig config;
        config.baud = baud;
        config.multiturn = multiturn == 1;
        SimFixture fx(config);
        auto channel = createSerialPortChannel();
        if (!fx.ok() || !channel->open(fx.portPath()) || !channel->setLine(baud)) {
            std::fprintf(stderr, "cannot start the simulator at %d\n", baud);
            return 1;
        }
        NoHost host;
        for (int index = 1; index <= 4; ++index) {
            const QByteArray command(1, Palvo_konstante::CommandChars(index));
            const qint32 expected = Palvo_konstante::ReplyLengths(multiturn, index);
            // 1 ms pause plus command and reply on the wire, 10 bits a byte.
            const double floorMs = PauseBeforeReplyMs + (command.size() + expected) * 10.0 * 1000.0 / baud;

            std::vector<double> ms;
            ms.reserve(size_t(count));
            QByteArray reply;
            const double cpu0 = threadCpuMs();
            QElapsedTimer total;
            total.start();
            for (int i = 0; i < count; ++i) {
                QElapsedTimer t;
                t.start();
                if (SendCommand(*channel, host, channel->handle(), command, reply, expected) != SC_OK)
                    ++failures;
                ms.push_back(double(t.nsecsElapsed()) / 1e6);
            }
            const double wallPerTx = double(total.nsecsElapsed()) / 1e6 / count;
            const double cpuPerTx = (threadCpuMs() - cpu0) / count;
            const double median = percentile(ms, 0.5);
            std::printf("%-8d %-3c %4d %9.3f %9.3f %9.3f %7.2f %9.4f %9.3f\n", baud, command.at(0), count,
                        floorMs, median, percentile(ms, 0.99), median / floorMs, cpuPerTx, wallPerTx);
        }
    }
    if (failures)
        std::printf("%d transactions failed\n", failures);
    return failures ? 1 : 0;
}
