#include "pages/tools/FolderSearchPage.h"

#include "ToolsPageTest.h"
#include "pages/settings/TestPanelContext.h"
#include "workspace/DuplicateRecord.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace orvanel::testing {
namespace {

const char* const kStepButtons[] = {"BitBtn9", "BitBtn10", "BitBtn11", "BitBtn12"};

class FolderSearchPageTest : public ::testing::Test
{
protected:
    FolderSearchPageTest()
    {
        panel = new QWidget;
        panel->setGeometry(176, 48, 609, 369);
        panel->show();
        page = std::make_unique<FolderSearchPage>(context);
        page->setPauseLength(1ms);
        page->build(panel);
    }
    ~FolderSearchPageTest() override { delete panel.data(); }

    template <typename T> T* control(const char* name) const
    {
        return panel->findChild<T*>(QLatin1StringView(name));
    }
    QListWidget* list() const { return control<QListWidget>("CheckListBox2"); }
    QString stepLabel() const { return control<QLabel>("step label")->text(); }
    bool stepButtonsEnabled() const
    {
        bool all = true;
        for (const char* name : kStepButtons)
            all = all && control<QPushButton>(name)->isEnabled();
        return all;
    }
    bool finishWait()
    {
        return QTest::qWaitFor([this] { return !page->isWaiting(); }, 5000);
    }

    // Step 2, with the engine writing the list while the page waits.
    void runStep2(const QStringList& lines)
    {
        control<QPushButton>("BitBtn10")->click();
        context.workspace().write(u"liste2.txt"_s, lines.join(u"\r\n"_s).toUtf8() + "\r\n");
        ASSERT_TRUE(finishWait());
    }
    // The engine's record of step 1: these originals, by size and content.
    void record(const QStringList& originals)
    {
        DuplicateRecord made{m_home.path(), {}};
        for (const QString& path : originals) {
            QFile file(path);
            EXPECT_TRUE(file.open(QIODevice::ReadOnly));
            const QByteArray bytes = file.readAll();
            made.files.push_back(
                {bytes.size(), QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex(),
                 0, 0, path});
        }
        context.workspace().write(u"scandisk-record.txt"_s, recordText(made).toUtf8());
    }
    QStringList listed() const { return testing::listed(list()); }

