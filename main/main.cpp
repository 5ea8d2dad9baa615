#include "Modbus/filepaths.h"
#include "appstyle.h"
#include "mainwindow.h"
#include "programrecord.h"
#include "servicerecorder.h"

#include <QApplication>
#include <QIcon>
#include <QLoggingCategory>
#include <QSettings>

int main(int argc, char *argv[])
{
    QLoggingCategory::setFilterRules(QStringLiteral("qt.modbus* = true"));
    QApplication app(argc, argv);
    app.setOrganizationName(QStringLiteral("Palvex"));
    app.setApplicationName(QStringLiteral("ZeltConfig"));
    ApplyAppStyleSheet(app);
    // Every change to an instrument is kept in the service record, and copied
    // to the team's shared record when one is configured.
    // Without a usable record nothing is written to an instrument, unless the
    // settings file turns the record off (Zelt/recordOff=true).
    const QSettings settings(SettingsFilePath(), QSettings::IniFormat);
    if (settings.value(QStringLiteral("Zelt/recordOff")).toBool())
        ServiceRecorder::InstallUnrecorded(
            QStringLiteral("the window, with the service record turned off in its settings "
                           "(Zelt/recordOff): its writes are not recorded"));
    else
        ServiceRecorder::Install();
    StartProgramSharedCopy(settings.value(QStringLiteral("Zelt/historyUrl")).toString());

    MainWindow window;
    window.setWindowIcon(QIcon(QStringLiteral(":/images/QuarnIcon.ico")));
    window.setWindowFlags(Qt::FramelessWindowHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint);
    window.show();
    return app.exec();
}
