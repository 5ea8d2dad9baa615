#include "Modbus/filepaths.h"
#include "appstyle.h"
#include "logcategories.h"
#include "mainwindow.h"
#include "programrecord.h"
#include "servicerecorder.h"

#include <QApplication>
#include <QIcon>
#include <QSettings>

#include <csignal>

int main(int argc, char *argv[])
{
#ifdef SIGXFSZ
    // A file that reaches its size limit is a failed write, said as such, not
    // the end of the program.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    // --verbose shows the program's diagnostics on standard error; without it
    // a run prints nothing.
    bool verbose = false;
    for (int i = 1; i < argc; ++i)
        verbose = verbose || qstrcmp(argv[i], "--verbose") == 0;
    ApplyLoggingRules(verbose);
    QApplication app(argc, argv);
    app.setOrganizationName(QStringLiteral("Palvex"));
    // The name also places the program's files (user data folder): it stays.
    // It is the window class too, which the desktop entry's StartupWMClass names.
    app.setApplicationName(QStringLiteral("ZeltConfig"));
    app.setApplicationDisplayName(QStringLiteral("Palvex Zelt Config System"));
    app.setDesktopFileName(QStringLiteral("zelt"));
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

    int status = 0;
    {
        // Gone before the record closes: its visit's disconnect goes in.
        MainWindow window;
        window.setWindowIcon(QIcon(QStringLiteral(":/images/QuarnIcon.ico")));
        window.setWindowFlags(Qt::FramelessWindowHint | Qt::WindowSystemMenuHint |
                              Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint);
        window.show();
        status = app.exec();
    }
    CloseProgramRecord();
    return status;
}
