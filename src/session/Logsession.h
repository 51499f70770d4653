#pragma once
// TLogSession: everything Driftline holds for one opened log, and the jobs done on it. The
// window and driftline-cli both run a log through a session, so they compute the same numbers
// by the same code: read, rescale, the zoom drag, zoom, undo, reset, refresh after a correction,
// the plotted points (which the picture, the fit and saving all read) and the fit.
//
// A session owns:
//   - the sample store (raw records, the two sample lists, the zoom histories, corrections);
//   - the view: the plot area, the sixteen scales, the chosen axes and the positive-voltage
//     choice;
//   - the plotted points of the latest redraw;
//   - the fit coefficients, kept, cut or extended from one fit to the next;
//   - the zoom drag in progress.
//
// A session never draws: the canvas draws a session's view (see plot/canvas/Drawview.h).
// Opening another file is done on a fresh session (nextSession), which takes the place of the
// current one only when it holds samples, so a failed open leaves everything as it was.
#include "analysis/Fitpeak.h"
#include "analysis/Fitunit.h"
#include "logdata/Logreader.h"
#include "logdata/Samplestore.h"
#include "plot/AxisScale.h"
#include "plot/Nearestpoint.h"
#include "plot/PlotRect.h"
#include "plot/Viewunit.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace driftline {

class TLogFollower;
class TProgressModel;
struct TFollowStep;

// What a zoom keeps. Columns: from startX to endX (either order) over the plot area's height,
// the classic band. Rows: from startY to endY over the area's width. Box: both.
enum class ZoomKind {
    Columns,
    Rows,
    Box
};

struct ZoomBand {
    std::int32_t startX = 0;
    std::int32_t endX = 0;
    ZoomKind kind = ZoomKind::Columns;
    std::int32_t startY = 0;
    std::int32_t endY = 0;
    friend bool operator==(const ZoomBand&, const ZoomBand&) = default;

    // The rectangle of pixels kept, in an area.
    PlotRect rect(const PlotRect& area) const;
};

// The zoom drag of the left mouse button over the plot, as the window has always done it: the
// band starts at the press column; its moving edge follows the mouse only while the mouse is
// inside the plot area (so it freezes where the mouse left the area); the release gives the band
// when the moving edge was ever set and differs from the start. Nothing, therefore, for a click
// without movement, a drag back to its start, or a drag that never entered the area; a release
// outside the area gives the band up to the last position inside it.
//
// Beside the classic band, the window offers a band of rows (Ctrl) and a box (Shift), which
// follow the same rule in their own direction(s), and a threshold: a drag that moved less than
// threshold pixels (in its direction) is a click. The classic band and driftline-cli's --band
// use threshold 0.
class TZoomDrag {
public:
    // The left button went down at (x, y).
    void press(std::int32_t x, std::int32_t y = 0, ZoomKind kind = ZoomKind::Columns, std::int32_t threshold = 0);
    // The mouse is at (x, y). Returns the band to show while dragging, if any.
    std::optional<ZoomBand> move(std::int32_t x, std::int32_t y, const PlotRect& area);
    // The left button went up: the band to zoom to, or nothing. The drag is over either way.
    std::optional<ZoomBand> release();
    // Ends the drag without a zoom (a read began, the window lost the mouse).
    void cancel();

    bool active() const { return active_; }
    // The band as it stands (active drag with its moving edge set away from the start).
    std::optional<ZoomBand> band() const;

private:
    bool active_ = false;
    ZoomKind kind_ = ZoomKind::Columns;
    std::int32_t threshold_ = 0;
    std::int32_t start_ = 0;
    std::int32_t startY_ = 0;
    std::optional<std::int32_t> end_;
    std::int32_t endY_ = 0;
};

// The axis a wheel zoom works on.
enum class ViewAxis {
    Horizontal,
    Vertical
};

// One notch of the mouse wheel zooms by this factor (in: the window shrinks by it; out: grows).
inline constexpr double WheelZoomFactor = 1.25;

class TLogSession {
public:
    // An empty session with a plot control of width x height pixels (area inset PlotAreaInset),
    // Time against Volts and the all-samples view.
    explicit TLogSession(std::int32_t width = DefaultPlotWidth, std::int32_t height = DefaultPlotHeight);
    ~TLogSession();
    TLogSession(TLogSession&&) noexcept;
    TLogSession& operator=(TLogSession&&) noexcept;

    // A fresh session for the next file: the same control size, axes and positive-voltage choice,
    // and the date in force at the end of this session's log (a log may rely on the date of the
    // file read before it). Read the file into it, then keep whichever holds samples.
    std::unique_ptr<TLogSession> nextSession() const;

