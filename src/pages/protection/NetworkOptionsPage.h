#pragma once

#include "pages/Page.h"

#include <QPointer>

class QCheckBox;
class QRadioButton;

namespace orvanel {

// The network options page: two switches that no file keeps, the 10th and 11th values of
// the status flags line the scheduler hands to netpro.exe. Every build shows the check box
// clear and radiobutton1 selected, and selecting it sets the choice switch; the check
// switch keeps what an earlier visit left until the box is clicked again.
class NetworkOptionsPage final : public Page
{
public:
    using Page::Page;

    void build(QWidget* panel) override;

    void CheckBox1Click();
    void radiobutton1Click();
    void radiobutton2Click();

private:
    void updateChoiceSwitch();

    QPointer<QCheckBox> m_checkBox1;
    QPointer<QRadioButton> m_radiobutton2;
};

} // namespace orvanel
