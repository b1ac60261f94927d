#pragma once
// The raw reply trace: two labels at the same place, one shown while the
// other collects the lines of the running four-reply cycle.
#include <QByteArray>
#include <QString>
#include <QtGlobal>

class QLabel;

// "c -> HH HH ... \r\n": the command byte, then every byte of the reply.
QString replyTraceLine(char command, const QByteArray &reply);

// Adds the reply of command index `index` (1..4) to the collecting label.
// bufDisp 1: label1 shown, label2 collects; otherwise the other way round.
// Index 1 starts a new cycle; after index 4 the labels trade places.
void appendReplyTrace(QLabel &label1, QLabel &label2, quint8 &bufDisp, quint8 index, const QByteArray &reply);
