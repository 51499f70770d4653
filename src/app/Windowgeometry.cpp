// The main window's place on the screens: restored within reach, cascaded beside another window.
#include "app/Windowgeometry.h"

#include <QLockFile>

#include <algorithm>
#include <cstdint>
#include <limits>

namespace driftline {

namespace {

std::int64_t OverlapArea(const QRect& a, const QRect& b)
{
    const QRect both = a.intersected(b);
    return both.isEmpty() ? 0 : static_cast<std::int64_t>(both.width()) * both.height();
}

std::int64_t SquaredDistance(const QPoint& a, const QPoint& b)
{
    const std::int64_t dx = a.x() - b.x();
    const std::int64_t dy = a.y() - b.y();
    return dx * dx + dy * dy;
}

// The index of the screen the window belongs on.
int ScreenFor(const QRect& window, const QList<QRect>& screens)
{
    int best = 0;
    std::int64_t bestOverlap = 0;
    for (int i = 0; i < screens.size(); ++i) {
        const std::int64_t overlap = OverlapArea(window, screens[i]);
        if (overlap > bestOverlap) {
            best = i;
            bestOverlap = overlap;
        }
    }
    if (bestOverlap > 0)
        return best;
    std::int64_t bestDistance = std::numeric_limits<std::int64_t>::max();
    for (int i = 0; i < screens.size(); ++i) {
        const std::int64_t distance = SquaredDistance(window.center(), screens[i].center());
        if (distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    return best;
}

// The top-left corner within reach on screen for a window of width w.
QPoint WithinReach(QPoint topLeft, int w, int titleBar, const QRect& screen)
{
    const int grab = std::min(w, WindowGrabMargin);
    const int minX = screen.left();
    const int maxX = std::max(minX, screen.right() + 1 - grab);
    const int minY = screen.top() + titleBar;
    const int maxY = std::max(minY, screen.bottom() + 1 - WindowGrabMargin);
    return {std::clamp(topLeft.x(), minX, maxX), std::clamp(topLeft.y(), minY, maxY)};
}

}  // namespace

QRect PlaceOnScreen(const QRect& saved, const QList<QRect>& screens, int titleBar)
{
    if (screens.isEmpty() || saved.isEmpty())
        return saved;
    const QRect& screen = screens[ScreenFor(saved, screens)];
    const int w = std::min(saved.width(), screen.width());
    const int h = std::max(1, std::min(saved.height(), screen.height() - titleBar));
    return {WithinReach(saved.topLeft(), w, titleBar, screen), QSize(w, h)};
}

QRect Cascade(const QRect& placed, int slot, int step, const QRect& screen)
{
    if (slot <= 0 || step <= 0)
        return placed;
    const int offset = slot * step;
    QRect moved = placed.translated(offset, offset);
    const bool outOfReach = moved.left() > screen.right() + 1 - std::min(moved.width(), WindowGrabMargin) ||
                            moved.top() > screen.bottom() + 1 - WindowGrabMargin;
    if (outOfReach)
        moved.moveTopLeft(screen.topLeft() + QPoint(offset % std::max(1, screen.width() / 2),
                                                    offset % std::max(1, screen.height() / 2)));
    return moved;
}

TWindowSlot::TWindowSlot(const QString& prefix, int maxSlots)
{
    for (int i = 0; i < maxSlots; ++i) {
        auto lock = std::make_unique<QLockFile>(prefix + QStringLiteral("-window-%1.lock").arg(i));
        // Only a lock whose process has ended is stale; a running window keeps its slot however long.
        lock->setStaleLockTime(0);
        if (lock->tryLock(0)) {
            lock_ = std::move(lock);
            index_ = i;
            return;
        }
        if (lock->error() != QLockFile::LockFailedError)
            return;  // the folder cannot hold lock files: no cascade
    }
}

TWindowSlot::~TWindowSlot() = default;

}  // namespace driftline
