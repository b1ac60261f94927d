#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include "app/application.h"
#include "tools/dialogs.h"

namespace {

// The real boxes, modal to the active window.
class QtDialogs final : public Dialogs {
public:
    void warning(const QString &text) override { box(QMessageBox::Warning, text); }
    void error(const QString &text) override { box(QMessageBox::Critical, text); }
    void plain(const QString &text) override { box(QMessageBox::NoIcon, text); }

    int askWithButtons(const QString &caption, const QString &title, const QString &text, Icon icon,
                       const QStringList &buttons) override
    {
        QMessageBox mb(icon == Icon::Warning ? QMessageBox::Warning : QMessageBox::Information, caption,
                       title, QMessageBox::NoButton, QApplication::activeWindow());
        mb.setInformativeText(text);
        QList<QAbstractButton *> added;
        for (const QString &b : buttons)
            added << mb.addButton(b, QMessageBox::AcceptRole);
        if (added.isEmpty())
            return 0;
        mb.setDefaultButton(qobject_cast<QPushButton *>(added.first()));
        // Escape and the close box cancel the dialog.
        auto *cancel = mb.addButton(QMessageBox::Cancel);
        cancel->hide();
        mb.setEscapeButton(cancel);
        mb.exec();
        const int pos = int(added.indexOf(mb.clickedButton()));
        return pos >= 0 ? 100 + pos : 2;
    }

private:
    static void box(QMessageBox::Icon icon, const QString &text)
    {
        QMessageBox mb(icon, ApplicationTitle(), text, QMessageBox::Ok, QApplication::activeWindow());
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