    QTemporaryDir m_home;
    TestPanelContext context;
    QPointer<QWidget> panel;
    std::unique_ptr<FolderSearchPage> page;
};

TEST_F(FolderSearchPageTest, ControlsArePlacedAndCaptioned)
{
    expectControls(panel, {{"BitBtn9", {136, 272, 75, 25}, "1"},
                           {"BitBtn10", {232, 272, 75, 25}, "2"},
                           {"BitBtn11", {336, 272, 75, 25}, "3"},
                           {"BitBtn12", {48, 272, 75, 25}, "0"},
                           {"CheckListBox2", {24, 64, 361, 209}},
                           {"DirectoryListBox2", {424, 24, 145, 193}},
                           {"Edit3", {424, 232, 145, 21}, ""},
                           {"step label", {240, 24, 42, 13}, ""}});
    EXPECT_EQ(context.editSlot(3).data(), control<QLineEdit>("Edit3"));
    EXPECT_TRUE(control<QLineEdit>("Edit3")->isReadOnly());
}

TEST_F(FolderSearchPageTest, StepsStartTheEngineWaitAndNotify)
{
    const QString folder = m_home.path() + u"/My Folder"_s;
    const struct
    {
        const char* button;
        QString folder;
        QStringList arguments;
        QString notification; // empty: none
    } cases[] = {
        {"BitBtn9", folder, {u"1"_s, folder}, u"ok1"_s},
        {"BitBtn9", {}, {u"1"_s}, u"ok1"_s},
        {"BitBtn12", folder, {u"0"_s, u"0"_s}, u"ok0"_s},
        {"BitBtn10", folder, {u"2"_s}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.button);
        context.fake.spawner.calls.clear();
        page->DirectoryListBox2Change(c.folder);
        control<QPushButton>(c.button)->click();

        // The click has returned: the wait runs with the window answering.
        EXPECT_TRUE(page->isWaiting());
        EXPECT_FALSE(stepButtonsEnabled());
        EXPECT_FALSE(control<QPushButton>("BitBtn11")->isEnabled());
        EXPECT_EQ(stepLabel(), u"entry 66"_s);
        ASSERT_EQ(context.fake.spawner.names(), QStringList{u"scandisk.exe"_s});
        EXPECT_EQ(context.fake.spawner.calls[0].arguments, c.arguments);

        ASSERT_TRUE(finishWait());
        EXPECT_TRUE(stepButtonsEnabled());
        EXPECT_EQ(stepLabel(), u"entry 67"_s);
        if (c.notification.isEmpty()) {
            EXPECT_EQ(context.fake.spawner.count(u"msgs.exe"_s), 0);
        } else {
            ASSERT_EQ(context.fake.spawner.count(u"msgs.exe"_s), 1);
            EXPECT_EQ(context.fake.spawner.calls.back().arguments, QStringList{c.notification});
        }
    }
}

TEST_F(FolderSearchPageTest, WaitsKeepTheirLengthAndLeavingThePageEndsThem)
{
    page->setPauseLength(FolderSearchPage::DefaultPause);
    control<QPushButton>("BitBtn10")->click();
    auto* wait = panel->findChild<QTimer*>(u"StepWait"_s);
    ASSERT_NE(wait, nullptr);
    EXPECT_TRUE(wait->isActive());
    EXPECT_EQ(wait->interval(), 10500);
    QTest::qWait(20); // the window goes on handling events meanwhile
    EXPECT_TRUE(page->isWaiting());

    // Leaving the page: the host frees the controls, then the page.
    page->setPauseLength(1ms);
    wait->start(1);
    delete panel.data();
    page.reset();
    QTest::qWait(30);
    EXPECT_EQ(context.fake.spawner.count(u"msgs.exe"_s), 0);
    EXPECT_TRUE(context.editSlot(3).isNull());
}

TEST_F(FolderSearchPageTest, Step2ListsCopiesOutsideTheFolderThatExist)
{
    const QString base = m_home.path();
    const QString chosen = base + u"/chosen"_s;
    touch(chosen + u"/original.txt"_s);
    touch(base + u"/elsewhere/copy.txt"_s);
    touch(base + u"/odd/c:\\copy2.txt"_s); // a doubled separator after a drive letter
    touch(base + u"/dir with blanks/copy3.txt"_s);
    page->DirectoryListBox2Change(chosen);
    runStep2({chosen + u"/original.txt"_s, base + u"/elsewhere/copy.txt"_s,
              base + u"/odd/c:\\\\copy2.txt"_s, base + u"/gone/missing.txt"_s,
              base + u"/elsewhere"_s, u"relative/copy.txt"_s,
              base + u"/dir with blanks/copy3.txt"_s});

    EXPECT_EQ(listed(),
              QStringList({base + u"/elsewhere/copy.txt"_s, base + u"/odd/c:\\copy2.txt"_s,
                           base + u"/dir with blanks/copy3.txt"_s}));
    for (int row = 0; row < list()->count(); ++row)
        EXPECT_EQ(list()->item(row)->checkState(), Qt::Unchecked);

    // A missing liste2.txt leaves the list as it was.
    QFile::remove(context.workspace().path(u"liste2.txt"_s));
    control<QPushButton>("BitBtn10")->click();
    ASSERT_TRUE(finishWait());
    EXPECT_EQ(list()->count(), 3);
}

TEST_F(FolderSearchPageTest, Step2ReadsOnlyTheListThisRunWrote)
{
    const QString base = m_home.path();
    touch(base + u"/old-copy.txt"_s);
    touch(base + u"/new-copy.txt"_s);
    // An earlier run's list, and an engine that writes nothing this time.
    context.workspace().write(u"liste2.txt"_s, (base + u"/old-copy.txt\r\n"_s).toUtf8());
    control<QPushButton>("BitBtn10")->click();
    ASSERT_TRUE(finishWait());
    EXPECT_TRUE(listed().isEmpty());
    EXPECT_FALSE(context.workspace().exists(u"liste2.txt"_s)) << "removed before the start";

    // A list from before the start that could not be removed is not this run's either.
    runStep2({base + u"/new-copy.txt"_s});
    EXPECT_EQ(listed(), QStringList{base + u"/new-copy.txt"_s});
    const QString stale = context.workspace().path(u"liste2.txt"_s);
    control<QPushButton>("BitBtn10")->click();
    context.workspace().write(u"liste2.txt"_s, (base + u"/old-copy.txt\r\n"_s).toUtf8());
    QFile file(stale);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(QDateTime::currentDateTime().addSecs(-3600),
                                 QFileDevice::FileModificationTime));
    file.close();
    ASSERT_TRUE(finishWait());
    EXPECT_EQ(listed(), QStringList{base + u"/new-copy.txt"_s});
}

