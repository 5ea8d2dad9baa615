#include "appstyle.h"

#include <QApplication>
#include <QFile>

void ApplyAppStyleSheet(QApplication &app)
{
    QFile sheet(QStringLiteral(":/Qss/SheetStyle.qss"));
    if (!sheet.open(QIODevice::ReadOnly))
        return;
    QByteArray bytes = sheet.readAll();
    // The sheet is read as text up to a stray NUL, should the file carry one.
    const int end = bytes.indexOf('\0');
    if (end >= 0)
        bytes.truncate(end);
    app.setStyleSheet(QString::fromUtf8(bytes));
}
