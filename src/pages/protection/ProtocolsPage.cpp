#include "pages/protection/ProtocolsPage.h"

#include "pages/PageControls.h"
#include "pages/PanelContext.h"
#include "workspace/Table.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>

#include <array>

using namespace Qt::StringLiterals;

namespace orvanel {

namespace {

const std::array<QLatin1StringView, 7> Protocols = {"FTP"_L1,  "TELNET"_L1, "SMTP"_L1, "DNS"_L1,
                                                    "HTTP"_L1, "HTTPS"_L1,  "POP3"_L1};

// One row of a name list: the name in Champ1.
void appendName(Table& table, const QString& name)
{
    table.insert();
    table.setValue(u"Champ1", name);
    table.post();
}

// Leading and trailing blanks and control characters removed.
QString trimmedName(const QString& name)
{
    qsizetype from = 0;
    qsizetype to = name.size();
    while (from < to && name.at(from).unicode() <= u' ')
        ++from;
    while (to > from && name.at(to - 1).unicode() <= u' ')
        --to;
    return name.mid(from, to - from);
}

} // namespace

void ProtocolsPage::build(QWidget* panel)
{
    const TextTable& texts = context().texts();
    m_pageControl = new QTabWidget(panel);
    m_pageControl->setObjectName(u"PageControl1"_s);
    m_pageControl->setGeometry(16, 0, 585, 320);
    m_pageControl->setTabPosition(QTabWidget::North);
    m_pageControl->setFocusPolicy(Qt::TabFocus);
    // The three sheets are there from the start under their captions; a sheet's controls
    // are made, and its list read, when it is first shown. The page opens on the quarantine.
    addSheet(u"ProtocolsSheet"_s, texts.text(52));
    addSheet(u"QuarantineSheet"_s, texts.text(5));
    addSheet(u"EventsSheet"_s, texts.text(2));
    QObject::connect(m_pageControl, &QTabWidget::currentChanged, m_pageControl,
                     [this](int index) { makeSheet(index); });
    m_pageControl->setCurrentIndex(1);
    m_pageControl->show();
}

void ProtocolsPage::addSheet(const QString& name, const QString& caption)
{
    auto* sheet = new QWidget;
    sheet->setObjectName(name);
    m_pageControl->addTab(sheet, caption);
}

void ProtocolsPage::makeSheet(int index)
{
    QWidget* sheet = m_pageControl->widget(index);
    if (!sheet || index >= int(m_sheetMade.size()) || m_sheetMade[std::size_t(index)])
        return;
    m_sheetMade[std::size_t(index)] = true;
    static const char* const quarantineNames[3] = {"BitBtn21", "BitBtn1", "BitBtn2"};
    static const char* const eventNames[3] = {"BitBtn32", "BitBtn6", "BitBtn31"};
    switch (index) {
    case 0:
        addProtocolControls(sheet);
        break;
    case 1:
        addListControls(sheet, m_quarantine, quarantineNames, &ProtocolsPage::BitBtn21Click,
                        &ProtocolsPage::BitBtn1Click, &ProtocolsPage::BitBtn2Click);
        fill(m_quarantine);
        break;
    case 2:
        addListControls(sheet, m_events, eventNames, &ProtocolsPage::BitBtn32Click,
                        &ProtocolsPage::BitBtn6Click, &ProtocolsPage::BitBtn31Click);
        fill(m_events);
        break;
    }
    // Controls made on a sheet that is already on show are shown with it.
    for (QWidget* control : sheet->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        control->show();
}

void ProtocolsPage::addProtocolControls(QWidget* sheet)
{
    m_checkListBox1 = new QListWidget(sheet);
    m_checkListBox1->setObjectName(u"CheckListBox1"_s);
    m_checkListBox1->setGeometry(128, 40, 233, 169);
    // Two columns, filled top to bottom.
    m_checkListBox1->setFlow(QListView::TopToBottom);
    m_checkListBox1->setWrapping(true);
    m_checkListBox1->setGridSize(QSize(233 / 2 - 2, 16));
    m_checkListBox1->setUniformItemSizes(true);
    for (const QLatin1StringView protocol : Protocols) {
        auto* item = new QListWidgetItem(QString(protocol), m_checkListBox1);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
        item->setCheckState(Qt::Unchecked);
    }
    QObject::connect(m_checkListBox1, &QListWidget::itemChanged, m_checkListBox1,
                     [this] { CheckListBox1ClickCheck(); });
}

void ProtocolsPage::addListControls(QWidget* sheet, ListTab& tab, const char* const names[3],
                                    void (ProtocolsPage::*add)(), void (ProtocolsPage::*remove)(),
                                    void (ProtocolsPage::*empty)())
{
    const TextTable& texts = context().texts();
    const QString prefix = tab.table == TableId::Quarantine ? u"Quarantine"_s : u"Events"_s;
    tab.box = new QComboBox(sheet);
    tab.box->setObjectName(prefix + u"Box"_s);
    makeEditable(tab.box);
    tab.box->setGeometry(72, 112, 145, 21);
    const auto connectClick = [this](QPushButton* button, void (ProtocolsPage::*handler)()) {
        QObject::connect(button, &QPushButton::clicked, button,
                         [this, handler] { (this->*handler)(); });
    };
    connectClick(makeGlyphButton(sheet, QString::fromLatin1(names[1]), GlyphKind::No,
                                 {152, 152, 75, 25}, texts.text(15)),
                 remove);
    connectClick(makeGlyphButton(sheet, QString::fromLatin1(names[2]), GlyphKind::All,
                                 {72, 152, 75, 25}, texts.text(18)),
                 empty);
    connectClick(makeGlyphButton(sheet, QString::fromLatin1(names[0]), GlyphKind::OK,
                                 {104, 64, 75, 25}, texts.text(14)),
                 add);
    tab.entry = new QLineEdit(sheet);
    tab.entry->setObjectName(prefix + u"Entry"_s);
    tab.entry->setGeometry(72, 32, 121, 21);
}

void ProtocolsPage::fill(ListTab& tab)
{
    QStringList shown;
    const bool read = context().tables().use(tab.table, [&shown](Table& table) {
        for (table.first(); !table.atEnd(); table.next())
            shown.append(trimmedName(table.value(u"Champ1")));
        return false;
    });
    // A list that cannot be read shows empty; its buttons still work on the file.
    if (read)
        tab.box->addItems(shown);
    tab.box->setCurrentIndex(-1);
}

void ProtocolsPage::CheckListBox1ClickCheck()
{
    auto& protocols = context().state().protocols;
    for (int i = 0; i < int(protocols.size()) && i < m_checkListBox1->count(); ++i)
        protocols[std::size_t(i)] = m_checkListBox1->item(i)->checkState() == Qt::Checked;
}

bool ProtocolsPage::saveList(ListTab& tab, const std::function<bool(Table&)>& work)
{
    QString error;
    if (context().tables().use(tab.table, work, &error))
        return true;
    context().services().prompt->showError(error);
    return false;
}

void ProtocolsPage::addName(ListTab& tab)
{
    const QString name = tab.entry->text();
    if (name.isEmpty())
        return;
    const bool saved = saveList(tab, [&name](Table& table) {
        appendName(table, name);
        return true;
    });
    if (!saved)
        return;
    tab.box->addItem(name);
    tab.entry->clear();
}

void ProtocolsPage::removeName(ListTab& tab)
{
    // Compared with the stored value, exactly: every row equal to the box's text goes,
    // duplicates included.
    const QString removed = tab.box->currentText();
    QStringList kept;
    const bool saved = saveList(tab, [&](Table& table) {
        for (table.first(); !table.atEnd(); table.next()) {
            const QString name = table.value(u"Champ1");
            if (name != removed)
                kept.append(name);
        }
        table.emptyTable();
        for (const QString& name : std::as_const(kept))
            appendName(table, name);
        return true;
    });
    if (!saved)
        return;
    tab.box->clear();
    tab.box->addItems(kept);
}

void ProtocolsPage::emptyList(ListTab& tab)
{
    const bool saved = saveList(tab, [](Table& table) {
        if (table.recordCount() > 0)
            table.emptyTable();
        return true;
    });
    if (!saved)
        return;
    tab.box->clear();
}

void ProtocolsPage::BitBtn21Click()
{
    addName(m_quarantine);
}
void ProtocolsPage::BitBtn1Click()
{
    removeName(m_quarantine);
}
void ProtocolsPage::BitBtn2Click()
{
    emptyList(m_quarantine);
}
void ProtocolsPage::BitBtn32Click()
{
    addName(m_events);
}
void ProtocolsPage::BitBtn6Click()
{
    removeName(m_events);
}
void ProtocolsPage::BitBtn31Click()
{
    emptyList(m_events);
}

} // namespace orvanel
