#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

class QSqlDatabase;

// Cuts a PostgreSQL connection's socket from a thread of its own when a call
// on it runs past its time, or at once when asked to: the call blocked on the
// socket then returns with an error at once. TCP keepalives and the server's
// statement timeout cannot end such a wait: a proxy in between, or a server
// that stopped reading, still acknowledges every packet and sends nothing.
// Connecting is bounded by the client library's connect timeout, and the
// driver's own statements after the login (which wait without a limit) by
// armConnecting(): the socket is not known until the driver returns, so at
// the deadline every socket this process opened since to the server's port
// is cut (Linux; elsewhere only the connect timeout holds).
class SqlWatchdog
{
public:
    SqlWatchdog() = default;
    ~SqlWatchdog();
    SqlWatchdog(const SqlWatchdog &) = delete;
    SqlWatchdog &operator=(const SqlWatchdog &) = delete;

    // Watches db's socket for ms from now (a PostgreSQL connection; others are
    // not watched). After cutNow() the socket is cut at once.
    void arm(const QSqlDatabase &db, int ms);
    // Watches the connection being opened now to a server at that port, for
    // ms from now, until disarm().
    void armConnecting(int port, int ms);
    // Stops watching; true when the socket was cut since arm().
    bool disarm();
    // From any thread: cuts the watched socket now, and every one armed later.
    void cutNow();

private:
    void run();
    void cutLocked();
    void cutNewSocketsLocked();

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::thread m_thread;
    int m_socket = -1;
    // Connecting: the server's port, and the sockets open before the connect.
    int m_connectingPort = -1;
    std::vector<int> m_socketsBefore;
    std::chrono::steady_clock::time_point m_deadline;
    bool m_cut = false;
    bool m_cutAll = false;
    bool m_ending = false;
};

// The socket of an open PostgreSQL connection; -1 for any other.
int PostgresSocket(const QSqlDatabase &db);
