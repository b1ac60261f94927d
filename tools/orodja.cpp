#include "tools/orodja.h"

void DelayMs(quint32) {}
void SplitFields(const QString &text, QChar, QStringList &list) { list = QStringList{text}; }
