#include "app/colors.h"

#include <QApplication>
#include <QPalette>

QColor clrFace()
{
    return QApplication::palette().color(QPalette::Window);
}

QColor clrWindowText()
{
    return QApplication::palette().color(QPalette::WindowText);
}
