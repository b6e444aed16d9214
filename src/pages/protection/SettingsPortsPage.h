#pragma once

#include "pages/Page.h"

#include <QPointer>
#include <QString>

class QComboBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QListWidget;
class QPainter;
class QPushButton;
class QRadioButton;
class QRect;

namespace orvanel {

// The settings and ports page: emptying the alerts table, the interface language, the
// firewall mode (firewall.txt) and the closed ports (portsfermes.txt), both read by the
// engines, and the ports opened by applications (portappli.txt).
class SettingsPortsPage final : public Page
{
public:
    using Page::Page;

    void build(QWidget* panel) override;

    void BitBtn4Click();
    void BitBtn5Click();
    void radiobutton14Click();
    void radiobutton15Click();
    void radiobutton16Click();
    // The key filter of the port field: whether a typed key may reach it (digits and
    // backspace; keys that type nothing, such as arrows and shortcuts, pass).
    static bool Edit13KeyPress(const QKeyEvent& key);
    void BitBtn33Click();
    void BitBtn34Click();

    // Draws item `index` of the language choice box: alternating background, the code,
    // the selected item in blue bold italic on light blue, the language's flag.
    static void ComboBox3DrawItem(QPainter& painter, int index, const QRect& rect, bool selected,
                                  const QString& text);

    // The port field's text: at most five digits, whatever was typed or pasted.
    static QString portDigits(const QString& text);

private:
    void addPurgeAndLanguage(QWidget* panel);
    void addPorts(QWidget* panel);
    void addFirewallGroup(QWidget* panel);
    void loadApplicationPorts();
    void loadClosedPorts();
    void setFirewallMode(const QString& mode);
    QStringList closedPorts() const;

    QPointer<QComboBox> m_purgeChoice;
    QPointer<QComboBox> m_comboBox3;
    QPointer<QListWidget> m_applicationPorts;
    QPointer<QListWidget> m_closedPorts;
    QPointer<QLineEdit> m_edit13;
};

} // namespace orvanel
