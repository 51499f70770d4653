// Reading and deriving a simulated million-record log, deriving alone, and parsing its lines alone.
#include "logdata/Logformat.h"
#include "logdata/Logreader.h"
#include "logdata/Logsimulator.h"
#include "suite/Fileunit.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
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

// The lines of the million-record log parsed into a store on one thread, without derivation:
// 0 = every line classified, then a record line's fields read by the general rules; 1 = as the
// reader does it (the usual record line in one pass, the general rules for the rest).
void ParseLines(benchmark::State& state)
{
    driftline::TSimulateOptions options;
    options.records = 1000000;
    const std::string text = driftline::SimulateLog(options);
    const bool reader = state.range(0) == 1;
    for (auto _ : state) {
        driftline::TSampleStore store;
        store.reserveRecords(text.size() / 12);
        std::size_t start = 0;
        while (start < text.size()) {
            const void* lf = std::memchr(text.data() + start, '\n', text.size() - start);
            const std::size_t end = lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - text.data())
                                       : text.size();
            std::string_view line(text.data() + start, end - start);
            if (!line.empty() && line.back() == '\r')
                line.remove_suffix(1);
            if (reader) {
                driftline::parseLogLine(line, store, false);
            } else if (driftline::ClassifyLine(line) == driftline::LineKind::Record) {
                driftline::RawRecord raw;
                const auto parsed = driftline::ParseRecordLine(line, raw);
                if (parsed != driftline::RecordParse::Malformed)
                    store.appendRecord(raw, parsed == driftline::RecordParse::WithVolts);
            } else {
                driftline::parseLogLine(line, store, false);
            }
            start = end + 1;
        }
        if (store.allRecords().size() != 1000000)
            state.SkipWithError("records lost");
        benchmark::DoNotOptimize(store.allRecords().data());
    }
    state.SetItemsProcessed(state.iterations() * 1000000);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(ParseLines)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);

}  // namespace

BENCHMARK_MAIN();
