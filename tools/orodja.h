#pragma once
#include <QString>
#include <QStringList>

// Waits ms milliseconds while the window keeps handling its messages; returns
// at once when the application is terminating.
void DelayMs(quint32 ms);

// Cuts text into fields at delimiter; double quotes protect delimiters.
void SplitFields(const QString &text, QChar delimiter, QStringList &list);
