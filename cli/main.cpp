#include "zeltctl.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zeltctl"));
    // The layers' debug lines are for the window's log, not for a terminal or a script.
    QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false\nqt.modbus*=false"));
    QTextStream out(stdout);
    QTextStream err(stderr);
    CliStreams streams{out, err, StandardErrorIsTerminal()};
    return RunZeltctl(QCoreApplication::arguments(), streams);
}
