#pragma once

#include <QHash>
#include <QObject>
#include <QString>

class QIODevice;
class QLocalServer;
class QTcpServer;

namespace sim {

class InstrumentModel;

// Runs one line of the control channel on the model and gives the answer:
// "ok ...", or "error " and the reason. The lines:
//   load 500            500 of the instrument's unit on the centre
//   load 500 corner 2   on corner 2 (1..4 analog, 1..modules digital)
//   remove              an empty platform
//   settle 300          the platform settles in 300 ms after each change
//   state               "ok load 500 corner 2 settling 800 stable 0"
QString runControlLine(InstrumentModel *model, const QString &line);

// The control channel on a local socket: loopback TCP ("127.0.0.1:PORT",
// port 0 picks a free one) or a Unix socket path. One answer line per line.
class ControlChannel : public QObject
{
    Q_OBJECT

public:
    static constexpr int MaxLine = 256;

    explicit ControlChannel(InstrumentModel *model, QObject *parent = nullptr);
    ~ControlChannel() override;

    bool listen(const QString &where);
    // Where a client connects: "127.0.0.1:40123" or the socket path.
    QString address() const;
    QString errorString() const { return m_error; }

private:
    void adopt(QIODevice *client);
    void readLines(QIODevice *client);

    InstrumentModel *m_model;
    QTcpServer *m_tcp = nullptr;
    QLocalServer *m_local = nullptr;
    QString m_error;
};

} // namespace sim
