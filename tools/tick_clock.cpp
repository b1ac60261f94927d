#include "tools/tick_clock.h"

#include <QThread>
#include <ctime>

namespace {

class SystemTickClock final : public TickClock {
public:
    quint32 tickCount() override
    {
        timespec ts{};
        clock_gettime(CLOCK_MONOTONIC, &ts);
        return quint32(quint64(ts.tv_sec) * 1000u + quint64(ts.tv_nsec) / 1000000u);
    }
    void sleepMs(quint32 ms) override { QThread::msleep(ms); }
};

SystemTickClock systemClock;
TickClock *current = &systemClock;

}   // namespace

TickClock &tickClock()
{
    return *current;
}

void setTickClock(TickClock *clock)
{
    current = clock ? clock : &systemClock;
}
