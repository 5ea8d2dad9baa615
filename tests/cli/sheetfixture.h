#pragma once

// What the zeltctl suites look at in parameter files and request logs.

#include "faultoptions.h"
#include "workbook.h"

#include <QHostAddress>
#include <QMap>
#include <QTcpServer>
#include <QtTest>

namespace sheet {

inline const QString ParamSheet = QStringLiteral("读写类");

inline int writeCount(const QVector<sim::LoggedRequest> &log)
{
    int n = 0;
    for (const sim::LoggedRequest &r : log)
        n += r.function == 6 || r.function == 16;
    return n;
}

// A port nobody listens on.
inline int closedPort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    return server.serverPort();
}

// Column 7 of every row, keyed by the address in column 1.
inline QMap<QString, QString> fileValues(const QString &path)
{
    QMap<QString, QString> values;
    Workbook book;
    if (!book.open(path) || !book.selectSheet(ParamSheet))
        return values;
    for (int r = 2; r <= book.rowCount(); ++r)
        values.insert(book.cellText(r, 1), book.cellText(r, 7));
    return values;
}

// The row of the sheet that holds this address.
inline int rowOf(const QString &path, int address)
{
    Workbook book;
    book.open(path);
    book.selectSheet(ParamSheet);
    for (int r = 2; r <= book.rowCount(); ++r) {
        if (book.cellText(r, 1) == QString::number(address))
            return r;
    }
    return -1;
}

inline void setCell(const QString &path, int row, int column, const QString &text)
{
    Workbook book;
    QVERIFY(book.open(path));
    QVERIFY(book.selectSheet(ParamSheet));
    QVERIFY(book.setCellText(row, column, text));
    QVERIFY(book.save());
}

} // namespace sheet
