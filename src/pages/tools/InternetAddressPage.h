#pragma once

#include "pages/Page.h"

#include <QString>

class QComboBox;

namespace orvanel {

// The Internet address page: the computer's name and local address from the local host
// lookup, and a button that opens the maker's page showing the address under which the
// computer is seen from the Internet.
class InternetAddressPage final : public Page
{
public:
    using Page::Page;

    void build(QWidget* panel) override;

    // Shows "<host name> <address>" as the address box's one entry.
    void BitBtn19Click();
    // Opens the maker's address page; with no maker's address nothing opens.
    void InternetAddressButtonClick();

    // The Internet address button's caption, which is built in per language.
    static QString internetButtonCaption(const QString& languageCode);
    // The maker's page that shows the caller's public address ("" with no maker's page).
    static QString publicAddressPage(const QString& makerPage);

private:
    QComboBox* m_addressBox = nullptr;
};

} // namespace orvanel
