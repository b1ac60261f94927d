#include "tools/terminating.h"

Terminating &Terminating::instance()
{
    static Terminating mark;
    return mark;
}

void Terminating::set(bool on)
{
    const bool rising = on && !m_set;
    m_set = on;
    if (rising)
        emit started();
}
