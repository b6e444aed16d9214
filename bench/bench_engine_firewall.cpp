// The firewall's program rules and blocked sites in the kernel: how soon a new
// application scope is refused, how long 10,000 site addresses take to apply, and how
// much memory a rule costs the service and the engine. The program enters a network
// namespace of its own (the machine's tables are never touched) and needs root; without
// it every benchmark is skipped, saying why.

#include "EngineBench.h"

#include "Cgroups.h"
#include "NetdSocket.h"
#include "Nft.h"
#include "ProgramRules.h"
#include "workspace/Table.h"
#include "workspace/TableFiles.h"

#include <benchmark/benchmark.h>

#include <nlohmann/json.hpp>

#include <csignal>
#include <fstream>
#include <memory>
#include <thread>

#include <fcntl.h>
#include <malloc.h>
#include <sched.h>
#include <sys/file.h>

namespace {

using namespace orvanel;
using namespace Qt::StringLiterals;
using nlohmann::json;
using Clock = std::chrono::steady_clock;

constexpr auto kStrict = "1 0 0 0 0 0 0 0 1 0 0 1 0"_L1;

long residentKilobytes(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string word;
    long kilobytes = -1;
    while (status >> word)
        if (word == "VmRSS:")
            status >> kilobytes;
    return kilobytes;
}

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit)
{
    const auto deadline = Clock::now() + limit;
    while (!condition())
        if (Clock::now() > deadline)
            return false;
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return true;
}

// The service and the alert engine in this program's own network namespace, the firewall
// on in strict mode, application scopes in a slice of the bench's own.
class Rig final
{
public:
    static Rig* get(benchmark::State& state)
    {
        static std::unique_ptr<Rig> rig;
        static std::string why;
        if (!rig && why.empty()) {
            rig = std::make_unique<Rig>();
            if (!rig->start(why))
                rig.reset();
        }
        if (!rig)
            state.SkipWithError(why.c_str());
        return rig.get();
    }
    ~Rig();

    bool start(std::string& why);
    std::optional<std::string> ask(const json& request) const
    {
        std::string error;
        return netd::exchange(socket(), request.dump(), std::chrono::seconds(10), &error);
    }
    QString socket_() const { return m_runtime.filePath(u"netd.socket"_s); }
    std::string socket() const { return socket_().toStdString(); }
    QString scopes() const { return m_cgroupMount + m_slice; }
    QString slice() const { return m_slice; }
    QString cgroupMount() const { return m_cgroupMount; }
    // Scopes are measured only where the bench could make its slice.
    bool hasScopes(benchmark::State& state) const
    {
        if (m_slice.isEmpty())
            state.SkipWithError("needs a cgroup v2 hierarchy under /sys/fs/cgroup");
        return !m_slice.isEmpty();
    }
    pid_t service() const { return m_service; }
    std::string table() { return m_nft->listTable(); }

private:
    QTemporaryDir m_runtime, m_workspace;
    QString m_cgroupMount, m_slice;
    pid_t m_service = -1;
    std::unique_ptr<netd::Nft> m_nft; // made inside the namespace: its socket stays in it
};

