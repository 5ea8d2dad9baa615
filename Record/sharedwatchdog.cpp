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
#include <sys/socket.h>
#endif

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

bool SqlWatchdog::disarm()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_socket = -1;
    return m_cut;
}

void SqlWatchdog::cutNow()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_cutAll = true;
    cutLocked();
}

void SqlWatchdog::cutLocked()
{
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
    while (!m_ending) {
        if (m_socket < 0) {
            m_changed.wait(lock);
        } else if (m_changed.wait_until(lock, m_deadline) == std::cv_status::timeout &&
                   m_socket >= 0 && std::chrono::steady_clock::now() >= m_deadline) {
            cutLocked();
        }
    }
}
