// Speed of the viewer's drawing and interaction, on the offscreen platform: DrawView of a million
// samples (fast path and every segment), a mouse move over the plot during a drag, opening a
// million-record log to the first complete plot, and the peak memory after five zooms.
#include "app/Mainunit.h"
#include "plot/canvas/Drawview.h"
#include "plot/canvas/Plotrender.h"
#include "plot/ui/Plotunit.h"
#include "suite/Globalunit.h"

#include "Benchwindow.h"
#include "Driftscan.h"

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

void DrawViewOf(benchmark::State& state, Quantity h, Quantity w, DrawMode mode)
{
    const SampleList samples = bench::DriftScan(static_cast<std::size_t>(state.range(0)));
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

std::filesystem::path MillionRecordLog()
{
    return bench::SimulatedLog(1000000, "million.log");
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
    const std::filesystem::path log = bench::SimulatedLog(state.range(0),
                                                          "simulated-" + std::to_string(state.range(0)) + ".log");
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
    return driftline::bench::RunWindowBenchmarks(argc, argv);
}
