#include "app/main_form.h"

void TMainForm::InitTimerTimer() { InitTimer->stop(); }
bool TMainForm::BeriVerzijo() { return false; }
bool TMainForm::PreveriMultiturn() { return false; }
bool TMainForm::PreberiIdent() { return false; }
