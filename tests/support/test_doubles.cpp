#include "tests/support/test_doubles.h"

RecordingDialogs::RecordingDialogs()
{
    setDialogs(this);
}
RecordingDialogs::~RecordingDialogs()
{
    setDialogs(nullptr);
}

void RecordingDialogs::warning(const QString &text)
{
    calls << QStringLiteral("warning: ") + text;
}
void RecordingDialogs::error(const QString &text)
{
    calls << QStringLiteral("error: ") + text;
}
void RecordingDialogs::plain(const QString &text)
{
    calls << QStringLiteral("plain: ") + text;
}

int RecordingDialogs::askWithButtons(const QString &caption, const QString &title, const QString &text,
                                     Icon icon, const QStringList &buttons)
{
    calls << QStringLiteral("ask: ") + title;
    asked.append({caption, title, text, icon, buttons});
    return answers.isEmpty() ? defaultAnswer : answers.takeFirst();
}

ManualClock::ManualClock(quint32 start) : now(start)
{
    setTickClock(this);
}
ManualClock::~ManualClock()
{
    setTickClock(nullptr);
}
