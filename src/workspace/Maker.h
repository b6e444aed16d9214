#pragma once

#include <QString>

// Who makes Orvanel, as the about box and the web page entries show it.
namespace orvanel::maker {

inline QString name()
{
    return QStringLiteral("Orvanel Security");
}
inline QString notice()
{
    return QStringLiteral("Protection for your desktop");
}
inline QString address()
{
    return QStringLiteral("Orvanel project");
}
inline QString email()
{
    return QStringLiteral("info@orvanel.test");
}

// The maker's web page. Empty unless the build sets one; with no address nothing opens.
inline QString webPage()
{
    return QStringLiteral(ORVANEL_MAKER_URL);
}

} // namespace orvanel::maker
