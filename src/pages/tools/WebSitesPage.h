#pragma once

#include "pages/Page.h"

#include <QDateTime>
#include <QPointer>
#include <QString>

#include <chrono>
#include <functional>
#include <optional>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QTimer;

namespace orvanel {

class Table;

// The web sites page: the sites whose address the blocking engines read from site.xml,
// and the site filter and ctrlpl switches. A site is added by having ipcp.exe look up the
// typed name; its answer is the last line of ipcp.txt.
//
// The wait for ipcp.exe runs on the window's event loop: a running test, then a pause,
// until the program has ended or the wait's bound is reached, so the window keeps
// painting and answering meanwhile. Leaving the page ends the wait.
class WebSitesPage final : public Page
{
public:
    using Page::Page;
    ~WebSitesPage() override;

    void build(QWidget* panel) override;

    void CheckBox5Click(bool checked);
    void CheckBox14Click(bool checked);
    void BitBtn14Click();
    void BitBtn16Click();
    void BitBtn17Click();

    // Whether a lookup of ipcp.exe is being waited for.
    bool isWaitingForResolver() const { return m_lookup.has_value(); }
    // The pause between two running tests of ipcp.exe.
    void setResolverPause(std::chrono::milliseconds pause);

    static constexpr std::chrono::seconds ResolverBound{30};

private:
    // What identifies one version of ipcp.txt: an answer the program did not write during
    // this lookup is the answer of an earlier one.
    struct FileVersion
    {
        qint64 inode = 0;
        qint64 size = 0;
        qint64 modifiedNs = 0;
        qint64 changedNs = 0;
        bool operator==(const FileVersion&) const = default;
    };
    struct Lookup
    {
        QString typed; // Edit1's text when the add was clicked
        std::optional<FileVersion> before;
        QDateTime started;
    };

    void buildSwitches(QWidget* panel);
    void buildSiteControls(QWidget* panel);
    void fillSiteBoxes();
    // One piece of work on the sites table; a failure is shown and answers false.
    bool useSites(const std::function<bool(Table&)>& work);
    void pollResolver();
    void finishLookup();
    void answerNotFound();
    void storeSite(const QString& name, const QString& address);
    void showSiteNoticeOnce();
    void addToBoxes(const QString& name, const QString& address);
    QString resolverAnswerPath() const;
    QDateTime now() const;
    static std::optional<FileVersion> versionOf(const QString& path);

    QCheckBox* m_checkBox5 = nullptr;
    QCheckBox* m_checkBox14 = nullptr;
    QLineEdit* m_edit1 = nullptr;
    QPushButton* m_bitBtn14 = nullptr;
    QComboBox* m_siteNameBox = nullptr;
    QComboBox* m_siteAddressBox = nullptr;
    // A child of the page panel; the page ends it too when it goes first.
    QPointer<QTimer> m_resolverWait;
    std::optional<Lookup> m_lookup;
};

} // namespace orvanel
