#pragma once

#include "workspace/EngineMessageLines.h"

#include <QByteArrayView>
#include <QObject>
#include <QString>

class QLocalServer;
class QLocalSocket;

namespace orvanel {

class EngineControl;
struct PanelState;

// The engines' messages to the panel, on the local socket Orvanel.sock in the user's
// runtime folder. An engine writes one line holding the message number and its first
// parameter in decimal; "2997 2997" asks the panel to announce a change in the registry.
// Anything else is ignored. Clients are read as data comes, never waited for: a line
// longer than any message, too many lines or a client that stays silent is dropped, so
// no client can hold up the window.
class EngineMessages final : public QObject
{
    Q_OBJECT

    Q_DISABLE_COPY_MOVE(EngineMessages)

public:
    static constexpr int RegistryChange = 2997;
    static constexpr qsizetype LineLimit = EngineMessageFraming::LineLimit;
    static constexpr int LinesPerClient = EngineMessageFraming::LinesPerClient;
    static constexpr int ClientLimit = 16;
    static constexpr int IdleLimitMs = 10000;

    EngineMessages(EngineControl& engines, const PanelState& state, QObject* parent = nullptr);
    ~EngineMessages() override;

    // Listens on socketPath, replacing a socket left behind by an earlier run (the
    // single-instance lock makes this panel the only one). Answers false with the reason.
    bool listen(const QString& socketPath, QString* error = nullptr);
    QString socketPath() const;
    int clientCount() const { return m_clients; }

    // One line as received, without its line end.
    void handleLine(QByteArrayView line);
    // Message 0xBB5: with the first parameter 0xBB5, the notification "change registre".
    void WMRegistryChange(int firstParameter);

private:
    void acceptClients();
    void readClient(QLocalSocket* client, EngineMessageFraming& framing);

    EngineControl& m_engines;
    const PanelState& m_state;
    QLocalServer* m_server = nullptr;
    int m_clients = 0;
};

} // namespace orvanel
