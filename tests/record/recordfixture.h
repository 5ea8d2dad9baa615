#pragma once

// Entries and files for the service record suites.

#include "serviceentry.h"

#include <QDateTime>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringList>

// Entry i of a small history: three instruments, four parameters, sources of
// two kinds, every fifth one refused, a minute apart from `base`.
inline ServiceEntry SampleEntry(int i, const QDateTime &base)
{
    static const QStringList serials = {"A100", "B200", "C300"};
    static const QStringList names = {"ZeroRange", "FullScale", "Decimal", "FullScaleMax"};
    static const QStringList namesZh = {"零点范围", "满量程", "小数点", "满量程上限"};
    ServiceEntry e;
    e.timeUtc = base.addSecs(60 * i);
    e.utcOffsetSeconds = 8 * 3600;
    e.kind = i == 11 ? ServiceEntry::Connect : ServiceEntry::Change;
    e.serial = serials[i % 3];
    e.link = QStringLiteral("tcp 127.0.0.1:1502");
    e.slaveId = 1;
    e.paramName = names[i % 4];
    e.paramNameZh = namesZh[i % 4];
    e.address = 100 + i;
    e.count = 2;
    e.oldRaw = QString::number(i);
    e.newRaw = QString::number(i + 1);
    e.source = i < 6 ? QStringLiteral("page Basic Config, field Edit%1").arg(names[i % 4])
                     : QStringLiteral("zeltctl write %1=%2").arg(names[i % 4]).arg(i);
    e.outcome = i % 5 == 0 ? ServiceEntry::Refused : ServiceEntry::Written;
    e.exceptionCode = i % 5 == 0 ? 2 : 0;
    return e;
}

// Runs SQL through the sqlite3 command-line tool, as someone editing the file would.
inline bool RunSqlite3(const QString &path, const QString &sql, QString *output = nullptr)
{
    QProcess tool;
    tool.start(QStringLiteral("sqlite3"), {path, sql});
    if (!tool.waitForFinished(30000))
        return false;
    if (output)
        *output = QString::fromUtf8(tool.readAllStandardOutput() + tool.readAllStandardError());
    return tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0;
}

// Runs one SQL statement on a closed record file through a connection of its
// own; the rows it changed, -1 when it failed.
inline int EditRecordFile(const QString &path, const QString &sql)
{
    const QString name = QStringLiteral("record-edit");
    int rows = -1;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        QSqlQuery edit(db);
        if (db.open() && edit.exec(sql))
            rows = edit.numRowsAffected();
    }
    QSqlDatabase::removeDatabase(name);
    return rows;
}
