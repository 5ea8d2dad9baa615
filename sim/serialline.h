#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class QSerialPort;
class QSocketNotifier;
class QTimer;

namespace sim {

// The framing a serial line runs at; parity as QSerialPort::Parity (0 none,
// 2 even, 3 odd).
struct LineFraming
{
    int baud = 9600;
    int parity = 0;
    int dataBits = 8;
    int stopBits = 1;
};

// The instruments' side of a serial line: bytes in, bytes out, and what can be
// learnt of the framing the program set on its end.
class SerialLine : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;
    virtual bool write(const QByteArray &bytes) = 0;
    // Whether the program's end runs at the framing the instruments listen at,
    // as far as this line can tell. A plain device cannot tell: always true.
    virtual bool peerMatches() const { return true; }
    // Changes whenever the program's end is set anew or closed, so an answer
    // due after that is known to fall on a line that is no longer listening.
    virtual quint64 peerState() const { return 0; }

signals:
    void received(const QByteArray &bytes);
};

// A serial device the simulator opens itself (one end of a socat pair, an
// adapter): it cannot see the other end's settings.
class PortLine : public SerialLine
{
    Q_OBJECT

public:
    explicit PortLine(QObject *parent = nullptr);
    bool open(const QString &device, const LineFraming &framing, QString *error);
    bool write(const QByteArray &bytes) override;

private:
    QSerialPort *m_port;
};

// A pseudo-terminal pair the simulator makes itself, its slave end reachable
// under a link name. The program opens that end and sets its framing there;
// reading those settings back tells the baud rate and stop bits. Linux clears
// the parity-enable bit and forces 8 data bits on a pty, but keeps the odd
// bit: the line is left idle with that bit set against the parity listened at,
// so that the one parity listened at (even or odd) turns it over. Idle at an
// unused baud rate, so a closed end never looks like the listened framing.
// Each time the program's end is closed (also by a program that was killed
// and so never put its settings back) the idle settings are laid on again.
class PtyLine : public SerialLine
{
    Q_OBJECT

public:
    explicit PtyLine(const LineFraming &listen, QObject *parent = nullptr);
    ~PtyLine() override;
    // Makes the pair and the link (an existing link is replaced, any other
    // file is left alone and the call fails).
    bool open(const QString &link, QString *error);
    bool write(const QByteArray &bytes) override;
    bool peerMatches() const override;
    quint64 peerState() const override;
    // Times the idle settings were laid on after the program closed its end.
    int idleResets() const { return m_idleResets; }

private:
    void readMaster();
    void watchForOpen();
    bool setIdle();
    void closeAll();

    LineFraming m_listen;
    int m_master = -1;
    QSocketNotifier *m_notifier = nullptr;
    QTimer *m_closedPoll; // while nobody has the program's end open
    QString m_link;
    int m_idleResets = 0;
    quint64 m_idleState = 0; // peerState() when idle
};

} // namespace sim
