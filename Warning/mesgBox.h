#pragma once

#include <QString>

class QWidget;

// Shows a notice modally and returns whether the user confirmed. The icon and
// buttons follow the message text; mode 0 makes the notice close itself after
// one second, any other mode leaves it open until the user closes it.
bool showNotice(const QString &title, const QString &message, int mode, QWidget *parent);

// Asks for the password; the null string when the user did not confirm.
QString askPassword(QWidget *parent);
