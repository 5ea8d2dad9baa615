#pragma once

// zeltctl's side of the shared history: the copy a writing command makes
// before it ends, the tables' set-up and the check of the local record
// against its copy.

#include "clioutput.h"

class ServiceRecord;

// The shared store the settings file names (historyUrl), as the window uses it.
QString ConfiguredHistoryUrl();

// How long a writing command may spend copying its entries to the shared store.
constexpr int CopyAtExitMs = 3000;

// Declared before a command's recording, so that it runs after the recording
// ended: copies the program record's waiting entries to the shared store (the
// settings file's or $ZELT_HISTORY_URL) within CopyAtExitMs. A copy that fails
// is one line on standard error; the command's exit status stays its own.
class SharedCopyAtExit
{
public:
    explicit SharedCopyAtExit(CliStreams &streams) : m_s(streams) {}
    ~SharedCopyAtExit();
    SharedCopyAtExit(const SharedCopyAtExit &) = delete;
    SharedCopyAtExit &operator=(const SharedCopyAtExit &) = delete;

    // Set once the command records.
    bool on = false;

private:
    CliStreams &m_s;
};

// history init-shared: the tables, indexes and append-only triggers.
int RunInitShared(CliStreams &streams, const QString &url, const QString &grantTo);
// history verify --shared: the record against the shared copy of its origin.
int PrintSharedComparison(CliStreams &streams, ServiceRecord &record, const QString &url);
