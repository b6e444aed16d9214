#include "pages/protection/SettingsPortsPage.h"

#include "pages/AppIcons.h"
#include "pages/PageControls.h"
#include "pages/PanelContext.h"
#include "workspace/EngineAnswers.h"
#include "workspace/Names.h"
#include "workspace/SideFiles.h"
#include "workspace/Table.h"
#include "workspace/TableFiles.h"

#include <QComboBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QValidator>

#include <array>

using namespace Qt::StringLiterals;

namespace orvanel {

namespace {

constexpr int PortLength = 5;

// The language choice box's items, in the order of its flags.
const QStringList& languageCodes()
{
    static const QStringList codes = {u"FR"_s, u"GB"_s, u"ESP"_s, u"DE"_s, u"ITA"_s};
    return codes;
}

// A caption built into the program, chosen by testing "FR", "GB", "DE", "ESP", "ITA" in
// turn; no caption for any other code.
QString byLanguage(const QString& code, const std::array<QString, 5>& captions)
{
    static const std::array<QString, 5> order = {u"FR"_s, u"GB"_s, u"DE"_s, u"ESP"_s, u"ITA"_s};
    for (std::size_t i = 0; i < order.size(); ++i) {
        if (code == order[i])
            return captions[i];
    }
    return {};
}

template <typename W> W* placed(W* widget, const QString& name, const QRect& geometry)
{
    widget->setObjectName(name);
    widget->setGeometry(geometry);
    widget->show();
    return widget;
}

// ComboBox3's owner drawing.
class LanguageItemDelegate final : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override
    {
        painter->save();
        painter->setFont(option.font);
        SettingsPortsPage::ComboBox3DrawItem(*painter, index.row(), option.rect,
                                             option.state & QStyle::State_Selected,
                                             index.data().toString());
        painter->restore();
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        return QStyledItemDelegate::sizeHint(option, index).expandedTo(QSize(0, 18));
    }
};

// ComboBox3: its open list draws each language with its flag. The list, and the drawing
// of its items, are made when the box first opens, not with the page.
class LanguageBox final : public QComboBox
{
    Q_OBJECT

public:
    using QComboBox::QComboBox;

    void showPopup() override
    {
        if (!m_itemsDrawn) {
            setItemDelegate(new LanguageItemDelegate(this));
            m_itemsDrawn = true;
        }
        QComboBox::showPopup();
    }

private:
    bool m_itemsDrawn = false;
};

// The port field's filter for whatever reaches it other than typed keys (a paste, a
// drop): the digits only, five at most, as typing them would have left.
class PortValidator final : public QValidator
{
    Q_OBJECT

public:
    using QValidator::QValidator;

    State validate(QString& input, int& position) const override
    {
        const QString digits = SettingsPortsPage::portDigits(input);
        if (digits != input) {
            position = int(std::min<qsizetype>(position, digits.size()));
            input = digits;
        }
        return Acceptable;
    }
};

// Runs the key filter before the field sees a key.
class PortKeyFilter final : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress &&
            !SettingsPortsPage::Edit13KeyPress(static_cast<QKeyEvent&>(*event)))
            return true;
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

void SettingsPortsPage::build(QWidget* panel)
{
    addPurgeAndLanguage(panel);
    addPorts(panel);
    addFirewallGroup(panel);
    loadApplicationPorts();
    loadClosedPorts();
}

void SettingsPortsPage::addPurgeAndLanguage(QWidget* panel)
{
    const TextTable& texts = context().texts();
    auto* bitBtn4 =
        makeGlyphButton(panel, u"BitBtn4"_s, GlyphKind::No, {416, 72, 145, 25}, texts.text(18));
    QObject::connect(bitBtn4, &QPushButton::clicked, bitBtn4, [this] { BitBtn4Click(); });
    auto* bitBtn5 =
        makeGlyphButton(panel, u"BitBtn5"_s, GlyphKind::OK, {416, 136, 145, 25}, texts.text(19));
    QObject::connect(bitBtn5, &QPushButton::clicked, bitBtn5, [this] { BitBtn5Click(); });

    // The purge choice holds the alerts' caption of the language in force now.
    m_purgeChoice = placed(new QComboBox(panel), u"PurgeChoiceBox"_s, {176, 72, 233, 19});
    m_purgeChoice->addItem(texts.text(3));
    m_purgeChoice->setCurrentIndex(-1);

    m_comboBox3 = placed(new LanguageBox(panel), u"ComboBox3"_s, {176, 136, 233, 19});
    for (int i = 0; i < languageCodes().size(); ++i)
        m_comboBox3->addItem(AppIcons::languageFlag(i), languageCodes().at(i));
    m_comboBox3->setCurrentIndex(-1);

    placed(new QLabel(texts.text(17), panel), u"LanguageLabel"_s, {56, 136, 42, 13});
    placed(new QLabel(texts.text(16), panel), u"PurgeLabel"_s, {56, 80, 102, 13});
}

