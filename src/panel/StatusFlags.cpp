#include "panel/StatusFlags.h"

#include "workspace/PanelState.h"

namespace orvanel {

namespace {

void appendFlag(QString& line, bool on)
{
    line += on ? QStringLiteral(" 1") : QStringLiteral(" 0");
}

} // namespace

QString statusFlagsLine(const PanelState& state)
{
    QString line;
    line.reserve(26);
    appendFlag(line, state.firewall);
    for (bool protocol : state.protocols)
        appendFlag(line, protocol);
    appendFlag(line, state.internet);
    appendFlag(line, state.networkCheck);
    appendFlag(line, state.networkChoice);
    appendFlag(line, state.siteFilter());
    appendFlag(line, state.ctrlpl);
    return line;
}

} // namespace orvanel
