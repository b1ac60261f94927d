// The live view: the polling cycle and the decoding of its replies.
#include "app/main_form.h"

#include <QCheckBox>
#include <QLabel>
#include <QLocale>
#include <QSpinBox>
#include <limits>
#include <stdexcept>

#include "app/colors.h"
#include "app/reply_trace.h"
#include "app/widgets.h"
#include "link/palvo_konstante.h"
#include "link/replies.h"

namespace {

const QString NoValue = QStringLiteral("-  -  -  -  -");

// Written with ASCII digits and minus sign; only the decimal separator is
// the user's locale's (a locale's own digits or minus sign would make the
// readings hard to compare across machines).
QString withLocaleSeparator(QString text)
{
    return text.replace(QLatin1Char('.'), QLocale().decimalPoint());
}

// Two decimals, from at most 8 significant digits; below 360 no grouping shows.
QString angleText(qint32 counts, qint32 countsPerTurn)
{
    const double angle = double(qint64(counts) * 360) / countsPerTurn;
    const double rounded = QString::number(angle, 'g', 8).toDouble();
    return withLocaleSeparator(QString::number(rounded, 'f', 2));
}

// Tenths of a degree as degrees with one decimal, no grouping.
QString temperatureText(qint16 tenths)
{
    const double rounded = QString::number(tenths / 10.0, 'g', 5).toDouble();
    return withLocaleSeparator(QString::number(rounded, 'f', 1));
}

void setLamp(Panel *lamp, bool on, const QColor &onColor)
{
    lamp->setColor(on ? onColor : clrGrey);
}

}   // namespace

void TMainForm::cbBeriEnkoderClick()
{
    TrenutniUkazIdx = 1;
    if (cbBeriEnkoder->isChecked())
        TimerBeriEnkoder->start();
    else
        TimerBeriEnkoder->stop();
}

void TMainForm::seDelayChange()
{
    // Runs on every keystroke, before the box brings the text into its limits.
    // A text that is not a whole number reads as the lower limit. Zero or a
    // negative number would make the timer fire as fast as the event loop runs
    // (or be refused outright), so the last valid interval stays until the
    // text makes sense again.
    m_delayTyped = true;
    bool ok = false;
    int value = seDelay->cleanText().trimmed().toInt(&ok);
    if (!ok)
        value = seDelay->minimum();
    // The same interval again would only restart the timer.
    if (value <= 0 || value == TimerBeriEnkoder->interval())
        return;
    TimerBeriEnkoder->setInterval(value);
}

void TMainForm::TimerBeriEnkoderTimer()
{
    // A port search in progress owns the line; polling waits until it has ended.
    if (m_searching)
        return;
    BeriPozicijo();
}

void TMainForm::BeriPozicijo()
{
    const quint8 i = TrenutniUkazIdx;
    const QByteArray command(1, Palvo_konstante::CommandChars(i));
    const qint32 expected = Palvo_konstante::ReplyLengths(Multiturn, i);
    if (SendCommand(ComID, command, RxBuffer, expected) == SC_OK) {
        ProcessReply(i);
    } else {
        CloseComPort();
        InitTimer->start();
    }
    ++TrenutniUkazIdx;
    if (TrenutniUkazIdx > 4)
        TrenutniUkazIdx = 1;
}

void TMainForm::ProcessReply(quint8 index)
{
    // The lamp flips its green component on every decoded reply; shown at once,
    // the step itself keeps the event loop from painting until it ends.
    const QColor comm = pnlComm->color();
    pnlComm->setColor(QColor(0, comm.green() ^ 255, 0));
    pnlComm->repaint();

    appendReplyTrace(*lblRxBuffer1, *lblRxBuffer2, BufDisp, index, RxBuffer);

    const bool multiturn = Multiturn == 1;
    int p = replies::positionOffset(index);   // the echo byte is skipped unchecked
    MTST_value = replies::positionWord(RxBuffer, p, multiturn);
    p += replies::positionWordSize(multiturn);

    Encoder_Error = replies::errorActive(MTST_value);
    const bool warning = replies::warningActive(MTST_value);
    const quint32 counts = replies::singleTurnCount(MTST_value, resolucija_bitov, Singleturn_maska);
    if (counts > quint32(std::numeric_limits<qint32>::max()))
        throw std::out_of_range("Range check error");
    ST_value = qint32(counts);
    MT_value = replies::turnCount(MTST_value);
    kot = float(double(qint64(ST_value) * 360) / Enkoder_CPR);

    setLamp(pnlAError, Encoder_Error, clrRed);
    setLamp(pnlAWarning, warning, clrOrange);

    if (Encoder_Error) {
        pnlAbsPosDeg->setText(NoValue);
        pnlAbsPosCnt->setText(NoValue);
        pnlAbsPosMT->setText(NoValue);
    } else {
        pnlAbsPosDeg->setText(angleText(ST_value, Enkoder_CPR) + QStringLiteral(" \u00b0"));
        pnlAbsPosCnt->setText(QString::number(ST_value));
        pnlAbsPosMT->setText(QString::number(MT_value));
    }

    if (index == 3) {
        if (p >= RxBuffer.size())
            throw std::out_of_range("Range check error");
        ShowDetailedStatus(quint8(RxBuffer.at(p)));
    } else if (index == 4) {
        Temperatura = replies::temperature(RxBuffer, p);
        lblTempAsic_C->setText(QStringLiteral("Temp: ") + temperatureText(Temperatura) +
                               QStringLiteral(" \u00b0C"));
        lblTempAsic_C->adjustSize();
    }

    RxBuffer.clear();

    // With an error the dial keeps its last needle.
    if (!Encoder_Error)
        PaintBoxKot->repaint();

    pnlAbsPosDeg->setColor(Encoder_Error ? clrLightRed : clrWhite);
}

void TMainForm::ShowDetailedStatus(quint8 status)
{
    const replies::DetailedStatus s = replies::detailedStatus(status);
    setLamp(pnlAmplitudaHi, s.signalHigh, clrOrange);
    setLamp(pnlAmplitudaWarn, s.signalLow, clrOrange);
    setLamp(pnlTemperaturaAsic, s.temperature, clrOrange);
    setLamp(pnlSpeed, s.speed, clrRed);
    setLamp(pnlMultiturnErr, s.multiturnError, clrRed);
    setLamp(pnlOAngleAccel, s.acceleration, clrRed);
    setLamp(pnlOSafety, s.safety, clrRed);
}
