#pragma once
#include <QString>

// The application title: the caption of plain message boxes and of the error report.
inline const QString CorvaneTitle = QStringLiteral("Corvane for Palvo Asnychronous Serial (UART)");
QString ApplicationTitle();
void SetApplicationTitle(const QString &title);
