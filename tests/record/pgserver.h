#pragma once

// A throwaway PostgreSQL server for the shared store suites: a cluster made
// with Debian's initdb in a temporary folder, listening on a free loopback
// port, run as the postgres user when the suite runs as root.

#include <QDir>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>

#include <pwd.h>
#include <unistd.h>

class PgServer
{
public:
    ~PgServer() { stop(); }

    // False with *why when no server could be made (missing binaries included).
    bool create(QString *why)
    {
        const QStringList versions = QDir(QStringLiteral("/usr/lib/postgresql"))
                                         .entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        for (const QString &version : versions) {
            const QString bin = QStringLiteral("/usr/lib/postgresql/%1/bin/").arg(version);
            if (QFile::exists(bin + QStringLiteral("initdb")) && QFile::exists(bin + "pg_ctl"))
                m_bin = bin;
        }
        if (m_bin.isEmpty()) {
            *why = QStringLiteral("no initdb/pg_ctl under /usr/lib/postgresql");
            return false;
        }
        if (!m_dir.isValid()) {
            *why = QStringLiteral("no temporary folder");
            return false;
        }
        if (geteuid() == 0) {
            const passwd *pg = getpwnam("postgres");
            if (!pg || chown(qPrintable(m_dir.path()), pg->pw_uid, pg->pw_gid) != 0) {
                *why = QStringLiteral("running as root and no postgres user to run the server");
                return false;
            }
            m_runAs =
                QStringList{QStringLiteral("-u"), QStringLiteral("postgres"), QStringLiteral("--")};
        }
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost);
        m_port = probe.serverPort();
        probe.close();
        return run(QStringLiteral("initdb"),
                   {QStringLiteral("-D"), dataDir(), QStringLiteral("-U"), QStringLiteral("zelt"),
                    QStringLiteral("-A"), QStringLiteral("trust"), QStringLiteral("-E"),
                    QStringLiteral("UTF8"), QStringLiteral("--no-sync")},
                   why) &&
               start(why);
    }

    bool start(QString *why)
    {
        const QString options = QStringLiteral("-p %1 -c listen_addresses=127.0.0.1 -k %2 "
                                               "-c fsync=off")
                                    .arg(m_port)
                                    .arg(m_dir.path());
        m_running = run(QStringLiteral("pg_ctl"),
                        {QStringLiteral("-D"), dataDir(), QStringLiteral("-l"),
                         m_dir.filePath(QStringLiteral("server.log")), QStringLiteral("-o"),
                         options, QStringLiteral("-w"), QStringLiteral("-t"), QStringLiteral("60"),
                         QStringLiteral("start")},
                        why);
        return m_running;
    }

    bool stop(QString *why = nullptr)
    {
        if (!m_running)
            return true;
        QString ignored;
        m_running = !run(QStringLiteral("pg_ctl"),
                         {QStringLiteral("-D"), dataDir(), QStringLiteral("-m"),
                          QStringLiteral("fast"), QStringLiteral("-w"), QStringLiteral("stop")},
                         why ? why : &ignored);
        return !m_running;
    }

    QString url(const QString &database = QStringLiteral("postgres")) const
    {
        return QStringLiteral("postgresql://zelt@127.0.0.1:%1/%2").arg(m_port).arg(database);
    }
    int port() const { return m_port; }

    // Logins of `role` over TCP must give the role's password from now on
    // (every other login is trusted).
    bool requirePassword(const QString &role, QString *why)
    {
        QFile hba(dataDir() + QStringLiteral("/pg_hba.conf"));
        if (!hba.open(QIODevice::ReadOnly)) {
            *why = hba.errorString();
            return false;
        }
        const QByteArray rest = hba.readAll();
        hba.close();
        if (!hba.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            hba.write(
                QStringLiteral("host all %1 127.0.0.1/32 scram-sha-256\n").arg(role).toUtf8() +
                rest) < 0) {
            *why = hba.errorString();
            return false;
        }
        hba.close();
        return run(QStringLiteral("pg_ctl"),
                   {QStringLiteral("-D"), dataDir(), QStringLiteral("reload")}, why);
    }

private:
    QString dataDir() const { return m_dir.filePath(QStringLiteral("data")); }

    bool run(const QString &tool, const QStringList &args, QString *why)
    {
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        if (m_runAs.isEmpty())
            process.start(m_bin + tool, args);
        else
            process.start(QStringLiteral("runuser"), m_runAs + QStringList(m_bin + tool) + args);
        const bool done = process.waitForFinished(90000) &&
                          process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
        if (!done)
            *why = tool + QStringLiteral(": ") + QString::fromLocal8Bit(process.readAll());
        return done;
    }

    QTemporaryDir m_dir;
    QString m_bin;
    QStringList m_runAs;
    int m_port = 0;
    bool m_running = false;
};
