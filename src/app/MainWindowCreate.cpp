// FormCreate: the main window's creation prepares the workspace for the engines, in an
// order the engines rely on (files first, then the engines, then the language).
#include "app/MainWindow.h"

#include "platform/linux/FlockSingleInstanceLock.h"

#include <QSlider>

namespace orvanel {

bool MainWindow::FormCreate()
{
    if (!m_panel.prepareWorkspace())
        return false;
    m_trackBar1->setValue(2); // TrackBar1Change writes "2" to track.txt
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
