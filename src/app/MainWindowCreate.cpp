// FormCreate: the main window's creation prepares the workspace for the engines, in an
// order the engines rely on (files first, then the engines, then the language).
#include "app/MainWindow.h"

#include "platform/linux/FlockSingleInstanceLock.h"

#include <QSignalBlocker>
#include <QSlider>

namespace orvanel {

bool MainWindow::FormCreate()
{
    if (!m_panel.prepareWorkspace())
        return false;
    {
        // prepareWorkspace has written "2" to track.txt already, as TrackBar1Change would.
        const QSignalBlocker written(m_trackBar1);
        m_trackBar1->setValue(2);
    }
    m_pageHost.reset();
    showLevelControls();

    m_panel.openWorkspace();
    if (!m_panel.readCtrlpl())
        return false;
    m_pageHost.buildFramed(pageTable().front(), BuildOrigin::StartUp);
    m_panel.startSystemMessages(platform::FlockSingleInstanceLock::defaultRuntimeDir());
    show();
    return true;
}

} // namespace orvanel
