#include "sharedwatchdog.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QVariant>

#ifdef ZELT_HAVE_LIBPQ
#include <libpq-fe.h>
#endif
#ifdef Q_OS_WIN
#include <winsock2.h>
#else
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#endif
#ifdef Q_OS_LINUX
#include <dirent.h>
#endif

#include <algorithm>
#include <cstdlib>

namespace {

// The process's sockets connected to that port (all of them when port < 0).
std::vector<int> socketsTo(int port)
{
    std::vector<int> found;
#ifdef Q_OS_LINUX
    DIR *dir = ::opendir("/proc/self/fd");
    if (!dir)
        return found;
    const int own = ::dirfd(dir);
    while (const dirent *entry = ::readdir(dir)) {
        char *end = nullptr;
        const long fd = std::strtol(entry->d_name, &end, 10);
        struct stat info;
        if (*end != '\0' || fd == own || ::fstat(int(fd), &info) != 0 || !S_ISSOCK(info.st_mode))
            continue;
        sockaddr_storage peer{};
        socklen_t size = sizeof peer;
        if (::getpeername(int(fd), reinterpret_cast<sockaddr *>(&peer), &size) != 0)
            continue;
        int peerPort = -1;
        if (peer.ss_family == AF_INET)
            peerPort = ntohs(reinterpret_cast<const sockaddr_in *>(&peer)->sin_port);
        else if (peer.ss_family == AF_INET6)
            peerPort = ntohs(reinterpret_cast<const sockaddr_in6 *>(&peer)->sin6_port);
        if (port < 0 || peerPort == port)
            found.push_back(int(fd));
    }
    ::closedir(dir);
#else
    Q_UNUSED(port)
#endif
    return found;
}

} // namespace

int PostgresSocket(const QSqlDatabase &db)
{
#ifdef ZELT_HAVE_LIBPQ
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    if (handle.isValid() && qstrcmp(handle.typeName(), "PGconn*") == 0) {
        PGconn *connection = *static_cast<PGconn *const *>(handle.data());
        return connection ? PQsocket(connection) : -1;
    }
#else
    Q_UNUSED(db)
#endif
    return -1;
}

SqlWatchdog::~SqlWatchdog()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_ending = true;
    }
    m_changed.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void SqlWatchdog::arm(const QSqlDatabase &db, int ms)
{
    const int socket = PostgresSocket(db);
    std::lock_guard<std::mutex> lock(m_mutex);
    m_socket = socket;
    m_cut = false;
    m_deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    if (m_cutAll)
        cutLocked();
    if (!m_thread.joinable())
        m_thread = std::thread([this] { run(); });
    m_changed.notify_all();
}

void SqlWatchdog::armConnecting(int port, int ms)
{
    std::vector<int> before = socketsTo(-1);
    std::lock_guard<std::mutex> lock(m_mutex);
    m_socket = -1;
    m_connectingPort = port;
    m_socketsBefore = std::move(before);
    m_cut = false;
    m_deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    if (m_cutAll)
        cutNewSocketsLocked();
    if (!m_thread.joinable())
        m_thread = std::thread([this] { run(); });
    m_changed.notify_all();
}

bool SqlWatchdog::disarm()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_socket = -1;
    m_connectingPort = -1;
    return m_cut;
}

void SqlWatchdog::cutNow()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_cutAll = true;
    cutLocked();
}

void SqlWatchdog::cutNewSocketsLocked()
{
    // A descriptor number reused since (one closed, another opened) is new
    // too; what is cut is only ever a socket to the server's port.
#ifdef Q_OS_LINUX
    for (int fd : socketsTo(m_connectingPort)) {
        if (std::find(m_socketsBefore.begin(), m_socketsBefore.end(), fd) != m_socketsBefore.end())
            continue;
        ::shutdown(fd, SHUT_RDWR);
        m_cut = true;
    }
#endif
    m_connectingPort = -1;
}

void SqlWatchdog::cutLocked()
{
    if (m_connectingPort >= 0)
        cutNewSocketsLocked();
    if (m_socket < 0)
        return;
        // Shut down, not closed: the descriptor stays the client library's until
        // it closes the connection, so no other file can take its number meanwhile.
#ifdef Q_OS_WIN
    ::shutdown(m_socket, SD_BOTH);
#else
    ::shutdown(m_socket, SHUT_RDWR);
#endif
    m_socket = -1;
    m_cut = true;
}

void SqlWatchdog::run()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    const auto armed = [this] { return m_socket >= 0 || m_connectingPort >= 0; };
    while (!m_ending) {
        if (!armed()) {
            m_changed.wait(lock);
        } else if (m_changed.wait_until(lock, m_deadline) == std::cv_status::timeout && armed() &&
                   std::chrono::steady_clock::now() >= m_deadline) {
            cutLocked();
        }
    }
}
