#pragma once

#include "pages/Page.h"
#include "pages/PageRegistry.h"

#include <QColor>
#include <QDateTime>
#include <QString>

class QLabel;

namespace orvanel {

// The dashboard: a snapshot of the protection state taken at each build (start time and
// detected viruses, firewall, real-time detection, site filter), each line green when the
// state is good and red when it is not. Built at start-up too, where the virus list
// cannot be typed into, the start line falls back to French and no web page opens.
class DashboardPage final : public Page
{
public:
    DashboardPage(PanelContext& context, BuildOrigin origin) : Page(context), m_origin(origin) {}

    void build(QWidget* panel) override;

    static constexpr QColor Green{0, 128, 0}; // colour value 0x8000
    static constexpr QColor Red{255, 0, 0};   // colour value 255

private:
    int buildVirusList(QWidget* panel);
    void buildStartLine(QWidget* panel, bool virusesFound);
    void buildFirewallLine(QWidget* panel);
    void buildRealTimeLine(QWidget* panel);
    void buildSiteFilterLine(QWidget* panel);
    QLabel* addLine(QWidget* panel, const QString& name, int top, int width, bool good,
                    const QString& text);

    BuildOrigin m_origin;
};

// The texts of the dashboard lines for a language code; empty for an unknown code.
namespace dashboard {
QString startPrefix(const QString& code);
QString startSuffix(const QString& code);
QString firewallPrefix(const QString& code);
QString realTimePrefix(const QString& code, bool running);
// The start time as the line shows it: short date, a blank, long time; the time is left
// out at exactly midnight.
QString startTimeText(const QDateTime& when);
} // namespace dashboard

} // namespace orvanel
