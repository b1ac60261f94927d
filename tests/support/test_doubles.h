#pragma once
// Doubles for the seams that a real pseudo-terminal cannot stand in for.
#include <QList>
#include <QStringList>

#include "app/port_list.h"
#include "tools/dialogs.h"
#include "tools/tick_clock.h"

// Records every box instead of showing it; installs itself while it lives.
// askWithButtons answers from `answers` in turn, then `defaultAnswer`.
class RecordingDialogs : public Dialogs {
public:
    RecordingDialogs();
    ~RecordingDialogs() override;
    void warning(const QString &text) override;
    void error(const QString &text) override;
    void plain(const QString &text) override;
    int askWithButtons(const QString &caption, const QString &title, const QString &text, Icon icon,
                       const QStringList &buttons) override;

    QStringList calls;   // "warning: TEXT", "error: TEXT", "plain: TEXT", "ask: TITLE"
    QList<int> answers;
    int defaultAnswer = 2;
    struct Asked {
        QString caption, title, text;
        Icon icon;
        QStringList buttons;
    };
    QList<Asked> asked;
};

// A fixed list of entries.
class FixedPortList : public PortList {
public:
    explicit FixedPortList(QStringList list = {}) : list(std::move(list)) {}
    QStringList entries() override { return list; }
    QStringList list;
};

// A clock that the test moves; sleepMs advances it. Installs itself while it lives.
class ManualClock : public TickClock {
public:
    explicit ManualClock(quint32 start = 0);
    ~ManualClock() override;
    quint32 tickCount() override { return now; }
    void sleepMs(quint32 ms) override { now += ms; }
    quint32 now;
};
