#include "serialline.h"

#include <QFile>
#include <QFileInfo>
#include <QSerialPort>
#include <QSocketNotifier>
#include <QTimer>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace sim {

namespace {

// The termios speed of a baud rate, B0 for one the table lacks.
speed_t speedOf(int baud)
{
    static const struct
    {
        int baud;
        speed_t speed;
    } table[] = {{1200, B1200},     {2400, B2400},     {4800, B4800},    {9600, B9600},
                 {19200, B19200},   {38400, B38400},   {57600, B57600},  {115200, B115200},
                 {230400, B230400}, {460800, B460800}, {921600, B921600}};
    for (const auto &row : table) {
        if (row.baud == baud)
            return row.speed;
    }
    return B0;
}

// A closed end reads at this rate: no instrument listens at 50 bit/s.
constexpr speed_t IdleSpeed = B50;
// How often a closed end is looked at for the program opening it again.
constexpr int ClosedPollMs = 2;

// Whether the slave end is closed: the master then reads a hang-up.
bool slaveClosed(int master)
{
    pollfd p{master, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & POLLHUP);
}

QString systemError(const QString &what)
{
    return what + QStringLiteral(": ") + QString::fromLocal8Bit(strerror(errno));
}

} // namespace

PortLine::PortLine(QObject *parent) : SerialLine(parent), m_port(new QSerialPort(this))
{
    connect(m_port, &QSerialPort::readyRead, this, [this] { emit received(m_port->readAll()); });
}

bool PortLine::open(const QString &device, const LineFraming &framing, QString *error)
{
    m_port->setPortName(device);
    m_port->setBaudRate(framing.baud);
    m_port->setParity(QSerialPort::Parity(framing.parity));
    m_port->setDataBits(QSerialPort::DataBits(framing.dataBits));
    m_port->setStopBits(framing.stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop);
    if (m_port->open(QIODevice::ReadWrite))
        return true;
    *error = m_port->errorString();
    return false;
}

bool PortLine::write(const QByteArray &bytes)
{
    return m_port->write(bytes) == bytes.size();
}

PtyLine::PtyLine(const LineFraming &listen, QObject *parent)
    : SerialLine(parent), m_listen(listen), m_closedPoll(new QTimer(this))
{
    m_closedPoll->setInterval(ClosedPollMs);
    connect(m_closedPoll, &QTimer::timeout, this, &PtyLine::watchForOpen);
}

PtyLine::~PtyLine()
{
    closeAll();
}

bool PtyLine::open(const QString &link, QString *error)
{
    closeAll();
    const QFileInfo existing(link);
    if (existing.exists() && !existing.isSymLink()) {
        *error = QStringLiteral("%1 exists and is not a link").arg(link);
        return false;
    }
    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0) {
        *error = systemError(QStringLiteral("pseudo-terminal"));
        closeAll();
        return false;
    }
    const QString slavePath = QString::fromLocal8Bit(ptsname(m_master));
    // Opened and closed once, so the master reads a hang-up until the program
    // opens it.
    const int slave = ::open(ptsname(m_master), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (slave < 0) {
        *error = systemError(slavePath);
        closeAll();
        return false;
    }
    ::close(slave);
    QFile::remove(link);
    if (!setIdle() || !QFile::link(slavePath, link)) {
        *error = systemError(QStringLiteral("cannot set up %1").arg(link));
        closeAll();
        return false;
    }
    m_link = link;
    m_notifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
    m_notifier->setEnabled(false);
    connect(m_notifier, &QSocketNotifier::activated, this, &PtyLine::readMaster);
    m_closedPoll->start();
    return true;
}

// The master's settings are the slave end's: the idle ones go there.
bool PtyLine::setIdle()
{
    termios t{};
    if (tcgetattr(m_master, &t) != 0)
        return false;
    cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cflag &= ~(CSTOPB | PARODD);
    if (m_listen.parity != QSerialPort::OddParity)
        t.c_cflag |= PARODD;
    cfsetispeed(&t, IdleSpeed);
    cfsetospeed(&t, IdleSpeed);
    if (tcsetattr(m_master, TCSANOW, &t) != 0)
        return false;
    m_idleState = peerState();
    return true;
}

void PtyLine::watchForOpen()
{
    if (slaveClosed(m_master)) {
        // Kept idle while closed, also after an opening too short to be seen.
        if (peerState() != m_idleState && setIdle())
            ++m_idleResets;
        return;
    }
    m_closedPoll->stop();
    m_notifier->setEnabled(true);
    readMaster();
}

void PtyLine::readMaster()
{
    QByteArray bytes;
    char chunk[512];
    ssize_t n = 0;
    while ((n = ::read(m_master, chunk, sizeof chunk)) > 0)
        bytes.append(chunk, int(n));
    if (!bytes.isEmpty())
        emit received(bytes);
    if (n < 0 && errno == EIO) {
        // The program closed its end: idle until it opens it again.
        m_notifier->setEnabled(false);
        if (slaveClosed(m_master) && peerState() != m_idleState && setIdle())
            ++m_idleResets;
        m_closedPoll->start();
    }
}

bool PtyLine::write(const QByteArray &bytes)
{
    return m_master >= 0 &&
           ::write(m_master, bytes.constData(), size_t(bytes.size())) == bytes.size();
}

bool PtyLine::peerMatches() const
{
    termios t{};
    if (m_master < 0 || tcgetattr(m_master, &t) != 0)
        return false;
    const bool odd = t.c_cflag & PARODD;
    // Even parity clears the idle mark; odd parity sets the cleared one. No
    // parity leaves it as it is, which reads as odd: the one mix-up a pty hides.
    const bool parity = m_listen.parity == QSerialPort::EvenParity ? !odd : odd;
    return cfgetospeed(&t) == speedOf(m_listen.baud) &&
           bool(t.c_cflag & CSTOPB) == (m_listen.stopBits == 2) && parity;
}

quint64 PtyLine::peerState() const
{
    termios t{};
    if (m_master < 0 || tcgetattr(m_master, &t) != 0)
        return 0;
    return (quint64(t.c_cflag) << 32) | quint64(cfgetospeed(&t));
}

void PtyLine::closeAll()
{
    m_closedPoll->stop();
    delete m_notifier;
    m_notifier = nullptr;
    if (m_master >= 0)
        ::close(m_master);
    m_master = -1;
    if (!m_link.isEmpty() && QFileInfo(m_link).isSymLink())
        QFile::remove(m_link);
    m_link.clear();
}

} // namespace sim
