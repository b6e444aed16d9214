#include "platform/linux/SystemClock.h"

#include <QLocale>
#include <QTime>

namespace orvanel::platform {

QDateTime SystemClock::now() const
{
    return QDateTime::currentDateTime();
}

QString SystemClock::longTimeText() const
{
    return QLocale::system().toString(QTime::currentTime(), QLocale::LongFormat);
}

} // namespace orvanel::platform
