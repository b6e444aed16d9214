#pragma once

#include "pages/Page.h"

#include <QString>
#include <QStringList>

class QListWidget;

namespace orvanel {

// The links page: the link file of the current language, one link a line, shown as it
// stands; a click opens the link with the desktop's handler for it.
class LinksPage final : public Page
{
public:
    using Page::Page;

    void build(QWidget* panel) override;

    void listbox2Click();

    // The lines of the link file of `languageCode` in the workspace, or none when the
    // code is unknown or the file is missing.
    static QStringList links(const QString& workspaceDir, const QString& languageCode);

private:
    QListWidget* m_listbox2 = nullptr;
};

} // namespace orvanel
