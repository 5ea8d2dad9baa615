#include "appstyle.h"
#include "mainwindow.h"

#include <QApplication>
#include <QIcon>
#include <QLoggingCategory>

int main(int argc, char *argv[])
{
    QLoggingCategory::setFilterRules(QStringLiteral("qt.modbus* = true"));
    QApplication app(argc, argv);
    app.setOrganizationName(QStringLiteral("Palvex"));
    app.setApplicationName(QStringLiteral("ZeltConfig"));
    ApplyAppStyleSheet(app);

    MainWindow window;
    window.setWindowIcon(QIcon(QStringLiteral(":/images/QuarnIcon.ico")));
    window.setWindowFlags(Qt::FramelessWindowHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint);
    window.show();
    return app.exec();
}
