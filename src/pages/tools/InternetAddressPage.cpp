#include "pages/tools/InternetAddressPage.h"

#include "pages/PageControls.h"
#include "pages/PanelContext.h"
#include "workspace/Maker.h"

#include <QComboBox>
#include <QPushButton>

namespace orvanel {

using namespace Qt::StringLiterals;

namespace {

} // namespace

void InternetAddressPage::build(QWidget* panel)
{
    QPushButton* lookup =
        makeGlyphButton(panel, u"BitBtn19"_s, GlyphKind::OK, {280, 144, 75, 25}, {});
    QObject::connect(lookup, &QPushButton::clicked, lookup, [this] { BitBtn19Click(); });
    QPushButton* internet =
        makeGlyphButton(panel, u"InternetAddressButton"_s, GlyphKind::OK, {280, 204, 75, 25},
                        internetButtonCaption(context().state().languageCode));
    QObject::connect(internet, &QPushButton::clicked, internet,
                     [this] { InternetAddressButtonClick(); });

    m_addressBox = new QComboBox(panel);
    m_addressBox->setObjectName(u"address box"_s);
    makeEditable(m_addressBox);
    m_addressBox->setInsertPolicy(QComboBox::NoInsert);
    m_addressBox->setGeometry(140, 80, 345, 21);
    m_addressBox->show();
}

void InternetAddressPage::BitBtn19Click()
{
    platform::HostLookupResult found;
    if (const platform::HostLookup* lookup = context().services().hostLookup)
        found = lookup->lookup();
    // A failed lookup leaves both parts empty and shows no message.
    const QString entry = found.hostName + u' ' + found.address;
    // The edit part keeps what it showed: the entry is seen in the drop-down list.
    const QString shown = m_addressBox->currentText();
    m_addressBox->clear();
    m_addressBox->addItem(entry);
    m_addressBox->setEditText(shown);
    m_addressBox->setToolTip(entry);
}

void InternetAddressPage::InternetAddressButtonClick()
{
    const QString page = publicAddressPage(maker::webPage());
    // A page that does not open is not reported.
    if (!page.isEmpty() && context().services().urls)
        context().services().urls->open(page);
}

QString InternetAddressPage::internetButtonCaption(const QString& languageCode)
{
    if (languageCode == "FR"_L1 || languageCode == "ESP"_L1)
        return u"IP internet"_s;
    if (languageCode == "GB"_L1 || languageCode == "ITA"_L1)
        return u"Internet ip"_s;
    if (languageCode == "DE"_L1)
        return u"Internet-IP"_s;
    return {};
}

QString InternetAddressPage::publicAddressPage(const QString& makerPage)
{
    if (makerPage.isEmpty())
        return {};
    QString base = makerPage;
    while (base.endsWith(u'/'))
        base.chop(1);
    return base + u"/logiciels-gratuits/ipinternet.php"_s;
}

} // namespace orvanel
