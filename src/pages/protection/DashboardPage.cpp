#include "pages/protection/DashboardPage.h"

#include "pages/PageControls.h"
#include "pages/PanelContext.h"
#include "pages/PanelLook.h"
#include "workspace/EngineControl.h"
#include "workspace/Maker.h"
#include "workspace/Names.h"
#include "workspace/SideFiles.h"

#include <QComboBox>
#include <QLabel>
#include <QLocale>

using namespace Qt::StringLiterals;

namespace orvanel {

namespace dashboard {

namespace {

// One text per language code, in the order the codes are tested.
struct PerLanguage
{
    const char16_t* fr;
    const char16_t* gb;
    const char16_t* esp;
    const char16_t* de;
    const char16_t* ita;
};

QString pick(const QString& code, const PerLanguage& texts)
{
    if (code == u"FR"_s)
        return QString::fromUtf16(texts.fr);
    if (code == u"GB"_s)
        return QString::fromUtf16(texts.gb);
    if (code == u"ESP"_s)
        return QString::fromUtf16(texts.esp);
    if (code == u"DE"_s)
        return QString::fromUtf16(texts.de);
    if (code == u"ITA"_s)
        return QString::fromUtf16(texts.ita);
    return {};
}

} // namespace

QString startPrefix(const QString& code)
{
    return pick(code, {u"Date démarrage :", u"Star date :", u"Fecha de inicio :", u"Stardatum :",
                       u"Data di inicio :"});
}

QString startSuffix(const QString& code)
{
    return pick(code, {u" virus détecté(s) ", u" detected virus ", u" virus detectato ",
                       u"erkanntum Virus ", u" virus rilevato "});
}

QString firewallPrefix(const QString& code)
{
    return pick(code,
                {u"Parefeu : ", u"Firewall : ", u"Firewall : ", u"Firewall : ", u"Firewall : "});
}

QString realTimePrefix(const QString& code, bool running)
{
    if (running) {
        return pick(code,
                    {u"Détection des virus en temps reel :", u"Virus detection in real time :",
                     u"Diteccione de virus en tiempo real :", u"Virenerkennung in Echtzeit :",
                     u"Rilevamento dei virus in tempo realte :"});
    }
    return pick(code, {u"Détection des virus en temps reel :", u"Virus detection in real time :",
                       u"Diteccione de virus en tiempo real :", u"Vrenerkennung in Echzeit :",
                       u"Rilevamento dei virus in tiempo realte :"});
}

QString startTimeText(const QDateTime& when)
{
    const QLocale locale = QLocale::system();
    const QString date = locale.toString(when.date(), QLocale::ShortFormat);
    if (when.time() == QTime(0, 0))
        return date;
    return date + u' ' + locale.toString(when.time(), QLocale::LongFormat);
}

} // namespace dashboard

void DashboardPage::build(QWidget* panel)
{
    const int viruses = buildVirusList(panel);
    buildStartLine(panel, viruses > 0);
    buildFirewallLine(panel);
    buildRealTimeLine(panel);
    buildSiteFilterLine(panel);
    // The maker's page goes with a choice of the dashboard, not with the window's opening.
    if (m_origin == BuildOrigin::Selection)
        context().services().urls->open(maker::webPage());
}

int DashboardPage::buildVirusList(QWidget* panel)
{
    auto* box = new QComboBox(panel);
    box->setObjectName(u"VirusList"_s);
    box->setGeometry(372, 156, 145, 21);
    // Choosing or typing changes nothing; at start-up it cannot be typed into at all.
    if (m_origin == BuildOrigin::Selection)
        makeEditable(box);
    box->clear();
    if (context().engines().waitUntilFree(names::VirusFile)) {
        const QString path = context().state().workspaceDir + names::VirusFile;
        box->addItems(sidefiles::readLines(path).value_or(QStringList()));
    }
    box->show();
    return box->count();
}

QLabel* DashboardPage::addLine(QWidget* panel, const QString& name, int top, int width, bool good,
                               const QString& text)
{
    auto* label = new QLabel(panel);
    label->setObjectName(name);
    label->setGeometry(56, top, width, 13);
    label->setAutoFillBackground(true);
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, good ? Green : Red);
    // The background is fixed, so its text colour is too, whatever the desktop's palette.
    palette.setColor(QPalette::WindowText, panellook::textColourOn(good ? Green : Red));
    label->setPalette(palette);
    label->setText(text);
    // The label takes the width of its text; the width set before does not limit it.
    label->resize(label->sizeHint().width(), 13);
    label->show();
    return label;
}

void DashboardPage::buildStartLine(QWidget* panel, bool virusesFound)
{
    QString code = context().state().languageCode;
    if (m_origin == BuildOrigin::StartUp && dashboard::startPrefix(code).isEmpty())
        code = u"FR"_s;
    const QString prefix = dashboard::startPrefix(code);
    const QString text = prefix.isEmpty()
                             ? QString()
                             : prefix + dashboard::startTimeText(context().state().startTime) +
                                   dashboard::startSuffix(code);
    addLine(panel, u"StartLine"_s, 156, 0, !virusesFound, text);
}

void DashboardPage::buildFirewallLine(QWidget* panel)
{
    const QString& code = context().state().languageCode;
    const bool on = context().state().firewallMode != u"2"_s;
    const QString prefix = dashboard::firewallPrefix(code);
    const QString text =
        prefix.isEmpty() ? QString() : prefix + context().texts().text(on ? 28 : 29);
    addLine(panel, u"FirewallLine"_s, 176, 107, on, text);
}

void DashboardPage::buildRealTimeLine(QWidget* panel)
{
    const QString& code = context().state().languageCode;
    const bool running = context().engines().isRunning(names::RealTimeEngine);
    const QString prefix = dashboard::realTimePrefix(code, running);
    const QString text =
        prefix.isEmpty() ? QString() : prefix + context().texts().text(running ? 28 : 29);
    addLine(panel, u"RealTimeLine"_s, 216, 107, running, text);
}

void DashboardPage::buildSiteFilterLine(QWidget* panel)
{
    const bool on = context().state().siteFilter();
    const TextTable& texts = context().texts();
    addLine(panel, u"SiteFilterLine"_s, 246, 107, on,
            texts.text(62) + u" :"_s + texts.text(on ? 28 : 29));
}

} // namespace orvanel
