// Speed of the wheel zoom and pan steps in the window, on a million-record log and the offscreen
// platform: each step selects from the unzoomed lists into the undo history, rescales and
// redraws, as a wheel notch, an arrow key or the end of a middle drag runs it.
#include "app/Mainunit.h"
#include "plot/ui/Plotunit.h"
#include "session/Logsession.h"
#include "suite/Globalunit.h"

#include "Benchwindow.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

using namespace driftline;

namespace {

std::filesystem::path MillionRecordLog()
{
    return bench::SimulatedLog(1000000, "million.log");
}

enum Step : int {
    WheelIn = 0,      // one notch in about the middle, from the whole log (the first step of all)
    WheelOut = 1,     // one notch out, from two notches in (samples come back from the unzoomed list)
    PanRight = 2,     // the right arrow, from two notches in
    CtrlWheelIn = 3,  // one notch in on the vertical axis, from the whole log
    PanLeft = 4,
};

bool RunStep(TForm1& form, int step)
{
    const PlotRect& area = form.Plot->Canvas.Area;
    const int midX = (area.left + area.right) / 2;
    const int midY = (area.top + area.bottom) / 2;
    return form.ViewStep([&](TLogSession& session) {
        switch (step) {
        case WheelIn:
            return session.zoomAbout(midX, WheelZoomFactor, ViewAxis::Horizontal);
        case WheelOut:
            return session.zoomAbout(midX, 1.0 / WheelZoomFactor, ViewAxis::Horizontal);
        case PanRight:
            return session.pan((area.right - area.left) / 10, 0);
        case PanLeft:
            return session.pan(-(area.right - area.left) / 10, 0);
        default:
            return session.zoomAbout(midY, WheelZoomFactor, ViewAxis::Vertical);
        }
    });
}

// One step, timed. The steps from the whole log are undone between runs (untimed): each run is
// then the first step of all, which moves the whole lists into the histories and copies the
// samples shown. The steps from a zoomed view are followed by the opposite step (untimed), as a
// user wheels or pans to and fro.
void BM_ViewStepInWindow(benchmark::State& state)
{
    const std::filesystem::path log = MillionRecordLog();
    TForm1 form;
    if (log.empty() || !form.openLogFile(QString::fromStdString(log.string()))) {
        state.SkipWithError("cannot open the log");
        return;
    }
    const int step = static_cast<int>(state.range(0));
    const bool fromWhole = step == WheelIn || step == CtrlWheelIn;
    if (!fromWhole) {
        RunStep(form, WheelIn);
        RunStep(form, WheelIn);
    }
    std::size_t shown = 0;
    for (auto _ : state) {
        if (!RunStep(form, step)) {
            state.SkipWithError("the step changed nothing");
            return;
        }
        state.PauseTiming();
        shown = form.session().store().allSamples().size();
        if (fromWhole)
            form.tbUndoClick();
        else
            RunStep(form, step == WheelOut ? WheelIn : PanLeft);
        state.ResumeTiming();
    }
    state.counters["samples_shown"] = static_cast<double>(shown);
}
BENCHMARK(BM_ViewStepInWindow)
    ->ArgName("step")
    ->Arg(WheelIn)
    ->Arg(WheelOut)
    ->Arg(PanRight)
    ->Arg(CtrlWheelIn)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

}  // namespace

int main(int argc, char** argv)
{
    return driftline::bench::RunWindowBenchmarks(argc, argv);
}
