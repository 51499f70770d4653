// Reading and deriving a simulated million-record log, and deriving alone.
#include "logdata/Logreader.h"
#include "logdata/Logsimulator.h"
#include "suite/Fileunit.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

// The log is made once per process, in /tmp, and removed at exit.
const std::filesystem::path& MillionRecordLog()
{
    static const struct TLog {
        std::filesystem::path path;
        TLog()
        {
            path = std::filesystem::temp_directory_path() /
                   ("driftline-bench-" + std::to_string(::getpid()) + "-1m.log");
            driftline::TSimulateOptions options;
            options.records = 1000000;
            std::string error;
            if (!driftline::WriteFileAtomically(path, driftline::SimulateLog(options), error))
                path.clear();
        }
        ~TLog()
        {
            std::error_code ec;
            if (!path.empty())
                std::filesystem::remove(path, ec);
        }
    } log;
    return log.path;
}

void ReadAndDerive(benchmark::State& state)
{
    const auto& path = MillionRecordLog();
    if (path.empty()) {
        state.SkipWithError("cannot write the log in /tmp");
        return;
    }
    const unsigned threads = static_cast<unsigned>(state.range(0));
    for (auto _ : state) {
        driftline::TSampleStore store;
        const auto result = driftline::readLogFile(path, store, nullptr, threads);
        if (result.status != driftline::TReadResult::Ok || store.allSamples().size() != 1000000)
            state.SkipWithError("log not read completely");
        benchmark::DoNotOptimize(store.allSamples().base());
    }
    state.SetItemsProcessed(state.iterations() * 1000000);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(std::filesystem::file_size(path)));
}
BENCHMARK(ReadAndDerive)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

void RefreshOnly(benchmark::State& state)
{
    const auto& path = MillionRecordLog();
    driftline::TSampleStore store;
    if (path.empty() || driftline::readLogFile(path, store, nullptr).status != driftline::TReadResult::Ok) {
        state.SkipWithError("cannot read the log");
        return;
    }
    store.azimuthCorrection = store.loggedAzimuthCorrection + 3;
    const unsigned threads = static_cast<unsigned>(state.range(0));
    for (auto _ : state) {
        store.rebuildSamples(threads);
        benchmark::DoNotOptimize(store.allSamples().base());
    }
    state.SetItemsProcessed(state.iterations() * 1000000);
}
BENCHMARK(RefreshOnly)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
