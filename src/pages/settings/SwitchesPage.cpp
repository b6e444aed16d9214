#include "pages/settings/SwitchesPage.h"

#include "pages/PageControls.h"
#include "pages/PanelContext.h"

#include <QCheckBox>
#include <QGroupBox>

using namespace Qt::StringLiterals;

namespace orvanel {

void SwitchesPage::build(QWidget* panel)
{
    const TextTable& texts = context().texts();
    auto* group = (new QGroupBox(panel));
    group->setObjectName(u"SwitchesGroup"_s);
    group->setGeometry(56, 40, 505, 241);
    group->setTitle(texts.text(57));
    group->show();

    // The first box sets Champ8, the two others Champ1 and Champ2.
    const auto add = [&](Switch id, int top, void (SwitchesPage::*handler)(bool)) {
        makeSwitchBox(group, id, {16, top, 400, 17}, texts.text(switchRow(id).captionEntry),
                      [this, handler](bool on) { (this->*handler)(on); });
    };
    add(Switch::WatchConnectingPrograms, 32, &SwitchesPage::CheckBox2Click);
    add(Switch::CheckOpenedFiles, 64, &SwitchesPage::CheckBox3Click);
    add(Switch::CheckRemovableDrives, 88, &SwitchesPage::CheckBox4Click);
    setSwitchBoxes(group, context().state().switches);
}

void SwitchesPage::CheckBox2Click(bool checked)
{
    context().switchClicked(Switch::WatchConnectingPrograms, checked);
}

void SwitchesPage::CheckBox3Click(bool checked)
{
    context().switchClicked(Switch::CheckOpenedFiles, checked);
}

void SwitchesPage::CheckBox4Click(bool checked)
{
    context().switchClicked(Switch::CheckRemovableDrives, checked);
}

} // namespace orvanel
