#include "pages/settings/SwitchesPage.h"

#include "pages/PanelContext.h"

#include <QCheckBox>
#include <QGroupBox>

namespace orvanel {

void SwitchesPage::build(QWidget* panel)
{
    const TextTable& texts = context().texts();
    auto* group = (new QGroupBox(panel));
    group->setObjectName(QStringLiteral("SwitchesGroup"));
    group->setGeometry(56, 40, 505, 241);
    group->setTitle(texts.text(57));
    group->show();

    QCheckBox* box2 = addSwitch(group, 2, 32, 72, &SwitchesPage::CheckBox2Click);
    QCheckBox* box3 = addSwitch(group, 3, 64, 73, &SwitchesPage::CheckBox3Click);
    QCheckBox* box4 = addSwitch(group, 4, 88, 74, &SwitchesPage::CheckBox4Click);

    // Unchecking a box here is a click like any other: the writer runs for every switch
    // that is off, and the real-time engine is restarted each time.
    const PanelState& state = context().state();
    box2->setChecked(state.configuration[7]);
    box3->setChecked(state.configuration[0]);
    box4->setChecked(state.configuration[1]);
}

QCheckBox* SwitchesPage::addSwitch(QGroupBox* group, int checkBoxNumber, int top, int captionEntry,
                                   void (SwitchesPage::*handler)(bool))
{
    auto* box = (new QCheckBox(group));
    box->setObjectName(QStringLiteral("CheckBox%1").arg(checkBoxNumber));
    box->setGeometry(16, top, 400, 17);
    box->setChecked(true);
    box->setText(context().texts().text(captionEntry));
    // toggled, not clicked: a change made in code runs the handler as a user's click does,
    // and a user's click runs it once.
    QObject::connect(box, &QCheckBox::toggled, box,
                     [this, handler](bool checked) { (this->*handler)(checked); });
    box->show();
    return box;
}

void SwitchesPage::CheckBox2Click(bool checked)
{
    context().configurationCheckBoxClicked(2, checked);
}

void SwitchesPage::CheckBox3Click(bool checked)
{
    context().configurationCheckBoxClicked(3, checked);
}

void SwitchesPage::CheckBox4Click(bool checked)
{
    context().configurationCheckBoxClicked(4, checked);
}

} // namespace orvanel
