#include <QCheckBox>
#include <QLabel>
#include <QProgressBar>

#include "app/colors.h"
#include "app/config_sequence.h"
#include "app/main_form.h"
#include "app/widgets.h"
#include "link/palvo_konstante.h"
#include "link/serial_channel.h"
#include "tools/dialogs.h"
#include "tools/orodja.h"

using namespace Palvo_konstante;

namespace {

constexpr quint32 FrameGapMs = 100;
constexpr quint32 FactoryResetWaitMs = 500;

// The multiturn-zero procedure: on its own, or as a step of "Set zero here",
// where the box is already unchecked and noting it changes nothing.
bool multiturnZero(TMainForm &form)
{
    const bool wasReading = form.cbBeriEnkoder->isChecked();
    form.cbBeriEnkoder->setChecked(false);
    if (!sendConfigFrame(form, frameMultiturnZero(), QStringLiteral("Set multitirn failed!")))
        return false;
    form.cbBeriEnkoder->setChecked(wasReading);
    return true;
}

// A read of the position inside the set-zero sequence. Before reading was
// ever switched on the index is still 0, which has no command; starting the
// cycle there reads a fresh position instead of stopping the sequence halfway,
// after the template offset has already reached the encoder.
// False when the read lost the port.
bool readPosition(TMainForm &form)
{
    if (form.commandIndex() == 0)
        form.setCommandIndex(FirstCommand);
    form.BeriPozicijo();
    return form.ComID != INVALID_HANDLE_VALUE;
}

}   // namespace

void TMainForm::btnMTzeroClick()
{
    if (configurationBusy())
        return;
    ConfigSequence sequence(*this);
    multiturnZero(*this);
    sequence.restoreReading();
}

void TMainForm::btnSTzeroClick()
{
    if (Encoder_Error || configurationBusy())
        return;
    ConfigSequence sequence(*this);
    const QString offsetFailed = QStringLiteral("Set zero offset failed!");

    // Any step that does not reach the encoder ends the sequence: what follows
    // would save a half-made configuration.
    auto run = [&]() -> bool {
        QByteArray frame = frameZeroOffsetTemplate();
        if (!sendConfigFrame(*this, frame, offsetFailed))
            return false;
        DelayMs(FrameGapMs);
        if (!multiturnZero(*this))
            return false;
        DelayMs(FrameGapMs);
        if (!readPosition(*this)) {
            // The measured offset cannot be written without the port.
            dialogs().error(offsetFailed);
            return false;
        }
        DelayMs(FrameGapMs);
        const quint32 offset = quint32(ST_value);
        frame[5] = char(offset >> 24);
        frame[6] = char(offset >> 16);
        frame[7] = char(offset >> 8);
        frame[8] = char(offset);
        if (!sendConfigFrame(*this, frame, offsetFailed))
            return false;
        DelayMs(FrameGapMs);
        if (!readPosition(*this)) {
            // The next frame, the multiturn zero, cannot reach the encoder.
            dialogs().error(QStringLiteral("Set multitirn failed!"));
            return false;
        }
        DelayMs(FrameGapMs);
        if (!multiturnZero(*this))
            return false;
        DelayMs(FrameGapMs);
        if (!sendConfigFrame(*this, frameSave(), QStringLiteral("Value Save failed!")))
            return false;
        DelayMs(FrameGapMs);
        return multiturnZero(*this);
    };
    run();
    sequence.restoreReading();
}

void TMainForm::btnResetFactoryClick()
{
    if (configurationBusy())
        return;
    ConfigSequence sequence(*this);
    // A reset that never reached the encoder must not be reported as finished.
    if (sendConfigFrame(*this, frameFactoryReset(), QStringLiteral("Command failed!"))) {
        DelayMs(FactoryResetWaitMs);
        pbSelfCalProgress->setValue(0);
        lblAselfCalResult->setText(QString());
        pnlAselfCalFinished->setColor(clrGrey);
        pnlAselfCalTimeout->setColor(clrGrey);
        pnlAselfCalOutOfRange->setColor(clrGrey);
        pnlAselfCalSucessful->setColor(clrGrey);
        dialogs().plain(QStringLiteral("Reset finished. It is recommended to power-cycle the encoder."));
    }
    sequence.restoreReading();
}
