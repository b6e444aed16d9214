#include "workspace/EngineAnswers.h"

namespace orvanel::sidefiles {

std::optional<QString> resolvedAddress(const QStringList& lines)
{
    if (lines.isEmpty())
        return std::nullopt;
    QString address;
    for (const QChar c : lines.last()) {
        if (c == u'.' || (c >= u'0' && c <= u'9'))
            address.append(c);
    }
    return address;
}

QStringList applicationPorts(QStringList lines)
{
    if (!lines.isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace orvanel::sidefiles