TEST_F(FolderSearchPageTest, Step3DeletesOnlyUntickedFilesThatStillAreCopies)
{
    const QString base = m_home.path();
    const QString chosen = base + u"/chosen/"_s;
    const struct
    {
        const char* what;
        const char* copy;
        QByteArray original; // empty: no original any more
        QByteArray content;  // of the copy, when step 3 runs
        bool ticked;
        bool deleted;
    } cases[] = {
        {"an unchanged copy", "a.txt", "alpha", "alpha", false, true},
        {"a ticked copy", "b.txt", "beta", "beta", true, false},
        {"an edited former copy", "c.txt", "gamma", "gamma, edited", false, false},
        {"edited to the same size", "d.txt", "delta", "DELTA", false, false},
        {"a copy whose original is gone", "e.txt", "", "epsilon", false, false},
        {"a copy gone meanwhile", "f.txt", "phi", "", false, false},
    };
    for (const bool yes : {false, true}) {
        SCOPED_TRACE(yes ? "Yes" : "No");
        QStringList originals, copies;
        for (const auto& c : cases) {
            const QString copy = base + u"/elsewhere/"_s + QLatin1StringView(c.copy);
            const QByteArray was = c.original.isEmpty() ? c.content : c.original;
            touch(chosen + QLatin1StringView(c.copy), was);
            touch(copy, was);
            originals.append(chosen + QLatin1StringView(c.copy));
            copies.append(copy);
        }
        record(originals);
        runStep2(copies);
        ASSERT_EQ(list()->count(), int(std::size(cases)));
        for (std::size_t i = 0; i < std::size(cases); ++i) {
            const auto& c = cases[i];
            list()->item(int(i))->setCheckState(c.ticked ? Qt::Checked : Qt::Unchecked);
            if (c.original.isEmpty())
                QFile::remove(originals[int(i)]);
            if (c.content.isEmpty())
                QFile::remove(copies[int(i)]);
            else if (c.content != c.original && !c.original.isEmpty())
                touch(copies[int(i)], c.content);
        }
        context.fake.prompt.errors.clear();
        context.fake.prompt.answers = {yes};
        control<QPushButton>("BitBtn11")->click();

        EXPECT_EQ(context.fake.prompt.questions.last(), u"entry 65"_s);
        for (std::size_t i = 0; i < std::size(cases); ++i) {
            const auto& c = cases[i];
            EXPECT_EQ(QFileInfo::exists(copies[int(i)]),
                      !(yes && c.deleted) && !c.content.isEmpty())
                << c.what;
        }
        EXPECT_EQ(list()->count(), int(std::size(cases))); // the list itself is not changed
        EXPECT_TRUE(stepButtonsEnabled());
        // The changed and the orphaned copies are named as kept; nothing without Yes.
        ASSERT_EQ(context.fake.prompt.errors.size(), yes ? 1 : 0);
        if (yes) {
            const QString text = context.fake.prompt.errors.front();
            EXPECT_TRUE(text.startsWith(u"3 file(s) were kept"_s)) << text.toStdString();
            EXPECT_TRUE(text.contains(copies[2]) && text.contains(copies[3]) &&
                        text.contains(copies[4]));
        }
    }
}

} // namespace
} // namespace orvanel::testing
