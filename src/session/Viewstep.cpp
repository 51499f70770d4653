// Wheel zoom and pan: steps of the session's undo history that select from the unzoomed lists.
#include "session/Logsession.h"

#include <algorithm>
#include <cmath>
#include <future>
#include <cstddef>
#include <vector>

namespace driftline {

namespace {

// Quantities held in degrees on the circle, [0, 360): a scale may plot them folded across 0.
bool OnCircle(int q)
{
    return q == RightAscension || q == Declination || q == Beta || q == Lambda;
}

bool InRange(double v, double lo, double hi)
{
    return lo <= v && v <= hi;
}

// Whether a sample's value v of quantity q lies in the window [lo, hi] of plotted values. A value
// on the circle lies there when it does itself or one turn down or up: that covers the folded
// value a scale plots it at, and a window reaching past 0 or 360.
bool InWindow(int q, double v, double lo, double hi)
{
    if (InRange(v, lo, hi))
        return true;
    return OnCircle(q) && (InRange(v - 360.0, lo, hi) || InRange(v + 360.0, lo, hi));
}

// The test of one view step; it stays with the histories and judges samples of a followed log
// that arrive later as it judged the samples there were.
struct WindowTest {
    int h = Time;
    int w = Volts;
    bool useX = false;
    double xlo = 0.0;
    double xhi = 0.0;
    bool useY = false;
    double ylo = 0.0;
    double yhi = 0.0;

    bool operator()(const Sample& s) const
    {
        return (!useX || InWindow(h, s[h], xlo, xhi)) && (!useY || InWindow(w, s[w], ylo, yhi));
    }
};

template <typename List, typename Test>
std::vector<bool> KeepMask(const List& list, const Test& test)
{
    std::vector<bool> keep(list.size());
    for (std::size_t i = 0; i < list.size(); ++i)
        keep[i] = test(list[i]);
    return keep;
}

}  // namespace

bool TLogSession::viewStep(ValueWindow horizontal, ValueWindow vertical, bool movedHorizontal, bool movedVertical)
{
    const bool p = positiveVoltageView_;
    const SampleView active = activeSamples();
    if (active.empty())
        return false;
    const int h = view_.horizontalQuantity;
    const int w = view_.verticalQuantity;
    const AxisScale& sh = view_.HorizontalScale(p);
    const AxisScale& sw = view_.VerticalScale(p);
    const SampleView activeBase = p ? store_.unzoomedVoltageSamples() : store_.unzoomedAllSamples();

    // An axis the step does not move keeps its window when the user had narrowed it: some
    // unzoomed sample inside the moved axis's current window lies outside it.
    const auto narrowed = [&](int moved, const AxisScale& movedScale, int other, const AxisScale& otherScale) {
        for (std::size_t i = 0; i < activeBase.size(); ++i) {
            const Sample& s = activeBase[i];
            if (InWindow(moved, s[moved], movedScale.Minimum, movedScale.Maximum) &&
                !InWindow(other, s[other], otherScale.Minimum, otherScale.Maximum))
                return true;
        }
        return false;
    };
    // Unzoomed, the scales span every sample, so nothing can be narrowed: no pass needed.
    const bool zoomed = store_.canUndo();
    if (zoomed && movedHorizontal && !movedVertical && narrowed(h, sh, w, sw))
        vertical = {true, sw.Minimum, sw.Maximum};
    if (zoomed && movedVertical && !movedHorizontal && narrowed(w, sw, h, sh))
        horizontal = {true, sh.Minimum, sh.Maximum};

    const WindowTest test{h, w, horizontal.set, horizontal.lo, horizontal.hi, vertical.set, vertical.lo, vertical.hi};
    // The two masks are independent passes over a million samples each: one on another core.
    auto voltsMask = std::async(std::launch::async, [&] { return KeepMask(store_.unzoomedVoltageSamples(), test); });
    std::vector<bool> keepAll = KeepMask(store_.unzoomedAllSamples(), test);
    std::vector<bool> keepVolts = voltsMask.get();

    // Nothing to show, or exactly what is shown: no step.
    const std::vector<bool>& keepActive = p ? keepVolts : keepAll;
    const auto kept = static_cast<std::size_t>(std::count(keepActive.begin(), keepActive.end(), true));
    if (kept == 0)
        return false;
    if (kept == active.size()) {
        bool same = true;
        std::size_t j = 0;
        for (std::size_t i = 0; i < activeBase.size() && same; ++i)
            if (keepActive[i])
                same = activeBase[i].values == active[j++].values;
        if (same)
            return false;
    }

    drag_.cancel();
    store_.viewSamples(keepAll, keepVolts, TUndoHistory::SampleTest(test));
    rescale();
    return true;
}

bool TLogSession::zoomAbout(std::int32_t pixel, double factor, ViewAxis axis)
{
    if (!(factor > 0.0) || !std::isfinite(factor) || factor == 1.0)
        return false;
    const bool p = positiveVoltageView_;
    const bool alongX = axis == ViewAxis::Horizontal;
    const TAxisMap map = alongX ? view_.horizontalMap(p) : view_.verticalMap(p);
    const std::int32_t lo = std::min(map.first(), map.last());
    const std::int32_t hi = std::max(map.first(), map.last());
    const double centre = map.valueAt(std::clamp(pixel, lo, hi));
    const AxisScale& scale = map.scale();
    ValueWindow window{true, centre - (centre - scale.Minimum) / factor, centre + (scale.Maximum - centre) / factor};
    // Samples that all share one value leave no span to widen: zooming out then starts from the
    // span of twenty grid steps, the grid such a scale is drawn with.
    if (scale.Maximum == scale.Minimum && factor < 1.0) {
        const double half = 10.0 * scale.TickStep / factor;
        window = {true, centre - half, centre + half};
    }
    return alongX ? viewStep(window, {}, true, false) : viewStep({}, window, false, true);
}

bool TLogSession::pan(std::int32_t dx, std::int32_t dy)
{
    const bool p = positiveVoltageView_;
    const std::int32_t width = view_.Area.right - view_.Area.left;
    const std::int32_t height = view_.Area.bottom - view_.Area.top;
    ValueWindow horizontal;
    ValueWindow vertical;
    if (dx != 0 && width > 0) {
        const AxisScale& s = view_.HorizontalScale(p);
        const double by = dx * (s.Maximum - s.Minimum) / width;
        horizontal = {true, s.Minimum + by, s.Maximum + by};
    }
    // Rows grow downwards, values upwards: moving down the screen shows smaller values.
    if (dy != 0 && height > 0) {
        const AxisScale& s = view_.VerticalScale(p);
        const double by = dy * (s.Maximum - s.Minimum) / height;
        vertical = {true, s.Minimum - by, s.Maximum - by};
    }
    if (!horizontal.set && !vertical.set)
        return false;
    return viewStep(horizontal, vertical, horizontal.set, vertical.set);
}

}  // namespace driftline
