// Speed of the picture's export and of the read-out of the sample under the mouse, on a million
// samples: the drawn plot written as SVG, PDF and PNG (Volts against Time, the drift scan's
// usual view; Azimuth against Time, whose azimuth jitters by a count; Time against Volts, whose
// noisy volts across the plot leave the most segments), the picture painted again at twice the
// device pixels, and the nearest-sample index built once per redraw, then asked.
#include "plot/Nearestpoint.h"
#include "plot/canvas/Drawview.h"
#include "plot/canvas/Plotexport.h"
#include "plot/canvas/Plotrender.h"

#include "Driftscan.h"

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QTemporaryDir>

#include <cmath>
#include <filesystem>
#include <memory>
#include <random>
#include <string>

using namespace driftline;

namespace {

std::unique_ptr<QTemporaryDir> folder;

const SampleList& Samples()
{
    static const SampleList samples = bench::DriftScan(1000000);
    return samples;
}

void Export(benchmark::State& state, Quantity h, Quantity w, PictureFormat format, const char* name)
{
    TPlotView view;
    view.horizontalQuantity = h;
    view.verticalQuantity = w;
    view.rescaleAll(Samples(), {});
    TPlotCanvas plot(PlotRect(0, 0, DefaultPlotWidth, DefaultPlotHeight));
    SetUpPlot(plot);
    PlottedPoints points;
    DrawView(plot, view, Samples(), false, points);
    const std::filesystem::path out = std::filesystem::path(folder->path().toStdString()) / name;
    std::string error;
    for (auto _ : state) {
        if (!SavePlotPicture(plot, out, format, error)) {
            state.SkipWithError(error.c_str());
            break;
        }
    }
    state.counters["vertices"] = static_cast<double>(plot.Record.points.size());
    state.counters["file_KiB"] = static_cast<double>(std::filesystem::file_size(out)) / 1024.0;
}

void BM_ExportSvg_VoltsAgainstTime(benchmark::State& state)
{
    Export(state, Time, Volts, PictureFormat::Svg, "volts.svg");
}
void BM_ExportPdf_VoltsAgainstTime(benchmark::State& state)
{
    Export(state, Time, Volts, PictureFormat::Pdf, "volts.pdf");
}
void BM_ExportPng_VoltsAgainstTime(benchmark::State& state)
{
    Export(state, Time, Volts, PictureFormat::Png, "volts.png");
}
void BM_ExportSvg_AzimuthAgainstTime(benchmark::State& state)
{
    Export(state, Time, Azimuth, PictureFormat::Svg, "azimuth.svg");
}
void BM_ExportPdf_AzimuthAgainstTime(benchmark::State& state)
{
    Export(state, Time, Azimuth, PictureFormat::Pdf, "azimuth.pdf");
}
// Volts across the plot: noise sends nearly every sample to another column, so few join and the
// line runs back and forth over every row: the most segments a drift scan can give.
void BM_ExportSvg_TimeAgainstVolts(benchmark::State& state)
{
    Export(state, Volts, Time, PictureFormat::Svg, "across.svg");
}
void BM_ExportPdf_TimeAgainstVolts(benchmark::State& state)
{
    Export(state, Volts, Time, PictureFormat::Pdf, "across.pdf");
}
BENCHMARK(BM_ExportSvg_VoltsAgainstTime)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportPdf_VoltsAgainstTime)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportPng_VoltsAgainstTime)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportSvg_AzimuthAgainstTime)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportPdf_AzimuthAgainstTime)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportSvg_TimeAgainstVolts)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportPdf_TimeAgainstVolts)->Unit(benchmark::kMillisecond);

// The redraw with its record kept, as the window draws (the record is what makes the export and
// the scaled desktop's picture possible).
void BM_DrawView_VoltsAgainstTime(benchmark::State& state)
{
    TPlotView view;
    view.rescaleAll(Samples(), {});
    TPlotCanvas plot(PlotRect(0, 0, DefaultPlotWidth, DefaultPlotHeight));
    SetUpPlot(plot);
    PlottedPoints points;
    for (auto _ : state)
        DrawView(plot, view, Samples(), false, points);
}
BENCHMARK(BM_DrawView_VoltsAgainstTime)->Unit(benchmark::kMillisecond);

// The picture at twice the device pixels, painted from the record (a scaled desktop's Show).
void BM_ScaledPicture_VoltsAgainstTime(benchmark::State& state)
{
    TPlotView view;
    view.rescaleAll(Samples(), {});
    TPlotCanvas plot(PlotRect(0, 0, DefaultPlotWidth, DefaultPlotHeight));
    SetUpPlot(plot);
    PlottedPoints points;
    DrawView(plot, view, Samples(), false, points);
    for (auto _ : state)
        benchmark::DoNotOptimize(CanvasPicture(plot, 2.0).constBits());
}
BENCHMARK(BM_ScaledPicture_VoltsAgainstTime)->Unit(benchmark::kMillisecond);

PlottedPoints PointsOf(Quantity h, Quantity w)
{
    TPlotView view;
    view.horizontalQuantity = h;
    view.verticalQuantity = w;
    view.rescaleAll(Samples(), {});
    PlottedPoints points;
    view.computePlottedPoints(Samples(), false, points);
    return points;
}

// The nearest-sample index, built on the first mouse move after a redraw.
void BM_NearestBuild(benchmark::State& state)
{
    const PlottedPoints points = PointsOf(Time, state.range(0) == 0 ? Volts : Azimuth);
    TNearestPoints index;
    for (auto _ : state)
        index.build(points);
}
BENCHMARK(BM_NearestBuild)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// One mouse move's question, at points across the area.
void BM_NearestQuery(benchmark::State& state)
{
    const TNearestPoints index(PointsOf(Time, state.range(0) == 0 ? Volts : Azimuth));
    std::mt19937 rng(3);
    std::uniform_int_distribution<int> x(40, 560), y(40, 410);
    for (auto _ : state)
        benchmark::DoNotOptimize(index.nearest(x(rng), y(rng)));
}
BENCHMARK(BM_NearestQuery)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    folder = std::make_unique<QTemporaryDir>();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    folder.reset();
    return 0;
}
