#include "platform/Spawner.h"

namespace orvanel::platform {

QStringList splitArgumentString(const QString& arguments)
{
    QStringList out;
    QString current;
    bool quoted = false;
    bool inWord = false;
    for (const QChar c : arguments) {
        if (c == u'"') {
            quoted = !quoted;
            inWord = true; // "" is an empty argument
        } else if (c == u' ' && !quoted) {
            if (inWord)
                out.append(current);
            current.clear();
            inWord = false;
        } else {
            current.append(c);
            inWord = true;
        }
    }
    if (inWord)
        out.append(current);
    return out;
}

} // namespace orvanel::platform
