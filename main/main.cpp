#include "mainwindow.h"

#include <QApplication>
#include <QFile>
#include <QIcon>
#include <QLoggingCategory>

namespace {

void applyStyleSheet(QApplication &app)
{
    QFile sheet(QStringLiteral(":/Qss/SheetStyle.qss"));
    if (!sheet.open(QIODevice::ReadOnly))
        return;
    QByteArray bytes = sheet.readAll();
    const int end = bytes.indexOf('\0');
    if (end >= 0)
        bytes.truncate(end);
    app.setStyleSheet(QString::fromUtf8(bytes));
}

} // namespace

int main(int argc, char *argv[])
{
    QLoggingCategory::setFilterRules(QStringLiteral("qt.modbus* = true"));
    QApplication app(argc, argv);
    app.setOrganizationName(QStringLiteral("Palvex"));
    app.setApplicationName(QStringLiteral("ZeltConfig"));
    applyStyleSheet(app);

    MainWindow window;
    window.setWindowIcon(QIcon(QStringLiteral(":/images/QuarnIcon.ico")));
    window.setWindowFlags(Qt::FramelessWindowHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint);
    window.show();
    return app.exec();
}
