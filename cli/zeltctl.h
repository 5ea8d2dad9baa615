#pragma once

#include "clioutput.h"
#include "linksettings.h"

#include <QCommandLineParser>
#include <QStringList>

class Workbook;
struct ParamFileReport;

// The command-line program: parses the arguments, connects the program's one
// client to the instrument and runs one command. Everything but main().
class Zeltctl
{
public:
    explicit Zeltctl(CliStreams &streams) : m_s(streams) {}
    // arguments[0] is the program name. Returns the exit status.
    int run(const QStringList &arguments);

private:
    int usageError(const QString &message);
    int fail(int status, const QString &message);
    bool readLinkOptions(QString *error);
    int connectInstrument();
    void disconnectInstrument();

    int cmdInfo();
    int cmdRead(const QStringList &keys);
    int cmdWrite(const QStringList &assignments);
    int cmdBackup(const QString &file);
    int cmdRestore(const QString &file, bool dryRun);
    int cmdCompare(const QString &file);
    int cmdWatch();
    int cmdFleetBackup(const QString &hostsFile, const QString &dir);

    bool openSheet(Workbook *book, const QString &file);
    QString rowLabel(const Workbook &book, int row) const;
    int reportProcedure(const QString &file, bool import, const ParamFileReport &report,
                        int result);

    CliStreams &m_s;
    QCommandLineParser m_parser;
    LinkSettings m_link;
    bool m_json = false;
    int m_timeoutMs = 0; // 0: the client's own choice from the baud rate
};

// Runs zeltctl with these arguments on these streams.
int RunZeltctl(const QStringList &arguments, CliStreams &streams);
