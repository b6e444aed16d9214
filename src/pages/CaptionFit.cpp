#include "pages/CaptionFit.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFontInfo>
#include <QFontMetrics>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionGroupBox>
#include <QTabBar>
#include <QTabWidget>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace orvanel::captionfit {

namespace {

// Kept on a control: fitted once already; its caption keeps its mnemonic; the rectangle
// it was given before any fit.
constexpr const char* FittedProperty = "orvanelCaptionFitted";
constexpr const char* MnemonicProperty = "orvanelMnemonic";
constexpr const char* DrawnProperty = "orvanelDrawnGeometry";
constexpr const char* FollowedProperty = "orvanelTabsFollowed";
// Room between a push button's frame and its caption, each side.
constexpr int ButtonPadding = 2;
// Between an icon and the caption beside it, as Qt's styles draw them.
constexpr int IconSpacing = 4;
// Qt's styles keep this much round a check box's caption, for its focus frame.
constexpr int ToggleMargin = 4;

// The caption as drawn where '&' marks a mnemonic.
QString withoutMnemonics(const QString& text)
{
    QString shown;
    shown.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == u'&' && i + 1 < text.size())
            ++i;
        shown.append(text.at(i));
    }
    return shown;
}

int iconPart(const QAbstractButton& button)
{
    return button.icon().isNull() ? 0 : button.iconSize().width() + IconSpacing;
}

std::optional<Room> labelRoom(const QLabel& label)
{
    if (label.text().isEmpty() || Qt::mightBeRichText(label.text()))
        return std::nullopt;
    const int margin = label.margin();
    const QRect room = label.contentsRect().adjusted(margin, margin, -margin, -margin);
    const QFontMetrics metrics = label.fontMetrics();
    QSize need = label.wordWrap() ? metrics
                                        .boundingRect(QRect(0, 0, room.width(), 0xffff),
                                                      Qt::TextWordWrap, label.text())
                                        .size()
                                  : metrics.size(0, label.text());
    need.setHeight(std::max(need.height(), metrics.height()));
    return Room{label.text(), need, room.size()};
}

QStyleOptionButton optionOf(const QAbstractButton& button)
{
    QStyleOptionButton option;
    option.initFrom(&button);
    option.text = button.text();
    option.icon = button.icon();
    option.iconSize = button.iconSize();
    return option;
}

std::optional<Room> toggleRoom(const QAbstractButton& button, QStyle::SubElement contents)
{
    if (button.text().isEmpty())
        return std::nullopt;
    const QStyleOptionButton option = optionOf(button);
    const QRect room = button.style()->subElementRect(contents, &option, &button);
    // Measured as the box measures itself.
    const QSize text = button.style()
                           ->itemTextRect(button.fontMetrics(), QRect(), Qt::TextShowMnemonic,
                                          false, button.text())
                           .size();
    return Room{withoutMnemonics(button.text()),
                QSize(text.width() + iconPart(button) + ToggleMargin, text.height()), room.size()};
}

std::optional<Room> buttonRoom(const QPushButton& button)
{
    if (button.text().isEmpty())
        return std::nullopt;
    QStyleOptionButton option = optionOf(button);
    if (button.autoDefault())
        option.features |= QStyleOptionButton::AutoDefaultButton;
    if (button.isDefault())
        option.features |= QStyleOptionButton::DefaultButton;
    const QRect room =
        button.style()->subElementRect(QStyle::SE_PushButtonContents, &option, &button);
    const QString shown = withoutMnemonics(button.text());
    const QFontMetrics metrics = button.fontMetrics();
    const int width = metrics.horizontalAdvance(shown) + iconPart(button) + 2 * ButtonPadding;
    return Room{shown, QSize(width, metrics.height()), room.size()};
}

std::optional<Room> groupRoom(const QGroupBox& group)
{
    if (group.title().isEmpty())
        return std::nullopt;
    QStyleOptionGroupBox option;
    option.initFrom(&group);
    option.text = group.title();
    option.lineWidth = 1;
    option.textAlignment = group.alignment();
    option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
    const QRect title = group.style()->subControlRect(QStyle::CC_GroupBox, &option,
                                                      QStyle::SC_GroupBoxLabel, &group);
    // The title stands as far in from the right as from the left.
    return Room{withoutMnemonics(group.title()),
                QSize(title.right() + 1 + title.left(), title.height()),
                QSize(group.width(), title.height())};
}

std::optional<Room> tabRoom(const QTabBar& bar)
{
    if (bar.count() == 0)
        return std::nullopt;
    QString shown;
    int width = 0;
    for (int i = 0; i < bar.count(); ++i) {
        shown += (i ? u" | "_s : QString()) + withoutMnemonics(bar.tabText(i));
        width += bar.tabRect(i).width();
    }
    const auto* tabs = qobject_cast<const QTabWidget*>(bar.parentWidget());
    const int room = tabs ? tabs->width() : bar.width();
    return Room{shown, QSize(width, 0), QSize(room, 0)};
}

