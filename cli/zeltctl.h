#pragma once

#include "clioutput.h"
#include "linksettings.h"

#include <QCommandLineParser>
#include <QFile>
#include <QJsonObject>
#include <QStringList>
#include <functional>
#include <memory>

class Workbook;
class RegisterImage;
class FleetRun;
struct FleetHost;
struct RegisterSpan;
struct ScanPlan;
class ExelToWrite;
struct ToleranceChoice;
struct RowCheck;
struct RowCheckTexts;

// The command-line program: parses the arguments, connects the program's one
// client to the instrument and runs one command. Everything but main().
// zeltctl.cpp parses and dispatches, instrumentcommands.cpp holds info, read,
// write and watch, filecommands.cpp the commands on parameter files.
class Zeltctl
{
public:
    explicit Zeltctl(CliStreams &streams) : m_s(streams) {}
    // arguments[0] is the program name. Returns the exit status.
    int run(const QStringList &arguments);

private:
    int runCommand(const QStringList &arguments);
    int usageError(const QString &message);
    // One line on standard error; the worst of them is the run's error.
    int fail(int status, const QString &message);
    // What ended the run, for the JSON document's "error" (see ErrorKind),
    // when the exit status alone does not tell it.
    void noteErrorKind(const QString &kind) { m_errorKind = kind; }
    // The one --json document of the run: the result the command set, the
    // error that ended it and the link's figures.
    void printDocument(int status);
    bool intOption(const QString &name, int low, int high, int *value, QString *error) const;
    bool readLinkOptions(QString *error);
    int connectInstrument();
    void disconnectInstrument();
    // The link's figures under "link" when --stats is given.
    QJsonObject withLinkFigures(QJsonObject json) const;
    // The result as the run's JSON document (--json: printed when the run
    // ends) or as a table and the summary line.
    void printResult(const QJsonObject &json, const QStringList &header,
                     const QVector<QStringList> &rows, const QString &summary = QString());

    int cmdInfo();
    int cmdRead(const QStringList &keys);
    int cmdWrite(const QStringList &assignments);
    int cmdBackup(const QString &file);
    int cmdRestore(const QString &file, bool dryRun, bool all);
    int cmdCompare(const QString &file);
    int cmdWatch();
    int cmdFleetBackup(const QString &hostsFile, const QString &dir);
    int cmdReport(const QString &file); // reportcommand.cpp
    int cmdFleetCheck(const QString &hostsFile, const QString &file, bool dryRun);
    bool readFleet(const QString &hostsFile, QVector<FleetHost> *hosts, int *jobs, int *status);
    void runFleet(FleetRun *fleet, const QString &label);
    int cmdScan();                             // scancommand.cpp
    int cmdTest();                             // testcommand.cpp
    int cmdCalibrate(const QStringList &args); // calibratecommand.cpp
    bool readTestSpec(ToleranceChoice *choice, QString *error) const;
    bool readScanPlan(ScanPlan *plan, QString *error) const;
    void printProblems(const QStringList &problems, const QString &noun);

    bool openSheet(Workbook *book, const QString &file);
    void readGrouped(const QString &file, QVector<RegisterSpan> (*spans)(const Workbook &book),
                     RegisterImage *image);
    QString rowLabel(const Workbook &book, int row) const;
    void noteOtherLimits(const QString &file, const Workbook &book);
    int reportProcedure(const QString &file, bool import, const ExelToWrite &excel, int result,
                        const QString &sheetFile = QString());
    void keepPartialBackup(const QString &file, const QString &fresh, int result);
    int checkRows(const QString &file, const Workbook &book, const RowCheckTexts &texts,
                  const std::function<RowCheck(int row)> &check);

    CliStreams &m_s;
    QCommandLineParser m_parser;
    LinkSettings m_link;
    bool m_json = false;
    int m_timeoutMs = 0; // 0: the client's own choice from the baud rate
    bool m_stats = false;
    bool m_raw = false; // --raw: register values in the tables
    // --json: the command's result, kept until the run ends so that its error
    // and figures go into the same one document.
    QJsonObject m_document;
    bool m_documentSet = false;
    bool m_jsonLines = false; // watch: one object a line, the error a last line
    bool m_connected = false; // the instrument answered once: a later loss is "lost"
    QString m_peer;           // the instrument's host:port or device
    QString m_errorKind;
    QString m_errorMessage;
    int m_errorStatus = 0;
    bool m_recording = false; // the command's changes go into the service record
    // The figures of the last link, kept when it closes (output may follow).
    QJsonObject m_lastFigures;
    std::shared_ptr<QFile> m_trace; // --trace FILE, open for the run
};

// Runs zeltctl with these arguments on these streams.
int RunZeltctl(const QStringList &arguments, CliStreams &streams);
