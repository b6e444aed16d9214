#include "pages/tools/LinksPage.h"

#include "lang/Languages.h"
#include "pages/PanelContext.h"
#include "workspace/EngineControl.h"
#include "workspace/SideFiles.h"

#include <QListWidget>

namespace orvanel {

using namespace Qt::StringLiterals;

namespace {

// A link file is a short list written by hand; a larger file is cut here.
constexpr qint64 kLinkFileMaxBytes = 1024 * 1024;

} // namespace

void LinksPage::build(QWidget* panel)
{
    m_listbox2 = new QListWidget(panel);
    m_listbox2->setObjectName(u"listbox2"_s);
    m_listbox2->setGeometry(10, 47, 545, 289);
    QObject::connect(m_listbox2, &QListWidget::itemClicked, m_listbox2,
                     [this] { listbox2Click(); });
    m_listbox2->show();

    m_listbox2->clear();
    const QStringList lines =
        links(context().engines().workspaceDir(), context().state().languageCode);
    for (const QString& line : lines) {
        auto* item = new QListWidgetItem(line, m_listbox2);
        item->setToolTip(line);
    }
}

void LinksPage::listbox2Click()
{
    const QListWidgetItem* item = m_listbox2->currentItem();
    if (!item || !item->isSelected())
        return;
    // The text goes as it stands; an empty line opens nothing, and a link that does not
    // open is not reported.
    if (platform::UrlOpener* urls = context().services().urls)
        urls->open(item->text());
}

QStringList LinksPage::links(const QString& workspaceDir, const QString& languageCode)
{
    const LanguageInfo* language = findLanguage(languageCode);
    if (!language)
        return {};
    return sidefiles::readLines(workspaceDir + language->linkFile, nullptr, kLinkFileMaxBytes)
        .value_or(QStringList{});
}

} // namespace orvanel
