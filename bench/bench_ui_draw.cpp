// Speed of the viewer's drawing and interaction, on the offscreen platform: DrawView of a million
// samples (fast path and every segment), a mouse move over the plot during a drag, opening a
// million-record log to the first complete plot, and the peak memory after five zooms.
#include "app/Mainunit.h"
#include "plot/canvas/Drawview.h"
#include "plot/canvas/Plotrender.h"
#include "plot/ui/Plotunit.h"
#include "suite/Globalunit.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>

using namespace driftline;

namespace {

std::filesystem::path cliPath;  // driftline-cli, found beside the benchmark's folder
std::unique_ptr<QTemporaryDir> suite;

// A drift scan: time rising steadily, volts a noisy bump; azimuth jitters by a count.
SampleList DriftScan(std::size_t n)
{
    std::mt19937 rng(5);
    std::normal_distribution<double> noise(0.0, 0.02);
    SampleList list(n);
    for (std::size_t i = 0; i < n; ++i) {
        Sample& s = list[i];
        s[Time] = 40310.8772 + static_cast<double>(i) / 86400.0;
        s[Azimuth] = 180.0 + (static_cast<int>(rng() % 3) - 1) * 0.010986328125;
        s[Altitude] = 40.0;
        const double u = (static_cast<double>(i) / static_cast<double>(n) - 0.5) * 8.0;
        s[Volts] = 1.0 + 1.5 * std::exp(-u * u) + noise(rng);
        s[RightAscension] = 200.0 + static_cast<double>(i) * 15.0 / 3600.0;
        s[Declination] = 30.0;
        s[Beta] = 60.0;
        s[Lambda] = 100.0;
    }
    return list;
}

void DrawViewOf(benchmark::State& state, Quantity h, Quantity w, DrawMode mode)
{
    const SampleList samples = DriftScan(static_cast<std::size_t>(state.range(0)));
    TPlotView view;
    view.horizontalQuantity = h;
    view.verticalQuantity = w;
    view.rescaleAll(samples, {});
    TPlotCanvas plot(PlotRect(0, 0, DefaultPlotWidth, DefaultPlotHeight));
    SetUpPlot(plot);
    PlottedPoints points;
    for (auto _ : state) {
        DrawView(plot, view, samples, false, points, mode);
        benchmark::DoNotOptimize(plot.Bitmap.constBits());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_DrawView_VoltsAgainstTime(benchmark::State& state)
{
    DrawViewOf(state, Time, Volts, DrawMode::Fast);
}
BENCHMARK(BM_DrawView_VoltsAgainstTime)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_DrawView_VoltsAgainstTime_EverySegment(benchmark::State& state)
{
    DrawViewOf(state, Time, Volts, DrawMode::EverySegment);
}
BENCHMARK(BM_DrawView_VoltsAgainstTime_EverySegment)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(2);

// The worst case for the fast path: a parked dish whose azimuth jitters by one count puts
// consecutive samples at opposite sides of the plot, so nothing can be joined.
void BM_DrawView_VoltsAgainstJitteringAzimuth(benchmark::State& state)
{
    DrawViewOf(state, Azimuth, Volts, DrawMode::Fast);
}
BENCHMARK(BM_DrawView_VoltsAgainstJitteringAzimuth)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(3);

// A simulated log of that many records in the suite's Logs folder, made once.
std::filesystem::path SimulatedLog(long records)
{
    const std::filesystem::path log =
        std::filesystem::path(suite->path().toStdString()) / "Logs" / ("simulated-" + std::to_string(records) + ".log");
    if (!std::filesystem::exists(log)) {
        std::string command(1, '\'');
        command += cliPath.string();
        command += "' simulate '";
        command += log.string();
        command += "' --records ";
        command += std::to_string(records);
        if (std::system(command.c_str()) != 0)
            return {};
    }
    return log;
}

std::filesystem::path MillionRecordLog()
{
    return SimulatedLog(1000000);
}

// From the open command to the first complete plot: read, derive, rescale, draw.
void BM_OpenMillionRecordLog(benchmark::State& state)
{
    const std::filesystem::path log = MillionRecordLog();
    if (log.empty()) {
        state.SkipWithError("driftline-cli simulate failed");
        return;
    }
    TForm1 form;
    const QString path = QString::fromStdString(log.string());
    for (auto _ : state) {
        if (!form.openLogFile(path)) {
            state.SkipWithError("cannot open the log");
            return;
        }
    }
    state.counters["samples"] = static_cast<double>(form.session().store().allSamples().size());
}
BENCHMARK(BM_OpenMillionRecordLog)->Unit(benchmark::kMillisecond)->Iterations(3);

// The viewer from its start to the full plot of a large log: a new main window, the open command,
// read, derive, rescale and draw; the window (and with it the lists) is freed between iterations
// outside the timing, as a user starting the viewer again would find the memory.
void BM_StartToFullPlot(benchmark::State& state)
{
    const std::filesystem::path log = SimulatedLog(state.range(0));
    if (log.empty()) {
        state.SkipWithError("driftline-cli simulate failed");
        return;
    }
    const QString path = QString::fromStdString(log.string());
    std::size_t samples = 0;
    for (auto _ : state) {
        auto form = std::make_unique<TForm1>();
        if (!form->openLogFile(path)) {
            state.SkipWithError("cannot open the log");
            return;
        }
        samples = form->session().store().allSamples().size();
        state.PauseTiming();
        form.reset();
        state.ResumeTiming();
    }
    state.counters["samples"] = static_cast<double>(samples);
}
BENCHMARK(BM_StartToFullPlot)->Arg(10000000)->Unit(benchmark::kMillisecond)->Iterations(2);

// A mouse move during a drag over a plot of a million samples: repaint from the bitmap, the
// read-out, the zoom band, and the widget's paint.
void BM_MouseMoveDuringDrag(benchmark::State& state)
{
    const std::filesystem::path log = MillionRecordLog();
    TForm1 form;
    form.show();
    if (log.empty() || !form.openLogFile(QString::fromStdString(log.string()))) {
        state.SkipWithError("cannot open the log");
        return;
    }
    QApplication::processEvents();
    form.PlotMouseDown(Qt::LeftButton, 100, 200);
    int x = 120;
    for (auto _ : state) {
        form.PlotMouseMove(x, 200);
        form.Plot->repaint();
        x = x < 500 ? x + 1 : 120;
    }
    form.PlotMouseUp(Qt::RightButton, x, 200);
}
BENCHMARK(BM_MouseMoveDuringDrag)->Unit(benchmark::kMicrosecond);

// One zoom in the window on the million-record log, as a mouse release runs it: filter both
// lists into the undo history, rescaleAll and the redraw. The band keeps the given per mille of
// the area's width (990: nearly every sample, the most copying). Undo, untimed, restores the
// lists for the next run.
void BM_ZoomInWindow(benchmark::State& state)
{
    const std::filesystem::path log = MillionRecordLog();
    TForm1 form;
    if (log.empty() || !form.openLogFile(QString::fromStdString(log.string()))) {
        state.SkipWithError("cannot open the log");
        return;
    }
    const int keep = static_cast<int>(state.range(0));
    const int width = form.Plot->Canvas.Area.right - form.Plot->Canvas.Area.left;
    for (auto _ : state) {
        const int start = form.Plot->Canvas.Area.left + 1;
        form.ZoomToBand({start, start + width * keep / 1000});
        state.PauseTiming();
        form.tbUndoClick();
        state.ResumeTiming();
    }
    state.counters["samples"] = static_cast<double>(form.session().store().allSamples().size());
}
BENCHMARK(BM_ZoomInWindow)->Arg(990)->Arg(500)->Unit(benchmark::kMillisecond)->Iterations(5);

// One step of resizing the window that shows the million-record log, as a drag of its edge gives
// them: the window's new size, the layout, the plot's new canvas, the view's new area, the
// plotted points computed for it, the redraw, and the widget's paint. Steps alternate between two
// sizes 12 pixels apart each way (each step a real change of size); the argument is the plot's
// width at the smaller one.
void BM_ResizeWindowStep(benchmark::State& state)
{
    const std::filesystem::path log = MillionRecordLog();
    TForm1 form;
    form.show();
    if (log.empty() || !form.openLogFile(QString::fromStdString(log.string()))) {
        state.SkipWithError("cannot open the log");
        return;
    }
    QApplication::processEvents();
    // The plot at the smaller size: the argument's width by three quarters of it.
    const int plotWidth = static_cast<int>(state.range(0));
    const QSize small(form.width() - form.Plot->width() + plotWidth,
                      form.height() - form.Plot->height() + plotWidth * 3 / 4);
    const QSize large = small + QSize(12, 12);
    bool toLarge = true;
    const std::uint64_t redrawsBefore = form.fullRedraws;
    for (auto _ : state) {
        form.resize(toLarge ? large : small);
        QApplication::processEvents();
        form.Plot->repaint();
        toLarge = !toLarge;
    }
    if (form.fullRedraws - redrawsBefore < static_cast<std::uint64_t>(state.iterations()))
        state.SkipWithError("a step did not redraw the plot");
    state.counters["plot_w"] = form.Plot->width();
    state.counters["plot_h"] = form.Plot->height();
    state.counters["samples"] = static_cast<double>(form.session().store().allSamples().size());
}
BENCHMARK(BM_ResizeWindowStep)->Arg(600)->Arg(1200)->Unit(benchmark::kMillisecond)->Iterations(20);

long PeakResidentKiB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    return -1;
}

// Resets the process's peak resident size to its current size (Linux 4.0 and later).
void ResetPeakResident()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

// Open a million-record log and zoom five times, each zoom keeping the given per mille of the
// area's width: 500 halves the selection each time; 990 keeps nearly all of it, so the undo
// histories hold five nearly full copies of both lists (the worst case).
void BM_FiveZoomsPeakMemory(benchmark::State& state)
{
    const std::filesystem::path log = MillionRecordLog();
    ResetPeakResident();
    TForm1 form;
    if (log.empty() || !form.openLogFile(QString::fromStdString(log.string()))) {
        state.SkipWithError("cannot open the log");
        return;
    }
    // The read has its own peak (block buffer, records and dates beside the samples); the
    // zooms' peak is taken from the resident size the open leaves behind.
    const long openPeakKiB = PeakResidentKiB();
    ResetPeakResident();
    const int keep = static_cast<int>(state.range(0));
    for (auto _ : state) {
        for (int i = 0; i < 5; ++i) {
            const int width = form.Plot->Canvas.Area.right - form.Plot->Canvas.Area.left;
            const int start = form.Plot->Canvas.Area.left + 1;
            form.ZoomToBand({start, start + width * keep / 1000});
        }
    }
    const long zoomPeakKiB = PeakResidentKiB();
    state.counters["open_peak_MiB"] = static_cast<double>(openPeakKiB) / 1024.0;
    state.counters["zoom_peak_MiB"] = static_cast<double>(zoomPeakKiB) / 1024.0;
    state.counters["peak_MiB"] = static_cast<double>(std::max(openPeakKiB, zoomPeakKiB)) / 1024.0;
    state.counters["samples_left"] = static_cast<double>(form.session().store().allSamples().size());
}
BENCHMARK(BM_FiveZoomsPeakMemory)->Arg(500)->Arg(990)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv)
{
    cliPath = std::filesystem::absolute(std::filesystem::path(argv[0])).parent_path().parent_path() / "driftline-cli";
    // The window benchmarks need widgets: a QApplication, on the offscreen platform unless one
    // is named.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    suite = std::make_unique<QTemporaryDir>();
    QDir(suite->path()).mkpath("Logs");
    TGlobalOptions options;
    options.rootFolder = suite->path().toStdString();
    InstallGlobal(options);

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    suite.reset();
    DestroyGlobal();
    return 0;
}
