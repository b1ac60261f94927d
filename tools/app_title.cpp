#include "tools/app_title.h"

static QString title;

QString ApplicationTitle()
{
    return title;
}

void SetApplicationTitle(const QString &t)
{
    title = t;
}
