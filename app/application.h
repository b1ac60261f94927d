#pragma once
#include <QApplication>

#include "tools/app_title.h"

// The application object: an exception that escapes any handler ends up in the
// general error report instead of the event loop, and the program goes on.
class CorvaneApplication : public QApplication {
public:
    CorvaneApplication(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;
};

// The text of the general error report: a full stop is added when the last
// character's code is above that of ".".
QString errorReportText(const QString &message);
void showErrorReport(const QString &message);
