#include <QApplication>
#include <QMessageBox>

#include "app/application.h"
#include "app/main_form.h"
#include "app/task_dialog.h"
#include "tools/dialogs.h"

namespace {

// Modal to the active window. The update check's dialogs come from a timer,
// often while another program has the focus: then they belong to the main
// window, so they do not open behind it or as a window of their own.
QWidget *owner()
{
    if (QWidget *active = QApplication::activeWindow())
        return active;
    return MainForm;
}

// The real boxes.
class QtDialogs final : public Dialogs {
public:
    void warning(const QString &text) override { box(QMessageBox::Warning, text); }
    void error(const QString &text) override { box(QMessageBox::Critical, text); }
    void plain(const QString &text) override { box(QMessageBox::NoIcon, text); }

    int askWithButtons(const QString &caption, const QString &title, const QString &text, Icon icon,
                       const QStringList &buttons) override
    {
        if (buttons.isEmpty())
            return 0;
        TaskDialog dialog(caption, title, text, icon, buttons, owner());
        return dialog.exec();
    }

private:
    static void box(QMessageBox::Icon icon, const QString &text)
    {
        QMessageBox mb(icon, ApplicationTitle(), text, QMessageBox::Ok, owner());
        mb.exec();
    }
};

QtDialogs qtDialogs;
Dialogs *current = &qtDialogs;

}   // namespace

Dialogs &dialogs()
{
    return *current;
}

void setDialogs(Dialogs *d)
{
    current = d ? d : &qtDialogs;
}
