// The language code kept in langues.xml: made sound at start-up, rewritten by the switch.

#include "lang/LanguageChoice.h"

#include "../support/Doubles.h"
#include "../support/TestWorkspace.h"
#include "workspace/EngineControl.h"
#include "workspace/Table.h"
#include "workspace/TableFiles.h"

#include <gtest/gtest.h>

namespace orvanel {
namespace {

using namespace Qt::StringLiterals;
using testing::TestWorkspace;

// A probe that always finds the file held by an engine.
class AlwaysBusyProbe final : public platform::ExclusiveOpenProbe
{
public:
    bool isBusy(const QString&) const override { return true; }
};

class LanguageChoice : public ::testing::Test
{
protected:
    TestWorkspace ws;
    testing::FakeProcessTable processes;
    testing::RecordingSpawner spawner{&processes};
    testing::NeverBusyProbe probe;
    EngineControl engines{ws.dir(), processes, spawner, probe};
    TableFiles tables{ws.dir(), engines, [] { return 2; }};

    QString file() const { return ws.path(u"langues.xml"_s); }

    // Writes langues.xml with one record per code.
    void storeCodes(const QStringList& codes)
    {
        Table table;
        defineFields(table, TableId::Languages);
        table.createEmpty();
        for (const QString& code : codes) {
            table.insert();
            table.setValue(u"Champ1", code);
            table.post();
        }
        ASSERT_TRUE(table.save(file()));
    }

    // The Champ1 values of langues.xml in order, or "unreadable".
    QStringList storedCodes() const
    {
        Table table;
        defineFields(table, TableId::Languages);
        if (!table.open(file()))
            return {u"unreadable"_s};
        QStringList codes;
        for (table.first(); !table.atEnd(); table.next())
            codes << table.value(u"Champ1");
        return codes;
    }
};

TEST_F(LanguageChoice, MissingFileIsCreatedWithFrench)
{
    EXPECT_EQ(ensureLanguageCode(tables), u"FR"_s);
    EXPECT_EQ(storedCodes(), QStringList{u"FR"_s});
}

TEST_F(LanguageChoice, UnreadableFileIsSetAsideAndReplacedByFrench)
{
    ws.write(u"langues.xml"_s, "<DATAPACKET><ROWDATA><ROW Champ1=\"DE\"");
    EXPECT_EQ(ensureLanguageCode(tables), u"FR"_s);
    EXPECT_EQ(storedCodes(), QStringList{u"FR"_s});
    EXPECT_TRUE(ws.exists(u"langues.xml.bad"_s)) << "the unreadable content is kept for a look";
}

TEST_F(LanguageChoice, LowerCaseCodeIsResetToFrenchAndSaved)
{
    storeCodes({u"gb"_s});
    EXPECT_EQ(ensureLanguageCode(tables), u"FR"_s);
    EXPECT_EQ(storedCodes(), QStringList{u"FR"_s});
}

TEST_F(LanguageChoice, UnknownOrEmptyCodeIsResetToFrench)
{
    for (const QString& stored : {u"EN"_s, u"ES"_s, QString(), u"F R"_s}) {
        storeCodes({stored});
        EXPECT_EQ(ensureLanguageCode(tables), u"FR"_s) << stored.toStdString();
        EXPECT_EQ(storedCodes(), QStringList{u"FR"_s}) << stored.toStdString();
    }
}

TEST_F(LanguageChoice, TableWithoutRecordGetsFrench)
{
    storeCodes({});
    EXPECT_EQ(ensureLanguageCode(tables), u"FR"_s);
    EXPECT_EQ(storedCodes(), QStringList{u"FR"_s});
}

TEST_F(LanguageChoice, BlanksAroundAValidCodeAreDropped)
{
    storeCodes({u" GB "_s});
    EXPECT_EQ(ensureLanguageCode(tables), u"GB"_s) << "the text table must find the code";
    storeCodes({u"\tITA"_s});
    EXPECT_EQ(ensureLanguageCode(tables), u"ITA"_s);
}

TEST_F(LanguageChoice, ValidCodeIsKeptAsStored)
{
    storeCodes({u"ESP"_s, u"DE"_s});
    EXPECT_EQ(ensureLanguageCode(tables), u"ESP"_s) << "the first record holds the choice";
    EXPECT_EQ(storedCodes(), (QStringList{u"ESP"_s, u"DE"_s}));
}

TEST_F(LanguageChoice, SwitchIgnoresAnythingButTheFiveExactCodes)
{
    storeCodes({u"GB"_s});
    for (const QString& chosen : {u"xx"_s, QString(), u"gb"_s, u" DE"_s, u"ES"_s}) {
        EXPECT_EQ(storeLanguageChoice(tables, chosen), std::nullopt) << chosen.toStdString();
        EXPECT_EQ(storedCodes(), QStringList{u"GB"_s}) << chosen.toStdString();
    }
}

TEST_F(LanguageChoice, SwitchStoresTheChoiceAsTheOneRecord)
{
    storeCodes({u"FR"_s, u"FR"_s, u"ITA"_s});
    EXPECT_EQ(storeLanguageChoice(tables, u"DE"_s), std::optional<QString>(u"DE"_s));
    EXPECT_EQ(storedCodes(), QStringList{u"DE"_s});
    EXPECT_EQ(ensureLanguageCode(tables), u"DE"_s) << "the next start finds the choice";
}

TEST_F(LanguageChoice, SwitchWorksWithoutAFileAndOverAnUnreadableOne)
{
    EXPECT_EQ(storeLanguageChoice(tables, u"ESP"_s), std::optional<QString>(u"ESP"_s));
    EXPECT_EQ(storedCodes(), QStringList{u"ESP"_s});

    ws.write(u"langues.xml"_s, "not a table");
    EXPECT_EQ(storeLanguageChoice(tables, u"GB"_s), std::optional<QString>(u"GB"_s));
    EXPECT_EQ(storedCodes(), QStringList{u"GB"_s});
}

class LanguageChoiceHeld : public LanguageChoice
{
protected:
    AlwaysBusyProbe busy;
    EngineControl heldEngines{ws.dir(), processes, spawner, busy};
    TableFiles heldTables{ws.dir(), heldEngines, [] { return 2; }};

    void SetUp() override { heldEngines.setFreeWaitBound(std::chrono::milliseconds(0)); }
};

TEST_F(LanguageChoiceHeld, StartUpLeavesAHeldFileUntouchedForALaterLook)
{
    storeCodes({u"gb"_s});
    EXPECT_EQ(ensureLanguageCode(heldTables), std::nullopt);
    EXPECT_EQ(ensureLanguageCode(heldTables, FreeWait::None), std::nullopt);
    EXPECT_EQ(storedCodes(), QStringList{u"gb"_s});
}

TEST_F(LanguageChoiceHeld, SwitchReportsAHeldFileAndStoresNothing)
{
    storeCodes({u"FR"_s});
    QString error;
    EXPECT_EQ(storeLanguageChoice(heldTables, u"DE"_s, &error), std::nullopt);
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(storedCodes(), QStringList{u"FR"_s});
}

} // namespace
} // namespace orvanel
