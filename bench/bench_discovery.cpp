// Discovery time: an encoder at 921600 behind two silent ports, from the start
// of a run to "Read encoder" checked, next to the floor that the reply
// timeouts set (20 probes of 300 ms without an answer).
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QStandardPaths>
#include <cstdio>

#include "app/main_form.h"
#include "link/send_command.h"
#include "link/serial_channel.h"
#include "tests/support/sim_fixture.h"
#include "tests/support/test_doubles.h"

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    const int rounds = argc > 1 ? qMax(1, atoi(argv[1])) : 3;

    palvo::SimConfig silentConfig;
    silentConfig.baud = 9600;   // never among the rates searched
    palvo::SimConfig encConfig;
    encConfig.baud = 921600;
    SimFixture silent1(silentConfig), silent2(silentConfig), enc(encConfig);
    if (!silent1.ok() || !silent2.ok() || !enc.ok()) {
        std::fprintf(stderr, "cannot start the simulators\n");
        return 1;
    }

    const int silentProbes = 2 * 7 + 6;
    const double floorMs = silentProbes * double(ReplyTimeoutMs);
    std::printf("encoder at 921600 behind two silent ports; floor %.0f ms (%d probes x %u ms)\n", floorMs,
                silentProbes, ReplyTimeoutMs);

    for (int r = 0; r < rounds; ++r) {
        RecordingDialogs dialogs;
        auto channel = createSerialPortChannel();
        FixedPortList ports({silent1.portEntry(), silent2.portEntry(), enc.portEntry()});
        TMainForm form(Platform{channel.get(), &ports});
        form.tmrStartup->stop();
        form.InitTimer->stop();

        QElapsedTimer t;
        t.start();
        form.InitTimerTimer();
        const double ms = t.nsecsElapsed() / 1e6;
        if (!form.cbBeriEnkoder->isChecked()) {
            std::fprintf(stderr, "round %d: encoder not found\n", r + 1);
            return 1;
        }
        std::printf("round %d: %.1f ms, %.1f ms over the floor (%.2f %%)\n", r + 1, ms, ms - floorMs,
                    100.0 * (ms - floorMs) / floorMs);
    }
    return 0;
}