// An empty frame that draws nothing of its own (the page panel): its controls, not the
// frame, may cover a caption.
bool drawsNothingItself(const QWidget& widget)
{
    const auto* frame = qobject_cast<const QFrame*>(&widget);
    return frame && frame->metaObject() == &QFrame::staticMetaObject &&
           frame->frameShape() == QFrame::NoFrame && !frame->autoFillBackground();
}

// Whether `sibling`, or a control on it when it draws nothing itself, meets `place`
// (in the coordinates of the sibling's parent).
bool meets(const QWidget& sibling, const QRect& place)
{
    if (!sibling.geometry().intersects(place))
        return false;
    if (!drawsNothingItself(sibling))
        return true;
    const QRect inside = place.translated(-sibling.pos());
    const auto controls = sibling.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    return std::any_of(controls.begin(), controls.end(), [&](const QWidget* control) {
        return !control->isHidden() && !control->isWindow() && meets(*control, inside);
    });
}

// The part of the control's rectangle (in its parent's coordinates) that its caption takes.
QRect captionPlace(const QWidget& control, const Room& room)
{
    const QRect g = control.geometry();
    if (qobject_cast<const QTabBar*>(&control))
        return g;
    if (qobject_cast<const QGroupBox*>(&control))
        return QRect(g.left(), g.top(), std::min(g.width(), room.need.width()), room.need.height());
    // Captions stand in the middle of their height; a push button's in its middle.
    const int height = std::min(g.height(), room.need.height());
    const int top = g.top() + (g.height() - height) / 2;
    if (qobject_cast<const QPushButton*>(&control)) {
        const int width = std::min(g.width(), room.need.width());
        return QRect(g.left() + (g.width() - width) / 2, top, width, height);
    }
    const int textLeft = g.width() - room.room.width();
    return QRect(g.left(), top, std::min(g.width(), textLeft + room.need.width()), height);
}

QList<QWidget*> siblingsOf(const QWidget& control)
{
    QList<QWidget*> siblings;
    if (const QWidget* parent = control.parentWidget()) {
        for (QWidget* sibling : parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (sibling != &control && !sibling->isHidden() && !sibling->isWindow())
                siblings.append(sibling);
        }
    }
    return siblings;
}

// The inside of the parent a control may grow in.
QRect boundsOf(const QWidget& parent)
{
    if (const auto* frame = qobject_cast<const QFrame*>(&parent))
        return frame->contentsRect();
    if (qobject_cast<const QGroupBox*>(&parent)) {
        const int edge = parent.style()->pixelMetric(QStyle::PM_DefaultFrameWidth) + 1;
        return parent.rect().adjusted(0, 0, -edge, -edge);
    }
    return parent.rect();
}

// How far the control may grow right (across) or down (!across) without reaching a
// neighbour or leaving a frame it lies on.
int freeSpace(const QWidget& control, bool across)
{
    const QRect g = control.geometry();
    const QRect bounds = boundsOf(*control.parentWidget());
    const auto end = [across](const QRect& r) { return across ? r.right() : r.bottom(); };
    const auto start = [across](const QRect& r) { return across ? r.left() : r.top(); };
    const auto overlapsBand = [&](const QRect& r) {
        return across ? r.top() <= g.bottom() && r.bottom() >= g.top()
                      : r.left() <= g.right() && r.right() >= g.left();
    };
    int limit = end(bounds) - end(g);
    for (const QWidget* sibling : siblingsOf(control)) {
        const QRect s = sibling->geometry();
        if (s.contains(g)) {
            const auto* frame = qobject_cast<const QFrame*>(sibling);
            limit = std::min(limit, end(s) - (frame ? frame->frameWidth() : 0) - end(g));
        } else if (overlapsBand(s) && start(s) > start(g)) {
            limit = std::min(limit, start(s) - 1 - end(g));
        }
    }
    return std::max(0, limit);
}

bool fits(const QWidget& control)
{
    const std::optional<Room> room = roomOf(&control);
    return !room || room->fits();
}

// Sets a button's caption; a shortcut of its own (not its old caption's mnemonic) stays.
void setButtonText(QAbstractButton& button, const QString& text)
{
    const QKeySequence own = button.shortcut();
    const bool mnemonic = own == QKeySequence::mnemonic(button.text());
    button.setText(text);
    if (!mnemonic)
        button.setShortcut(own);
}

