#pragma once
// The plot's wheel and pan gestures: the wheel zooms about the pointer (the horizontal axis; with
// Ctrl the vertical one), a middle-button drag or an arrow key pans. Each gesture is one step of
// the session's undo history (TLogSession::zoomAbout and pan), made through the window, which
// then shows the result.
#include "session/Logsession.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPoint>

#include <cstddef>
#include <functional>

class QTimer;
class QWidget;

namespace driftline {

class TPlotGestures : public QObject {
    Q_OBJECT
public:
    // Runs a step on the session shown (the step returns whether it changed the view) and shows
    // the result; false when no step could be made (no file shown, a read in progress).
    using StepRunner = std::function<bool(const std::function<bool(TLogSession&)>& step)>;

    // Watches plot's wheel, middle-button and arrow-key events; plot takes the keyboard focus
    // when clicked or wheeled, so the arrow keys reach it.
    TPlotGestures(QWidget* plot, StepRunner run);

    // Wheel notches still waiting (a burst of wheel events becomes one step), applied now.
    void flushWheel();
    // True while a middle-button drag is in progress.
    bool panning() const { return panning_; }

    // One wheel notch in the wheel's units (eighths of a degree: 15 degrees).
    static constexpr int NotchDelta = 120;
    // A middle drag shows its pan at most this often while the mouse moves.
    static constexpr int PanStepIntervalMs = 80;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void wheel(int delta, bool vertical, QPoint at);
    void applyPan();
    bool arrowKey(int key);

    QWidget* plot_;
    StepRunner run_;

    // Wheel: the turn not yet applied, and where and on which axis it was turned.
    int wheelDelta_ = 0;
    bool wheelVertical_ = false;
    QPoint wheelAt_;
    QTimer* wheelTimer_ = nullptr;

    // Middle drag: one undo step for the whole drag, replaced as the mouse moves.
    bool panning_ = false;
    QPoint panStart_;
    QPoint panAt_;
    bool panStepped_ = false;                  // the drag's step is on the history
    const TLogSession* panSession_ = nullptr;  // the session the drag's step was made on
    std::size_t panHistory_ = 0;               // the history's length with the drag's step on it
    QElapsedTimer sincePanStep_;
    QTimer* panTimer_ = nullptr;
};

}  // namespace driftline
