// The angle dial: needle geometry and the painted 100 x 100 area.
#include <QtTest>

#include <QImage>
#include <QStandardPaths>
#include <memory>
#include <stdexcept>

#include "app/angle_dial.h"
#include "app/colors.h"
#include "app/main_form.h"
#include "app/widgets.h"
#include "link/serial_channel.h"
#include "tests/support/test_doubles.h"

namespace {

struct Window {
    Window()
    {
        form = std::make_unique<TMainForm>(Platform{channel.get(), &ports});
        form->tmrStartup->stop();
        form->InitTimer->stop();
    }
    QImage dial() const { return form->PaintBoxKot->grab().toImage(); }
    RecordingDialogs dialogs;
    FixedPortList ports;
    std::unique_ptr<SerialChannel> channel = createSerialPortChannel();
    std::unique_ptr<TMainForm> form;
};

// Whether a pixel of colour c lies within `radius` of p, inside the image.
bool colourNear(const QImage &img, QPoint p, const QColor &c, int radius = 1)
{
    for (int y = p.y() - radius; y <= p.y() + radius; ++y)
        for (int x = p.x() - radius; x <= p.x() + radius; ++x)
            if (img.rect().contains(x, y) && img.pixelColor(x, y) == c)
                return true;
    return false;
}

QPoint clampInto(const QImage &img, QPoint p)
{
    return {qBound(0, p.x(), img.width() - 1), qBound(0, p.y(), img.height() - 1)};
}

}   // namespace

class AngleDialTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void needle_data()
    {
        QTest::addColumn<float>("kot");
        QTest::addColumn<QPoint>("end");
        QTest::newRow("0 up") << 0.0f << QPoint(50, 0);
        QTest::newRow("45") << 45.0f << QPoint(15, 15);
        QTest::newRow("90 left") << 90.0f << QPoint(0, 50);
        QTest::newRow("180 down") << 180.0f << QPoint(50, 100);
        QTest::newRow("270 right") << 270.0f << QPoint(100, 50);
        QTest::newRow("360 up again") << 360.0f << QPoint(50, 0);
        QTest::newRow("359.98 short of up") << 359.978f << QPoint(50, 0);
    }

    void needle()
    {
        QFETCH(float, kot);
        QFETCH(QPoint, end);
        QCOMPARE(needleEnd(kot, 100), end);

        Window w;
        QCOMPARE(w.form->PaintBoxKot->size(), QSize(100, 100));
        w.form->kot = kot;
        const QImage img = w.dial();
        const QPoint centre(50, 50);
        const QPoint far = clampInto(img, end);
        const QPoint middle = (centre + end) / 2;
        const QPoint opposite = clampInto(img, centre * 2 - middle);
        QVERIFY2(colourNear(img, far, clrBlue), "needle reaches its far end");
        QVERIFY2(colourNear(img, middle, clrBlue), "needle runs through its middle");
        QVERIFY2(!colourNear(img, opposite, clrBlue, 2), "no needle on the other side");
    }

    void halvesRoundToEven_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("rounded");
        QTest::newRow("0.5") << 0.5 << 0;
        QTest::newRow("1.5") << 1.5 << 2;
        QTest::newRow("2.5") << 2.5 << 2;
        QTest::newRow("-2.5") << -2.5 << -2;
        QTest::newRow("2.51") << 2.51 << 3;
        QTest::newRow("-49.9996") << -49.9996 << -50;
    }

    void halvesRoundToEven()
    {
        QFETCH(double, value);
        QFETCH(int, rounded);
        QCOMPARE(int(roundHalfEven16(value)), rounded);
    }

    // Coordinates are 16-bit: an area too wide for them abandons the painting.
    void coordinatesOutside16BitsAreRangeErrors_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<float>("kot");
        QTest::addColumn<bool>("fits");
        QTest::newRow("widest centre, needle up") << 65535 << 0.0f << true;
        QTest::newRow("centre beyond 16 bits") << 65536 << 0.0f << false;
        QTest::newRow("needle end beyond 16 bits") << 65535 << 270.0f << false;
    }

    void coordinatesOutside16BitsAreRangeErrors()
    {
        QFETCH(int, width);
        QFETCH(float, kot);
        QFETCH(bool, fits);
        bool threw = false;
        try {
            needleEnd(kot, width);
        } catch (const std::out_of_range &e) {
            threw = true;
            QCOMPARE(QString::fromLatin1(e.what()), QStringLiteral("Range check error"));
        }
        QCOMPARE(threw, !fits);
    }

    // Before any reply: circle, the four labels on the face colour, needle up.
    void startPicture()
    {
        Window w;
        const QImage img = w.dial();
        QVERIFY(colourNear(img, {50, 1}, clrBlue));
        // The circle, where neither labels nor needle are.
        QVERIFY(colourNear(img, {50, 99}, clrBlack));
        QVERIFY(colourNear(img, {0, 50}, clrBlack));
        QVERIFY(colourNear(img, {99, 50}, clrBlack));
        QVERIFY(colourNear(img, {85, 15}, clrBlack, 2));

        const QFontMetrics fm(w.form->PaintBoxKot->font());
        const struct {
            const char *text;
            QPoint at;
        } labels[] = {
            {"0\u00b0", {45, 7}}, {"90\u00b0", {7, 45}}, {"180\u00b0", {40, 80}}, {"270\u00b0", {73, 45}}};
        for (const auto &l : labels) {
            const QString text = QString::fromUtf8(l.text);
            const QRect box(l.at, QSize(fm.horizontalAdvance(text), fm.height()));
            int ink = 0, face = 0;
            for (int y = box.top(); y <= box.bottom() && y < img.height(); ++y)
                for (int x = box.left(); x <= box.right() && x < img.width(); ++x) {
                    const QColor c = img.pixelColor(x, y);
                    // Glyph edges are smoothed: count dark pixels that are not needle.
                    ink += c != clrBlue && qGray(c.rgb()) < 140;
                    face += c == clrFace();
                }
            QVERIFY2(ink > 0, qPrintable(text + " has no ink in its box"));
            QVERIFY2(face > 0, qPrintable(text + " is not on the face colour"));
        }
    }
};

QTEST_MAIN(AngleDialTest)
#include "tst_angle_dial.moc"
