// ProcessReply on arbitrary replies of any length, on a real window: the first
// byte picks the command index, multiturn and resolution. A reply too short for
// its layout must end in "Range check error", never in a read past its end, and
// a decoded one must leave the panels consistent.
#include <QApplication>
#include <QLabel>
#include <cstdint>
#include <cstring>
#include <memory>
#include <stdexcept>

#include "app/main_form.h"
#include "app/widgets.h"
#include "link/serial_channel.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/support/test_doubles.h"

namespace {
TMainForm *g_form = nullptr;
}

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Kept for the whole process and never torn down: Qt's font caches die with
    // the application object, which must not happen during static destruction.
    new QApplication(*argc, *argv);
    new RecordingDialogs;   // installs itself
    static const Platform platform{createSerialPortChannel().release(), new FixedPortList};
    g_form = new TMainForm(platform);
    g_form->tmrStartup->stop();
    g_form->InitTimer->stop();
    g_form->show();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    TMainForm &f = *g_form;
    const uint8_t control = data[0];
    const quint8 index = quint8(control & 0x07);   // 0..7: outside 1..4 as well
    f.Multiturn = (control & 0x08) ? 1 : 0;
    f.resolucija_bitov = quint8(10 + ((control >> 4) & 0x07));   // 10..17 bits
    f.Singleturn_maska = (1u << f.resolucija_bitov) - 1;
    f.Enkoder_CPR = qint32(1) << f.resolucija_bitov;
    f.rxBufferRef() = QByteArray(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));

    try {
        f.ProcessReply(index);
    } catch (const std::out_of_range &e) {
        FUZZ_CHECK(std::strcmp(e.what(), "Range check error") == 0);
        return 0;
    }
    FUZZ_CHECK(index >= 1 && index <= 4);
    FUZZ_CHECK(f.rxBuffer().isEmpty());
    FUZZ_CHECK(f.ST_value >= 0 && f.ST_value < f.Enkoder_CPR);
    FUZZ_CHECK(f.kot >= 0.0f && f.kot <= 360.0f);
    if (!f.Encoder_Error)
        FUZZ_CHECK(f.pnlAbsPosCnt->text() == QString::number(f.ST_value));
    return 0;
}
