#pragma once

#include <QLoggingCategory>

// The program's diagnostics, one category per layer (the service record has
// its own, zelt.record), all off by default: a
// user sees notices and status texts, never these. `--verbose` (or
// QT_LOGGING_RULES="zelt.*=true") turns them on.
Q_DECLARE_LOGGING_CATEGORY(lcLink)       // zelt.link: requests, replies, reconnects
Q_DECLARE_LOGGING_CATEGORY(lcModel)      // zelt.model: groups stored into the mirror
Q_DECLARE_LOGGING_CATEGORY(lcBinding)    // zelt.binding: parameter reads and writes
Q_DECLARE_LOGGING_CATEGORY(lcConnection) // zelt.connection: the connection window
Q_DECLARE_LOGGING_CATEGORY(lcPages)      // zelt.pages: the parameter pages
Q_DECLARE_LOGGING_CATEGORY(lcShell)      // zelt.shell: main window, dialogs
Q_DECLARE_LOGGING_CATEGORY(lcFiles)      // zelt.files: workbooks, import, export

// The rules the program starts with: the categories above and Qt's Modbus
// messages off, or all of them on when verbose.
void ApplyLoggingRules(bool verbose);
