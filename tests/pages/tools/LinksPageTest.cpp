#include "pages/tools/LinksPage.h"

#include "pages/settings/TestPanelContext.h"

#include <QDir>
#include <QListWidget>
#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace orvanel::testing {
namespace {

class LinksPageTest : public ::testing::Test
{
protected:
    void build(const QString& language)
    {
        context.state().languageCode = language;
        panel = std::make_unique<QWidget>();
        panel->resize(609, 369);
        panel->show();
        page = std::make_unique<LinksPage>(context);
        page->build(panel.get());
    }
    QListWidget* list() const { return panel->findChild<QListWidget*>(u"listbox2"_s); }
    QStringList shown() const
    {
        QStringList out;
        for (int i = 0; i < list()->count(); ++i)
            out.append(list()->item(i)->text());
        return out;
    }
    void click(int row)
    {
        const QRect rect = list()->visualItemRect(list()->item(row));
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, rect.center());
    }

    TestPanelContext context;
    std::unique_ptr<QWidget> panel;
    std::unique_ptr<LinksPage> page;
};

TEST_F(LinksPageTest, EachLanguageShowsItsOwnLinkFile)
{
    TestWorkspace& ws = context.workspace();
    ws.write(u"liens_fr.txt"_s, "https://fr.test/\r\n\r\nhttps://fr.test/b\r\n");
    ws.write(u"liens_gb.txt"_s, "https://gb.test/\n");
    ws.write(u"liens_esp.txt"_s, "https://es.test/");
    ws.write(u"liens_ita.txt"_s, "https://it.test/\r\n");
    ws.write(u"liens_es.txt"_s, "wrong file\r\n"); // the link files follow the codes
    QDir(ws.dir()).mkdir(u"liens_de.txt"_s);       // not a file: no links
    const struct
    {
        const char* language;
        QStringList links;
    } cases[] = {
        {"FR", {u"https://fr.test/"_s, QString(), u"https://fr.test/b"_s}},
        {"GB", {u"https://gb.test/"_s}},
        {"ESP", {u"https://es.test/"_s}},
        {"ITA", {u"https://it.test/"_s}},
        {"DE", {}},
        {"XX", {}},
        {"FR", {u"https://fr.test/"_s, QString(), u"https://fr.test/b"_s}}, // switched back
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.language);
        build(QString::fromLatin1(c.language));
        ASSERT_NE(list(), nullptr);
        EXPECT_EQ(list()->geometry(), QRect(10, 47, 545, 289));
        EXPECT_EQ(shown(), c.links);
    }
}

TEST_F(LinksPageTest, ClickOpensTheLinkAsItStands)
{
    context.workspace().write(u"liens_gb.txt"_s, " https://gb.test/a b \r\n\r\n");
    build(u"GB"_s);
    click(0);
    click(1); // an empty line opens nothing
    EXPECT_EQ(context.fake.urls.opened, (QStringList{u" https://gb.test/a b "_s, QString()}));
    // The opener answers 2 for the empty line, and nothing is reported.
    EXPECT_TRUE(context.fake.prompt.errors.isEmpty());
}

} // namespace
} // namespace orvanel::testing