    // ---------------------------------------------------------------- reading
    // Reads the log into this session (the store is emptied first), rescales, and forgets any
    // fit. progress may be null; threads 0 = as many as the machine has.
    TReadResult read(const std::filesystem::path& log, TProgressModel* progress = nullptr, unsigned threads = 0);
    // Takes lists made elsewhere (a synthetic scan for a benchmark, a grid for a test) in place
    // of a read, then rescales.
    void adoptSamples(SampleList all, SampleList voltage);
    // The file read last (empty before a read).
    const std::filesystem::path& path() const { return path_; }
    // True when the log gave at least one sample: only such a session is worth showing.
    bool hasSamples() const { return !store_.allSamples().empty(); }
    // True when some records carried volts (the positive-voltage view exists only then).
    bool hasVoltageSamples() const { return !store_.voltageSamples().empty(); }

    const TSampleStore& store() const { return store_; }

    // ---------------------------------------------------------------- view
    const TPlotView& view() const { return view_; }
    Quantity horizontalQuantity() const { return view_.horizontalQuantity; }
    Quantity verticalQuantity() const { return view_.verticalQuantity; }
    void setAxes(Quantity horizontal, Quantity vertical);
    // Every grid line labelled with its value (off: the classic picture).
    bool gridValues() const { return view_.gridValues; }
    void setGridValues(bool on) { view_.gridValues = on; }
    // The plot control is width x height pixels from now on (the window was resized): the
    // plotted points are computed again for it.
    void resizePlot(std::int32_t width, std::int32_t height);
    // The positive-voltage view: the scales and samples of the records that carried volts.
    bool positiveVoltageView() const { return positiveVoltageView_; }
    void setPositiveVoltageView(bool on) { positiveVoltageView_ = on; }
    // The samples of the view chosen (voltage samples in the positive-voltage view).
    SampleView activeSamples() const { return store_.activeSamples(positiveVoltageView_); }
    // Rescale of all sixteen scales over the store's lists as they stand.
    void rescale()
    {
        view_.rescaleAll(store_);
        noteScaled();
    }

    // What the latest redraw plotted; computePlottedPoints brings it up to date with the view
    // without drawing (the canvas's redraw does the same while drawing).
    const PlottedPoints& plottedPoints() const { return plottedPoints_; }
    PlottedPoints& plottedPointsForRedraw()
    {
        nearestStale_ = true;
        return plottedPoints_;
    }
    void computePlottedPoints();

    // The plotted point nearest to pixel (x, y) of the control (the earliest of equals): its
    // index into plottedPoints and activeSamples. Nothing without plotted points. The search
    // index is built on the first question after the points changed.
    std::optional<std::size_t> nearestPlottedPoint(std::int32_t x, std::int32_t y);

    // Read-out texts of the mouse at (x, y): empty outside the area's columns (rows).
    std::string readoutTextX(std::int32_t x) const { return view_.ReadoutTextX(x, positiveVoltageView_); }
    std::string readoutTextY(std::int32_t y) const { return view_.ReadoutTextY(y, positiveVoltageView_); }

    // ---------------------------------------------------------------- zoom
    // The zoom drag: press, moves, release. release zooms when the drag gives a band and
    // returns whether it did.
    void pressZoomDrag(std::int32_t x, std::int32_t y = 0, ZoomKind kind = ZoomKind::Columns,
                       std::int32_t threshold = 0)
    {
        drag_.press(x, y, kind, threshold);
    }
    std::optional<ZoomBand> moveZoomDrag(std::int32_t x, std::int32_t y) { return drag_.move(x, y, view_.Area); }
    bool releaseZoomDrag();
    void cancelZoomDrag() { drag_.cancel(); }
    const TZoomDrag& zoomDrag() const { return drag_; }

    // A drag from column x0 to x1 along the middle row of the area, the mouse moving without gaps:
    // the moving edge stops at the area's edge when the drag leaves it. No drag starts outside the
    // control. Zooms as the window would; returns whether it zoomed.
    bool dragAcross(std::int32_t x0, std::int32_t x1);
    // Zoom to a band (both lists narrowed on the current view's scales, then rescaled).
    void zoomToBand(const ZoomBand& band);

    // Wheel zoom and pan: steps of the same undo history as the zooms, so undo, reset, the fit,
    // saving and the limits see what is on screen. Each step works out the window of values to
    // show on each plotted axis, in the values the scales plot (angles folded across 0 as the
    // scale folds them), takes from the UNZOOMED lists the samples inside it (so a zoom out or a
    // pan brings back samples an earlier step dropped), records that through the store's view
    // step and rescales: the scales then fit the samples taken, as after every zoom.
    //
    // The window of an axis the step does not move is kept only when the user had narrowed that
    // axis: when some unzoomed sample inside the current window of the moved axis lies outside
    // the current window of the other (a band of rows, a box, or a vertical wheel zoom cut it).
    // Otherwise that axis takes whatever the samples inside the new window span. Right
    // ascension, Declination, Beta and Lambda are judged on the circle (a value v lies in a
    // window when v, v - 360 or v + 360 does), so a window reaching past 0 takes the samples on
    // the other side of it. Only the two plotted quantities decide what is taken.
    //
    // A step that would take no sample, or exactly the samples shown, changes nothing and
    // returns false.
    //
    // zoomAbout: the value under pixel (a column for the horizontal axis, a row for the vertical
    // one; held inside the area) stays where it is and the window around it shrinks by factor
    // (> 1 zooms in, < 1 zooms out; WheelZoomFactor per wheel notch).
    bool zoomAbout(std::int32_t pixel, double factor, ViewAxis axis);
    // pan: the window moves by dx pixels to the right and dy pixels down the screen (dx > 0 shows
    // what lies to the right, dy > 0 what lies below), each pixel worth the value one pixel of the
    // area spans on the scales shown.
    bool pan(std::int32_t dx, std::int32_t dy);

