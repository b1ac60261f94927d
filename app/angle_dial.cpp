#include "app/angle_dial.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPen>
#include <cmath>
#include <limits>
#include <numbers>
#include <stdexcept>

#include "app/colors.h"
#include "app/main_form.h"
#include "app/widgets.h"

namespace {

qint16 checked16(long long v)
{
    if (v < std::numeric_limits<qint16>::min() || v > std::numeric_limits<qint16>::max())
        throw std::out_of_range("Range check error");
    return qint16(v);
}

qint16 radius(int width)
{
    return checked16(width / 2);
}

// Angle of the radial from the centre through (x, y), in degrees counter-clockwise
// from three o'clock, as the arc call wants it (screen y grows downwards).
double radialDegrees(int r, int x, int y)
{
    return std::atan2(double(r - y), double(x - r)) * 180.0 / std::numbers::pi;
}

void drawLabel(QPainter &canvas, int left, int top, const QString &text)
{
    // Opaque on the face colour; the point is the text's top-left corner.
    const QFontMetrics fm = canvas.fontMetrics();
    canvas.fillRect(QRect(left, top, fm.horizontalAdvance(text), fm.height()), clrFace());
    canvas.setPen(clrWindowText());
    canvas.drawText(left, top + fm.ascent(), text);
}

}   // namespace

qint16 roundHalfEven16(double value)
{
    if (!std::isfinite(value))
        throw std::out_of_range("Range check error");
    // std::round would send halves away from zero; in the default rounding
    // mode nearbyint takes a tie to the even neighbour.
    const double r = std::nearbyint(value);
    if (r < std::numeric_limits<qint16>::min() || r > std::numeric_limits<qint16>::max())
        throw std::out_of_range("Range check error");
    return qint16(r);
}

QPoint needleEnd(float kot, int width)
{
    const qint16 r = radius(width);
    const qint16 length = r;
    // 3.14 rather than full pi: the needle stands a fraction of a degree short
    // near 360, well under a pixel at the tip.
    const double theta = double(kot) / 360 * 2 * 3.14;
    const qint16 dx = roundHalfEven16(length * std::sin(theta));
    const qint16 dy = roundHalfEven16(length * std::cos(theta));
    return QPoint(checked16(r - dx), checked16(r - dy));
}

void paintAngleDial(QPainter &canvas, int width, float kot)
{
    const qint16 r = radius(width);

    canvas.setPen(QPen(clrBlack, 1, Qt::SolidLine));
    canvas.setBrush(Qt::NoBrush);
    // The whole circle but for a sliver at the upper left: from the radial
    // through (0, 0) counter-clockwise round to the radial through (1, 0).
    const double start = radialDegrees(r, 0, 0);
    double span = radialDegrees(r, 1, 0) - start;
    if (span <= 0)
        span += 360;
    canvas.drawArc(QRect(0, 0, 2 * r - 1, 2 * r - 1), qRound(start * 16), qRound(span * 16));

    drawLabel(canvas, r - 5, 7, QStringLiteral("0\u00b0"));
    drawLabel(canvas, 7, r - 5, QStringLiteral("90\u00b0"));
    drawLabel(canvas, r - 10, 2 * r - 20, QStringLiteral("180\u00b0"));
    drawLabel(canvas, 2 * r - 27, r - 5, QStringLiteral("270\u00b0"));

    canvas.setPen(QPen(clrBlue, 2, Qt::SolidLine));
    canvas.drawLine(QPoint(r, r), needleEnd(kot, width));
}

void TMainForm::PaintBoxKotPaint(QPainter &canvas)
{
    paintAngleDial(canvas, PaintBoxKot->width(), kot);
}
