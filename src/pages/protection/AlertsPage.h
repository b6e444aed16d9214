#pragma once

#include "pages/Page.h"

#include <QPointer>

namespace orvanel {

class ReportList;

// The alerts list: the rows of alertes.xml. Clicking an alert puts its subject into the
// quarantine list after the question (the scheduler then ends that program whenever it
// runs) and removes every rule about it; the third column's header sorts by date.
class AlertsPage final : public Page
{
public:
    using Page::Page;

    void build(QWidget* panel) override;

    // After entry 20's question: the subject as shown joins quarantaines.xml unless its
    // trimmed name is there already, and the rules of the trimmed name leave regles.xml.
    // The alert stays in its list and in alertes.xml.
    void ListView3Click();
    void ListView3ColumnClick(int column);

private:
    QPointer<ReportList> m_list;
};

// The subject with the blanks and control characters at both ends removed, as the
// engines compare program names.
QString trimmedSubject(const QString& subject);

} // namespace orvanel
