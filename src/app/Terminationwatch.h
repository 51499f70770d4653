#pragma once
// SIGTERM and SIGHUP (a logout, `kill`) as an ordinary request to close: the signal handler only
// writes the signal's number into a pipe, and the pipe's read end, watched by the event loop,
// turns it into a Qt signal, so the window closes as if the user had closed it and its settings
// are written on the way.
#include <QObject>

class QSocketNotifier;

namespace driftline {

class TTerminationWatch : public QObject {
    Q_OBJECT

public:
    // Installs the handlers; only one watch may exist at a time (the handlers are process-wide).
    explicit TTerminationWatch(QObject* parent = nullptr);
    // Restores the handlers found at construction.
    ~TTerminationWatch() override;
    TTerminationWatch(const TTerminationWatch&) = delete;
    TTerminationWatch& operator=(const TTerminationWatch&) = delete;

    bool isWatching() const { return notifier_ != nullptr; }

signals:
    // SIGTERM or SIGHUP arrived (the number of the signal).
    void terminationRequested(int signalNumber);

private:
    void readPipe();

    int pipe_[2] = {-1, -1};
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace driftline
