#pragma once

// The real main window on a temporary workspace: test engines under the engines' names,
// the shipped language files, real process handling that only sees the workspace's own
// processes, and doubles for everything that would reach the desktop.

#include "app/MainWindow.h"
#include "platform/linux/FlockProbe.h"
#include "platform/linux/LinuxProcessTable.h"
#include "platform/linux/LinuxSpawner.h"
#include "support/Doubles.h"
#include "support/TestWorkspace.h"
#include "workspace/Table.h"

#include <QListWidget>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>

// Readable texts in failure messages.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace orvanel::testing {

// Stores `code` as the workspace's language choice, as the settings page does.
inline ::testing::AssertionResult storeLanguage(const TestWorkspace& ws, const QString& code)
{
    Table languages;
    defineFields(languages, TableId::Languages);
    languages.createEmpty();
    languages.insert();
    languages.setValue(u"Champ1", code);
    languages.post();
    if (!languages.save(ws.path(QStringLiteral("langues.xml"))))
        return ::testing::AssertionFailure() << "langues.xml not saved";
    return ::testing::AssertionSuccess();
}

class WindowFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ws.installAllEngines();
        ws.installData();
    }

    void TearDown() override { window.reset(); }

    platform::Services services()
    {
        platform::Services s = fake.services();
        s.processes = &scoped;
        s.spawner = &spawner;
        s.probe = &probe;
        return s;
    }

    MainWindow& create()
    {
        window = std::make_unique<MainWindow>(ws.dir(), services());
        return *window;
    }

    MainWindow& started()
    {
        create();
        EXPECT_TRUE(window->FormCreate()) << fake.prompt.errors.join(u'\n').toStdString();
        return *window;
    }

    QListWidget* listBox1() const
    {
        return window->findChild<QListWidget*>(QStringLiteral("ListBox1"));
    }

    // The list position whose caption is text-table entry n.
    int rowOfEntry(int n) const
    {
        const QString caption = window->texts().text(n);
        for (int row = 0; row < listBox1()->count(); ++row) {
            if (listBox1()->item(row)->text() == caption)
                return row;
        }
        return -1;
    }

    // A choice in the category list, as a click makes it.
    void choose(int row)
    {
        listBox1()->setCurrentRow(row);
        window->ListBox1Click();
    }

    QString text(const QString& name) const { return QString::fromUtf8(ws.read(name)); }

    TestWorkspace ws;
    FakePlatform fake;
    platform::LinuxProcessTable linuxProcesses;
    ScopedProcessTable scoped{linuxProcesses, ws.dir()};
    platform::LinuxSpawner spawner;
    platform::FlockProbe probe;
    std::unique_ptr<MainWindow> window;
};

// The same window with every process double in memory: engine stops are recorded in
// the order they happen, and nothing real is started.
class FakeProcessWindowFixture : public ::testing::Test
{
protected:
    void SetUp() override { ws.installData(); }
    void TearDown() override { window.reset(); }

    MainWindow& started()
    {
        platform::Services s = fake.services();
        // Started engines are recorded but do not join the process list, so that the
        // list holds exactly what the test put there.
        s.spawner = &spawner;
        window = std::make_unique<MainWindow>(ws.dir(), s);
        EXPECT_TRUE(window->FormCreate());
        return *window;
    }

    QListWidget* listBox1() const
    {
        return window->findChild<QListWidget*>(QStringLiteral("ListBox1"));
    }

    void chooseEntry(int n)
    {
        const QString caption = window->texts().text(n);
        for (int row = 0; row < listBox1()->count(); ++row) {
            if (listBox1()->item(row)->text() == caption) {
                listBox1()->setCurrentRow(row);
                window->ListBox1Click();
                return;
            }
        }
        ADD_FAILURE() << "no category for entry " << n;
    }

    void runAll(const QStringList& names)
    {
        for (const QString& name : names)
            fake.processes.add(name);
    }

    TestWorkspace ws;
    FakePlatform fake;
    RecordingSpawner spawner;
    std::unique_ptr<MainWindow> window;
};

} // namespace orvanel::testing
