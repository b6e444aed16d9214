#include "events/EngineMessages.h"

#include "workspace/EngineControl.h"
#include "workspace/PanelState.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

#include <charconv>
#include <memory>
#include <optional>

using namespace Qt::StringLiterals;

namespace orvanel {

namespace {

std::optional<int> decimal(QByteArrayView text)
{
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.isEmpty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

} // namespace

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
        auto pending = std::make_shared<QByteArray>();
        auto lines = std::make_shared<int>(0);
        connect(client, &QLocalSocket::readyRead, client,
                [this, client, pending, lines] { readClient(client, *pending, *lines); });
        readClient(client, *pending, *lines);
    }
}

void EngineMessages::readClient(QLocalSocket* client, QByteArray& pending, int& lines)
{
    pending += client->readAll();
    qsizetype end = 0;
    while ((end = pending.indexOf('\n')) >= 0 && lines < LinesPerClient) {
        QByteArrayView line(pending.constData(), end);
        if (line.endsWith('\r'))
            line.chop(1);
        ++lines;
        if (line.size() <= LineLimit)
            handleLine(line);
        pending.remove(0, end + 1);
    }
    if (pending.size() > LineLimit || lines >= LinesPerClient) {
        pending.clear();
        client->abort();
        client->deleteLater();
    }
}

void EngineMessages::handleLine(QByteArrayView line)
{
    const QList<QByteArray> words = line.toByteArray().simplified().split(' ');
    if (words.size() != 2)
        return;
    const std::optional<int> message = decimal(words[0]);
    const std::optional<int> parameter = decimal(words[1]);
    if (message == RegistryChange && parameter)
        WMRegistryChange(*parameter);
}

void EngineMessages::WMRegistryChange(int firstParameter)
{
    if (firstParameter != RegistryChange)
        return;
    m_engines.notify(u"change registre"_s, m_state.alertLevel);
}

} // namespace orvanel