    bool canUndo() const { return store_.canUndo(); }
    // The lists before the latest zoom (or the first, for reset), rescaled; false without a zoom.
    bool undo();
    bool reset();

    // ---------------------------------------------------------------- corrections
    // The user's corrections (NoCorrection when the log has none for that axis); refresh derives
    // every sample again with them, drops the zoom history and rescales.
    void setAzimuthCorrection(std::int32_t counts) { store_.azimuthCorrection = counts; }
    void setAltitudeCorrection(std::int32_t counts) { store_.altitudeCorrection = counts; }
    void refresh(unsigned threads = 0);

    // ---------------------------------------------------------------- frame
    // The frame of every derivation from now on: empty for the classic one, else ICRS (J2000)
    // for this site and air. A read derives in it, and so do refresh and the next session; the
    // samples already derived stay as they are until then.
    void setFrameSite(std::optional<TPreciseSite> site) { store_.preciseSite = std::move(site); }
    const std::optional<TPreciseSite>& frameSite() const { return store_.preciseSite; }

    // ---------------------------------------------------------------- following a growing log
    // Reads the log as read() does, through a follower that then goes on taking what the writer
    // appends (a last line without its line end is never taken). The log is followed when it
    // could be read to its end (following()).
    TReadResult readFollowed(const std::filesystem::path& log, TProgressModel* progress = nullptr);
    bool following() const;
    // The follower while there is one (its wake-up descriptor, its clock, the bytes pending).
    TLogFollower* follower() const { return follower_.get(); }
    // One look at the followed file: what arrived goes into the lists, through the zoom
    // histories when there are zooms (each list and undo entry takes what its zooms keep), derived
    // with the corrections of the latest refresh. A file read again from the start is rescaled
    // whole. The scales are otherwise left alone (growScalesToArrived).
    TFollowStep takeArrived(TProgressModel* progress = nullptr);
    // Ends following; the data stay.
    void stopFollowing();
    // Widens the scales to take in the samples that arrived since they were last set, as a
    // rescale over the whole lists would; true when a scale changed.
    bool growScalesToArrived();
    // Brings the plotted points up to date when the active list has only grown since they were
    // computed, recomputing the pixels of the old points on the axes whose scale changed.
    void extendPlottedPoints(bool horizontalChanged, bool verticalChanged);

    // ---------------------------------------------------------------- fit
    // Fits the plotted points with coeffCount coefficients. The kept coefficients are cut or
    // extended to coeffCount and, when the fit succeeds, replaced by its result.
    FitOutcome fit(int coeffCount);
    const std::vector<double>& fitCoefficients() const { return fitCoefficients_; }
    // Where a fitted curve peaks, on the current view's axes, in the plotted quantities' units.
    FitPeak fitPeak(const FitCurve& curve) const
    {
        return FitPeakPosition(curve, view_.horizontalMap(positiveVoltageView_),
                               view_.verticalMap(positiveVoltageView_));
    }

private:
    TSampleStore store_;
    TPlotView view_;
    bool positiveVoltageView_ = false;
    PlottedPoints plottedPoints_;
    TNearestPoints nearest_;
    bool nearestStale_ = true;
    std::vector<double> fitCoefficients_;
    TZoomDrag drag_;
    std::filesystem::path path_;
    std::unique_ptr<TLogFollower> follower_;
    // How much of each list the scales have taken in (the rest arrived since).
    std::size_t scaledAll_ = 0;
    std::size_t scaledVolts_ = 0;
    void noteScaled();
    // A window of plotted values on one axis, or none (the axis is not constrained).
    struct ValueWindow {
        bool set = false;
        double lo = 0.0;
        double hi = 0.0;
    };
    // The view step of zoomAbout and pan: moved marks the axes whose window the step sets.
    bool viewStep(ValueWindow horizontal, ValueWindow vertical, bool movedHorizontal, bool movedVertical);
    // The follower, pointed at this session's store (a session may have moved since it began).
    TLogFollower* boundFollower();
};

}  // namespace driftline
