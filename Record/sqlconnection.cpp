#include "sqlconnection.h"

#include <QAtomicInt>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>

namespace {

QString uniqueName()
{
    static QAtomicInt counter;
    return QStringLiteral("zelt-record-%1").arg(counter.fetchAndAddRelaxed(1));
}

} // namespace

SqlConnection::~SqlConnection()
{
    close();
}

bool SqlConnection::open(const QString &driver, const std::function<void(QSqlDatabase &)> &setup,
                         QString *error)
{
    close();
    const QString name = uniqueName();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(driver, name);
        if (!db.isValid()) {
            SetError(error, QStringLiteral("the Qt SQL driver %1 is not installed").arg(driver));
        } else {
            setup(db);
            if (db.open()) {
                m_name = name;
                return true;
            }
            SetError(error, db.lastError().text());
        }
    }
    QSqlDatabase::removeDatabase(name);
    return false;
}

void SqlConnection::close()
{
    if (m_name.isEmpty())
        return;
    QSqlDatabase::database(m_name, false).close();
    QSqlDatabase::removeDatabase(m_name);
    m_name.clear();
}

QSqlDatabase SqlConnection::db() const
{
    return QSqlDatabase::database(m_name, false);
}

bool ExecQuery(QSqlQuery &query, QString *error)
{
    if (query.exec())
        return true;
    SetError(error, query.lastError().text());
    return false;
}

bool ExecSql(const QSqlDatabase &db, const QString &sql, QString *error)
{
    QSqlQuery query(db);
    if (query.exec(sql))
        return true;
    SetError(error, query.lastError().text());
    return false;
}

bool ExecLiteral(QSqlQuery &query, const QString &sql, const QVariantList &values, QString *error)
{
    const QSqlDriver *driver = query.driver();
    QString text;
    int next = 0;
    for (const QChar c : sql) {
        if (c != QLatin1Char('?') || next >= values.size()) {
            text += c;
            continue;
        }
        const QVariant &value = values.at(next++);
        QSqlField field(QString(), value.type());
        field.setValue(value);
        text += driver->formatValue(field);
    }
    if (query.exec(text))
        return true;
    SetError(error, query.lastError().text());
    return false;
}

void SetError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}
