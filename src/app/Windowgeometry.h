#pragma once
// Where the main window opens: the size and place it had last time, kept within reach on one of
// the screens there are now, and moved down and to the right when another viewer window of the
// same suite is already open (that one opened at the same remembered place).
#include <QList>
#include <QRect>
#include <QString>

#include <memory>

class QLockFile;

namespace driftline {

// How much of a window's top-left corner stays on its screen, pixels each way: enough of the
// title bar to take hold of it.
inline constexpr int WindowGrabMargin = 100;

// The geometry to open a window at, from the geometry it had (frame excluded) and the available
// geometry of each screen. The window goes to the screen it overlaps most (the nearest one when
// it overlaps none, the first of equals); it is shrunk to that screen's size less titleBar rows
// for the frame's title bar, and moved the least that keeps its top edge on the screen below the
// title bar and at least WindowGrabMargin pixels of its top-left corner on the screen. Without
// screens the geometry is kept.
QRect PlaceOnScreen(const QRect& saved, const QList<QRect>& screens, int titleBar);

// The place of the slot-th viewer window open at once (slot 0: placed as it is): moved down and
// to the right by slot x step pixels. A window that would then leave less than WindowGrabMargin
// of itself on screen starts again from the screen's top-left corner, moved by the same amount
// there.
QRect Cascade(const QRect& placed, int slot, int step, const QRect& screen);

// The index of this window among the viewer windows of one suite that are open at once: the
// lowest index not held by another running window. Held in a lock file (prefix + "-window-" +
// index + ".lock") for the object's life; a lock left by a process that ended is taken over.
class TWindowSlot {
public:
    // Takes the lowest free index below maxSlots; index 0 when none can be taken (no cascade).
    explicit TWindowSlot(const QString& prefix, int maxSlots = 16);
    ~TWindowSlot();
    TWindowSlot(const TWindowSlot&) = delete;
    TWindowSlot& operator=(const TWindowSlot&) = delete;

    int index() const { return index_; }

private:
    std::unique_ptr<QLockFile> lock_;
    int index_ = 0;
};

}  // namespace driftline