void showAmpersands(QWidget& control)
{
    if (control.property(MnemonicProperty).toBool())
        return;
    if (auto* button = qobject_cast<QAbstractButton*>(&control)) {
        if (button->text().contains(u'&'))
            setButtonText(*button, literalAmpersands(button->text()));
    } else if (auto* group = qobject_cast<QGroupBox*>(&control)) {
        group->setTitle(literalAmpersands(group->title()));
    } else if (auto* bar = qobject_cast<QTabBar*>(&control)) {
        for (int i = 0; i < bar->count(); ++i)
            bar->setTabText(i, literalAmpersands(bar->tabText(i)));
    }
}

// A control a later sibling covers ends where that sibling begins.
void uncover(QWidget& control)
{
    const QWidget* above = coveringSibling(&control);
    const std::optional<Room> room = roomOf(&control);
    if (!above || !room || qobject_cast<QTabBar*>(&control))
        return;
    const QRect g = control.geometry();
    const QRect s = above->geometry();
    const int textLeft = g.left() + g.width() - room->room.width();
    if (s.left() > textLeft)
        control.resize(s.left() - g.left(), g.height());
    else if (s.top() > g.top())
        control.resize(g.width(), s.top() - g.top());
}

void atLeastOneLine(QWidget& control)
{
    auto* label = qobject_cast<QLabel*>(&control);
    if (!label)
        return;
    const int line = label->fontMetrics().height() + 2 * label->margin();
    if (label->height() < line)
        label->resize(label->width(),
                      label->height() + std::min(line - label->height(), freeSpace(*label, false)));
}

// Sets the caption a control shows.
void setCaption(QWidget& control, const QString& shown)
{
    if (auto* label = qobject_cast<QLabel*>(&control))
        label->setText(shown);
    else if (auto* button = qobject_cast<QAbstractButton*>(&control))
        setButtonText(*button, literalAmpersands(shown));
    else if (auto* group = qobject_cast<QGroupBox*>(&control))
        group->setTitle(literalAmpersands(shown));
}

// A label's caption in more lines, when the space below takes them.
bool wrapBelow(QLabel& label)
{
    if (label.wordWrap() || !label.text().contains(u' '))
        return false;
    label.setWordWrap(true);
    const std::optional<Room> room = roomOf(&label);
    const int more = room->need.height() - room->room.height();
    if (room->need.width() <= room->room.width() && more <= freeSpace(label, false)) {
        label.resize(label.width(), label.height() + more);
        return true;
    }
    label.setWordWrap(false);
    return false;
}

// A check box's or radio button's caption in two lines, broken at the blank that gives the
// narrowest, when the space below takes them.
bool wrapBelow(QAbstractButton& button)
{
    const QString text = button.text();
    if (text.contains(u'\n'))
        return false;
    const QFontMetrics metrics = button.fontMetrics();
    QString best;
    for (qsizetype blank = text.indexOf(u' '); blank > 0; blank = text.indexOf(u' ', blank + 1)) {
        QString broken = text;
        broken[blank] = u'\n';
        if (best.isEmpty() || metrics.size(Qt::TextShowMnemonic, broken).width() <
                                  metrics.size(Qt::TextShowMnemonic, best).width())
            best = broken;
    }
    if (best.isEmpty())
        return false;
    setButtonText(button, best);
    const std::optional<Room> room = roomOf(&button);
    const int more = room->need.height() - room->room.height();
    if (room->need.width() <= room->room.width() && more <= freeSpace(button, false)) {
        button.resize(button.width(), button.height() + std::max(0, more));
        return true;
    }
    setButtonText(button, text);
    return false;
}

// Whether the caption fits, or fits in two lines the space below takes.
bool fitsOrWraps(QWidget& control)
{
    if (fits(control))
        return true;
    if (auto* label = qobject_cast<QLabel*>(&control))
        return wrapBelow(*label);
    if (qobject_cast<QCheckBox*>(&control) || qobject_cast<QRadioButton*>(&control))
        return wrapBelow(*static_cast<QAbstractButton*>(&control));
    return false;
}

bool grow(QWidget& control)
{
    if (qobject_cast<QTabBar*>(&control))
        return false;
    const std::optional<Room> room = roomOf(&control);
    const int wider = room->need.width() - room->room.width();
    if (wider > 0)
        control.resize(control.width() + std::min(wider, freeSpace(control, true)),
                       control.height());
    return fitsOrWraps(control);
}

bool stepDown(QWidget& control)
{
    QFont font = control.font();
    for (int size = QFontInfo(font).pixelSize() - 1; size >= SmallestPixelSize; --size) {
        font.setPixelSize(size);
        control.setFont(font);
        if (fitsOrWraps(control))
            return true;
    }
    return false;
}

