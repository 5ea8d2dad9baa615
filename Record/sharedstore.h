#pragma once

#include "chainwalker.h"

#include <QVector>

class SqlConnection;

// The shared PostgreSQL store: every PC's entries in one table, each with the
// origin (the local database's id) it was first written to. Opening makes the
// table on first use. A server that is down or slow fails the open or the
// statement within seconds instead of hanging.
bool OpenSharedStore(SqlConnection &connection, const QString &url, QString *error);

// Checks each origin's chain in the shared table.
struct SharedVerifyResult
{
    bool ok = false;
    QString error; // the store could not be read
    QVector<VerifyResult> origins;
};
SharedVerifyResult VerifyShared(const QString &url);
