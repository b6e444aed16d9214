#include "panel/StatusFlags.h"

#include "workspace/PanelState.h"

using namespace Qt::StringLiterals;

namespace orvanel {

namespace {

void appendFlag(QString& line, bool on)
{
    line += on ? u" 1"_s : u" 0"_s;
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
