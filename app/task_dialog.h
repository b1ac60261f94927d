#pragma once
#include <QDialog>
#include <QStringList>

#include "tools/dialogs.h"

class QPushButton;

// A task dialog: main instruction, content, an icon and custom buttons laid
// out in the order given on every desktop (a message box's button box would
// reverse them under some styles). Its result is 100 + the position of the
// pressed button; Escape and the close box give 2.
class TaskDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int FirstButton = 100;
    static constexpr int Cancelled = 2;

    TaskDialog(const QString &caption, const QString &title, const QString &text, Dialogs::Icon icon,
               const QStringList &buttons, QWidget *parent = nullptr);
    QList<QPushButton *> buttons() const { return m_buttons; }
    void reject() override { done(Cancelled); }

private:
    QList<QPushButton *> m_buttons;
};
