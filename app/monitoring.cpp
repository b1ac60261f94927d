#include "app/main_form.h"

#include <QCheckBox>

void TMainForm::cbBeriEnkoderClick()
{
    TrenutniUkazIdx = 1;
    if (cbBeriEnkoder->isChecked())
        TimerBeriEnkoder->start();
    else
        TimerBeriEnkoder->stop();
}
void TMainForm::seDelayChange() {}
void TMainForm::TimerBeriEnkoderTimer() { BeriPozicijo(); }
void TMainForm::BeriPozicijo() {}
void TMainForm::ProcessReply(quint8) {}
void TMainForm::ShowDetailedStatus(quint8) {}
void TMainForm::PaintBoxKotPaint(QPainter &) {}
