#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QStringList>
#include <QTextStream>
#include <QVector>

// Exit statuses of zeltctl.
enum CliExit {
    ExitDone = 0,
    ExitDiffers = 1,     // differences (compare), refused or failed rows, failed hosts
    ExitUsage = 2,       // the command line is wrong
    ExitUnreachable = 3, // the instrument could not be reached
};

// What ended a run that failed, as the --json document's "error" names it.
namespace ErrorKind {
inline const QString Usage = QStringLiteral("usage");             // the command line (exit 2)
inline const QString Record = QStringLiteral("record");           // the service record unusable
inline const QString Unreachable = QStringLiteral("unreachable"); // never answered (exit 3)
inline const QString Lost = QStringLiteral("lost");               // stopped answering (exit 3)
inline const QString Refused = QStringLiteral("refused");         // the instrument said no
inline const QString File = QStringLiteral("file");               // a file not read or written
inline const QString Failed = QStringLiteral("failed");           // a check or step not met
} // namespace ErrorKind

// {"kind", "message"}, with the instrument concerned when there is one.
QJsonObject ErrorJson(const QString &kind, const QString &message,
                      const QString &instrument = QString());

// Where zeltctl writes: the result on standard output, errors and progress on
// standard error. Tests hand in strings instead of the process streams.
struct CliStreams
{
    QTextStream &out;
    QTextStream &err;
    bool errIsTerminal = false; // progress bars only on a terminal
    QTextStream *in = nullptr;  // standard input, for commands that ask (zeltctl test)
};

// Whether the process's standard error is a terminal (a console on Windows).
bool StandardErrorIsTerminal();

// Columns padded to their widest cell, the header first.
void PrintTable(QTextStream &out, const QStringList &header, const QVector<QStringList> &rows);
// A table printed as it is read: the widths taken from every row first
// (WidenTable from the header's and each row's cells), then one line at a time.
void WidenTable(QVector<int> *widths, const QStringList &cells);
void PrintTableLine(QTextStream &out, const QVector<int> &widths, const QStringList &cells);

// One JSON document, indented, on its own lines.
void PrintJson(QTextStream &out, const QJsonValue &document);

// A progress bar on one line of the terminal, redrawn in place; nothing at all
// when the stream is not a terminal.
class ProgressBar
{
public:
    ProgressBar(CliStreams &streams, const QString &label);
    ~ProgressBar(); // ends the line
    void show(int percent);

private:
    CliStreams &m_s;
    QString m_label;
    int m_shown = -1;
};
