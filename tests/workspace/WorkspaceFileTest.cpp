// Workspace files that are not what they seem: a named pipe, a link to a device, a folder
// or a file that never ends in a file's place, and links that writes must not follow.
#include "workspace/WorkspaceFile.h"
#include "platform/linux/FlockProbe.h"
#include "support/Doubles.h"
#include "workspace/EngineControl.h"
#include "workspace/HeldFile.h"
#include "workspace/SideFiles.h"
#include "workspace/Table.h"
#include "workspace/TableFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace orvanel {
namespace {

using namespace Qt::StringLiterals;

class WorkspaceFile : public ::testing::Test
{
protected:
    QString path(const QString& name) const { return m_dir.filePath(name); }

    // /dev/zero, or for the superuser a private copy of it: should a write through a link
    // ever come back, it cannot replace the machine's own.
    QString zeroDevice() const
    {
        const QString own = path(u".zero"_s);
        const bool made =
            QFile::exists(own) || (::geteuid() == 0 && ::mknod(QFile::encodeName(own).constData(),
                                                               S_IFCHR | 0666, makedev(1, 5)) == 0);
        return made ? own : u"/dev/zero"_s;
    }

    // Puts a named pipe, a link to /dev/zero or a folder under `name`.
    void putNotAFile(const QString& kind, const QString& name) const
    {
        const QByteArray target = QFile::encodeName(path(name));
        if (kind == u"pipe"_s)
            ASSERT_EQ(::mkfifo(target.constData(), 0600), 0);
        else if (kind == u"device link"_s)
            ASSERT_TRUE(QFile::link(zeroDevice(), path(name)));
        else
            ASSERT_TRUE(QDir(m_dir.path()).mkdir(name));
    }

    QTemporaryDir m_dir;
};

const QStringList kNotFiles = {u"pipe"_s, u"device link"_s, u"folder"_s};

// Each reader answers at once that it cannot read the thing: before, a pipe blocked the
// open for ever and /dev/zero was read until the memory ran out.
TEST_F(WorkspaceFile, ReadersRefuseWhatIsNotAFileWithoutBlocking)
{
    for (const QString& kind : kNotFiles) {
        const QString name = kind.left(4) + u".txt"_s;
        putNotAFile(kind, name);
        EXPECT_EQ(sidefiles::readLines(path(name)), std::nullopt) << name.toStdString();
        Table table;
        EXPECT_FALSE(table.open(path(name))) << name.toStdString();
        EXPECT_EQ(files::readWhole(path(name), 1024).status, files::ReadStatus::NotAFile);
        files::RegularFile pieces;
        EXPECT_EQ(pieces.open(path(name), 1024).status, files::ReadStatus::NotAFile);
        EXPECT_FALSE(pieces.isOpen());
        // The lock is refused at once too, never tried for the whole wait.
        const HeldFile held(path(name), HeldFile::Mode::Exclusive, {.followLinks = true});
        EXPECT_FALSE(held.isHeld()) << name.toStdString();
    }
}

TEST_F(WorkspaceFile, APieceReaderReadsTheFileItOpenedAndTellsWhenItWasCutShort)
{
    const QString name = path(u"regles.xml"_s);
    QFile file(name);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("0123456789");
    file.close();
    files::RegularFile pieces;
    ASSERT_TRUE(pieces.open(name, 1024).ok());
    EXPECT_EQ(pieces.size(), 10);
    EXPECT_EQ(pieces.readAt(2, 3), QByteArray("234"));
    EXPECT_EQ(pieces.readAt(8, 100), QByteArray("89")) << "no further than the size when opened";

    // Replaced by a new file under the same name: the pieces still come from the old one.
    ASSERT_TRUE(files::replaceWhole(name, [](QIODevice& out) { return out.write("new") == 3; }));
    EXPECT_EQ(pieces.readAt(0, 4), QByteArray("0123"));

    // Cut short where it lies: the missing bytes are an error, not a shorter piece.
    files::RegularFile cut;
    ASSERT_TRUE(cut.open(name, 1024).ok());
    ASSERT_TRUE(QFile::resize(name, 1));
    QString error;
    EXPECT_EQ(cut.readAt(0, 3, &error), std::nullopt);
    EXPECT_TRUE(error.contains(u"shorter"_s)) << error.toStdString();

    // A link to a regular file is locked only when links are to be followed.
    ASSERT_TRUE(QFile::link(name, path(u"link.xml"_s)));
    EXPECT_FALSE(HeldFile(path(u"link.xml"_s), HeldFile::Mode::Shared).isHeld());
    EXPECT_TRUE(
        HeldFile(path(u"link.xml"_s), HeldFile::Mode::Shared, {.followLinks = true}).isHeld());
}

// Whether the save waits for the disk or not, and with or without content, the file holds
// exactly the new content afterwards and nothing is left beside it.
TEST_F(WorkspaceFile, EveryKindOfSaveReplacesTheWholeFile)
{
    const struct
    {
        files::Flush flush;
        QByteArray content;
    } cases[] = {{files::Flush::ToDisk, "kept\r\n"},
                 {files::Flush::None, "default\r\n"},
                 {files::Flush::ToDisk, {}},
                 {files::Flush::None, {}}};
    const QString name = path(u"side.txt"_s);
    for (const auto& c : cases) {
        ASSERT_TRUE(
            files::replaceWhole(name, [](QIODevice& out) { return out.write("old") == 3; }));
        ASSERT_TRUE(files::replaceWhole(
            name, [&](QIODevice& out) { return out.write(c.content) == c.content.size(); }, nullptr,
            c.flush));
        EXPECT_EQ(files::readWhole(name, 1024).bytes, c.content) << c.content.toStdString();
        EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden),
                  QStringList{u"side.txt"_s});
    }
}

