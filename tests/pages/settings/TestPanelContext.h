#pragma once

#include "pages/PanelContext.h"
#include "panel/Panel.h"

#include "support/Doubles.h"
#include "support/TestWorkspace.h"

#include <QLineEdit>
#include <QStringList>
#include <QWidget>

namespace orvanel::testing {

// What the main window gives a page: a real panel over the doubles and a temporary
// workspace. Switch clicks run the real configuration writer and are recorded by their
// check box; termination requests and language changes are recorded.
class TestPanelContext final : public PanelContext
{
public:
    TestPanelContext() : m_panel(m_workspace.dir(), fake.services())
    {
        QStringList lines;
        for (int entry = 1; entry <= TextTable::Size; ++entry)
            lines.append(QStringLiteral("entry %1").arg(entry));
        m_panel.texts().setLines(lines);
        m_window.setObjectName(QStringLiteral("TForm2"));
        QObject::connect(&m_panel, &Panel::switchChanged, &m_panel,
                         [this](Switch id, bool checked) {
                             clicks.append({switchRow(id).checkBox, checked});
                         });
        QObject::connect(&m_panel, &Panel::terminationRequested, &m_panel,
                         [this] { ++terminationRequests; });
        QObject::connect(&m_panel, &Panel::languageChanged, &m_panel,
                         [this] { languagesApplied.append(m_panel.state().languageCode); });
    }

    Panel& panel() override { return m_panel; }
    QWidget* window() override { return &m_window; }
    QPointer<QLineEdit>& editSlot(int number) override { return m_edits[(number - 1) % 3]; }

    TestWorkspace& workspace() { return m_workspace; }
    // The services the page sees, for a test that puts a real one over a temporary folder
    // in place of a double.
    platform::Services& serviceSet() { return m_panel.services(); }
    // The texts as the window's language switch leaves them.
    TextTable& textTable() { return m_panel.texts(); }

    FakePlatform fake;
    QList<std::pair<int, bool>> clicks;
    int terminationRequests = 0;
    // The language codes the panel took, in order.
    QStringList languagesApplied;

private:
    TestWorkspace m_workspace;
    Panel m_panel;
    QWidget m_window;
    QPointer<QLineEdit> m_edits[3];
};

} // namespace orvanel::testing
