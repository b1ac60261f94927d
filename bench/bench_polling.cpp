// Polling throughput against the simulator: decoded replies per second at a
// 10 ms interval, and the tool's CPU time per second of polling at 50 ms.
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QSpinBox>
#include <QStandardPaths>
#include <cstdio>
#include <memory>
#include <sys/resource.h>

#include "app/main_form.h"
#include "app/widgets.h"
#include "link/serial_channel.h"
#include "tests/support/sim_fixture.h"
#include "tests/support/test_doubles.h"

namespace {

double threadCpuMs()
{
    rusage u{};
    getrusage(RUSAGE_THREAD, &u);   // the window's thread only, not the simulator's
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000.0 +
           (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1000.0;
}

struct Run {
    int replies;
    double cpuMs;
    double wallMs;
};

Run poll(TMainForm &f, int seconds)
{
    int replies = 0;
    QColor last = f.pnlComm->color();
    // The lamp flips once per decoded reply; this looks at it just before each
    // tick's step, so the last reply of the run is not counted.
    auto counter = QObject::connect(f.TimerBeriEnkoder, &QTimer::timeout, [&] {
        if (f.pnlComm->color() != last) {
            ++replies;
            last = f.pnlComm->color();
        }
    });
    const double cpu0 = threadCpuMs();
    QElapsedTimer wall;
    wall.start();
    f.cbBeriEnkoder->setChecked(true);
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
    f.cbBeriEnkoder->setChecked(false);
    QObject::disconnect(counter);
    return {replies, threadCpuMs() - cpu0, double(wall.elapsed())};
}

}   // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    RecordingDialogs dialogs;
    SimFixture fx;
    if (!fx.ok()) {
        std::fprintf(stderr, "simulator did not start\n");
        return 1;
    }
    fx.sim().setSpeed(500);
    FixedPortList ports;
    auto channel = createSerialPortChannel();
    TMainForm f(Platform{channel.get(), &ports});
    f.tmrStartup->stop();
    f.InitTimer->stop();
    if (!f.channel().open(fx.portPath()) || !f.channel().setLine(115200)) {
        std::fprintf(stderr, "cannot open %s\n", qPrintable(fx.portPath()));
        return 1;
    }
    f.ComID = f.channel().handle();
    f.resolucija_bitov = 14;
    f.Enkoder_CPR = 16384;
    f.Singleturn_maska = 0x3FFF;
    f.Multiturn = 1;

    const int seconds = 10;
    f.seDelay->findChild<QLineEdit *>()->setText(QStringLiteral("10"));
    f.seDelayChange();
    const Run fast = poll(f, seconds);
    const double timerRate = 1000.0 / 10;
    const double perSecond = fast.replies * 1000.0 / fast.wallMs;
    std::printf("interval 10 ms: %.1f decoded replies/s over %.1f s (%.1f %% of the timer rate)\n", perSecond,
                fast.wallMs / 1000, 100.0 * perSecond / timerRate);

    f.seDelay->findChild<QLineEdit *>()->setText(QStringLiteral("50"));
    f.seDelayChange();
    const Run normal = poll(f, seconds);
    std::printf(
        "interval 50 ms: %d decoded replies, tool CPU %.1f ms per s of polling (%.2f %% of one core)\n",
        normal.replies, normal.cpuMs * 1000 / normal.wallMs, normal.cpuMs * 100 / normal.wallMs);
    return 0;
}
