#include "pages/PageControls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QIcon>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QStyle>

#include <algorithm>
#include <map>
#include <vector>

using namespace Qt::StringLiterals;

namespace orvanel {

namespace {

// The switch a check box sets, kept on the box by makeSwitchBox.
constexpr const char* SwitchProperty = "orvanelSwitch";

// The style's icons of a kind, best first: not every style draws the newer ones.
std::vector<QStyle::StandardPixmap> iconsOf(GlyphKind kind)
{
    switch (kind) {
    case GlyphKind::OK:
        return {QStyle::SP_DialogOkButton, QStyle::SP_DialogApplyButton};
    case GlyphKind::No:
        return {QStyle::SP_DialogNoButton, QStyle::SP_DialogCancelButton};
    case GlyphKind::All:
        return {QStyle::SP_DialogYesToAllButton, QStyle::SP_DialogYesButton};
    case GlyphKind::Abort:
        return {QStyle::SP_DialogAbortButton, QStyle::SP_BrowserStop};
    }
    return {};
}

// The style reads its icons from image files each time it is asked: the panel asks once per
// style and kind, since every page build makes its buttons anew. The icons go with the
// application object, before the image support they need.
class IconCache final : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;
    std::map<std::pair<QString, GlyphKind>, QIcon> icons;
};

QIcon iconOf(GlyphKind kind, QWidget* button)
{
    static QPointer<IconCache> cache;
    if (!cache)
        cache = new IconCache(QCoreApplication::instance());
    std::map<std::pair<QString, GlyphKind>, QIcon>& icons = cache->icons;
    const auto key = std::make_pair(button->style()->name(), kind);
    if (const auto found = icons.find(key); found != icons.end())
        return found->second;
    QIcon icon;
    for (QStyle::StandardPixmap pixmap : iconsOf(kind)) {
        icon = button->style()->standardIcon(pixmap, nullptr, button);
        if (!icon.isNull())
            break;
    }
    icons.emplace(key, icon);
    return icon;
}

// Whether a button or shortcut of the window already answers Escape: a second one would make
// the key ambiguous and neither would answer.
bool escapeTaken(QWidget* window)
{
    const QKeySequence escape(Qt::Key_Escape);
    const auto buttons = window->findChildren<QAbstractButton*>();
    const auto shortcuts = window->findChildren<QShortcut*>();
    return std::any_of(buttons.begin(), buttons.end(),
                       [&](QAbstractButton* other) { return other->shortcut() == escape; }) ||
           std::any_of(shortcuts.begin(), shortcuts.end(),
                       [&](QShortcut* other) { return other->key() == escape; });
}

// The window's first No button answers Escape. A caption with a mnemonic ("&No") keeps it as
// the button's own shortcut and Escape comes through a shortcut that is the button's child.
void answerEscape(QPushButton* button)
{
    if (escapeTaken(button->window()))
        return;
    if (button->shortcut().isEmpty()) {
        button->setShortcut(QKeySequence(Qt::Key_Escape));
        return;
    }
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), button);
    escape->setContext(Qt::WindowShortcut);
    QObject::connect(escape, &QShortcut::activated, button, &QPushButton::animateClick);
}

} // namespace

QString standardCaption(GlyphKind kind)
{
    switch (kind) {
    case GlyphKind::OK:
        return u"OK"_s;
    case GlyphKind::No:
        return u"No"_s;
    case GlyphKind::All:
        return u"All"_s;
    case GlyphKind::Abort:
        return u"Abort"_s;
    }
    return {};
}

QPushButton* makeGlyphButton(QWidget* parent, const QString& objectName, GlyphKind kind,
                             const QRect& geometry, const QString& caption)
{
    auto* button = new QPushButton(parent);
    button->setObjectName(objectName);
    button->setGeometry(geometry);
    button->setIcon(iconOf(kind, button));
    button->setText(caption.isEmpty() ? standardCaption(kind) : caption);
    if (kind == GlyphKind::OK) {
        button->setDefault(true);
        button->setAutoDefault(true);
    } else if (kind == GlyphKind::No) {
        answerEscape(button);
    }
    button->show();
    return button;
}

QCheckBox* makeSwitchBox(QWidget* parent, Switch id, const QRect& geometry, const QString& caption,
                         std::function<void(bool)> clicked)
{
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(u"CheckBox%1"_s.arg(switchRow(id).checkBox));
    box->setGeometry(geometry);
    box->setChecked(true);
    box->setProperty(SwitchProperty, int(id));
    QObject::connect(box, &QCheckBox::toggled, box, std::move(clicked));
    box->show();
    return box;
}

void setSwitchBoxes(QWidget* panel, const Switches& switches)
{
    for (QCheckBox* box : panel->findChildren<QCheckBox*>()) {
        const QVariant id = box->property(SwitchProperty);
        if (id.isValid())
            box->setChecked(switches.on(Switch(id.toInt())));
    }
}

QRadioButton* makeRadioButton(QWidget* parent, const QString& objectName, const QRect& geometry,
                              const QString& caption)
{
    auto* button = new QRadioButton(caption, parent);
    button->setObjectName(objectName);
    button->setGeometry(geometry);
    button->show();
    return button;
}

void makeEditable(QComboBox* box)
{
    // The box takes the edit line and gives it the same completer as setEditable does.
    box->setLineEdit(new QLineEdit(box));
}

} // namespace orvanel

#include "PageControls.moc"
