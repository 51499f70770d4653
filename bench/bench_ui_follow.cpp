// The window following a 1,000,000-record log that grows by 10 records a second: the CPU time of
// the window's thread over the run, and how long a new record takes to reach the plot.
#include "app/Mainunit.h"
#include "suite/Globalunit.h"

#include "Benchwindow.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/resource.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using namespace driftline;

namespace {

using Clock = std::chrono::steady_clock;

double ThreadCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// A fresh million-record log (simulate's drift scan, one record a second from 21:03:15).
std::filesystem::path MillionRecordLog(const char* name)
{
    return bench::SimulatedLog(1000000, name, true);
}

// Appends one record line every 100 ms, each in one write, noting when each went out.
class TWriter {
public:
    TWriter(const std::filesystem::path& log, std::chrono::seconds duration)
    {
        thread_ = std::thread([this, log, duration] {
            const int fd = ::open(log.c_str(), O_WRONLY | O_APPEND);
            const auto start = Clock::now();
            for (int i = 0; Clock::now() - start < duration && !stop_; ++i) {
                // After the simulated records, which end at 10:49:54 on day 12 of the scan:
                // from 11:06:40 on, ten a second, so the time axis grows with every record.
                const std::string line = std::to_string(40000000 + i * 100) + " 16384 3641 " +
                                         std::to_string(1000 + i % 200) + "\r\n";
                {
                    const std::lock_guard<std::mutex> lock(mutex_);
                    written_.push_back(Clock::now());
                }
                if (::write(fd, line.data(), line.size()) != static_cast<ssize_t>(line.size()))
                    break;
                std::this_thread::sleep_until(start + std::chrono::milliseconds(100) * (i + 1));
            }
            ::close(fd);
            done_ = true;
        });
    }
    ~TWriter()
    {
        stop_ = true;
        thread_.join();
    }
    bool done() const { return done_; }
    // When record k of the appended ones was written (k below count()).
    Clock::time_point writtenAt(std::size_t k)
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        return written_[k];
    }
    std::size_t count()
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        return written_.size();
    }

private:
    std::thread thread_;
    std::mutex mutex_;
    std::vector<Clock::time_point> written_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> done_{false};
};

// CPU of the window's thread while the log grows for range(0) seconds, as a share of one core.
void BM_FollowWindowCpu(benchmark::State& state)
{
    const std::filesystem::path log = MillionRecordLog("cpu.log");
    for (auto _ : state) {
        TForm1 form;
        form.resize(795, form.height());
        form.show();
        if (log.empty() || !form.openLogFile(QString::fromStdString(log.string()), true)) {
            state.SkipWithError("cannot follow the log");
            return;
        }
        QApplication::processEvents();
        const std::size_t before = form.session().store().allSamples().size();
        const std::uint64_t redrawsBefore = form.fullRedraws;
        const double cpu0 = ThreadCpuSeconds();
        const auto wall0 = Clock::now();
        {
            TWriter writer(log, std::chrono::seconds(state.range(0)));
            QEventLoop loop;
            QTimer check;
            QObject::connect(&check, &QTimer::timeout, [&] {
                if (writer.done())
                    loop.quit();
            });
            check.start(1000);
            loop.exec();
        }
        QApplication::processEvents();
        const double cpu = ThreadCpuSeconds() - cpu0;
        const double wall = std::chrono::duration<double>(Clock::now() - wall0).count();
        state.counters["cpu_s"] = cpu;
        state.counters["cpu_share"] = cpu / wall;
        state.counters["records_added"] = static_cast<double>(form.session().store().allSamples().size() - before);
        state.counters["full_redraws"] = static_cast<double>(form.fullRedraws - redrawsBefore);
        state.counters["appended_draws"] = static_cast<double>(form.appendedDraws);
    }
}
BENCHMARK(BM_FollowWindowCpu)->Arg(60)->Arg(15)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();

// From a record line written to its point in the plot, for every record of range(0) seconds of
// growth (the window is looked at every 2 ms, which costs CPU of its own: not a CPU figure).
void BM_FollowWindowLatency(benchmark::State& state)
{
    const std::filesystem::path log = MillionRecordLog("latency.log");
    for (auto _ : state) {
        TForm1 form;
        form.resize(795, form.height());
        form.show();
        if (log.empty() || !form.openLogFile(QString::fromStdString(log.string()), true)) {
            state.SkipWithError("cannot follow the log");
            return;
        }
        QApplication::processEvents();
        const std::size_t before = form.plottedPoints().size();
        std::vector<double> latencies;
        {
            TWriter writer(log, std::chrono::seconds(state.range(0)));
            QEventLoop loop;
            QTimer check;
            QObject::connect(&check, &QTimer::timeout, [&] {
                const auto now = Clock::now();
                while (before + latencies.size() < form.plottedPoints().size() && latencies.size() < writer.count())
                    latencies.push_back(
                        std::chrono::duration<double, std::milli>(now - writer.writtenAt(latencies.size())).count());
                if (writer.done() && latencies.size() >= writer.count())
                    loop.quit();
            });
            check.start(2);
            loop.exec();
        }
        std::sort(latencies.begin(), latencies.end());
        if (latencies.empty()) {
            state.SkipWithError("nothing arrived");
            return;
        }
        state.counters["records"] = static_cast<double>(latencies.size());
        state.counters["median_ms"] = latencies[latencies.size() / 2];
        state.counters["p95_ms"] = latencies[latencies.size() * 95 / 100];
        state.counters["max_ms"] = latencies.back();
    }
}
BENCHMARK(BM_FollowWindowLatency)->Arg(20)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();

}  // namespace

int main(int argc, char** argv)
{
    return driftline::bench::RunWindowBenchmarks(argc, argv);
}
