#include "pages/tools/InternetAddressPage.h"

#include "pages/settings/TestPanelContext.h"
#include "workspace/Maker.h"

#include <QComboBox>
#include <QPushButton>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace orvanel::testing {
namespace {

class InternetAddressPageTest : public ::testing::Test
{
protected:
    void build(const QString& language = u"FR"_s)
    {
        context.state().languageCode = language;
        panel = std::make_unique<QWidget>();
        page = std::make_unique<InternetAddressPage>(context);
        page->build(panel.get());
    }
    template <typename T> T* control(const QString& name) const
    {
        return panel->findChild<T*>(name);
    }
    QComboBox* addressBox() const { return control<QComboBox>(u"address box"_s); }

    TestPanelContext context;
    std::unique_ptr<QWidget> panel;
    std::unique_ptr<InternetAddressPage> page;
};

TEST_F(InternetAddressPageTest, ControlsAndTheInternetButtonCaptionOfEachLanguage)
{
    const struct
    {
        const char* language;
        const char* caption;
    } cases[] = {{"FR", "IP internet"},  {"ESP", "IP internet"}, {"GB", "Internet ip"},
                 {"ITA", "Internet ip"}, {"DE", "Internet-IP"},  {"XX", "OK"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.language);
        build(QString::fromLatin1(c.language));
        const auto* lookup = control<QPushButton>(u"BitBtn19"_s);
        const auto* internet = control<QPushButton>(u"InternetAddressButton"_s);
        ASSERT_TRUE(lookup && internet && addressBox());
        EXPECT_EQ(lookup->geometry(), QRect(280, 144, 75, 25));
        EXPECT_EQ(lookup->text(), u"OK"_s);
        EXPECT_EQ(internet->geometry(), QRect(280, 204, 75, 25));
        EXPECT_EQ(internet->text(), QString::fromLatin1(c.caption));
        EXPECT_EQ(addressBox()->geometry(), QRect(140, 80, 345, 21));
        EXPECT_EQ(panel->findChildren<QWidget*>(Qt::FindDirectChildrenOnly).size(), 3);
    }
}

TEST_F(InternetAddressPageTest, LookupShowsOneEntryOfNameAndAddress)
{
    const struct
    {
        const char* label;
        platform::HostLookupResult result;
        const char* entry;
    } cases[] = {
        {"resolved", {true, u"testhost"_s, u"192.0.2.10"_s, {}}, "testhost 192.0.2.10"},
        {"name that does not resolve", {true, u"testhost"_s, {}, {}}, "testhost "},
        {"failed lookup", {false, {}, {}, u"WSAENetDown"_s}, " "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        context.fake.hostLookup.result = c.result;
        build();
        addressBox()->setEditText(u"typed"_s);
        control<QPushButton>(u"BitBtn19"_s)->click();
        control<QPushButton>(u"BitBtn19"_s)->click();
        ASSERT_EQ(addressBox()->count(), 1);
        EXPECT_EQ(addressBox()->itemText(0), QString::fromLatin1(c.entry));
        EXPECT_EQ(addressBox()->currentText(), u"typed"_s); // the edit part is not changed
    }
    EXPECT_TRUE(context.fake.prompt.errors.isEmpty());
}

TEST_F(InternetAddressPageTest, InternetButtonOpensTheMakersAddressPage)
{
    const struct
    {
        const char* maker;
        const char* page;
    } cases[] = {{"", ""},
                 {"https://maker.test", "https://maker.test/logiciels-gratuits/ipinternet.php"},
                 {"https://maker.test/", "https://maker.test/logiciels-gratuits/ipinternet.php"}};
    for (const auto& c : cases) {
        EXPECT_EQ(InternetAddressPage::publicAddressPage(QString::fromLatin1(c.maker)),
                  QString::fromLatin1(c.page))
            << c.maker;
    }

    build();
    control<QPushButton>(u"InternetAddressButton"_s)->click();
    const QString page = InternetAddressPage::publicAddressPage(maker::webPage());
    EXPECT_EQ(context.fake.urls.opened, page.isEmpty() ? QStringList() : QStringList{page});
}

} // namespace
} // namespace orvanel::testing
