#include "app/application.h"

#include <exception>

#include "tools/dialogs.h"

CorvaneApplication::CorvaneApplication(int &argc, char **argv) : QApplication(argc, argv) {}

bool CorvaneApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception &e) {
        showErrorReport(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        showErrorReport(QStringLiteral("Unknown error"));
    }
    return false;
}

QString errorReportText(const QString &message)
{
    if (!message.isEmpty() && message.back().unicode() > '.')
        return message + QLatin1Char('.');
    return message;
}

void showErrorReport(const QString &message)
{
    dialogs().error(errorReportText(message));
}
