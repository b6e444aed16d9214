// The dashboard's snapshot of the protection state: colours, texts per language and the
// start-up variant.
#include "pages/protection/DashboardPage.h"

#include "../settings/TestPanelContext.h"

#include <QComboBox>
#include <QLabel>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace orvanel::testing {
namespace {

class DashboardPageTest : public ::testing::Test
{
protected:
    DashboardPageTest()
    {
        panel.setGeometry(176, 48, 609, 369);
        panel.show();
        context.state().startTime = QDateTime(QDate(2026, 12, 8), QTime(10, 0, 5));
    }

    void build(BuildOrigin origin = BuildOrigin::Selection)
    {
        page = std::make_unique<DashboardPage>(context, origin);
        page->build(&panel);
    }

    QLabel* line(const char* name) const
    {
        return panel.findChild<QLabel*>(QString::fromLatin1(name));
    }
    static QColor background(const QLabel* label)
    {
        return label->palette().color(QPalette::Window);
    }
    QComboBox* virusList() const { return panel.findChild<QComboBox*>(u"VirusList"_s); }

    TestPanelContext context;
    QWidget panel;
    std::unique_ptr<Page> page;
};

TEST_F(DashboardPageTest, EachLineIsGreenWhenItsStateIsGoodAndRedOtherwise)
{
    const QColor green(0, 128, 0), red(255, 0, 0);
    const struct
    {
        const char* name;
        const char* viri; // nullptr: no viri.txt
        const char* mode;
        bool realTime;
        bool siteFilter;
        int viruses;
        QColor start, firewall, realTimeColour, site;
        const char* firewallText;
        const char* siteText;
    } cases[] = {
        {"one virus, mode 3", "EICAR\r\n", "3", true, true, 1, red, green, green, green,
         "Parefeu : entry 28", "entry 62 :entry 28"},
        {"empty viri.txt, mode 2, site filter on", "", "2", false, true, 0, green, red, red, green,
         "Parefeu : entry 29", "entry 62 :entry 28"},
        {"no viri.txt, mode 1, filter off", nullptr, "1", true, false, 0, green, green, green, red,
         "Parefeu : entry 28", "entry 62 :entry 29"},
        {"two viruses, odd mode", "a\r\nb\r\n", "x", false, false, 2, red, green, red, red,
         "Parefeu : entry 28", "entry 62 :entry 29"},
    };
    for (const auto& c : cases) {
        TestPanelContext fresh;
        if (c.viri)
            fresh.workspace().write(u"viri.txt"_s, c.viri);
        fresh.state().firewallMode = QString::fromLatin1(c.mode);
        fresh.state().switches.set(Switch::SiteFilter, c.siteFilter);
        if (c.realTime)
            fresh.fake.processes.add(u"tempsreel.exe"_s);
        QWidget host;
        DashboardPage dashboard(fresh, BuildOrigin::Selection);
        dashboard.build(&host);
        const auto label = [&host](const char* name) {
            return host.findChild<QLabel*>(QString::fromLatin1(name));
        };
        EXPECT_EQ(host.findChild<QComboBox*>(u"VirusList"_s)->count(), c.viruses) << c.name;
        EXPECT_EQ(background(label("StartLine")), c.start) << c.name;
        EXPECT_EQ(background(label("FirewallLine")), c.firewall) << c.name;
        EXPECT_EQ(background(label("RealTimeLine")), c.realTimeColour) << c.name;
        EXPECT_EQ(background(label("SiteFilterLine")), c.site) << c.name;
        EXPECT_EQ(label("FirewallLine")->text(), QString::fromLatin1(c.firewallText)) << c.name;
        EXPECT_EQ(label("SiteFilterLine")->text(), QString::fromLatin1(c.siteText)) << c.name;
    }
}

TEST_F(DashboardPageTest, LinesReadInEveryLanguage)
{
    const QString when = dashboard::startTimeText(context.state().startTime);
    const struct
    {
        const char* code;
        QString start, firewall, running, stopped;
    } cases[] = {
        {"FR", u"Date démarrage :"_s + when + u" virus détecté(s) "_s, u"Parefeu : entry 28"_s,
         u"Détection des virus en temps reel :entry 28"_s,
         u"Détection des virus en temps reel :entry 29"_s},
        {"GB", u"Star date :"_s + when + u" detected virus "_s, u"Firewall : entry 28"_s,
         u"Virus detection in real time :entry 28"_s, u"Virus detection in real time :entry 29"_s},
        {"ESP", u"Fecha de inicio :"_s + when + u" virus detectato "_s, u"Firewall : entry 28"_s,
         u"Diteccione de virus en tiempo real :entry 28"_s,
         u"Diteccione de virus en tiempo real :entry 29"_s},
        {"DE", u"Stardatum :"_s + when + u"erkanntum Virus "_s, u"Firewall : entry 28"_s,
         u"Virenerkennung in Echtzeit :entry 28"_s, u"Vrenerkennung in Echzeit :entry 29"_s},
        {"ITA", u"Data di inicio :"_s + when + u" virus rilevato "_s, u"Firewall : entry 28"_s,
         u"Rilevamento dei virus in tempo realte :entry 28"_s,
         u"Rilevamento dei virus in tiempo realte :entry 29"_s},
        {"XX", QString(), QString(), QString(), QString()},
    };
    context.state().firewallMode = u"1"_s;
    for (const auto& c : cases) {
        context.state().languageCode = QString::fromLatin1(c.code);
        for (bool running : {true, false}) {
            if (running)
                context.fake.processes.add(u"tempsreel.exe"_s);
            else
                context.fake.processes.terminate(context.fake.processes.snapshot().front().pid);
            build();
            EXPECT_EQ(line("StartLine")->text(), c.start) << c.code;
            EXPECT_EQ(line("FirewallLine")->text(), c.firewall) << c.code;
            EXPECT_EQ(line("RealTimeLine")->text(), running ? c.running : c.stopped) << c.code;
            EXPECT_EQ(line("SiteFilterLine")->text(), u"entry 62 :entry 28"_s) << c.code;
            qDeleteAll(panel.findChildren<QWidget*>(Qt::FindDirectChildrenOnly));
        }
    }
}

TEST_F(DashboardPageTest, StartUpVariantAndChoiceDiffer)
{
    context.state().languageCode = u"XX"_s;
    context.state().startTime = QDateTime(QDate(2026, 12, 8), QTime(0, 0));
    const QString midnight = QLocale::system().toString(QDate(2026, 12, 8), QLocale::ShortFormat);

    build(BuildOrigin::StartUp);
    EXPECT_FALSE(virusList()->isEditable());
    EXPECT_EQ(line("StartLine")->text(),
              u"Date démarrage :"_s + midnight + u" virus détecté(s) "_s);
    EXPECT_TRUE(line("FirewallLine")->text().isEmpty());
    EXPECT_TRUE(context.fake.urls.opened.isEmpty());

    qDeleteAll(panel.findChildren<QWidget*>(Qt::FindDirectChildrenOnly));
    build(BuildOrigin::Selection);
    EXPECT_TRUE(virusList()->isEditable());
    EXPECT_TRUE(line("StartLine")->text().isEmpty());
    EXPECT_EQ(context.fake.urls.opened.size(), 1);

    const struct
    {
        const char* name;
        QRect where;
    } places[] = {{"StartLine", {56, 156, 0, 13}},
                  {"FirewallLine", {56, 176, 0, 13}},
                  {"RealTimeLine", {56, 216, 0, 13}},
                  {"SiteFilterLine", {56, 246, 0, 13}}};
    for (const auto& p : places) {
        const QLabel* label = line(p.name);
        EXPECT_EQ(label->pos(), p.where.topLeft()) << p.name;
        EXPECT_EQ(label->height(), 13) << p.name;
        EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(label->text())) << p.name;
    }
    EXPECT_EQ(virusList()->geometry(), QRect(372, 156, 145, 21));
}

} // namespace
} // namespace orvanel::testing
