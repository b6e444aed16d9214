// The window messages that do not come from the window's own controls: a volume attached
// while the panel runs, and the engines' messages on the local socket.
#include "app/MainWindow.h"

#include "events/EngineMessages.h"
#include "events/VolumeArrival.h"
#include "platform/linux/FlockSingleInstanceLock.h"
#include "workspace/Names.h"

#include <QtDebug>

namespace orvanel {

void MainWindow::startSystemMessages()
{
    if (!m_volumeArrival)
        m_volumeArrival = std::make_unique<VolumeArrival>(m_texts, m_engines, m_services);
    if (m_engineMessages)
        return;
    m_engineMessages = std::make_unique<EngineMessages>(m_engines, m_state);
    const QString runtime = platform::FlockSingleInstanceLock::defaultRuntimeDir();
    QString error;
    // Without the socket the engines' messages go unheard; the panel works on.
    if (runtime.isEmpty() ||
        !m_engineMessages->listen(runtime + u'/' + names::EngineMessageSocket, &error))
        qWarning("%s", qPrintable(error));
}

} // namespace orvanel
