#pragma once

#include "clioutput.h"

#include <QDateTime>
#include <QStringList>

// zeltctl history [verify|sync]: the service record without an instrument.

// Whether the command word of these arguments (arguments[0] being the program
// name) is "history". Options before it are skipped with their values.
bool IsHistoryCommand(const QStringList &arguments);
// The history commands' lines of zeltctl's help.
QString HistoryHelpText();
// Runs the history command; returns the exit status.
int RunHistory(const QStringList &arguments, CliStreams &streams);

// A DATE of the history options: YYYY-MM-DD (the start of that day, or of the
// next one for an end) or an ISO date-time, local unless it names its offset.
bool ParseHistoryTime(QString text, bool end, QDateTime *when);
