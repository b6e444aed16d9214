#include "pages/PageControls.h"

#include <QIcon>
#include <QPushButton>
#include <QShortcut>
#include <QStyle>

#include <vector>

using namespace Qt::StringLiterals;

namespace orvanel {

namespace {

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

QIcon iconOf(GlyphKind kind, QWidget* button)
{
    for (QStyle::StandardPixmap pixmap : iconsOf(kind)) {
        const QIcon icon = button->style()->standardIcon(pixmap, nullptr, button);
        if (!icon.isNull())
            return icon;
    }
    return {};
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
        // The shortcut is the button's child: it goes with the page.
        auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), button);
        escape->setContext(Qt::WindowShortcut);
        QObject::connect(escape, &QShortcut::activated, button, &QPushButton::animateClick);
    }
    button->show();
    return button;
}

} // namespace orvanel
