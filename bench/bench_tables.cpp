// Load and save speed of the largest table file, regles.xml, at 1,000, 10,000 and
// 100,000 rules, with a QXmlStreamWriter save of the same rows for comparison.
//
//   bench_tables                      the benchmarks
//   bench_tables --write-rules=N F    writes a regles.xml of N rules to F (for xmllint)
//   bench_tables --load-once=F        loads F once and ends (peak memory of a load)
#include "workspace/Table.h"
#include "workspace/TableFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QXmlStreamWriter>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <random>

namespace {

using namespace Qt::StringLiterals;
using orvanel::Table;
using orvanel::TableId;

// Rules as the engines write them: a program, its path, protocol, direction, ports,
// addresses, a long description and dates.
Table makeRules(int count)
{
    Table table;
    orvanel::defineFields(table, TableId::Rules);
    table.createEmpty();
    std::mt19937 random(count);
    const QStringList programs = {u"firefox.exe"_s,  u"thunderbird.exe"_s, u"svchost.exe"_s,
                                  u"explorer.exe"_s, u"kentro-maj.exe"_s,  u"skype.exe"_s};
    const QStringList words = {u"connexion"_s, u"sortante"_s, u"autorisée"_s,     u"vers"_s,
                               u"le"_s,        u"serveur"_s,  u"port"_s,          u"règle"_s,
                               u"créée"_s,     u"par"_s,      u"l'utilisateur"_s, u"après"_s,
                               u"alerte"_s};
    for (int i = 0; i < count; ++i) {
        const QString program = programs[int(random() % programs.size())];
        QString text;
        while (text.size() < 300 + int(random() % 200))
            text += words[int(random() % words.size())] + u' ';
        table.insert();
        table.setValue(u"Champ1", program);
        table.setValue(u"Champ2", u"C:\\Program Files\\%1\\%2"_s.arg(i).arg(program));
        table.setValue(u"Champ3", random() % 2 ? u"TCP"_s : u"UDP"_s);
        table.setValue(u"Champ4", random() % 2 ? u"1"_s : u"0"_s);
        table.setValue(u"Champ5", QString::number(random() % 65536));
        table.setValue(u"Champ6", u"192.0.2.%1"_s.arg(random() % 255));
        table.setValue(u"Champ7", QString::number(random() % 3));
        table.setValue(u"Champ8", text);
        table.setValue(u"Champ9", u"12/08/2026"_s);
        table.setValue(u"Champ10", u"10:%1:%2"_s.arg(random() % 60).arg(random() % 60));
        table.setValue(u"Champ11", u"\"%1\" <%2>"_s.arg(i).arg(program));
        table.post();
    }
    return table;
}

QTemporaryDir& benchDir()
{
    static QTemporaryDir dir;
    return dir;
}

// One regles.xml per size, written once.
QString rulesFile(int count)
{
    static std::map<int, QString> files;
    auto it = files.find(count);
    if (it != files.end())
        return it->second;
    const QString path = benchDir().filePath(u"regles-%1.xml"_s.arg(count));
    if (!makeRules(count).save(path))
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return files.emplace(count, path).first->second;
}

void BM_LoadRules(benchmark::State& state)
{
    const QString path = rulesFile(int(state.range(0)));
    const qint64 bytes = QFileInfo(path).size();
    for (auto _ : state) {
        Table table;
        orvanel::defineFields(table, TableId::Rules);
        if (!table.open(path))
            state.SkipWithError("load failed");
        benchmark::DoNotOptimize(table.recordCount());
    }
    state.SetBytesProcessed(state.iterations() * bytes);
}

void BM_SaveRules(benchmark::State& state)
{
    const Table table = makeRules(int(state.range(0)));
    const QString path = benchDir().filePath(u"saved.xml"_s);
    for (auto _ : state) {
        if (!table.save(path))
            state.SkipWithError("save failed");
    }
    state.SetBytesProcessed(state.iterations() * QFileInfo(path).size());
}

// The same rows written with QXmlStreamWriter, as a plain Qt program would.
void BM_SaveRulesQXmlStreamWriter(benchmark::State& state)
{
    const Table table = makeRules(int(state.range(0)));
    const QString path = benchDir().filePath(u"saved-qt.xml"_s);
    const auto& fields = table.fields();
    for (auto _ : state) {
        QSaveFile file(path);
        file.open(QIODevice::WriteOnly);
        QXmlStreamWriter xml(&file);
        xml.writeStartDocument(u"1.0"_s, true);
        xml.writeStartElement(u"DATAPACKET"_s);
        xml.writeAttribute(u"Version"_s, u"2.0"_s);
        xml.writeStartElement(u"METADATA"_s);
        xml.writeStartElement(u"FIELDS"_s);
        for (const auto& f : fields) {
            xml.writeEmptyElement(u"FIELD"_s);
            xml.writeAttribute(u"attrname"_s, f.name);
            xml.writeAttribute(u"fieldtype"_s, u"string"_s);
            xml.writeAttribute(u"WIDTH"_s, QString::number(f.size));
        }
        xml.writeEndElement();
        xml.writeEmptyElement(u"PARAMS"_s);
        xml.writeEndElement();
        xml.writeStartElement(u"ROWDATA"_s);
        for (int row = 0; row < table.recordCount(); ++row) {
            xml.writeEmptyElement(u"ROW"_s);
            for (int f = 0; f < int(fields.size()); ++f)
                xml.writeAttribute(fields[std::size_t(f)].name, table.valueAt(row, f));
        }
        xml.writeEndDocument();
        if (!file.commit())
            state.SkipWithError("save failed");
    }
    state.SetBytesProcessed(state.iterations() * QFileInfo(path).size());
}

BENCHMARK(BM_LoadRules)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveRules)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveRulesQXmlStreamWriter)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond);

// The helper modes of the program; answers -1 when none was asked for.
int runHelperMode(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strncmp(arg, "--write-rules=", 14) == 0 && i + 1 < argc) {
            const QString target = QString::fromLocal8Bit(argv[i + 1]);
            return makeRules(std::atoi(arg + 14)).save(target) ? 0 : 1;
        }
        if (std::strncmp(arg, "--load-once=", 12) == 0) {
            Table table;
            orvanel::defineFields(table, TableId::Rules);
            const bool ok = table.open(QString::fromLocal8Bit(arg + 12));
            std::printf("%d rows\n", table.recordCount());
            return ok ? 0 : 1;
        }
    }
    return -1;
}

} // namespace

int main(int argc, char** argv)
{
    const int helper = runHelperMode(argc, argv);
    if (helper >= 0)
        return helper;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
