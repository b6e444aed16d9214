// The page buttons by glyph kind, which every page with buttons uses.
#include "pages/PageControls.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QCompleter>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace orvanel {
namespace {

TEST(PageControlsTest, KindsGiveCaptionDefaultAndEscape)
{
    const struct
    {
        GlyphKind kind;
        QString caption;
        QString shown;
        bool isDefault;
        bool answersEscape;
    } cases[] = {
        {GlyphKind::OK, QString(), u"OK"_s, true, false},
        {GlyphKind::No, QString(), u"No"_s, false, true},
        {GlyphKind::All, QString(), u"All"_s, false, false},
        {GlyphKind::Abort, u"entry 7"_s, u"entry 7"_s, false, false},
    };
    for (const auto& c : cases) {
        QWidget window;
        window.resize(200, 100);
        QPushButton* button =
            makeGlyphButton(&window, u"BitBtn9"_s, c.kind, QRect(8, 16, 75, 25), c.caption);
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        EXPECT_EQ(button->objectName(), u"BitBtn9"_s);
        EXPECT_EQ(button->parentWidget(), &window);
        EXPECT_EQ(button->geometry(), QRect(8, 16, 75, 25));
        EXPECT_EQ(button->text(), c.shown);
        EXPECT_FALSE(button->icon().isNull());
        EXPECT_EQ(button->isDefault(), c.isDefault);
        QSignalSpy clicked(button, &QPushButton::clicked);
        QTest::keyClick(&window, Qt::Key_Escape);
        if (c.answersEscape)
            EXPECT_TRUE(clicked.wait(1000));
        else
            EXPECT_EQ(clicked.count(), 0);
    }
}

// Two buttons answering Escape would make the key ambiguous: only the window's first No
// button answers it, and a mnemonic in the caption keeps working beside it.
TEST(PageControlsTest, OnlyTheFirstNoButtonOfAWindowAnswersEscape)
{
    QWidget window;
    window.resize(300, 100);
    auto* panel = new QWidget(&window);
    panel->setGeometry(0, 0, 300, 100);
    QPushButton* first =
        makeGlyphButton(panel, u"BitBtn8"_s, GlyphKind::No, {8, 8, 75, 25}, u"&No"_s);
    QPushButton* second = makeGlyphButton(panel, u"BitBtn9"_s, GlyphKind::No, {96, 8, 75, 25});
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    EXPECT_EQ(first->shortcut(), QKeySequence(Qt::ALT | Qt::Key_N));
    EXPECT_TRUE(second->shortcut().isEmpty());
    QSignalSpy firstClicked(first, &QPushButton::clicked);
    QSignalSpy secondClicked(second, &QPushButton::clicked);
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_TRUE(firstClicked.wait(1000));
    QTest::keyClick(&window, Qt::Key_N, Qt::AltModifier);
    EXPECT_TRUE(firstClicked.count() == 2 || firstClicked.wait(1000));
    EXPECT_EQ(firstClicked.count(), 2);
    EXPECT_EQ(secondClicked.count(), 0);
}

// A box made editable here completes what is typed as one made editable by Qt does, and
// its list drops down, looking the same, though it was not made with the box.
TEST(PageControlsTest, AnEditableBoxCompletesAndDropsDownAsQtsOwn)
{
    QWidget window;
    window.resize(300, 100);
    auto* ours = new QComboBox(&window);
    makeEditable(ours);
    auto* qts = new QComboBox(&window);
    qts->setEditable(true);
    for (QComboBox* box : {ours, qts}) {
        box->resize(145, 21);
        box->addItems({u"alpha.exe"_s, u"Beta.exe"_s});
        box->setCurrentIndex(-1);
    }
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QList<QImage> popups;
    for (QComboBox* box : {ours, qts}) {
        SCOPED_TRACE(box == ours ? "makeEditable" : "setEditable");
        ASSERT_TRUE(box->isEditable());
        ASSERT_NE(box->completer(), nullptr);
        EXPECT_EQ(box->completer()->completionMode(), QCompleter::InlineCompletion);
        EXPECT_EQ(box->completer()->caseSensitivity(), Qt::CaseInsensitive);
        box->setFocus();
        QTest::keyClicks(box->lineEdit(), u"b"_s);
        EXPECT_EQ(box->lineEdit()->text(), u"beta.exe"_s);
        EXPECT_EQ(box->lineEdit()->selectedText(), u"eta.exe"_s);
        box->showPopup();
        EXPECT_TRUE(box->view()->isVisible());
        popups.append(box->view()->window()->grab().toImage());
        box->hidePopup();
    }
    EXPECT_EQ(popups.front(), popups.back());
}

} // namespace
} // namespace orvanel
