// The desktop services, checked without showing a dialog or opening anything.
#include "platform/gui/LinuxPlatform.h"

#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace orvanel::platform;

namespace {

QString q(const char* text)
{
    return QString::fromUtf8(text);
}

TEST(MessageBoxPrompt, QuestionBoxIsAnInformationWithYesAndNo)
{
    const auto box = MessageBoxPrompt::questionBox(q("Supprimer <b>les</b> fichiers ?"), nullptr);
    EXPECT_EQ(box->icon(), QMessageBox::Information);
    EXPECT_EQ(box->standardButtons(), QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(box->windowTitle(), q("Orvanel"));
    EXPECT_EQ(box->text(), q("Supprimer <b>les</b> fichiers ?"));
    EXPECT_EQ(box->textFormat(), Qt::PlainText);
}

TEST(MessageBoxPrompt, ErrorBoxIsCriticalWithOk)
{
    const auto box = MessageBoxPrompt::errorBox(q("erreur"), nullptr);
    EXPECT_EQ(box->icon(), QMessageBox::Critical);
    EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
    EXPECT_EQ(box->windowTitle(), q("Orvanel"));
    EXPECT_EQ(box->text(), q("erreur"));
}

class UrlOpenerTest : public ::testing::Test
{
protected:
    DesktopUrlOpener opener(bool answer = true)
    {
        return DesktopUrlOpener([this, answer](const QUrl& url) {
            m_opened.append(url);
            return answer;
        });
    }

    QList<QUrl> m_opened;
    QTemporaryDir m_dir;
};

TEST_F(UrlOpenerTest, EmptyAndMissingTargetsOpenNothing)
{
    auto o = opener();
    EXPECT_EQ(o.open(QString()), UrlOpener::FileNotFound);
    EXPECT_EQ(o.open(q("   ")), UrlOpener::FileNotFound);
    EXPECT_EQ(o.open(m_dir.path() + q("/missing.pdf")), UrlOpener::FileNotFound);
    EXPECT_EQ(o.open(q("file://") + m_dir.path() + q("/missing.pdf")), UrlOpener::FileNotFound);
    EXPECT_TRUE(m_opened.isEmpty());
}

TEST_F(UrlOpenerTest, LocalFilesOpenAsFileUrls)
{
    const QString doc = m_dir.path() + q("/notice #1.txt");
    QFile f(doc);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    auto o = opener();
    EXPECT_EQ(o.open(doc), UrlOpener::Success);
    ASSERT_EQ(m_opened.size(), 1);
    EXPECT_TRUE(m_opened.front().isLocalFile());
    EXPECT_EQ(m_opened.front().toLocalFile(), doc); // "#" stays part of the name
}

TEST_F(UrlOpenerTest, WebAddressesOpenAsTheyAre)
{
    auto o = opener();
    EXPECT_EQ(o.open(q("https://orvanel.example/ip.php?x=1")), UrlOpener::Success);
    EXPECT_EQ(o.open(q("mailto:support@orvanel.example")), UrlOpener::Success);
    ASSERT_EQ(m_opened.size(), 2);
    EXPECT_EQ(m_opened[0], QUrl(q("https://orvanel.example/ip.php?x=1")));
    EXPECT_EQ(m_opened[1].scheme(), q("mailto"));
}

TEST_F(UrlOpenerTest, NoHandlerAnswersNoAssociation)
{
    auto o = opener(false);
    EXPECT_EQ(o.open(q("https://orvanel.example/")), DesktopUrlOpener::NoAssociation);
    EXPECT_LE(DesktopUrlOpener::NoAssociation, 32); // a failure in the shell's terms
}

TEST(LinuxPlatform, EveryServiceIsWired)
{
    LinuxPlatform platform(q("/opt/orvanel/"));
    const Services s = platform.services();
    EXPECT_EQ(s.processes, &platform.processes);
    EXPECT_EQ(s.spawner, &platform.spawner);
    EXPECT_EQ(s.probe, &platform.probe);
    EXPECT_EQ(s.autostart, &platform.autostart);
    EXPECT_EQ(s.hostLookup, &platform.hostLookup);
    EXPECT_EQ(s.memory, &platform.memory);
    EXPECT_EQ(s.user, &platform.user);
    EXPECT_EQ(s.urls, &platform.urls);
    EXPECT_EQ(s.prompt, &platform.prompt);
    EXPECT_EQ(s.clock, &platform.clock);
    EXPECT_EQ(s.tray, &platform.tray);
    EXPECT_EQ(platform.workspaceDir, q("/opt/orvanel/"));
}

} // namespace
