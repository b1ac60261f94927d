#include "app/reply_trace.h"

#include <QLabel>

#include "link/palvo_konstante.h"

QString replyTraceLine(char command, const QByteArray &reply)
{
    static const char digits[] = "0123456789ABCDEF";
    QString line;
    line.reserve(6 + reply.size() * 3);
    line += QLatin1Char(command);
    line += QLatin1String(" -> ");
    for (char c : reply) {
        const auto b = quint8(c);
        line += QLatin1Char(digits[b >> 4]);
        line += QLatin1Char(digits[b & 0x0F]);
        line += QLatin1Char(' ');
    }
    line += QLatin1String("\r\n");
    return line;
}

void appendReplyTrace(QLabel &label1, QLabel &label2, quint8 &bufDisp, quint8 index, const QByteArray &reply)
{
    const char command = Palvo_konstante::CommandChars(index);
    QLabel &collecting = bufDisp == 1 ? label2 : label1;
    label1.setVisible(bufDisp == 1);
    label2.setVisible(bufDisp != 1);

    // Whatever an interrupted cycle left behind goes with the next first reply.
    QString text = index == 1 ? QString() : collecting.text();
    text += replyTraceLine(command, reply);
    collecting.setText(text);
    collecting.adjustSize();

    if (index == 4)
        bufDisp = bufDisp == 1 ? 2 : 1;
}
