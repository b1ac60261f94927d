#pragma once
#include <QtGlobal>

// Whether a stored preference lets the check run today: 1 always; a calendar
// date number once that day has passed; anything else (0 included) never.
bool shouldCheckNow(qint32 preference, qint32 today);

// One full check, without the once-per-run guard of CheckForUpdate.
void runUpdateCheck();
