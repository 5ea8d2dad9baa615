#pragma once

// zeltctl run in-process, its streams caught in strings.

#include "zeltctl.h"

#include <QJsonDocument>
#include <QJsonObject>

struct Run
{
    int status = -1;
    QString out;
    QString err;
    QJsonObject json() const { return QJsonDocument::fromJson(out.toUtf8()).object(); }
};

inline Run zeltctl(const QStringList &args)
{
    Run run;
    QTextStream out(&run.out);
    QTextStream err(&run.err);
    CliStreams streams{out, err, false};
    run.status = RunZeltctl(QStringList{QStringLiteral("zeltctl")} + args, streams);
    out.flush();
    err.flush();
    return run;
}
