#include "events/EngineMessages.h"

#include "workspace/EngineControl.h"
#include "workspace/PanelState.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

#include <memory>

using namespace Qt::StringLiterals;

namespace orvanel {

EngineMessages::EngineMessages(EngineControl& engines, const PanelState& state, QObject* parent)
    : QObject(parent), m_engines(engines), m_state(state), m_server(new QLocalServer(this))
{
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    m_server->setMaxPendingConnections(ClientLimit);
    connect(m_server, &QLocalServer::newConnection, this, &EngineMessages::acceptClients);
}

EngineMessages::~EngineMessages()
{
    // The clients go with the server, while the count they keep still exists.
    delete m_server;
}

bool EngineMessages::listen(const QString& socketPath, QString* error)
{
    QLocalServer::removeServer(socketPath);
    if (m_server->listen(socketPath))
        return true;
    if (error)
        *error = u"cannot listen on %1: %2"_s.arg(socketPath, m_server->errorString());
    return false;
}

QString EngineMessages::socketPath() const
{
    return m_server->fullServerName();
}

void EngineMessages::acceptClients()
{
    while (QLocalSocket* client = m_server->nextPendingConnection()) {
        if (m_clients >= ClientLimit) {
            client->abort();
            client->deleteLater();
            continue;
        }
        ++m_clients;
        // Qt's own buffer stays small too: a flood waits in the socket, not in memory.
        client->setReadBufferSize(4096);
        connect(client, &QObject::destroyed, this, [this] { --m_clients; });
        connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
        auto* idle = new QTimer(client);
        idle->setSingleShot(true);
        connect(idle, &QTimer::timeout, client, [client] {
            client->abort();
            client->deleteLater();
        });
        idle->start(IdleLimitMs);
        auto framing = std::make_shared<EngineMessageFraming>();
        connect(client, &QLocalSocket::readyRead, client,
                [this, client, framing] { readClient(client, *framing); });
        readClient(client, *framing);
    }
}

void EngineMessages::readClient(QLocalSocket* client, EngineMessageFraming& framing)
{
    const bool keep =
        framing.feed(client->readAll(), [this](QByteArrayView line) { handleLine(line); });
    if (!keep) {
        client->abort();
        client->deleteLater();
    }
}

void EngineMessages::handleLine(QByteArrayView line)
{
    const std::optional<EngineMessageLine> message = parseEngineMessageLine(line);
    if (message && message->number == RegistryChange)
        WMRegistryChange(message->firstParameter);
}

void EngineMessages::WMRegistryChange(int firstParameter)
{
    if (firstParameter != RegistryChange)
        return;
    m_engines.notify(u"change registre"_s, m_state.alertLevel);
}

} // namespace orvanel
