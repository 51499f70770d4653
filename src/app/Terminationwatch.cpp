#include "app/Terminationwatch.h"

#include <QSocketNotifier>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace driftline {

namespace {

// The write end for the handler; -1 while no watch exists.
std::atomic<int> handlerPipe{-1};
struct sigaction previousTerm {};
struct sigaction previousHup {};

extern "C" void OnTerminationSignal(int signalNumber)
{
    const int saved = errno;
    const int fd = handlerPipe.load();
    if (fd >= 0) {
        const unsigned char byte = static_cast<unsigned char>(signalNumber);
        // A full pipe already holds a request; nothing is lost by dropping this one.
        [[maybe_unused]] const ssize_t n = ::write(fd, &byte, 1);
    }
    errno = saved;
}

}  // namespace

TTerminationWatch::TTerminationWatch(QObject* parent) : QObject(parent)
{
    if (handlerPipe.load() >= 0 || ::pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    handlerPipe.store(pipe_[1]);
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, &previousTerm);
    ::sigaction(SIGHUP, &action, &previousHup);
    notifier_ = new QSocketNotifier(pipe_[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &TTerminationWatch::readPipe);
}

TTerminationWatch::~TTerminationWatch()
{
    if (!notifier_)
        return;
    ::sigaction(SIGTERM, &previousTerm, nullptr);
    ::sigaction(SIGHUP, &previousHup, nullptr);
    handlerPipe.store(-1);
    delete notifier_;
    ::close(pipe_[0]);
    ::close(pipe_[1]);
}

void TTerminationWatch::readPipe()
{
    unsigned char bytes[16];
    const ssize_t n = ::read(pipe_[0], bytes, sizeof bytes);
    if (n > 0)
        emit terminationRequested(bytes[n - 1]);
}

}  // namespace driftline
