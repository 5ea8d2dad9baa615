#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QVariantList>

#include <functional>

class QSqlQuery;

// One named Qt SQL connection, owned by the thread that opened it and removed
// with this object. Every connection gets a name of its own.
class SqlConnection
{
public:
    SqlConnection() = default;
    ~SqlConnection();
    SqlConnection(const SqlConnection &) = delete;
    SqlConnection &operator=(const SqlConnection &) = delete;

    // setup fills in the database name, host, options and so on before opening.
    bool open(const QString &driver, const std::function<void(QSqlDatabase &)> &setup,
              QString *error);
    void close();
    // Forgets the connection without closing or removing it: for a thread
    // left to end on its own while the program exits.
    void abandon() { m_name.clear(); }
    bool isOpen() const { return !m_name.isEmpty(); }
    QSqlDatabase db() const;

private:
    QString m_name;
};

// Runs a prepared query; on failure says what failed in *error.
bool ExecQuery(QSqlQuery &query, QString *error);
bool ExecSql(const QSqlDatabase &db, const QString &sql, QString *error);
// Runs sql with each ? replaced by its value as a literal the driver quotes:
// no prepared statement is left on the server to be freed afterwards (which,
// on a connection that was cut, prints a warning from the driver).
bool ExecLiteral(QSqlQuery &query, const QString &sql, const QVariantList &values, QString *error);
void SetError(QString *error, const QString &text);
