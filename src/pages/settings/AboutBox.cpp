#include "pages/settings/AboutBox.h"

#include "pages/AppIcons.h"
#include "pages/CaptionFit.h"
#include "pages/PanelLook.h"
#include "workspace/Maker.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

using namespace Qt::StringLiterals;

namespace orvanel {

namespace {

QPixmap programIcon()
{
    const QIcon icon = QApplication::windowIcon();
    return (icon.isNull() ? AppIcons::applicationIcon() : icon).pixmap(65, 57);
}

} // namespace

AboutBox::AboutBox(QWidget* parent) : QDialog(parent)
{
    setFont(panellook::panelFont());
    setModal(false);
    setFixedSize(298, 213);

    auto* panel = new QFrame(this);
    panel->setObjectName(u"Panel1"_s);
    panel->setGeometry(8, 8, 281, 161);
    // A lowered outer and a raised inner bevel: an etched frame.
    panel->setFrameStyle(QFrame::Box | QFrame::Sunken);

    auto* icon = new QLabel(panel);
    icon->setObjectName(u"ProgramIcon"_s);
    icon->setGeometry(8, 8, 65, 57);
    icon->setScaledContents(true);
    icon->setPixmap(programIcon());

    addLabel(panel, "ProductName", 16, maker::name());
    addLabel(panel, "Version", 40, QStringLiteral("Version :" ORVANEL_VERSION_TEXT));
    addLabel(panel, "NoticeLabel", 72, maker::notice());
    const QString web = maker::webPage();
    addLabel(panel, "Label1", 104, web.isEmpty() ? maker::address() : web);

    auto* comments = new QLabel(maker::email(), panel);
    comments->setObjectName(u"Comments"_s);
    comments->setGeometry(88, 128, 127, 26);
    comments->setWordWrap(true);

    auto* ok = new QPushButton(u"OK"_s, this);
    ok->setObjectName(u"OKButton"_s);
    ok->setGeometry(111, 180, 75, 25);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &AboutBox::OKButtonClick);

    captionfit::fitCaptions(this);
    placeAtScreenCentre();
}

QLabel* AboutBox::addLabel(QWidget* panel, const char* objectName, int top, const QString& text)
{
    auto* label = new QLabel(text, panel);
    label->setObjectName(QLatin1String(objectName));
    label->setGeometry(88, top, label->sizeHint().width(), 13);
    return label;
}

void AboutBox::placeAtScreenCentre()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->geometry();
    move(area.x() + area.width() / 2 - width() / 2, area.y() + area.height() / 2 - height() / 2);
}

void AboutBox::OKButtonClick()
{
    hide();
}

} // namespace orvanel