void SettingsPortsPage::addPorts(QWidget* panel)
{
    const TextTable& texts = context().texts();
    const QString closedCaption =
        byLanguage(context().state().languageCode,
                   {u"Ports fermés"_s, u"Closed ports"_s, u"Geschlossenen ports"_s,
                    u"Puerto cerrados"_s, u"Porte chiuse"_s});
    placed(new QLabel(closedCaption, panel), u"ClosedPortsLabel"_s, {56, 240, 102, 13});
    m_applicationPorts =
        placed(new QListWidget(panel), u"ApplicationPortsBox"_s, {186, 200, 152, 23});
    auto* bitBtn33 =
        makeGlyphButton(panel, u"BitBtn33"_s, GlyphKind::No, {416, 240, 145, 25}, texts.text(14));
    QObject::connect(bitBtn33, &QPushButton::clicked, bitBtn33, [this] { BitBtn33Click(); });
    auto* bitBtn34 =
        makeGlyphButton(panel, u"BitBtn34"_s, GlyphKind::No, {416, 280, 145, 25}, texts.text(15));
    QObject::connect(bitBtn34, &QPushButton::clicked, bitBtn34, [this] { BitBtn34Click(); });
    m_closedPorts = placed(new QListWidget(panel), u"ClosedPortsBox"_s, {186, 240, 152, 23});

    m_edit13 = placed(new QLineEdit(panel), u"Edit13"_s, {350, 240, 41, 21});
    m_edit13->setMaxLength(PortLength);
    m_edit13->setValidator(new PortValidator(m_edit13));
    m_edit13->installEventFilter(new PortKeyFilter(m_edit13));
}

void SettingsPortsPage::addFirewallGroup(QWidget* panel)
{
    const TextTable& texts = context().texts();
    const QString& code = context().state().languageCode;
    auto* group = placed(new QGroupBox(panel), u"FirewallGroup"_s, {168, 270, 150, 90});
    group->setTitle(code == "FR"_L1 ? u"Parefeu"_s : u"Firewall"_s);
    const QString always =
        byLanguage(code, {u"toujours"_s, u"Always"_s, u"Immer"_s, u"Siempre"_s, u"Sempre"_s});
    const struct
    {
        const char* name;
        QRect geometry;
        QString caption;
        const char* mode;
        void (SettingsPortsPage::*handler)();
    } buttons[] = {
        {"radiobutton14",
         {16, 20, 129, 17},
         texts.text(28),
         "1",
         &SettingsPortsPage::radiobutton14Click},
        {"radiobutton15",
         {16, 34, 113, 17},
         texts.text(29),
         "2",
         &SettingsPortsPage::radiobutton15Click},
        {"radiobutton16", {16, 50, 113, 17}, always, "3", &SettingsPortsPage::radiobutton16Click},
    };
    for (const auto& b : buttons) {
        auto* button =
            placed(new QRadioButton(b.caption, group), QString::fromLatin1(b.name), b.geometry);
        // Selected before the handlers are attached: building writes nothing.
        button->setChecked(context().state().firewallMode == QLatin1StringView(b.mode));
        QObject::connect(button, &QRadioButton::toggled, button,
                         [this, handler = b.handler](bool on) {
                             if (on)
                                 (this->*handler)();
                         });
    }
}

void SettingsPortsPage::loadApplicationPorts()
{
    m_applicationPorts->addItems(sidefiles::applicationPorts(
        sidefiles::readLines(context().state().workspaceDir + names::AppPortsFile)
            .value_or(QStringList())));
}

void SettingsPortsPage::loadClosedPorts()
{
    const QString path = context().state().workspaceDir + names::ClosedPortsFile;
    if (QFileInfo::exists(path))
        m_closedPorts->addItems(sidefiles::readLines(path).value_or(QStringList()));
    else
        sidefiles::writeEmpty(path);
}

