// The real task dialog of the update check: texts, button order, results.
#include <QtTest>

#include <QLabel>
#include <QPushButton>
#include <functional>

#include "app/task_dialog.h"
#include "tools/dialogs.h"

namespace {

const QStringList fourButtons{QStringLiteral("Yes, check"), QStringLiteral("Skip this time"),
                              QStringLiteral("Skip for 1 week"), QStringLiteral("Never ask again")};

// Opens the real dialog through the tool's seam and lets `act` answer it.
int ask(const std::function<void(TaskDialog &)> &act, Dialogs::Icon icon = Dialogs::Icon::Information,
        const QStringList &buttons = fourButtons)
{
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto *d = qobject_cast<TaskDialog *>(QApplication::activeModalWidget());
        if (!d)
            return;
        seen = true;
        act(*d);
    });
    const int result = dialogs().askWithButtons(QStringLiteral("Corvane: Software update?"),
                                                QStringLiteral("Check for a new Corvane software version?"),
                                                QStringLiteral("Is it allowed?"), icon, buttons);
    return seen ? result : -1;
}

}   // namespace

class TaskDialogTest : public QObject {
    Q_OBJECT
private slots:
    void init() { setDialogs(nullptr); }

    void buttonGivesItsPosition_data()
    {
        QTest::addColumn<int>("button");
        for (int i = 0; i < 4; ++i)
            QTest::newRow(qPrintable(fourButtons[i])) << i;
    }
    void buttonGivesItsPosition()
    {
        QFETCH(int, button);
        QCOMPARE(ask([button](TaskDialog &d) { d.buttons().at(button)->click(); }), 100 + button);
    }

    void cancelGivesTwo_data()
    {
        QTest::addColumn<bool>("escape");
        QTest::newRow("Escape") << true;
        QTest::newRow("close box") << false;
    }
    void cancelGivesTwo()
    {
        QFETCH(bool, escape);
        QCOMPARE(ask([escape](TaskDialog &d) {
                     if (escape)
                         QTest::keyClick(&d, Qt::Key_Escape);
                     else
                         d.close();
                 }),
                 2);
    }

    void enterChoosesTheFirst()
    {
        QCOMPARE(ask([](TaskDialog &d) { QTest::keyClick(&d, Qt::Key_Return); }), 100);
    }

    // Texts where a reader expects them, and the buttons left to right in
    // the order given.
    void showsTextsAndButtonsInOrder()
    {
        QString caption, instruction, content;
        QStringList shown;
        QList<int> lefts;
        const int result = ask(
            [&](TaskDialog &d) {
                caption = d.windowTitle();
                instruction = d.findChild<QLabel *>(QStringLiteral("instruction"))->text();
                content = d.findChild<QLabel *>(QStringLiteral("content"))->text();
                for (QPushButton *b : d.buttons()) {
                    shown << b->text();
                    lefts << b->mapTo(&d, QPoint(0, 0)).x();
                }
                d.reject();
            },
            Dialogs::Icon::Warning);
        QCOMPARE(result, 2);
        QCOMPARE(caption, QStringLiteral("Corvane: Software update?"));
        QCOMPARE(instruction, QStringLiteral("Check for a new Corvane software version?"));
        QCOMPARE(content, QStringLiteral("Is it allowed?"));
        QCOMPARE(shown, fourButtons);
        for (int i = 1; i < lefts.size(); ++i)
            QVERIFY2(lefts[i] > lefts[i - 1], qPrintable(QStringLiteral("button %1 not right of %2").arg(i).arg(i - 1)));
    }

    void noButtonsIsNotShown()
    {
        QCOMPARE(dialogs().askWithButtons(QStringLiteral("c"), QStringLiteral("t"), QStringLiteral("x"),
                                          Dialogs::Icon::Information, {}),
                 0);
    }
};

QTEST_MAIN(TaskDialogTest)
#include "tst_task_dialog.moc"
