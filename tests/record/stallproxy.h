#pragma once

// A TCP proxy in front of a server that passes the first `budget` bytes of
// each connection (both ways together) and then stops forwarding, keeping both
// connections open: a peer that acknowledges every packet and never answers
// again, as a hung server or a broken middlebox would. Threads of its own, so
// that a test may block on a call through it. Loopback only.

#include <QtGlobal>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

class StallProxy
{
public:
    StallProxy(quint16 upstreamPort, qint64 budget) : m_upstream(upstreamPort), m_budget(budget) {}
    ~StallProxy()
    {
        if (m_wake[1] >= 0 && ::write(m_wake[1], "x", 1) < 0) {
        }
        for (std::thread &t : m_threads)
            t.join();
        for (int fd : {m_listen, m_wake[0], m_wake[1]})
            if (fd >= 0)
                ::close(fd);
    }

    bool listen()
    {
        if (::pipe(m_wake) != 0)
            return false;
        m_listen = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address = loopback(0);
        socklen_t size = sizeof address;
        if (m_listen < 0 || ::bind(m_listen, reinterpret_cast<sockaddr *>(&address), size) != 0 ||
            ::listen(m_listen, 16) != 0 ||
            ::getsockname(m_listen, reinterpret_cast<sockaddr *>(&address), &size) != 0)
            return false;
        m_port = ntohs(address.sin_port);
        m_threads.emplace_back([this] { acceptLoop(); });
        return true;
    }
    quint16 port() const { return m_port; }
    // Connections that used up their budget and went silent.
    int stalled() const { return m_stalled; }
    // Connections taken.
    int accepted() const { return m_accepted; }
    // Connections ended (by either end).
    int closed() const { return m_closed; }
    // Bytes passed on, both ways, all connections.
    qint64 forwarded() const { return m_forwarded; }

private:
    static sockaddr_in loopback(quint16 port)
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        return address;
    }

    void acceptLoop()
    {
        std::vector<std::thread> relays;
        for (;;) {
            pollfd fds[2] = {{m_listen, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
            if (::poll(fds, 2, -1) < 0 || fds[1].revents)
                break;
            const int client = ::accept(m_listen, nullptr, nullptr);
            if (client >= 0 && ++m_accepted)
                relays.emplace_back([this, client] { relay(client); });
        }
        for (std::thread &t : relays)
            t.join();
    }

    void relay(int client)
    {
        const int server = ::socket(AF_INET, SOCK_STREAM, 0);
        const sockaddr_in address = loopback(m_upstream);
        if (::connect(server, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0) {
            qint64 left = m_budget;
            char buffer[4096];
            for (;;) {
                // Silent, it still notices an end closed.
                const short wanted = left > 0 ? POLLIN : POLLRDHUP;
                pollfd fds[3] = {{client, wanted, 0}, {server, wanted, 0}, {m_wake[0], POLLIN, 0}};
                if (::poll(fds, 3, -1) < 0 || fds[2].revents)
                    break;
                if (left <= 0 && !fds[0].revents && !fds[1].revents)
                    continue; // silent, holding both ends open
                if (left <= 0)
                    break; // an end was closed
                const int from = fds[0].revents ? 0 : 1;
                const int in = from == 0 ? client : server;
                const ssize_t got = ::read(in, buffer, size_t(qMin<qint64>(sizeof buffer, left)));
                if (got <= 0 || !writeAll(from == 0 ? server : client, buffer, got))
                    break;
                left -= got;
                m_forwarded += got;
                if (left <= 0)
                    ++m_stalled;
            }
        }
        ::close(server);
        ::close(client);
        ++m_closed;
    }

    static bool writeAll(int fd, const char *data, ssize_t size)
    {
        while (size > 0) {
            const ssize_t sent = ::write(fd, data, size_t(size));
            if (sent <= 0)
                return false;
            data += sent;
            size -= sent;
        }
        return true;
    }

    const quint16 m_upstream;
    const qint64 m_budget;
    int m_listen = -1;
    int m_wake[2] = {-1, -1};
    quint16 m_port = 0;
    std::atomic<int> m_stalled{0};
    std::atomic<int> m_accepted{0};
    std::atomic<int> m_closed{0};
    std::atomic<qint64> m_forwarded{0};
    std::vector<std::thread> m_threads;
};
