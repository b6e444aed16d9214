#include "pages/tools/WebSitesPage.h"

#include "pages/PageControls.h"
#include "pages/PanelContext.h"
#include "workspace/EngineAnswers.h"
#include "workspace/EngineControl.h"
#include "workspace/Names.h"
#include "workspace/SideFiles.h"
#include "workspace/TableFiles.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <sys/stat.h>

namespace orvanel {

using namespace Qt::StringLiterals;

namespace {

// ipcp.txt holds a name and an address; anything much larger is no answer of ipcp.exe.
constexpr qint64 kResolverAnswerMaxBytes = 64 * 1024;
constexpr std::chrono::milliseconds kDefaultResolverPause{100};
constexpr int kNotFoundEntry = 68;

// One row of the sites table: the name in Champ1, its address in Champ2.
void appendSite(Table& table, const QString& name, const QString& address)
{
    table.insert();
    table.setValue(u"Champ1", name);
    table.setValue(u"Champ2", address);
    table.post();
}

} // namespace

WebSitesPage::~WebSitesPage()
{
    // The wait ends with the page, whichever of page and panel goes first.
    delete m_resolverWait.data();
}

void WebSitesPage::build(QWidget* panel)
{
    buildSwitches(panel);
    buildSiteControls(panel);
    fillSiteBoxes();
    // Both boxes were created checked: unchecking one here runs its handler as a click.
    m_checkBox5->setChecked(context().state().siteFilter());
    m_checkBox14->setChecked(context().state().ctrlpl);
}

void WebSitesPage::buildSwitches(QWidget* panel)
{
    const TextTable& texts = context().texts();
    const auto addSwitch = [&](const QString& name, const QRect& geometry, const QString& caption,
                               void (WebSitesPage::*handler)(bool)) {
        auto* box = new QCheckBox(panel);
        box->setObjectName(name);
        box->setGeometry(geometry);
        box->setText(caption);
        box->setChecked(true);
        QObject::connect(box, &QCheckBox::toggled, box,
                         [this, handler](bool checked) { (this->*handler)(checked); });
        box->show();
        return box;
    };
    m_checkBox5 = makeSwitchBox(panel, Switch::SiteFilter, {32, 32, 137, 17},
                                texts.text(switchRow(Switch::SiteFilter).captionEntry),
                                [this](bool checked) { CheckBox5Click(checked); });
    m_checkBox14 =
        addSwitch(u"CheckBox14"_s, {32, 220, 137, 17}, texts.text(62) + u"  "_s + texts.text(59),
                  &WebSitesPage::CheckBox14Click);
    m_checkBox14->hide();
}

void WebSitesPage::buildSiteControls(QWidget* panel)
{
    const TextTable& texts = context().texts();
    // The page's own edit field takes the window's Edit1 slot while the page exists.
    m_edit1 = new QLineEdit(panel);
    m_edit1->setObjectName(u"Edit1"_s);
    m_edit1->setGeometry(160, 56, 257, 21);
    m_edit1->show();
    context().editSlot(1) = m_edit1;

    m_bitBtn14 = makeGlyphButton(panel, u"BitBtn14"_s, GlyphKind::OK, {104, 96, 75, 25}, {});
    QPushButton* remove =
        makeGlyphButton(panel, u"BitBtn16"_s, GlyphKind::No, {256, 96, 75, 25}, texts.text(15));
    QPushButton* removeAll =
        makeGlyphButton(panel, u"BitBtn17"_s, GlyphKind::Abort, {400, 96, 75, 25}, texts.text(18));
    QObject::connect(m_bitBtn14, &QPushButton::clicked, m_bitBtn14, [this] { BitBtn14Click(); });
    QObject::connect(remove, &QPushButton::clicked, remove, [this] { BitBtn16Click(); });
    QObject::connect(removeAll, &QPushButton::clicked, removeAll, [this] { BitBtn17Click(); });

    m_siteNameBox = new QComboBox(panel);
    m_siteNameBox->setObjectName(u"site name box"_s);
    makeEditable(m_siteNameBox);
    m_siteNameBox->setInsertPolicy(QComboBox::NoInsert);
    m_siteNameBox->setGeometry(112, 160, 361, 21);
    m_siteNameBox->show();
    m_siteAddressBox = new QComboBox(panel);
    m_siteAddressBox->setObjectName(u"site address box"_s);
    makeEditable(m_siteAddressBox);
    m_siteAddressBox->setInsertPolicy(QComboBox::NoInsert);
    m_siteAddressBox->setGeometry(112, 192, 361, 221);
    m_siteAddressBox->hide();

    m_resolverWait = new QTimer(panel);
    m_resolverWait->setSingleShot(true);
    m_resolverWait->setInterval(kDefaultResolverPause);
    QObject::connect(m_resolverWait, &QTimer::timeout, m_resolverWait, [this] { pollResolver(); });
}

void WebSitesPage::fillSiteBoxes()
{
    useSites([this](Table& table) {
        for (table.first(); !table.atEnd(); table.next()) {
            const QString name = table.value(u"Champ1");
            if (!name.isEmpty())
                addToBoxes(name, table.value(u"Champ2"));
        }
        return false;
    });
}

bool WebSitesPage::useSites(const std::function<bool(Table&)>& work)
{
    QString error;
    if (context().tables().use(TableId::Sites, work, &error))
        return true;
    if (context().services().prompt)
        context().services().prompt->showError(error);
    return false;
}

void WebSitesPage::setResolverPause(std::chrono::milliseconds pause)
{
    if (m_resolverWait)
        m_resolverWait->setInterval(pause);
}

void WebSitesPage::CheckBox5Click(bool checked)
{
    // CheckBox5 is the site filter switch, Champ7 of configuration.xml.
    context().switchClicked(Switch::SiteFilter, checked);
}

void WebSitesPage::CheckBox14Click(bool checked)
{
    context().state().ctrlpl = checked;
    QString error;
    const QString path = context().engines().workspaceDir() + names::CtrlplFile;
    if (!sidefiles::writeValue(path, checked ? u"1"_s : u"0"_s, &error) &&
        context().services().prompt)
        context().services().prompt->showError(error);
}

void WebSitesPage::BitBtn14Click()
{
    if (m_lookup)
        return; // one lookup at a time: its answer file is shared
    Lookup lookup{m_edit1->text(), versionOf(resolverAnswerPath()), now()};
    // The typed text reaches ipcp.exe whole, blanks included, as its one argument.
    QStringList arguments;
    if (!lookup.typed.isEmpty())
        arguments.append(lookup.typed);
    context().engines().start(names::ResolverEngine, arguments);
    m_lookup = std::move(lookup);
    m_bitBtn14->setEnabled(false);
    pollResolver();
}

void WebSitesPage::pollResolver()
{
    if (!m_lookup)
        return;
    EngineControl& engines = context().engines();
    if (!engines.isRunning(names::ResolverEngine)) {
        finishLookup();
        return;
    }
    if (m_lookup->started.secsTo(now()) < ResolverBound.count()) {
        m_resolverWait->start();
        return;
    }
    // ipcp.exe did not answer in time: it is ended, so that it cannot write a late
    // answer that the next lookup would take for its own.
    engines.stop(names::ResolverEngine);
    m_lookup.reset();
    m_bitBtn14->setEnabled(true);
    answerNotFound();
}

void WebSitesPage::finishLookup()
{
    const Lookup lookup = *m_lookup;
    m_lookup.reset();
    m_bitBtn14->setEnabled(true);
    const QString path = resolverAnswerPath();
    const std::optional<FileVersion> after = versionOf(path);
    if (!after)
        return; // no answer file at all: Edit1 keeps its text
    // An answer file that ipcp.exe did not rewrite holds an earlier site's address.
    const std::optional<QStringList> lines =
        after == lookup.before ? std::nullopt
                               : sidefiles::readLines(path, nullptr, kResolverAnswerMaxBytes);
    const std::optional<QString> address =
        lines ? sidefiles::resolvedAddress(*lines) : std::nullopt;
    if (!address) {
        answerNotFound();
        return;
    }
    storeSite(lookup.typed.trimmed(), *address);
}

void WebSitesPage::answerNotFound()
{
    context().engines().notify(context().texts().text(kNotFoundEntry),
                               context().state().alertLevel);
    m_edit1->clear();
}

void WebSitesPage::storeSite(const QString& name, const QString& address)
{
    const bool stored = useSites([&](Table& table) {
        appendSite(table, name, address);
        return true;
    });
    if (!stored)
        return;
    addToBoxes(name, address);
    m_edit1->clear();
    showSiteNoticeOnce();
}

// The first site added tells what blocking by address cannot do.
void WebSitesPage::showSiteNoticeOnce()
{
    const QString shown = context().engines().workspaceDir() + names::SiteNoticeFile;
    if (QFile::exists(shown) || !context().services().prompt ||
        !sidefiles::writeValue(shown, u"1"_s))
        return;
    context().services().prompt->showInformation(
        u"Sites are blocked by their addresses. A browser that looks names up through its "
        "own encrypted channel (DNS over HTTPS) goes around this, and an address shared by "
        "many sites blocks all of them."_s);
}

void WebSitesPage::BitBtn16Click()
{
    const QString removed = m_siteNameBox->currentText();
    QList<std::pair<QString, QString>> kept;
    // Read, emptied and written back in one save: the engines never see the table empty.
    const bool rewritten = useSites([&](Table& table) {
        for (table.first(); !table.atEnd(); table.next()) {
            const QString name = table.value(u"Champ1");
            if (name != removed)
                kept.append({name, table.value(u"Champ2")});
        }
        table.emptyTable();
        for (const auto& [name, address] : kept)
            appendSite(table, name, address);
        return true;
    });
    if (!rewritten)
        return;
    m_siteNameBox->clear();
    m_siteAddressBox->clear();
    for (const auto& [name, address] : kept)
        addToBoxes(name, address);
}

void WebSitesPage::BitBtn17Click()
{
    const bool emptied = useSites([](Table& table) {
        table.emptyTable();
        return true;
    });
    if (!emptied)
        return;
    m_siteNameBox->clear();
    m_siteAddressBox->clear();
}

void WebSitesPage::addToBoxes(const QString& name, const QString& address)
{
    // Adding an entry leaves the edit part as it was: the name to remove is the one the
    // user chose or typed there, never a site that merely came first.
    for (const auto& [box, text] : {std::pair{m_siteNameBox, name}, {m_siteAddressBox, address}}) {
        const QString shown = box->currentText();
        box->addItem(text);
        box->setEditText(shown);
    }
}

QString WebSitesPage::resolverAnswerPath() const
{
    return context().engines().workspaceDir() + names::ResolvedAddressFile;
}

QDateTime WebSitesPage::now() const
{
    const platform::Clock* clock = context().services().clock;
    return clock ? clock->now() : QDateTime::currentDateTime();
}

std::optional<WebSitesPage::FileVersion> WebSitesPage::versionOf(const QString& path)
{
    struct stat info
    {
    };
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    const auto ns = [](const timespec& t) { return qint64(t.tv_sec) * 1'000'000'000 + t.tv_nsec; };
    return FileVersion{qint64(info.st_ino), qint64(info.st_size), ns(info.st_mtim),
                       ns(info.st_ctim)};
}

} // namespace orvanel
