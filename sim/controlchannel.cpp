#include "controlchannel.h"

#include <QHostAddress>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTcpServer>
#include <QTcpSocket>
#include <cmath>

#include "instrumentmodel.h"

namespace sim {

namespace {
constexpr int MaxSettleMs = 600000;
constexpr int ReadBuffer = 4096;
const char *const Discarding = "zeltControlDiscarding";

QString error(const QString &reason)
{
    return QStringLiteral("error ") + reason;
}

QString loadLine(InstrumentModel *model, const QStringList &words)
{
    if (words.size() != 2 && words.size() != 4)
        return error(QStringLiteral("usage: load WEIGHT [corner N]"));
    bool ok = false;
    const double units = words.at(1).toDouble(&ok);
    if (!ok || !std::isfinite(units) || units < 0)
        return error(QStringLiteral("the load must be a number of 0 or more"));
    int corner = 0;
    if (words.size() == 4) {
        if (words.at(2).toLower() != QLatin1String("corner"))
            return error(QStringLiteral("usage: load WEIGHT [corner N]"));
        corner = words.at(3).toInt(&ok);
        if (!ok || corner < 1 || corner > model->corners())
            return error(QStringLiteral("corner must be 1 to %1").arg(model->corners()));
    }
    if (!model->placeLoad(units, corner))
        return error(QStringLiteral("load refused"));
    return QStringLiteral("ok");
}
} // namespace

QString runControlLine(InstrumentModel *model, const QString &line)
{
    if (line.size() > ControlChannel::MaxLine)
        return error(QStringLiteral("line too long"));
    const QStringList words = line.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.isEmpty())
        return error(QStringLiteral("empty line"));
    const QString command = words.first().toLower();
    if (command == QLatin1String("load"))
        return loadLine(model, words);
    if (command == QLatin1String("remove")) {
        if (words.size() != 1)
            return error(QStringLiteral("usage: remove"));
        model->removeLoad();
        return QStringLiteral("ok");
    }
    if (command == QLatin1String("settle")) {
        bool ok = false;
        const int ms = words.size() == 2 ? words.at(1).toInt(&ok) : -1;
        if (!ok || ms < 0 || ms > MaxSettleMs)
            return error(QStringLiteral("usage: settle MS (0 to %1)").arg(MaxSettleMs));
        ErrorModel errors = model->errorModel();
        errors.settleMs = ms;
        model->setErrorModel(errors);
        return QStringLiteral("ok");
    }
    if (command == QLatin1String("state")) {
        if (words.size() != 1)
            return error(QStringLiteral("usage: state"));
        const InstrumentModel::LoadState s = model->loadState();
        return QStringLiteral("ok load %1 corner %2 settling %3 stable %4")
            .arg(s.units, 0, 'g', 12)
            .arg(s.corner)
            .arg(s.settleLeftMs)
            .arg(s.stable ? 1 : 0);
    }
    return error(QStringLiteral("unknown command '%1'").arg(words.first().left(32)));
}

ControlChannel::ControlChannel(InstrumentModel *model, QObject *parent)
    : QObject(parent), m_model(model)
{}

ControlChannel::~ControlChannel() = default;

bool ControlChannel::listen(const QString &where)
{
    if (where.contains(QLatin1Char('/'))) {
        m_local = new QLocalServer(this);
        m_local->setSocketOptions(QLocalServer::UserAccessOption);
        QLocalServer::removeServer(where);
        if (!m_local->listen(where)) {
            m_error = m_local->errorString();
            return false;
        }
        connect(m_local, &QLocalServer::newConnection, this, [this] {
            while (QLocalSocket *s = m_local->nextPendingConnection())
                adopt(s);
        });
        return true;
    }
    const int colon = where.lastIndexOf(QLatin1Char(':'));
    bool ok = false;
    const int port = where.mid(colon + 1).toInt(&ok);
    const QHostAddress host(where.left(colon));
    // the load on the scale is nobody's business beyond this machine
    if (colon < 0 || !ok || port < 0 || port > 65535 || !host.isLoopback()) {
        m_error =
            QStringLiteral("wants a loopback HOST:PORT or a socket path, got '%1'").arg(where);
        return false;
    }
    m_tcp = new QTcpServer(this);
    if (!m_tcp->listen(host, quint16(port))) {
        m_error = m_tcp->errorString();
        return false;
    }
    connect(m_tcp, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *s = m_tcp->nextPendingConnection())
            adopt(s);
    });
    return true;
}

QString ControlChannel::address() const
{
    if (m_local)
        return m_local->fullServerName();
    if (m_tcp)
        return QStringLiteral("%1:%2")
            .arg(m_tcp->serverAddress().toString())
            .arg(m_tcp->serverPort());
    return QString();
}

void ControlChannel::adopt(QIODevice *client)
{
    connect(client, &QIODevice::readyRead, this, [this, client] { readLines(client); });
    if (auto *tcp = qobject_cast<QTcpSocket *>(client)) {
        tcp->setReadBufferSize(ReadBuffer);
        connect(tcp, &QTcpSocket::disconnected, tcp, &QObject::deleteLater);
    } else if (auto *local = qobject_cast<QLocalSocket *>(client)) {
        local->setReadBufferSize(ReadBuffer);
        connect(local, &QLocalSocket::disconnected, local, &QObject::deleteLater);
    }
}

void ControlChannel::readLines(QIODevice *client)
{
    while (client->canReadLine()) {
        const QByteArray raw = client->readLine();
        // the end of a line already answered as too long
        if (client->property(Discarding).toBool()) {
            client->setProperty(Discarding, false);
            continue;
        }
        const QString answer = raw.size() > MaxLine + 2
                                   ? error(QStringLiteral("line too long"))
                                   : runControlLine(m_model, QString::fromUtf8(raw).trimmed());
        client->write(answer.toUtf8() + '\n');
    }
    // a line that does not end is answered once and dropped up to its end
    if (client->bytesAvailable() > MaxLine + 2) {
        if (!client->property(Discarding).toBool())
            client->write(error(QStringLiteral("line too long")).toUtf8() + '\n');
        client->readAll();
        client->setProperty(Discarding, true);
    }
}

} // namespace sim
