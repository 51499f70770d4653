// Following a growing log: how long from a complete line written to its sample, in the core and
// through driftline-cli derive --follow, and what a look at an idle file costs.
#include "logdata/Logfollower.h"
#include "logdata/Logsimulator.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

using namespace driftline;

std::filesystem::path TempLog(const char* name, std::uint64_t records)
{
    const auto path = std::filesystem::temp_directory_path() / name;
    TSimulateOptions options;
    options.records = records;
    std::ofstream(path, std::ios::binary) << SimulateLog(options);
    return path;
}

// Median, 95th percentile and largest of the latencies, in microseconds, as counters.
void LatencyCounters(benchmark::State& state, std::vector<double> micros)
{
    if (micros.empty())
        return;
    std::sort(micros.begin(), micros.end());
    state.counters["median_us"] = micros[micros.size() / 2];
    state.counters["p95_us"] = micros[micros.size() * 95 / 100];
    state.counters["max_us"] = micros.back();
}

using Clock = std::chrono::steady_clock;

std::string RecordLine(std::uint64_t i)
{
    return std::to_string(40000000 + (i % 40000000)) + " 16384 3641 " + std::to_string(1000 + i % 1000) + "\r\n";
}

// One record line written with write(2), then the follower woken by inotify takes it: the time
// per iteration is the latency from the write to the sample in the list.
void BM_FollowLatencyCore(benchmark::State& state)
{
    const auto path = TempLog("driftline-bench-follow-core.log", 1000);
    TSampleStore store;
    TLogFollower follower(store);
    if (follower.open(path).status != TReadResult::Ok || !follower.usesNotify()) {
        state.SkipWithError("cannot follow with inotify");
        return;
    }
    const int writer = ::open(path.c_str(), O_WRONLY | O_APPEND);
    std::uint64_t i = 0;
    std::vector<double> micros;
    for (auto _ : state) {
        const std::string line = RecordLine(i++);
        const std::size_t before = store.allSamples().size();
        const auto start = Clock::now();
        if (::write(writer, line.data(), line.size()) != static_cast<ssize_t>(line.size()))
            state.SkipWithError("write failed");
        while (store.allSamples().size() == before) {
            follower.wait(-1, 1000);
            follower.poll();
        }
        micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    LatencyCounters(state, std::move(micros));
    ::close(writer);
    std::filesystem::remove(path);
}
BENCHMARK(BM_FollowLatencyCore)->UseRealTime()->Unit(benchmark::kMicrosecond);

// Ten records arriving at once (one second of a 10-records-per-second log): the look that
// takes them, on a store that already holds range(0) records.
void BM_FollowTenRecords(benchmark::State& state)
{
    const auto path = TempLog("driftline-bench-follow-ten.log", static_cast<std::uint64_t>(state.range(0)));
    TSampleStore store;
    TLogFollower follower(store);
    follower.open(path);
    std::string ten;
    for (int k = 0; k < 10; ++k)
        ten += RecordLine(static_cast<std::uint64_t>(k));
    const int writer = ::open(path.c_str(), O_WRONLY | O_APPEND);
    for (auto _ : state) {
        state.PauseTiming();
        if (::write(writer, ten.data(), ten.size()) != static_cast<ssize_t>(ten.size()))
            state.SkipWithError("write failed");
        state.ResumeTiming();
        benchmark::DoNotOptimize(follower.poll());
    }
    ::close(writer);
    std::filesystem::remove(path);
}
BENCHMARK(BM_FollowTenRecords)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMicrosecond)->Iterations(300);

// A look at a file that has not changed, as the 500 ms clock makes where inotify cannot watch.
void BM_FollowIdleLook(benchmark::State& state)
{
    const auto path = TempLog("driftline-bench-follow-idle.log", 1000);
    TSampleStore store;
    TLogFollower::Options options;
    options.forceStatPolling = true;
    TLogFollower follower(store, options);
    follower.open(path);
    for (auto _ : state)
        benchmark::DoNotOptimize(follower.poll());
    std::filesystem::remove(path);
}
BENCHMARK(BM_FollowIdleLook)->Unit(benchmark::kMicrosecond);

#ifdef DRIFTLINE_CLI
// The whole tool: driftline-cli derive --follow runs on a pipe; each iteration writes one record
// line to the log and reads the pipe until its CSV line has come.
void BM_FollowLatencyCli(benchmark::State& state)
{
    const auto path = TempLog("driftline-bench-follow-cli.log", 1000);
    int out[2];
    if (::pipe(out) != 0) {
        state.SkipWithError("pipe");
        return;
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(out[1], 1);
        ::close(out[0]);
        const int devnull = ::open("/dev/null", O_WRONLY);
        ::dup2(devnull, 2);
        ::execl(DRIFTLINE_CLI, DRIFTLINE_CLI, "derive", path.c_str(), "--follow", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(out[1]);
    std::string pending;
    char buffer[1 << 16];
    std::size_t lines = 0;
    // Reads until the output holds `want` lines in all.
    auto readLines = [&](std::size_t want) {
        while (lines < want) {
            const ssize_t n = ::read(out[0], buffer, sizeof buffer);
            if (n <= 0)
                return false;
            for (ssize_t k = 0; k < n; ++k)
                lines += buffer[k] == '\n' ? 1 : 0;
        }
        return true;
    };
    if (!readLines(1001)) {  // header and the 1000 records there are
        state.SkipWithError("driftline-cli did not start following");
        return;
    }
    const int writer = ::open(path.c_str(), O_WRONLY | O_APPEND);
    std::uint64_t i = 0;
    std::vector<double> micros;
    for (auto _ : state) {
        const std::string line = RecordLine(i++);
        const auto start = Clock::now();
        if (::write(writer, line.data(), line.size()) != static_cast<ssize_t>(line.size()) || !readLines(lines + 1))
            state.SkipWithError("no line came back");
        micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    LatencyCounters(state, std::move(micros));
    ::close(writer);
    ::kill(pid, SIGTERM);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ::close(out[0]);
    std::filesystem::remove(path);
}
BENCHMARK(BM_FollowLatencyCli)->UseRealTime()->Unit(benchmark::kMicrosecond);
#endif

}  // namespace

BENCHMARK_MAIN();