bool Rig::start(std::string& why)
{
    why = "needs root and a network namespace of its own";
    if (geteuid() != 0 || unshare(CLONE_NEWNET) != 0)
        return false;
    m_nft = std::make_unique<netd::Nft>();
    // Without a cgroup v2 hierarchy nft can name, only the sites are measured.
    const auto mount = netd::cgroup2Mount();
    m_cgroupMount = mount ? QString::fromStdString(*mount) : QString();
    m_slice = u"/orvanel-bench-"_s + QString::number(getpid()) + u"/app.slice"_s;
    if (!m_cgroupMount.startsWith("/sys/fs/cgroup"_L1) || !QDir().mkpath(m_cgroupMount + m_slice))
        m_slice.clear();
    why = "the firewall service did not start";
    m_service = bench::spawnQuiet(QStringLiteral(ORVANEL_NETD),
                                  {u"--socket"_s, socket_(), u"--state-dir"_s, m_runtime.path(),
                                   u"--check-seconds"_s, u"60"_s},
                                  QProcessEnvironment::systemEnvironment());
    if (!waitUntil([&] { return QFile::exists(socket_()); }, std::chrono::seconds(10)))
        return false;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"ORVANEL_NETD_SOCKET"_s, socket_());
    if (!m_slice.isEmpty())
        environment.insert(u"ORVANEL_APP_SLICE"_s, m_slice);
    for (const QString& name : {u"netpro.exe"_s, u"netalerte.exe"_s})
        QFile::copy(QStringLiteral(ORVANEL_NETPRO), m_workspace.filePath(name));
    QFile mode(m_workspace.filePath(u"firewall.txt"_s));
    mode.open(QIODevice::WriteOnly);
    mode.write("1\r\n");
    mode.close();
    why = "netpro.exe did not apply the policy";
    if (bench::runTimed(m_workspace.filePath(u"netpro.exe"_s), {QString(kStrict)}, environment) < 0)
        return false;
    // The alert engine holds its lock while it runs.
    const QByteArray lock = m_workspace.filePath(u".netalerte.lock"_s).toLocal8Bit();
    why = "the alert engine did not start";
    return waitUntil(
        [&] {
            const int fd = open(lock.constData(), O_RDONLY | O_CLOEXEC);
            const bool held = fd >= 0 && flock(fd, LOCK_SH | LOCK_NB) != 0;
            if (fd >= 0)
                close(fd);
            return held;
        },
        std::chrono::seconds(10));
}

