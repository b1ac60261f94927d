#pragma once
#include <QtGlobal>

// The millisecond tick counter: 32 bits, wraps about every 49.7 days, like the
// platform's. Elapsed times are always taken as quint32 differences.
class TickClock {
public:
    virtual ~TickClock() = default;
    virtual quint32 tickCount() = 0;
    virtual void sleepMs(quint32 ms) = 0;   // sleeps in the OS
};

TickClock &tickClock();
// Tests install a double (for example one that starts just before the wrap);
// nullptr puts the system clock back.
void setTickClock(TickClock *clock);
