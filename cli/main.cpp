#include "programrecord.h"
#include "zeltctl.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <csignal>
#include <cstdio>
#include <memory>

int main(int argc, char *argv[])
{
#ifdef SIGXFSZ
    // A file that reaches its size limit is a failed write, said as such, not
    // the end of the program.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    // The report lays out text with the system's fonts, which a GUI
    // application provides; it opens no window, so it needs no display.
    bool report = false;
    for (int i = 1; i < argc; ++i)
        report = report || qstrcmp(argv[i], "report") == 0;
    std::unique_ptr<QCoreApplication> app;
    if (report) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        // The platform's start-up notes (no runtime folder ...) are not the command's output.
        const QtMessageHandler previous =
            qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
        app = std::make_unique<QGuiApplication>(argc, argv);
        qInstallMessageHandler(previous);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication::setApplicationName(QStringLiteral("zeltctl"));
    // The layers' debug lines are for the window's log, not for a terminal or a script.
    QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false\nqt.modbus*=false"));
    QTextStream out(stdout);
    QTextStream err(stderr);
    QTextStream in(stdin);
    CliStreams streams{out, err, StandardErrorIsTerminal(), &in};
    const int status = RunZeltctl(QCoreApplication::arguments(), streams);
    CloseProgramRecord();
    return status;
}
