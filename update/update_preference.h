#pragma once
#include <QDate>
#include <QtGlobal>

// Date numbers (year * 10000 + month * 100 + day) and the stored preference.

// Fixes "today" for tests; an invalid date puts the system's calendar back.
void setUpdateToday(const QDate &date);
QDate updateToday();

// A real calendar day from 1 January 1900 on.
bool isDateNumber(qint32 value);
// Calendar arithmetic, so that 20251228 + 7 days is 20260104.
qint32 dateNumberPlusDays(qint32 dateNumber, int days);

// The value name of the preference: ProgramName + "_" + UpdateValueSuffix.
QString updatePreferenceName();
