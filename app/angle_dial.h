#pragma once
// The angle dial: a circle with four labels and a needle at the single-turn angle.
#include <QPoint>
#include <QtGlobal>

class QPainter;

// Round to the nearest integer, a tie going to the even one; the result must
// fit 16 bits or it throws std::out_of_range("Range check error").
qint16 roundHalfEven16(double value);

// Far end of the needle on a dial `width` pixels wide, its centre at
// (width / 2, width / 2). 0 degrees points up and the angle grows
// counter-clockwise.
QPoint needleEnd(float kot, int width);

// Draws the whole dial; the area's background is already filled.
void paintAngleDial(QPainter &canvas, int width, float kot);
