#include "app/main_form.h"

void TMainForm::btnMTzeroClick() {}
void TMainForm::btnSTzeroClick() {}
void TMainForm::btnResetFactoryClick() {}
void TMainForm::btnStartSelfCalClick() {}
