#include "pages/Page.h"

namespace orvanel {

Page::~Page()
{
    freeControls();
}

void Page::freeControls()
{
    // Last created first, so that a group box's children go before the box itself.
    while (!m_controls.isEmpty()) {
        QPointer<QWidget> control = m_controls.takeLast();
        delete control.data();
    }
}

} // namespace orvanel
