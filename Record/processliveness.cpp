#include "processliveness.h"

#include <QCoreApplication>
#include <QFile>
#include <QSysInfo>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <cerrno>
#include <csignal>
#include <unistd.h>
#endif

namespace {

#ifdef Q_OS_WIN
QString startOf(qint64 pid)
{
    HANDLE h = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, DWORD(pid));
    if (!h)
        return QString();
    FILETIME created, exited, kernel, user;
    DWORD code = 0;
    const bool running = GetExitCodeProcess(h, &code) && code == STILL_ACTIVE;
    const bool timed = GetProcessTimes(h, &created, &exited, &kernel, &user);
    CloseHandle(h);
    if (!running || !timed)
        return QString();
    return QString::number((quint64(created.dwHighDateTime) << 32) | created.dwLowDateTime);
}
#else
// The boot and the start tick of the process (field 22 of /proc/PID/stat);
// empty where there is no /proc.
QString startOf(qint64 pid)
{
    static const QByteArray boot = [] {
        QFile f(QStringLiteral("/proc/sys/kernel/random/boot_id"));
        return f.open(QIODevice::ReadOnly) ? f.readAll().trimmed() : QByteArray();
    }();
    QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
    if (boot.isEmpty() || !f.open(QIODevice::ReadOnly))
        return QString();
    const QByteArray stat = f.readAll();
    // The command name may hold spaces and parentheses: count after its last ')'.
    const int close = stat.lastIndexOf(')');
    if (close < 0)
        return QString();
    const QList<QByteArray> fields = stat.mid(close + 2).split(' ');
    // fields[0] is field 3 (state), so field 22 is fields[19].
    if (fields.size() < 20)
        return QString();
    return QString::fromLatin1(boot + '/' + fields[19]);
}
#endif

} // namespace

ProcessOwner ThisProcess()
{
    static const ProcessOwner self = [] {
        ProcessOwner o;
        o.pid = QCoreApplication::applicationPid();
        o.host = QSysInfo::machineHostName();
        o.start = startOf(o.pid);
        return o;
    }();
    return self;
}

bool OwnerHere(const ProcessOwner &owner)
{
    return owner.host == ThisProcess().host;
}

bool OwnerAlive(const ProcessOwner &owner)
{
    if (owner.host != ThisProcess().host)
        return true;
    if (owner.pid == ThisProcess().pid && owner.start == ThisProcess().start)
        return true;
    const QString start = startOf(owner.pid);
    if (!start.isEmpty() || !owner.start.isEmpty())
        return !start.isEmpty() && start == owner.start;
#ifdef Q_OS_WIN
    return false;
#else
    // No /proc: the pid alone.
    return owner.pid > 0 && (::kill(pid_t(owner.pid), 0) == 0 || errno == EPERM);
#endif
}
