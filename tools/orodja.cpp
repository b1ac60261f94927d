#include "tools/orodja.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <limits>

#include "tools/terminating.h"
#include "tools/tick_clock.h"

void DelayMs(quint32 ms)
{
    TickClock &clock = tickClock();
    const quint32 start = clock.tickCount();
    QCoreApplication::processEvents(QEventLoop::AllEvents);

    // Sleep in the event loop until the deadline instead of spinning: a precise
    // single-shot timer wakes it, and so does the terminating mark.
    QEventLoop loop;
    QTimer wake;
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    QObject::connect(&wake, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(&Terminating::instance(), &Terminating::started, &loop, &QEventLoop::quit);

    for (;;) {
        if (ApplicationTerminating())
            return;
        // Unsigned difference: stays right across a wrap of the 32-bit counter.
        const quint32 elapsed = clock.tickCount() - start;
        if (elapsed >= ms)
            return;
        wake.start(int(qMin<quint32>(ms - elapsed, quint32(std::numeric_limits<int>::max()))));
        // -1: the application is quitting and refuses nested loops; waiting on
        // would only spin until the deadline.
        if (loop.exec() == -1)
            return;
    }
}

void SplitFields(const QString &text, QChar delimiter, QStringList &list)
{
    constexpr int maxFieldLength = 255;
    list.clear();
    QString field;
    qsizetype count = 0;
    bool inQuotes = false;

    auto fieldIsBlank = [&field] {
        for (QChar c : field)
            if (c.unicode() > 32)
                return false;
        return true;
    };

    for (QChar c : text) {
        if (c == QLatin1Char('"'))
            inQuotes = !inQuotes;
        if (c != delimiter || inQuotes) {
            // The field is held in the 8-bit code page (Latin-1 here): what it
            // cannot hold comes back as its replacement character.
            if (count < maxFieldLength)
                field.append(c.unicode() <= 0xFF ? c : QLatin1Char('?'));
            ++count;
        } else {
            if (!(delimiter == QLatin1Char(' ') && fieldIsBlank()))
                list.append(field);
            field.clear();
            count = 0;
        }
    }
    list.append(field);
}
