#pragma once

// zeltctl run in-process by the benchmarks, timed.

#include "zeltctl.h"

#include <QElapsedTimer>
#include <QTextStream>
#include <cstdio>

// Wall time of one zeltctl run in ms, or -1 when it did not end with `expected`.
inline double TimedZeltctl(const QStringList &args, int expected = 0)
{
    QString out, err;
    QTextStream o(&out), e(&err);
    CliStreams streams{o, e, false};
    QElapsedTimer clock;
    clock.start();
    const int status = RunZeltctl(QStringList{QStringLiteral("zeltctl")} + args, streams);
    const double ms = clock.nsecsElapsed() / 1e6;
    if (status != expected) {
        std::fprintf(stderr, "zeltctl %s: status %d: %s\n", qPrintable(args.join(' ')), status,
                     qPrintable(err));
        return -1;
    }
    return ms;
}
