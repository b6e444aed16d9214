#include "workspace/TableFiles.h"

#include "workspace/EngineControl.h"
#include "workspace/HeldFile.h"
#include "workspace/Names.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <array>
#include <cstdio>
#include <optional>

namespace orvanel {

using namespace Qt::StringLiterals;

namespace {

// Champ1 … ChampN, each `size` characters, except the listed wide fields.
std::vector<FieldDef> champs(int count, int size = 200, int wideField = 0, int wideSize = 0)
{
    std::vector<FieldDef> fields;
    for (int i = 1; i <= count; ++i)
        fields.push_back({u"Champ%1"_s.arg(i), i == wideField ? wideSize : size});
    return fields;
}

const std::array<TableDefinition, 7>& allDefinitions()
{
    static const std::array<TableDefinition, 7> definitions = {{
        {TableId::Rules, "ClientDataSet1", QString(names::RulesTable), champs(11, 200, 8, 5000)},
        {TableId::Alerts, "ClientDataSet2", QString(names::AlertsTable), champs(9, 200, 9, 5000)},
        {TableId::Events, "ClientDataSet3", QString(names::EventsTable), champs(1)},
        {TableId::Quarantine, "ClientDataSet4", QString(names::QuarantineTable), champs(1)},
        {TableId::Languages, "ClientDataSet5", QString(names::LanguageTable), champs(1)},
        {TableId::Sites, "ClientDataSet9", QString(names::SitesTable), champs(2)},
        {TableId::Configuration, "ClientDataSet10", QString(names::ConfigurationTable), champs(12)},
    }};
    return definitions;
}

void setError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}

// The default record a new file starts with: the engines and the panel expect the
// language and configuration tables to hold exactly one record.
void addDefaultRecord(Table& table, TableId id)
{
    if (id == TableId::Languages) {
        table.insert();
        table.setValue(u"Champ1", u"FR"_s);
        table.post();
    } else if (id == TableId::Configuration) {
        table.emptyTable();
        table.insert();
        for (int i = 1; i <= 12; ++i)
            table.setValue(u"Champ%1"_s.arg(i), u"1"_s);
        table.post();
    }
}

} // namespace

const TableDefinition& tableDefinition(TableId id)
{
    for (const TableDefinition& definition : allDefinitions()) {
        if (definition.id == id)
            return definition;
    }
    Q_UNREACHABLE();
}

void defineFields(Table& table, TableId id)
{
    table.clearFields();
    for (const FieldDef& field : tableDefinition(id).fields)
        table.addField(field.name, field.size);
}

TableFiles::TableFiles(QString workspaceDir, EngineControl& engines,
                       std::function<int()> alertLevel)
    : m_dir(std::move(workspaceDir)), m_engines(engines), m_alertLevel(std::move(alertLevel))
{
}

QString TableFiles::path(TableId id) const
{
    return m_dir + tableDefinition(id).fileName;
}

bool TableFiles::create(TableId id, QString* error)
{
    Table table;
    defineFields(table, id);
    table.createEmpty();
    addDefaultRecord(table, id);
    // One save of the complete default content: a failure leaves whatever was there
    // before rather than an empty table. A table a crash has lost again is made anew
    // the same way, so the save does not wait for the disk.
    QString why;
    const bool saved = table.save(path(id), &why, files::Flush::None);
    table.close();
    if (!saved) {
        setError(error, why);
        if (id == TableId::Configuration)
            m_engines.notify(u"erreur creation configuration"_s, alertLevel());
    }
    return saved;
}

bool TableFiles::isHeld(TableId id) const
{
    return m_engines.isHeld(tableDefinition(id).fileName);
}

bool TableFiles::isFree(TableId id, FreeWait wait, QString* error) const
{
    const QString& name = tableDefinition(id).fileName;
    if (wait == FreeWait::None ? !m_engines.isHeld(name) : m_engines.waitUntilFree(name))
        return true;
    setError(error, u"%1 stays held by another program"_s.arg(path(id)));
    return false;
}

bool TableFiles::openWithRecreation(TableId id, QString* error, FreeWait wait)
{
    const QString file = path(id);
    if (!QFile::exists(file))
        return create(id, error);
    if (!isFree(id, wait, error))
        return false;
    Table table;
    defineFields(table, id);
    QString why;
    files::ReadStatus status = files::ReadStatus::Read;
    if (table.open(file, &why, &status)) {
        table.close();
        return true;
    }
    // A named pipe, a device or a folder in a table's place: nobody put it there to be
    // read as a table, and the engines cannot use it either.
    const bool notATable =
        status == files::ReadStatus::NotAFile || status == files::ReadStatus::TooLarge;
    // The unreadable file is kept as <name>.bad for whoever wants to look at it; only
    // the newest such copy is kept. When it cannot be set aside, it is not replaced.
    const QString bad = file + u".bad"_s;
    if (std::rename(QFile::encodeName(file).constData(), QFile::encodeName(bad).constData()) != 0) {
        const QString kept = u"%1 cannot be read and cannot be set aside as %2"_s.arg(file, bad);
        setError(error, kept);
        if (notATable)
            m_engines.reportUnreadable(tableDefinition(id).fileName, kept, alertLevel());
        return false;
    }
    if (notATable)
        m_engines.reportUnreadable(tableDefinition(id).fileName,
                                   u"%1; it is kept as %2"_s.arg(why, bad), alertLevel());
    return create(id, error);
}

bool TableFiles::use(TableId id, const std::function<bool(Table&)>& work, QString* error,
                     FreeWait wait)
{
    const QString file = path(id);
    if (!isFree(id, wait, error))
        return false;
    // The engines' own lock for the whole read, change and write: an engine that adds a
    // row meanwhile waits for it and then reads the file this change leaves.
    std::optional<HeldFile> held;
    if (QFileInfo(file).isFile()) {
        held.emplace(file, HeldFile::Mode::Exclusive,
                     HeldFile::Options{.followLinks = true,
                                       .patience = wait == FreeWait::None
                                                       ? std::chrono::milliseconds(0)
                                                       : m_engines.freeWaitBound()});
        if (!held->isHeld()) {
            setError(error, held->error());
            return false;
        }
    }
    Table table;
    defineFields(table, id);
    if (!table.open(file, error))
        return false;
    bool ok = true;
    if (work(table))
        ok = table.save(file, error);
    table.close();
    return ok;
}

bool TableFiles::removeQuarantineDuplicates(QString* error, FreeWait wait)
{
    return use(
        TableId::Quarantine,
        [](Table& table) {
            QStringList kept;
            QSet<QString> seen;
            for (table.first(); !table.atEnd(); table.next()) {
                const QString name = table.value(u"Champ1");
                if (!seen.contains(name.toCaseFolded())) {
                    seen.insert(name.toCaseFolded());
                    kept.append(name);
                }
            }
            // Without a repeat the file stays as it is: nothing to save.
            if (kept.size() == table.recordCount())
                return false;
            table.emptyTable();
            for (const QString& name : kept) {
                table.insert();
                table.setValue(u"Champ1", name);
                table.post();
            }
            return true;
        },
        error, wait);
}

} // namespace orvanel