void SettingsPortsPage::BitBtn4Click()
{
    const QString chosen = m_purgeChoice->currentText();
    if (chosen.isEmpty())
        return;
    const platform::Services& services = context().services();
    if (!services.prompt->askYesNo(context().texts().text(23) + chosen))
        return;
    // After a language switch the box still holds the old caption: nothing is emptied
    // until the page is built again.
    if (chosen != context().texts().text(3))
        return;
    QString error;
    if (!context().tables().use(
            TableId::Alerts,
            [](Table& table) {
                table.emptyTable();
                return true;
            },
            &error))
        services.prompt->showError(error);
}

void SettingsPortsPage::BitBtn5Click()
{
    const QString chosen = m_comboBox3->currentText();
    if (chosen.isEmpty() || !languageCodes().contains(chosen))
        return;
    context().panel().chooseLanguage(chosen);
}

void SettingsPortsPage::ComboBox3DrawItem(QPainter& painter, int index, const QRect& rect,
                                          bool selected, const QString& text)
{
    painter.fillRect(rect, index % 2 == 0 ? QColor(255, 255, 255) : QColor(238, 243, 244));
    const QPoint textAt(rect.left() + 30, rect.top() + 2);
    const auto write = [&] {
        painter.drawText(QRect(textAt, rect.bottomRight()), Qt::AlignLeft | Qt::AlignTop, text);
    };
    painter.setPen(Qt::black);
    write();
    if (selected) {
        painter.fillRect(rect, QColor(197, 209, 248));
        painter.setPen(QColor(0, 0, 255));
        QFont font = painter.font();
        font.setBold(true);
        font.setItalic(true);
        painter.setFont(font);
        write();
    }
    const qreal ratio = painter.device() ? painter.device()->devicePixelRatio() : 1.0;
    const QPixmap flag = AppIcons::languageFlagPixmap(index, ratio);
    const int height = qRound(flag.deviceIndependentSize().height());
    if (!flag.isNull())
        painter.drawPixmap(rect.left() + 4, rect.top() + (rect.height() - height) / 2, flag);
}

void SettingsPortsPage::setFirewallMode(const QString& mode)
{
    PanelState& state = context().state();
    QString error;
    if (!sidefiles::writeValue(state.workspaceDir + names::FirewallFile, mode, &error))
        context().services().prompt->showError(error);
    state.firewall = firewallSwitchFor(mode);
    state.firewallMode = mode;
}

void SettingsPortsPage::radiobutton14Click()
{
    setFirewallMode(u"1"_s);
}
void SettingsPortsPage::radiobutton15Click()
{
    setFirewallMode(u"2"_s);
}
void SettingsPortsPage::radiobutton16Click()
{
    setFirewallMode(u"3"_s);
}

bool SettingsPortsPage::Edit13KeyPress(const QKeyEvent& key)
{
    const QString typed = key.text();
    if (typed.isEmpty() ||
        key.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return true;
    const QChar c = typed.front();
    return typed.size() == 1 && ((c >= u'0' && c <= u'9') || c == QChar(8) || !c.isPrint());
}

QString SettingsPortsPage::portDigits(const QString& text)
{
    QString digits;
    for (const QChar c : text) {
        if (c >= u'0' && c <= u'9' && digits.size() < PortLength)
            digits.append(c);
    }
    return digits;
}

QStringList SettingsPortsPage::closedPorts() const
{
    QStringList lines;
    for (int i = 0; i < m_closedPorts->count(); ++i)
        lines.append(m_closedPorts->item(i)->text());
    return lines;
}

void SettingsPortsPage::BitBtn33Click()
{
    // Only a port number ever reaches the engines' file, however the text got here.
    const QString port = m_edit13->text();
    QStringList lines = closedPorts();
    if (port.isEmpty() || port != portDigits(port) || lines.contains(port))
        return;
    lines.append(port);
    if (!context().panel().setClosedPorts(lines))
        return;
    m_closedPorts->addItem(port);
    m_edit13->clear();
}

void SettingsPortsPage::BitBtn34Click()
{
    if (m_closedPorts->count() == 0)
        return;
    if (QListWidgetItem* selected = m_closedPorts->currentItem();
        selected && selected->isSelected())
        delete selected;
    context().panel().setClosedPorts(closedPorts());
}

} // namespace orvanel

#include "SettingsPortsPage.moc"
