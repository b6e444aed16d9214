// The firewall's speed, measured in network namespaces this program makes for itself
// (FirewallBench.h); without root or namespaces every benchmark is skipped, saying why.
//   BM_ApplyClosedPorts     one policy of 10,000 closed ports applied through the
//                           service's request path (target: under 50 ms)
//   BM_AlertLatency         one refused connection until alertes.xml holds it, merged
//                           into its row (target: under 1 s)
//   BM_ServiceIdle          the idle service's processor time over ten seconds (target:
//                           none measurable, 0 clock ticks)
//   BM_ThroughputWithTable  TCP over the veth pair, one connection at full speed, with the
//                           table of 10,000 closed ports against without it, alternating in
//                           the same run (target: at least 95 %)

#include "FirewallBench.h"
#include "Median.h"

#include "workspace/Names.h"
#include "workspace/Table.h"
#include "workspace/TableFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <fstream>
#include <iterator>
#include <sstream>

#include <sys/file.h>

namespace {

using namespace orvanel;
using namespace orvanel::bench;
using namespace Qt::StringLiterals;

// The port alertes.xml's row is about: closed by the alert figure's policy.
constexpr std::uint16_t AlertPort = 8080;
constexpr auto AlertReason = "closed port, outgoing: TCP 8080"_L1;

bool ready(benchmark::State& state)
{
    const std::string& unavailable = networkPair().unavailable;
    if (!unavailable.empty())
        state.SkipWithError(("skipped: " + unavailable).c_str());
    return unavailable.empty();
}

void BM_ApplyClosedPorts(benchmark::State& state)
{
    if (!ready(state))
        return;
    QTemporaryDir stateDir;
    netd::ServiceOptions options;
    options.stateDir = stateDir.path().toStdString();
    netd::Service service(options);
    // Stealth on and off in turn, so that every apply is a transaction of its own.
    const std::string requests[] = {applyRequest(closedPortsPolicy(false)),
                                    applyRequest(closedPortsPolicy(true))};
    std::size_t applied = 0;
    for (auto _ : state) {
        const std::string answer = service.answer(requests[applied++ % 2], rootPeer());
        if (answer.find("\"changed\":true") == std::string::npos) {
            state.SkipWithError(("not applied: " + answer).c_str());
            break;
        }
    }
    std::string error;
    service.removeTable(&error);
    state.counters["closed_ports"] = double(closedPortsPolicy(false).closedPorts.size());
}
BENCHMARK(BM_ApplyClosedPorts)->Iterations(20)->UseRealTime()->Unit(benchmark::kMillisecond);

// The workspace of the alert figure: netpro.exe and netalerte.exe, alert level 2, the
// firewall on with the alert port closed.
bool prepareWorkspace(const QDir& workspace)
{
    const QString engine = QString::fromLocal8Bit(ORVANEL_NETPRO);
    const auto write = [&](QLatin1StringView name, const QByteArray& text) {
        QFile file(workspace.filePath(name));
        return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
    };
    return workspace.mkpath(u"."_s) && QFile::copy(engine, workspace.filePath(u"netpro.exe"_s)) &&
           QFile::copy(engine, workspace.filePath(u"netalerte.exe"_s)) &&
           write(names::TrackFile, "2\r\n") && write(names::FirewallFile, "1\r\n") &&
           write(names::ClosedPortsFile, QByteArray::number(AlertPort) + "\r\n");
}

bool alertEngineRuns(const QDir& workspace)
{
    const QByteArray path = QFile::encodeName(workspace.filePath(u".netalerte.lock"_s));
    const netd::Fd fd(open(path.constData(), O_RDONLY | O_CLOEXEC));
    return fd && flock(fd.get(), LOCK_SH | LOCK_NB) != 0;
}

// The attempts counted in the alert port's row of alertes.xml (0 before it exists).
int alertAttempts(const QDir& workspace)
{
    Table alerts;
    defineFields(alerts, TableId::Alerts);
    if (!alerts.open(workspace.filePath(u"alertes.xml"_s)))
        return 0;
    for (alerts.first(); !alerts.atEnd(); alerts.next())
        if (alerts.value(u"Champ3") == AlertReason)
            return alerts.value(u"Champ6").toInt();
    return 0;
}

// Runs netpro.exe with the firewall on, as the scheduler would; it starts netalerte.exe.
// The alert engine takes its lock before it subscribes to the service, so attempts are
// made until the first one is recorded: from then on none is lost.
bool startAlertEngine(const QDir& workspace, const QDir& home, const QString& socket)
{
    QProcessEnvironment environment = engineEnvironment(home.path(), home.path());
    environment.insert(u"ORVANEL_NETD_SOCKET"_s, socket);
    if (!runQuiet(workspace.filePath(u"netpro.exe"_s), {u"1 0 0 0 0 0 0 0 1 0 1 1 0"_s},
                  environment) ||
        !waitFor([&] { return alertEngineRuns(workspace); }, std::chrono::seconds(10)))
        return false;
    for (int tries = 0; tries < 20; ++tries)
        if (connectionRefused(OutsideAddress, AlertPort) &&
            waitFor([&] { return alertAttempts(workspace) > 0; }, std::chrono::seconds(1)))
            return true;
    return false;
}

void BM_AlertLatency(benchmark::State& state)
{
    if (!ready(state))
        return;
    QTemporaryDir dir;
    const QDir workspace(dir.filePath(u"workspace"_s)), home(dir.filePath(u"home"_s));
    {
        RunningService service(dir.path());
        if (!prepareWorkspace(workspace) || !home.mkpath(u"."_s) || !service.ready() ||
            !startAlertEngine(workspace, home, service.socket())) {
            state.SkipWithError(
                "the service or netalerte.exe did not start, or no attempt was recorded");
            return;
        }
        int attempts = alertAttempts(workspace);
        for (auto _ : state) {
            const auto start = std::chrono::steady_clock::now();
            ++attempts;
            if (!connectionRefused(OutsideAddress, AlertPort)) {
                state.SkipWithError("the connection to the closed port was not refused");
                break;
            }
            if (!waitFor([&] { return alertAttempts(workspace) >= attempts; },
                         std::chrono::seconds(10))) {
                state.SkipWithError("the refused connection never reached alertes.xml");
                break;
            }
            state.SetIterationTime(
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
            // The rules log at most ten packets a second.
            std::this_thread::sleep_for(std::chrono::milliseconds(150));
        }
        state.counters["attempts_in_row"] = alertAttempts(workspace);
    }
    // The alert engine ends with the service.
    waitFor([&] { return !alertEngineRuns(workspace); }, std::chrono::seconds(10));
}
BENCHMARK(BM_AlertLatency)->Iterations(10)->UseManualTime()->Unit(benchmark::kMillisecond);

// A process's time on the processor: clock ticks in user and kernel mode
// (/proc/PID/stat, fields 14 and 15), and nanoseconds (/proc/PID/schedstat, first field).
struct ProcessorTime
{
    long long ticks = 0;
    long long nanoseconds = 0;
};

ProcessorTime processorTime(pid_t pid)
{
    const std::string dir = "/proc/" + std::to_string(pid);
    ProcessorTime time;
    std::ifstream stat(dir + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    // The program name in parentheses may hold blanks; the fields after it do not.
    std::istringstream fields(text.substr(std::min(text.size(), text.rfind(')') + 1)));
    std::string field;
    long long utime = 0, stime = 0;
    for (int index = 3; index <= 15 && fields >> field; ++index) {
        if (index == 14)
            utime = std::stoll(field);
        if (index == 15)
            stime = std::stoll(field);
    }
    time.ticks = utime + stime;
    std::ifstream(dir + "/schedstat") >> time.nanoseconds;
    return time;
}

void BM_ServiceIdle(benchmark::State& state)
{
    if (!ready(state))
        return;
    QTemporaryDir dir;
    RunningService service(dir.path());
    std::string error;
    const auto answer = service.ready()
                            ? netd::exchange(service.socket().toStdString(),
                                             applyRequest(closedPortsPolicy(false)) + "\n",
                                             std::chrono::seconds(10), &error)
                            : std::nullopt;
    if (!answer || answer->find("generation") == std::string::npos) {
        state.SkipWithError(("the service took no policy: " + answer.value_or(error)).c_str());
        return;
    }
    std::this_thread::sleep_for(std::chrono::seconds(1));
    // Two of the service's looks at its table (every five seconds) fall in the window.
    constexpr auto window = std::chrono::seconds(10);
    ProcessorTime used;
    for (auto _ : state) {
        const ProcessorTime before = processorTime(service.pid());
        std::this_thread::sleep_for(window);
        const ProcessorTime after = processorTime(service.pid());
        used = {after.ticks - before.ticks, after.nanoseconds - before.nanoseconds};
        state.SetIterationTime(double(used.nanoseconds) / 1e9);
    }
    state.counters["clock_ticks"] = double(used.ticks);
    state.counters["processor_us"] = double(used.nanoseconds) / 1e3;
    state.counters["percent_of_one_core"] =
        100.0 * double(used.nanoseconds) / double(std::chrono::nanoseconds(window).count());
}
BENCHMARK(BM_ServiceIdle)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_ThroughputWithTable(benchmark::State& state)
{
    if (!ready(state))
        return;
    constexpr std::size_t SampleBytes = 128u << 20;
    constexpr int Rounds = 60;
    Receiver receiver(networkPair().outside.get(), SampleBytes);
    netd::Service service(netd::ServiceOptions{});
    const std::string tableOn = applyRequest(closedPortsPolicy(false));
    const std::string tableOff = applyRequest(netd::Policy{});
    std::vector<double> without, with;
    const bool listening = receiver.listening();
    Sender sender(SampleBytes);
    const bool connected = listening && sender.megabytesPerSecond() > 0;
    for (auto _ : state) {
        // Each round measures both, in turns of order.
        for (int round = 0; connected && round < Rounds; ++round)
            for (const bool loaded : {round % 2 == 0, round % 2 != 0}) {
                const bool applied =
                    service.answer(loaded ? tableOn : tableOff, rootPeer()).find("\"error\"") ==
                    std::string::npos;
                (loaded ? with : without).push_back(applied ? sender.megabytesPerSecond() : 0);
            }
    }
    service.answer(tableOff, rootPeer());
    if (!connected || std::count(with.begin(), with.end(), 0.0) ||
        std::count(without.begin(), without.end(), 0.0)) {
        state.SkipWithError("no table applied or no TCP connection over the veth pair");
        return;
    }
    // Each round's two figures are compared with each other: the other work of a busy
    // machine moves both of a round alike, and the median passes over the rounds it spoiled.
    std::vector<double> ratios;
    for (std::size_t i = 0; i < with.size() && i < without.size(); ++i)
        ratios.push_back(with[i] / without[i]);
    state.counters["MBps_without_table"] = median(without);
    state.counters["MBps_with_table"] = median(with);
    state.counters["percent_with_table"] = 100.0 * median(ratios);
}
BENCHMARK(BM_ThroughputWithTable)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    std::signal(SIGPIPE, SIG_IGN);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    // Before any thread starts: the whole program moves into its own namespace.
    setUpNetworkPair();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    tearDownNetworkPair();
    return 0;
}
