// The plot's wheel zoom and pan gestures.
#include "app/Plotgestures.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>
#include <QWheelEvent>
#include <QWidget>

#include <cmath>
#include <utility>

namespace driftline {

TPlotGestures::TPlotGestures(QWidget* plot, StepRunner run) : QObject(plot), plot_(plot), run_(std::move(run))
{
    plot_->setFocusPolicy(Qt::WheelFocus);
    plot_->installEventFilter(this);
    // Wheel events that come while a step is being drawn are added up and applied as one step.
    wheelTimer_ = new QTimer(this);
    wheelTimer_->setSingleShot(true);
    wheelTimer_->setInterval(0);
    connect(wheelTimer_, &QTimer::timeout, this, &TPlotGestures::flushWheel);
    panTimer_ = new QTimer(this);
    panTimer_->setSingleShot(true);
    connect(panTimer_, &QTimer::timeout, this, &TPlotGestures::applyPan);
}

bool TPlotGestures::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != plot_)
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::Wheel: {
        auto* e = static_cast<QWheelEvent*>(event);
        // A mouse wheel turns about y; some desktops turn Shift+wheel into x.
        const int delta = e->angleDelta().y() != 0 ? e->angleDelta().y() : e->angleDelta().x();
        wheel(delta, e->modifiers().testFlag(Qt::ControlModifier), e->position().toPoint());
        e->accept();
        return true;
    }
    case QEvent::MouseButtonPress: {
        auto* e = static_cast<QMouseEvent*>(event);
        if (e->button() == Qt::MiddleButton) {
            panning_ = true;
            panStepped_ = false;
            panSession_ = nullptr;
            panStart_ = panAt_ = e->position().toPoint();
            sincePanStep_.invalidate();
        }
        break;
    }
    case QEvent::MouseMove: {
        auto* e = static_cast<QMouseEvent*>(event);
        if (panning_ && e->buttons().testFlag(Qt::MiddleButton)) {
            panAt_ = e->position().toPoint();
            const qint64 since = sincePanStep_.isValid() ? sincePanStep_.elapsed() : PanStepIntervalMs;
            if (since >= PanStepIntervalMs)
                applyPan();
            else if (!panTimer_->isActive())
                panTimer_->start(static_cast<int>(PanStepIntervalMs - since));
        }
        break;
    }
    case QEvent::MouseButtonRelease: {
        auto* e = static_cast<QMouseEvent*>(event);
        if (panning_ && e->button() == Qt::MiddleButton) {
            panAt_ = e->position().toPoint();
            panTimer_->stop();
            applyPan();
            panning_ = false;
        }
        break;
    }
    case QEvent::KeyPress: {
        auto* e = static_cast<QKeyEvent*>(event);
        if ((e->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier && arrowKey(e->key())) {
            e->accept();
            return true;
        }
        break;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

void TPlotGestures::wheel(int delta, bool vertical, QPoint at)
{
    // A turn on the other axis first applies what is waiting on this one.
    if (wheelDelta_ != 0 && vertical != wheelVertical_)
        flushWheel();
    wheelDelta_ += delta;
    wheelVertical_ = vertical;
    wheelAt_ = at;
    if (!wheelTimer_->isActive())
        wheelTimer_->start();
}

void TPlotGestures::flushWheel()
{
    wheelTimer_->stop();
    // Whole notches only: a fine-grained wheel or touch pad adds up to one before it zooms.
    const int notches = wheelDelta_ / NotchDelta;
    if (notches == 0)
        return;
    wheelDelta_ -= notches * NotchDelta;
    // Turning away from the user zooms in.
    const double factor = std::pow(WheelZoomFactor, notches);
    const ViewAxis axis = wheelVertical_ ? ViewAxis::Vertical : ViewAxis::Horizontal;
    const int pixel = wheelVertical_ ? wheelAt_.y() : wheelAt_.x();
    run_([&](TLogSession& session) { return session.zoomAbout(pixel, factor, axis); });
}

void TPlotGestures::applyPan()
{
    // The content follows the hand: the window moves against the mouse.
    const int dx = panStart_.x() - panAt_.x();
    const int dy = panStart_.y() - panAt_.y();
    sincePanStep_.restart();
    run_([&](TLogSession& session) {
        // The drag is one step: the step of its last position is taken back before the new one.
        // Only while that step is still the newest: Ctrl+Z in the middle of a drag took it back.
        bool changed = false;
        if (panStepped_ && panSession_ == &session && session.store().allUndo().size() == panHistory_)
            changed = session.undo();
        panStepped_ = (dx != 0 || dy != 0) && session.pan(dx, dy);
        panSession_ = &session;
        panHistory_ = session.store().allUndo().size();
        return changed || panStepped_;
    });
}

bool TPlotGestures::arrowKey(int key)
{
    // A tenth of the area per key press; the arrow names the way the view moves.
    int ax = 0;
    int ay = 0;
    switch (key) {
    case Qt::Key_Left:
        ax = -1;
        break;
    case Qt::Key_Right:
        ax = 1;
        break;
    case Qt::Key_Up:
        ay = -1;
        break;
    case Qt::Key_Down:
        ay = 1;
        break;
    default:
        return false;
    }
    run_([&](TLogSession& session) {
        const PlotRect& area = session.view().Area;
        return session.pan(ax * (area.right - area.left) / 10, ay * (area.bottom - area.top) / 10);
    });
    return true;
}

}  // namespace driftline
