// One snapshot of the interface table (both calls, through GetIfTableArray) beside a bare
// rtnetlink link dump of the same interfaces, at 20, 200 and 2,000 interfaces.
//
// The interfaces live in network namespaces made for the run. The benchmarks run in a child
// process; the parent only waits for it and then removes the namespaces, so they go away
// whether the child ends, fails or is killed.

#include <benchmark/benchmark.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

#include "BareDump.h"
#include "IPHelper.h"

namespace {

constexpr const char* Prefix = "brisvale-bench-";
constexpr int Sizes[] = {20, 200, 2000};

int shell(const std::string& command)
{
    const int status = std::system(command.c_str());
    return status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Namespaces of earlier runs whose process is gone.
void removeAbandoned()
{
    std::unique_ptr<FILE, int (*)(FILE*)> list(popen("ip netns list 2>/dev/null", "r"), pclose);
    if (!list)
        return;
    char line[256];
    while (std::fgets(line, sizeof line, list.get()) != nullptr) {
        std::string name(line);
        name = name.substr(0, name.find_first_of(" \n"));
        if (name.rfind(Prefix, 0) != 0)
            continue;
        const long pid = std::strtol(name.c_str() + std::char_traits<char>::length(Prefix), nullptr, 10);
        if (pid > 0 && kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
            shell("ip netns del " + name);
    }
}

void removeNamespaces(const std::vector<std::string>& names)
{
    for (const auto& name : names)
        shell("ip netns del " + name + " 2>/dev/null");
}

// The loopback and `count` veth ends, made in one batch.
bool makeNamespace(int count, const std::string& name)
{
    if (shell("ip netns add " + name) != 0)
        return false;
    const std::string batch = "/tmp/" + name + ".batch";
    {
        std::ofstream out(batch);
        for (int i = 0; i < count / 2; ++i)
            out << "link add a" << i << " type veth peer name b" << i << "\n";
        out << "link set lo up\n";
    }
    const bool made = shell("ip -n " + name + " -batch " + batch) == 0;
    std::remove(batch.c_str());
    return made;
}

bool enter(const std::string& name)
{
    const int fd = open(("/run/netns/" + name).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool entered = setns(fd, CLONE_NEWNET) == 0;
    close(fd);
    return entered;
}

void BM_Snapshot(benchmark::State& state, const std::string& name)
{
    if (!enter(name)) {
        state.SkipWithError("cannot enter the namespace");
        return;
    }
    TMIBIfArray rows;
    GetIfTableArray(rows);  // the first snapshot in a namespace probes speeds and descriptions
    for (auto _ : state) {
        TMIBIfArray snapshot;
        GetIfTableArray(snapshot);
        benchmark::DoNotOptimize(snapshot.data());
        if (snapshot.empty()) {
            state.SkipWithError("empty snapshot");
            break;
        }
    }
    state.counters["interfaces"] = static_cast<double>(rows.size());
}

// The first snapshot of a thread, which probes every interface's speed and description: paid
// once, then the details come from the cache.
void BM_FirstSnapshot(benchmark::State& state, const std::string& name)
{
    for (auto _ : state) {
        bool ok = false;
        std::thread fresh([&] {
            TMIBIfArray rows;
            if (enter(name))
                GetIfTableArray(rows);
            ok = !rows.empty();
        });
        fresh.join();
        if (!ok) {
            state.SkipWithError("no snapshot");
            break;
        }
    }
}

void BM_BareLinkDump(benchmark::State& state, const std::string& name)
{
    if (!enter(name)) {
        state.SkipWithError("cannot enter the namespace");
        return;
    }
    for (auto _ : state) {
        if (!brisvale::bench::bareLinkDump()) {
            state.SkipWithError("dump failed");
            break;
        }
    }
}

void registerAll(const std::vector<std::string>& names)
{
    for (std::size_t i = 0; i < names.size(); ++i) {
        // Appended rather than concatenated: GCC 12 at -O3 warns falsely about the latter.
        const auto named = [&](const char* base) { return std::string(base).append("/").append(std::to_string(Sizes[i])); };
        benchmark::RegisterBenchmark(named("BM_Snapshot").c_str(), BM_Snapshot, names[i])
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(named("BM_BareLinkDump").c_str(), BM_BareLinkDump, names[i])
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(named("BM_FirstSnapshot").c_str(), BM_FirstSnapshot, names[i])
            ->Unit(benchmark::kMicrosecond);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    if (geteuid() != 0) {
        std::fprintf(stderr, "platform_bench makes network namespaces: run it as root\n");
        return 1;
    }
    removeAbandoned();

    // The parent ignores interruptions while the child runs, so that it always gets to remove
    // the namespaces; the child keeps the default handling and stops as asked.
    std::signal(SIGINT, SIG_IGN);
    std::signal(SIGTERM, SIG_IGN);
    std::signal(SIGHUP, SIG_IGN);

    std::vector<std::string> names;
    bool ready = true;
    for (const int size : Sizes) {
        names.push_back(Prefix + std::to_string(getpid()) + "-" + std::to_string(size));
        ready = ready && makeNamespace(size, names.back());
    }
    int status = 1;
    if (ready) {
        const pid_t child = fork();
        if (child == 0) {
            std::signal(SIGINT, SIG_DFL);
            std::signal(SIGTERM, SIG_DFL);
            std::signal(SIGHUP, SIG_DFL);
            registerAll(names);
            benchmark::RunSpecifiedBenchmarks();
            benchmark::Shutdown();
            std::fflush(nullptr);
            _exit(0);
        }
        int childStatus = 0;
        if (child > 0) {
            while (waitpid(child, &childStatus, 0) < 0 && errno == EINTR) {
            }
            status = WIFEXITED(childStatus) ? WEXITSTATUS(childStatus) : 1;
        }
    } else {
        std::fprintf(stderr, "platform_bench: cannot make its network namespaces\n");
    }
    removeNamespaces(names);
    return status;
}
