#include "pages/protection/NetworkOptionsPage.h"

#include "pages/PageControls.h"
#include "pages/PanelContext.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QRadioButton>

using namespace Qt::StringLiterals;

namespace orvanel {

void NetworkOptionsPage::build(QWidget* panel)
{
    const TextTable& texts = context().texts();
    auto* group = new QGroupBox(panel);
    group->setObjectName(u"NetworkOptionsGroup"_s);
    group->setGeometry(152, 80, 185, 105);
    group->show();

    auto* box = new QCheckBox(group);
    box->setObjectName(u"CheckBox1"_s);
    box->setGeometry(8, 24, 97, 17);
    box->setText(texts.text(53));
    box->show();
    QObject::connect(box, &QCheckBox::toggled, box, [this] { CheckBox1Click(); });
    m_checkBox1 = box;

    QRadioButton* first =
        makeRadioButton(group, u"radiobutton1"_s, {8, 56, 113, 17}, texts.text(55));
    QRadioButton* second =
        makeRadioButton(group, u"radiobutton2"_s, {8, 80, 113, 17}, texts.text(56));
    m_radiobutton2 = second;
    // A radio button's click runs when it becomes selected, by the user or in code.
    QObject::connect(first, &QRadioButton::toggled, first, [this](bool selected) {
        if (selected)
            radiobutton1Click();
    });
    QObject::connect(second, &QRadioButton::toggled, second, [this](bool selected) {
        if (selected)
            radiobutton2Click();
    });
    // Selected after its handler is attached: the choice switch becomes 1 at every build.
    first->setChecked(true);
}

void NetworkOptionsPage::CheckBox1Click()
{
    context().state().networkCheck = m_checkBox1 && m_checkBox1->isChecked();
}

void NetworkOptionsPage::radiobutton1Click()
{
    updateChoiceSwitch();
}

void NetworkOptionsPage::radiobutton2Click()
{
    updateChoiceSwitch();
}

void NetworkOptionsPage::updateChoiceSwitch()
{
    context().state().networkChoice = !(m_radiobutton2 && m_radiobutton2->isChecked());
}

} // namespace orvanel
