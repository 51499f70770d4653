// TLogSession: one opened log with its view, zoom drag, plotted points and fit.
#include "session/Logsession.h"

#include "logdata/Logfollower.h"

#include <algorithm>
#include <utility>

namespace driftline {

// ------------------------------------------------------------------ the zoom drag

PlotRect ZoomBand::rect(const PlotRect& area) const
{
    switch (kind) {
    case ZoomKind::Rows:
        return PlotRect(area.left, startY, area.right, endY);
    case ZoomKind::Box:
        return PlotRect(startX, startY, endX, endY);
    case ZoomKind::Columns:
        break;
    }
    return PlotRect(startX, area.top, endX, area.bottom);
}

void TZoomDrag::press(std::int32_t x, std::int32_t y, ZoomKind kind, std::int32_t threshold)
{
    active_ = true;
    kind_ = kind;
    threshold_ = threshold;
    start_ = x;
    startY_ = y;
    end_.reset();
    endY_ = y;
}

std::optional<ZoomBand> TZoomDrag::move(std::int32_t x, std::int32_t y, const PlotRect& area)
{
    if (!active_)
        return std::nullopt;
    if (area.Contains(x, y)) {
        end_ = x;
        endY_ = y;
    }
    return band();
}

std::optional<ZoomBand> TZoomDrag::band() const
{
    // No band before the drag has touched the area: there is no moving edge yet.
    if (!active_ || !end_)
        return std::nullopt;
    const std::int32_t dx = *end_ > start_ ? *end_ - start_ : start_ - *end_;
    const std::int32_t dy = endY_ > startY_ ? endY_ - startY_ : startY_ - endY_;
    const bool wide = dx != 0 && dx >= threshold_;
    const bool tall = dy != 0 && dy >= threshold_;
    const bool enough = kind_ == ZoomKind::Columns ? wide : kind_ == ZoomKind::Rows ? tall : wide && tall;
    if (!enough)
        return std::nullopt;
    // Only the band's own direction(s) are kept, so equal gestures give equal bands.
    switch (kind_) {
    case ZoomKind::Rows:
        return ZoomBand{0, 0, ZoomKind::Rows, startY_, endY_};
    case ZoomKind::Box:
        return ZoomBand{start_, *end_, ZoomKind::Box, startY_, endY_};
    case ZoomKind::Columns:
        break;
    }
    return ZoomBand{start_, *end_};
}

std::optional<ZoomBand> TZoomDrag::release()
{
    const std::optional<ZoomBand> out = band();
    cancel();
    return out;
}

void TZoomDrag::cancel()
{
    active_ = false;
    start_ = 0;
    end_.reset();
}

// ------------------------------------------------------------------ the session

TLogSession::TLogSession(std::int32_t width, std::int32_t height) : view_(width, height)
{}

TLogSession::~TLogSession() = default;
TLogSession::TLogSession(TLogSession&&) noexcept = default;
TLogSession& TLogSession::operator=(TLogSession&&) noexcept = default;

TLogFollower* TLogSession::boundFollower()
{
    if (follower_)
        follower_->rebind(store_);
    return follower_.get();
}

void TLogSession::noteScaled()
{
    scaledAll_ = store_.allSamples().size();
    scaledVolts_ = store_.voltageSamples().size();
}

void TLogSession::resizePlot(std::int32_t width, std::int32_t height)
{
    if (width == view_.controlWidth && height == view_.controlHeight)
        return;
    view_.resize(width, height);
    computePlottedPoints();
}

std::unique_ptr<TLogSession> TLogSession::nextSession() const
{
    auto next = std::make_unique<TLogSession>(view_.controlWidth, view_.controlHeight);
    next->view_.horizontalQuantity = view_.horizontalQuantity;
    next->view_.verticalQuantity = view_.verticalQuantity;
    next->view_.gridValues = view_.gridValues;
    next->positiveVoltageView_ = positiveVoltageView_;
    next->store_.logDate = store_.logDate;
    next->store_.preciseSite = store_.preciseSite;
    // The fit window lists the kept coefficients when a fit fails, whichever file they came from.
    next->fitCoefficients_ = fitCoefficients_;
    return next;
}

TReadResult TLogSession::read(const std::filesystem::path& log, TProgressModel* progress, unsigned threads)
{
    drag_.cancel();
    stopFollowing();
    const TReadResult result = readLogFile(log, store_, progress, threads);
    if (result.status == TReadResult::OpenFailed)
        return result;
    path_ = log;
    plottedPoints_.clear();
    nearestStale_ = true;
    rescale();
    return result;
}

void TLogSession::adoptSamples(SampleList all, SampleList voltage)
{
    drag_.cancel();
    store_.adoptSamples(std::move(all), std::move(voltage));
    plottedPoints_.clear();
    nearestStale_ = true;
    rescale();
}

void TLogSession::setAxes(Quantity horizontal, Quantity vertical)
{
    view_.horizontalQuantity = horizontal;
    view_.verticalQuantity = vertical;
}

void TLogSession::computePlottedPoints()
{
    view_.computePlottedPoints(activeSamples(), positiveVoltageView_, plottedPoints_);
    nearestStale_ = true;
}

bool TLogSession::releaseZoomDrag()
{
    const std::optional<ZoomBand> band = drag_.release();
    if (!band)
        return false;
    zoomToBand(*band);
    return true;
}

bool TLogSession::dragAcross(std::int32_t x0, std::int32_t x1)
{
    // The mouse goes down only on the control.
    if (x0 < 0 || x0 >= view_.controlWidth)
        return false;
    const PlotRect& area = view_.Area;
    const std::int32_t y = (area.top + area.bottom) / 2;
    pressZoomDrag(x0);
    // A continuous drag passes every column between x0 and x1; of those inside the area, the
    // last one it passes is x1 itself or the area edge on the way to it.
    const std::int32_t lo = std::min(x0, x1);
    const std::int32_t hi = std::max(x0, x1);
    if (!(hi < area.left || lo > area.right) && !area.Contains(x1, y))
        moveZoomDrag(x1 > area.right ? area.right : area.left, y);
    moveZoomDrag(x1, y);
    return releaseZoomDrag();
}

void TLogSession::zoomToBand(const ZoomBand& band)
{
    view_.ZoomToRect(store_, band.rect(view_.Area), positiveVoltageView_);
    noteScaled();
}

bool TLogSession::undo()
{
    if (!canUndo())
        return false;
    view_.Undo(store_);
    noteScaled();
    return true;
}

bool TLogSession::reset()
{
    if (!canUndo())
        return false;
    view_.Reset(store_);
    noteScaled();
    return true;
}

void TLogSession::refresh(unsigned threads)
{
    store_.rebuildSamples(threads);
    // What arrives from now on takes the same corrections as what is shown.
    if (TLogFollower* follower = boundFollower())
        follower->setShifts(store_.azimuthShift(), store_.altitudeShift());
    rescale();
}

// ------------------------------------------------------------------ following

TReadResult TLogSession::readFollowed(const std::filesystem::path& log, TProgressModel* progress)
{
    drag_.cancel();
    stopFollowing();
    auto follower = std::make_unique<TLogFollower>(store_);
    const TReadResult result = follower->open(log, progress);
    if (result.status == TReadResult::OpenFailed)
        return result;
    path_ = log;
    plottedPoints_.clear();
    nearestStale_ = true;
    rescale();
    if (follower->following())
        follower_ = std::move(follower);
    return result;
}

bool TLogSession::following() const
{
    return follower_ && follower_->following();
}

void TLogSession::stopFollowing()
{
    if (follower_)
        follower_->stop();
    follower_.reset();
}

TFollowStep TLogSession::takeArrived(TProgressModel* progress)
{
    TLogFollower* follower = boundFollower();
    if (!follower)
        return {};
    const TFollowStep step = follower->poll(progress);
    if (step.status == TFollowStep::Restarted) {
        // Read again from the start: nothing of the lists drawn before is left.
        drag_.cancel();
        plottedPoints_.clear();
        nearestStale_ = true;
        rescale();
    }
    return step;
}

bool TLogSession::growScalesToArrived()
{
    const bool changed = growScales(view_.axisScales, store_.allSamples(), scaledAll_, store_.voltageSamples(),
                                    scaledVolts_);
    noteScaled();
    return changed;
}

void TLogSession::extendPlottedPoints(bool horizontalChanged, bool verticalChanged)
{
    nearestStale_ = true;
    view_.extendPlottedPoints(activeSamples(), positiveVoltageView_, plottedPoints_, horizontalChanged,
                              verticalChanged);
}

FitOutcome TLogSession::fit(int coeffCount)
{
    return RunFit(plottedPoints_, coeffCount, fitCoefficients_);
}

std::optional<std::size_t> TLogSession::nearestPlottedPoint(std::int32_t x, std::int32_t y)
{
    if (nearestStale_) {
        nearest_.build(plottedPoints_);
        nearestStale_ = false;
    }
    const std::optional<std::size_t> k = nearest_.nearest(x, y);
    if (!k || *k >= plottedPoints_.size())
        return std::nullopt;
    return k;
}

}  // namespace driftline
