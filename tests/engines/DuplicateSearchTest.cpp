// scandisk.exe: step 1 records the chosen folder's files, step 2 lists their copies
// elsewhere in the home folder, step 0 forgets the record.

#include "EngineFixture.h"

#include "protect/DuplicateSearch.h"

namespace {

using namespace orvanel;
using namespace orvanel::testing;

class DuplicateSearch : public EngineFixture
{
protected:
    // The workspace of an installed panel lies inside the home folder.
    QString ownWorkspace() const { return inHome(u".local/share/orvanel/"_s); }

    void SetUp() override
    {
        EngineFixture::SetUp();
        ASSERT_TRUE(QDir().mkpath(ownWorkspace()));
        installInto(ownWorkspace());
    }

    int step(const QStringList& arguments)
    {
        return run(u"scandisk.exe"_s, arguments, ownWorkspace());
    }
    QStringList found() const
    {
        return sidefiles::readLines(ownWorkspace() + u"liste2.txt"_s)
            .value_or(QStringList{u"<missing>"_s});
    }
};

TEST_F(DuplicateSearch, ListsCopiesOutsideTheFolderOnly)
{
    const QByteArray photo(5000, 'p');
    const QByteArray text = "the same words";
    writeFile(inHome(u"my photos/a.jpg"_s), photo);
    writeFile(inHome(u"my photos/sub/b.txt"_s), text);
    writeFile(inHome(u"my photos/sub/b again.txt"_s), text); // a copy inside the folder
    writeFile(inHome(u"docs/a copy.jpg"_s), photo);
    writeFile(inHome(u"docs/deep/er/b"_s), text);
    QByteArray other = photo;
    other[2500] = 'q';
    writeFile(inHome(u"docs/same size.jpg"_s), other);
    writeFile(ownWorkspace() + u"kept.jpg"_s, photo); // inside the workspace
    QTemporaryDir outside;
    writeFile(outside.filePath(u"far.jpg"_s), photo);
    ASSERT_TRUE(QFile::link(outside.path(), inHome(u"docs/link out"_s)));
    ASSERT_TRUE(QFile::link(inHome(u"my photos/a.jpg"_s), inHome(u"docs/link.jpg"_s)));

    // "1 " and the folder, split at blanks as the panel passes it.
    ASSERT_EQ(step({u"1"_s, home() + u"/my"_s, u"photos"_s}), 0);
    ASSERT_EQ(step({u"2"_s}), 0);
    EXPECT_EQ(found(), (QStringList{inHome(u"docs/a copy.jpg"_s), inHome(u"docs/deep/er/b"_s)}));
}

TEST_F(DuplicateSearch, StepZeroForgetsTheRecord)
{
    writeFile(inHome(u"folder/a"_s), "alpha");
    writeFile(inHome(u"copy/a"_s), "alpha");
    ASSERT_EQ(step({u"1"_s, inHome(u"folder"_s)}), 0);
    ASSERT_EQ(step({u"2"_s}), 0);
    EXPECT_EQ(found(), QStringList{inHome(u"copy/a"_s)});
    ASSERT_EQ(step({u"0"_s, u"0"_s}), 0);
    ASSERT_EQ(step({u"2"_s}), 0);
    EXPECT_EQ(found(), QStringList());
    // Step 1 with no folder chosen records nothing.
    ASSERT_EQ(step({u"1"_s}), 0);
    ASSERT_EQ(step({u"2"_s}), 0);
    EXPECT_EQ(found(), QStringList());
}

TEST(DuplicateRecordText, ReadsBackWhatWasWritten)
{
    const QByteArray hash(64, 'a');
    const engines::DuplicateRecord record{u"/h/my folder"_s,
                                          {{12, hash, 2049, 77, u"/h/my folder/a b.txt"_s}}};
    const auto back = engines::recordFromText(engines::recordText(record));
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->folder, record.folder);
    ASSERT_EQ(back->files.size(), 1u);
    EXPECT_EQ(back->files[0].path, record.files[0].path);
    EXPECT_EQ(back->files[0].size, 12);
    EXPECT_EQ(back->files[0].inode, ino_t(77));
    for (const QString& bad : {QString(), u"12 aa 1 2 /x\n"_s, u"folder /h\nx y\n"_s})
        EXPECT_FALSE(engines::recordFromText(bad).has_value()) << bad.toStdString();
}

} // namespace