Rig::~Rig()
{
    if (m_service > 0) {
        ::kill(m_service, SIGTERM);
        ::waitpid(m_service, nullptr, 0);
    }
    if (m_slice.isEmpty())
        return;
    const QString slice = m_cgroupMount + m_slice;
    for (const QString& scope : QDir(slice).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        QDir().rmdir(slice + u'/' + scope);
    QDir().rmdir(slice);
    QDir().rmdir(QFileInfo(slice).path());
}

// From the scope's folder being made to its cgroup in the service's deny set: the
// engine's inotify, the program's identification and the service's transaction.
void BM_NewScopeCovered(benchmark::State& state)
{
    Rig* rig = Rig::get(state);
    if (!rig || !rig->hasScopes(state))
        return;
    int round = 0;
    double worst = 0;
    for (auto _ : state) {
        const QString name = u"app-bench-"_s + QString::number(++round) + u".scope"_s;
        const QString folder = rig->scopes() + u'/' + name;
        const auto start = Clock::now();
        QDir().mkdir(folder);
        const pid_t program =
            bench::spawnQuiet(u"/usr/bin/sleep"_s, {u"60"_s}, QProcessEnvironment());
        std::ofstream(QFile::encodeName(folder + u"/cgroup.procs"_s).toStdString()) << program;
        const bool covered =
            waitUntil([&] { return rig->table().find(name.toStdString()) != std::string::npos; },
                      std::chrono::seconds(5));
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        state.SetIterationTime(seconds);
        worst = std::max(worst, seconds);
        ::kill(program, SIGKILL);
        ::waitpid(program, nullptr, 0);
        waitUntil([&] { return QDir().rmdir(folder); }, std::chrono::seconds(5));
        if (!covered)
            state.SkipWithError("a new scope was not refused within 5 s");
    }
    state.counters["worst_ms"] = worst * 1000;
}
BENCHMARK(BM_NewScopeCovered)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

// 10,000 addresses of the documentation ranges: 768 IPv4, the rest IPv6.
json siteAddresses(std::size_t count)
{
    json ipv4 = json::array(), ipv6 = json::array();
    for (const char* prefix : {"192.0.2.", "198.51.100.", "203.0.113."})
        for (int host = 0; host < 256 && ipv4.size() < count; ++host)
            ipv4.push_back({{"address", prefix + std::to_string(host)}, {"seconds", 600}});
    for (std::size_t i = 0; ipv4.size() + ipv6.size() < count; ++i) {
        char address[64];
        std::snprintf(address, sizeof address, "2001:db8::%zx:%zx", i / 65536, i % 65536);
        ipv6.push_back({{"address", address}, {"seconds", 600}});
    }
    return {{"version", 1}, {"request", "sites"}, {"ipv4", ipv4}, {"ipv6", ipv6}};
}

void BM_SiteAddressesApply(benchmark::State& state)
{
    Rig* rig = Rig::get(state);
    if (!rig)
        return;
    const json request = siteAddresses(std::size_t(state.range(0)));
    const json none = {
        {"version", 1}, {"request", "sites"}, {"ipv4", json::array()}, {"ipv6", json::array()}};
    for (auto _ : state) {
        const auto answer = rig->ask(request);
        if (!answer || answer->find("\"addresses\"") == std::string::npos)
            state.SkipWithError("the service refused the addresses");
        state.PauseTiming();
        rig->ask(none);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_SiteAddressesApply)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(10);

// The service's resident memory for N refused cgroups (each made for the purpose).
void BM_ServiceMemoryPerRule(benchmark::State& state)
{
    Rig* rig = Rig::get(state);
    if (!rig || !rig->hasScopes(state))
        return;
    const int count = int(state.range(0));
    std::vector<std::string> paths;
    for (int i = 0; i < count; ++i) {
        const QString cgroup = rig->slice() + u"/app-rule-"_s + QString::number(i) + u".scope"_s;
        QDir().mkdir(rig->cgroupMount() + cgroup);
        paths.push_back(cgroup.toStdString());
    }
    double perRule = 0;
    for (auto _ : state) {
        const long before = residentKilobytes(rig->service());
        for (std::size_t at = 0; at < paths.size(); at += 1024)
            rig->ask({{"version", 1},
                      {"request", "programs"},
                      {"deny", std::vector<std::string>(
                                   paths.begin() + long(at),
                                   paths.begin() + long(std::min(at + 1024, paths.size())))},
                      {"allow", json::array()}});
        perRule = double(residentKilobytes(rig->service()) - before) * 1024 / count;
        state.PauseTiming();
        rig->ask(
            {{"version", 1}, {"request", "programs"}, {"deny", json::array()}, {"allow", paths}});
        state.ResumeTiming();
    }
    state.counters["bytes_per_rule"] = perRule;
    for (const std::string& path : paths)
        QDir().rmdir(rig->cgroupMount() + QString::fromStdString(path));
}
BENCHMARK(BM_ServiceMemoryPerRule)->Arg(4000)->Unit(benchmark::kMillisecond)->Iterations(3);

// The engine's heap in use for the rules of regles.xml it keeps (no root needed).
void BM_EngineMemoryPerRule(benchmark::State& state)
{
    const int count = int(state.range(0));
    QTemporaryDir workspace;
    Table rules;
    defineFields(rules, TableId::Rules);
    rules.createEmpty();
    for (int i = 0; i < count; ++i) {
        rules.insert();
        rules.setValue(u"Champ1", u"program-%1"_s.arg(i));
        rules.setValue(u"Champ5", u"allow"_s);
        rules.post();
    }
    rules.save(workspace.filePath(u"regles.xml"_s));
    double perRule = 0;
    for (auto _ : state) {
        const auto before = mallinfo2().uordblks;
        const netd::ProgramTables tables = netd::readProgramTables(workspace.path() + u'/');
        perRule = double(mallinfo2().uordblks - before) / count;
        benchmark::DoNotOptimize(tables.allowed.size());
    }
    state.counters["bytes_per_rule"] = perRule;
}
BENCHMARK(BM_EngineMemoryPerRule)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