TEST_F(WorkspaceFile, FilesLongerThanTheLimitAreNotRead)
{
    // Sparse: the length costs no disk space.
    for (const auto& [name, limit] : {std::pair{u"spam.txt"_s, files::TextReadLimit},
                                      std::pair{u"regles.xml"_s, files::TableReadLimit}}) {
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.resize(limit + 1));
    }
    EXPECT_EQ(sidefiles::readLines(path(u"spam.txt"_s)), std::nullopt);
    Table table;
    QString error;
    EXPECT_FALSE(table.open(path(u"regles.xml"_s), &error));
    EXPECT_TRUE(error.contains(u"longer than"_s)) << error.toStdString();
}

// Every writer replaces a link of the file's name and leaves what it pointed to alone.
TEST_F(WorkspaceFile, WritersReplaceLinksInsteadOfWritingThroughThem)
{
    QTemporaryDir elsewhere;
    const QString outside = elsewhere.filePath(u"precious.txt"_s);
    QFile precious(outside);
    ASSERT_TRUE(precious.open(QIODevice::WriteOnly) && precious.write("keep me\n") == 8);
    precious.close();
    Table table;
    defineFields(table, TableId::Events);
    table.createEmpty();

    const std::vector<std::pair<QString, std::function<bool(const QString&)>>> writers = {
        {u"viri.txt"_s, [](const QString& p) { return sidefiles::writeEmpty(p); }},
        {u"track.txt"_s, [](const QString& p) { return sidefiles::writeValue(p, u"2"_s); }},
        {u"evenements.xml"_s, [&table](const QString& p) { return table.save(p); }},
    };
    for (const auto& [name, write] : writers) {
        ASSERT_TRUE(QFile::link(outside, path(name)));
        EXPECT_TRUE(write(path(name))) << name.toStdString();
        EXPECT_FALSE(QFileInfo(path(name)).isSymLink()) << name.toStdString();
        EXPECT_TRUE(QFileInfo(path(name)).isFile()) << name.toStdString();
    }
    ASSERT_TRUE(precious.open(QIODevice::ReadOnly));
    EXPECT_EQ(precious.readAll(), "keep me\n");
}

// At start-up a table that is not a file is set aside as NAME.bad, made anew and reported
// once through msgs.exe; nothing waits for it as for a held file.
TEST_F(WorkspaceFile, TableThatIsNotAFileIsSetAsideMadeAnewAndReportedOnce)
{
    testing::FakeProcessTable processes;
    testing::RecordingSpawner spawner{&processes};
    platform::FlockProbe probe;
    EngineControl engines{m_dir.path() + u'/', processes, spawner, probe};
    // A wait gives up at once: a folder taken for a held file fails here.
    engines.setFreeWaitBound(std::chrono::milliseconds(0));
    TableFiles tables{m_dir.path() + u'/', engines, [] { return 2; }};

    const std::pair<TableId, QString> rows[] = {{TableId::Rules, u"pipe"_s},
                                                {TableId::Alerts, u"folder"_s},
                                                {TableId::Sites, u"device link"_s},
                                                {TableId::Rules, u"pipe"_s}};
    for (const auto& [id, kind] : rows) {
        const QString name = tableDefinition(id).fileName;
        QFile::remove(path(name));
        putNotAFile(kind, name);
        EXPECT_TRUE(tables.openWithRecreation(id)) << name.toStdString();
        EXPECT_TRUE(Table().open(path(name))) << name.toStdString();
        EXPECT_TRUE(QFileInfo(path(name + u".bad"_s)).isSymLink() ||
                    QFileInfo::exists(path(name + u".bad"_s)));
    }
    QStringList notices;
    for (const auto& call : spawner.calls)
        notices += call.arguments;
    EXPECT_EQ(notices, (QStringList{u"erreur;fichier;regles.xml"_s, u"erreur;fichier;alertes.xml"_s,
                                    u"erreur;fichier;site.xml"_s}));
}

} // namespace
} // namespace orvanel