void cut(QWidget& control)
{
    if (auto* bar = qobject_cast<QTabBar*>(&control)) {
        // The bar cuts its tabs itself.
        bar->setElideMode(Qt::ElideRight);
        for (int i = 0; i < bar->count(); ++i)
            bar->setTabToolTip(i, withoutMnemonics(bar->tabText(i)));
        return;
    }
    if (auto* label = qobject_cast<QLabel*>(&control))
        label->setWordWrap(false);
    const Room room = *roomOf(&control);
    const QFontMetrics metrics = control.fontMetrics();
    // Cut to the room left beside the icon and margins; a pixel less while the sum of the
    // letters' widths still comes out wider.
    for (int width =
             room.room.width() - (room.need.width() - metrics.horizontalAdvance(room.shown));
         width >= 0; --width) {
        setCaption(control, metrics.elidedText(room.shown, Qt::ElideRight, width));
        if (fits(control))
            break;
    }
    control.setToolTip(room.shown);
}

void fitControl(QWidget& control)
{
    control.setProperty(FittedProperty, true);
    showAmpersands(control);
    if (!roomOf(&control))
        return;
    control.setProperty(DrawnProperty, control.geometry());
    uncover(control);
    atLeastOneLine(control);
    if (fits(control) || grow(control) || stepDown(control))
        return;
    cut(control);
}

// A control fitted before, back as it was drawn, for its new caption.
void unfit(QWidget& control)
{
    const QVariant drawn = control.property(DrawnProperty);
    if (drawn.isValid())
        control.setGeometry(drawn.toRect());
    control.setFont(QFont());
    control.setToolTip(QString());
    if (auto* label = qobject_cast<QLabel*>(&control))
        label->setWordWrap(false);
}

} // namespace

std::optional<Room> roomOf(const QWidget* control)
{
    if (const auto* label = qobject_cast<const QLabel*>(control))
        return labelRoom(*label);
    if (const auto* box = qobject_cast<const QCheckBox*>(control))
        return toggleRoom(*box, QStyle::SE_CheckBoxContents);
    if (const auto* radio = qobject_cast<const QRadioButton*>(control))
        return toggleRoom(*radio, QStyle::SE_RadioButtonContents);
    if (const auto* button = qobject_cast<const QPushButton*>(control))
        return buttonRoom(*button);
    if (const auto* group = qobject_cast<const QGroupBox*>(control))
        return groupRoom(*group);
    if (const auto* bar = qobject_cast<const QTabBar*>(control))
        return tabRoom(*bar);
    return std::nullopt;
}

const QWidget* coveringSibling(const QWidget* control)
{
    const std::optional<Room> room = roomOf(control);
    const QWidget* parent = control->parentWidget();
    if (!room || !parent)
        return nullptr;
    const QRect place = captionPlace(*control, *room);
    // Later siblings are painted above earlier ones.
    const auto siblings = parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (qsizetype i = siblings.indexOf(const_cast<QWidget*>(control)) + 1; i < siblings.size();
         ++i) {
        const QWidget* sibling = siblings.at(i);
        if (!sibling->isHidden() && !sibling->isWindow() && meets(*sibling, place))
            return sibling;
    }
    return nullptr;
}

Line fitLine(const QFont& font, const QString& text, int width)
{
    Line line{font, text, false};
    for (int size = QFontInfo(font).pixelSize();
         QFontMetrics(line.font).horizontalAdvance(text) > width && size > SmallestPixelSize;) {
        line.font.setPixelSize(--size);
    }
    const QFontMetrics metrics(line.font);
    if (metrics.horizontalAdvance(text) > width) {
        line.text = metrics.elidedText(text, Qt::ElideRight, width);
        line.cut = true;
    }
    return line;
}

void fitCaptions(QWidget* root)
{
    if (!root)
        return;
    for (QWidget* control : root->findChildren<QWidget*>()) {
        if (!control->property(FittedProperty).toBool())
            fitControl(*control);
        // A tab page's controls may be made when it is first shown, after this connection's
        // elder: the page's own.
        auto* tabs = qobject_cast<QTabWidget*>(control);
        if (tabs && !tabs->property(FollowedProperty).toBool()) {
            tabs->setProperty(FollowedProperty, true);
            QObject::connect(tabs, &QTabWidget::currentChanged, tabs,
                             [tabs] { fitCaptions(tabs); });
        }
    }
}

void fitAsOne(std::initializer_list<QWidget*> controls)
{
    int smallest = 0;
    for (QWidget* control : controls) {
        unfit(*control);
        fitControl(*control);
        const int size = QFontInfo(control->font()).pixelSize();
        smallest = smallest ? std::min(smallest, size) : size;
    }
    for (QWidget* control : controls) {
        if (QFontInfo(control->font()).pixelSize() > smallest) {
            QFont font = control->font();
            font.setPixelSize(smallest);
            control->setFont(font);
        }
    }
}

void keepMnemonic(QWidget* button)
{
    button->setProperty(MnemonicProperty, true);
}

QString literalAmpersands(const QString& text)
{
    QString literal = text;
    return literal.replace(u'&', u"&&"_s);
}

} // namespace orvanel::captionfit
