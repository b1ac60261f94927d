#pragma once
#include <QString>
#include <QStringList>

// Every modal box of the tool goes through here, so tests can answer them.
class Dialogs {
public:
    enum class Icon { Information, Warning };
    virtual ~Dialogs() = default;
    virtual void warning(const QString &text) = 0;   // warning icon, OK
    virtual void error(const QString &text) = 0;     // error icon, OK
    virtual void plain(const QString &text) = 0;     // application title as caption, OK
    // Task dialog with custom buttons: 100 + button position, 2 when cancelled,
    // 0 when it cannot be shown.
    virtual int askWithButtons(const QString &caption, const QString &title, const QString &text, Icon icon,
                               const QStringList &buttons) = 0;
};

Dialogs &dialogs();
void setDialogs(Dialogs *d);   // nullptr puts the real message boxes back
