#pragma once

#include "app/ConfigurationSwitches.h"
#include "lang/TextTable.h"
#include "pages/PanelContext.h"
#include "workspace/EngineControl.h"
#include "workspace/PanelState.h"
#include "workspace/TableFiles.h"

#include "support/Doubles.h"
#include "support/TestWorkspace.h"

#include <QLineEdit>
#include <QStringList>
#include <QWidget>

namespace orvanel::testing {

// What the main window gives a page, over the doubles and a temporary workspace: the
// switch clicks run the real configuration writer; termination requests are counted.
class TestPanelContext final : public PanelContext
{
public:
    TestPanelContext()
        : m_engines(m_workspace.dir(), fake.processes, fake.spawner, fake.probe),
          m_tables(m_workspace.dir(), m_engines, [this] { return m_state.alertLevel; })
    {
        m_state.workspaceDir = m_workspace.dir();
        m_services = fake.services();
        QStringList lines;
        for (int entry = 1; entry <= TextTable::Size; ++entry)
            lines.append(QStringLiteral("entry %1").arg(entry));
        m_texts.setLines(lines);
        m_window.setObjectName(QStringLiteral("TForm2"));
    }

    PanelState& state() override { return m_state; }
    const TextTable& texts() const override { return m_texts; }
    EngineControl& engines() override { return m_engines; }
    TableFiles& tables() override { return m_tables; }
    const platform::Services& services() const override { return m_services; }
    QWidget* window() override { return &m_window; }

    void switchClicked(Switch id, bool checked) override
    {
        clicks.append({switchRow(id).checkBox, checked});
        configuration::switchClicked(m_state, id, checked, m_engines, m_tables, fake.prompt);
    }
    void requestTermination() override { ++terminationRequests; }
    void applyLanguage(const QString& chosen) override { languagesApplied.append(chosen); }
    QPointer<QLineEdit>& editSlot(int number) override { return m_edits[(number - 1) % 3]; }

    TestWorkspace& workspace() { return m_workspace; }
    // The services the page sees, for a test that puts a real one over a temporary folder
    // in place of a double.
    platform::Services& serviceSet() { return m_services; }
    // The texts as the window's language switch leaves them.
    TextTable& textTable() { return m_texts; }

    FakePlatform fake;
    QList<std::pair<int, bool>> clicks;
    int terminationRequests = 0;
    QStringList languagesApplied;

private:
    TestWorkspace m_workspace;
    PanelState m_state;
    TextTable m_texts;
    EngineControl m_engines;
    TableFiles m_tables;
    platform::Services m_services;
    QWidget m_window;
    QPointer<QLineEdit> m_edits[3];
};

} // namespace orvanel::testing
