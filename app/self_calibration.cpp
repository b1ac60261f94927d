#include "app/self_calibration.h"

#include <QCheckBox>
#include <QLabel>
#include <QProgressBar>
#include <cmath>

#include "app/colors.h"
#include "app/config_sequence.h"
#include "app/main_form.h"
#include "app/widgets.h"
#include "link/palvo_konstante.h"
#include "tools/dialogs.h"
#include "tools/orodja.h"
#include "tools/terminating.h"
#include "tools/tick_clock.h"

namespace {

constexpr quint32 PassMs = 100;
constexpr int GiveUpProgress = 110;   // a little over 11 s without a change
constexpr qint32 StatusLength = 2;

const QByteArray statusCommand()
{
    return QByteArrayLiteral("i");
}

QString counterText(quint8 status)
{
    return QStringLiteral("Counter: ") + QString::number(status & 0x03);
}

}   // namespace

int selfCalProgress(quint32 elapsedMs)
{
    // The default rounding mode rounds halves to even.
    return int(std::nearbyint(double(elapsedMs) / 100.0));
}

SelfCalLamps selfCalLamps(bool finished, quint8 status)
{
    SelfCalLamps lamps;
    lamps.finished = finished ? clrGreen : clrGrey;
    lamps.effective = (status & 0x10) ? clrLime : clrGrey;
    lamps.outOfRange = (status & 0x08) ? clrRed : clrGrey;
    lamps.timeout = (status & 0x04) ? clrRed : clrGrey;
    lamps.successful = (finished && !(status & SelfCalFaultMask)) ? clrLime : clrGrey;
    return lamps;
}

void TMainForm::btnStartSelfCalClick()
{
    if (configurationBusy())
        return;
    ConfigSequence sequence(*this);
    const QString readFailed = QStringLiteral("Command \"i\" failed!");

    DelayMs(PassMs);
    QByteArray first;
    if (SendCommand(ComID, statusCommand(), first, StatusLength) != SC_OK) {
        dialogs().error(readFailed);
        return;
    }
    lblAselfCalResult->setText(counterText(quint8(first.at(1))));
    DelayMs(PassMs);
    if (!sendConfigFrame(*this, Palvo_konstante::frameStartSelfCal(),
                         QStringLiteral("Command \"Unlock + A\" failed!"))) {
        sequence.restoreReading();
        return;
    }

    // Elapsed time as an unsigned difference stays right across a wrap of the
    // 32-bit tick counter.
    const quint32 start = tickClock().tickCount();
    bool finished = false;
    for (;;) {
        DelayMs(PassMs);
        if (SendCommand(ComID, statusCommand(), rxBufferRef(), StatusLength) == SC_OK)
            finished = rxBuffer() != first;
        const int progress = selfCalProgress(tickClock().tickCount() - start);
        // A progress bar ignores values outside its range; past 100 it stays full.
        pbSelfCalProgress->setValue(qMin(progress, pbSelfCalProgress->maximum()));
        if (ApplicationTerminating() || finished || progress > GiveUpProgress)
            break;
    }
    if (ApplicationTerminating())
        return;

    if (SendCommand(ComID, statusCommand(), rxBufferRef(), StatusLength) != SC_OK) {
        dialogs().error(readFailed);
        return;
    }
    const quint8 status = quint8(rxBuffer().at(1));
    const SelfCalLamps lamps = selfCalLamps(finished, status);
    pnlAselfCalFinished->setColor(lamps.finished);
    pnlASelfCalEffective->setColor(lamps.effective);
    pnlAselfCalOutOfRange->setColor(lamps.outOfRange);
    pnlAselfCalTimeout->setColor(lamps.timeout);
    pnlAselfCalSucessful->setColor(lamps.successful);
    lblAselfCalResult->setText(counterText(status) + QStringLiteral("\r\n"));
    const bool good = finished && !(status & SelfCalFaultMask);
    pbSelfCalProgress->setValue(good ? pbSelfCalProgress->maximum() : 0);
    sequence.restoreReading();
}
