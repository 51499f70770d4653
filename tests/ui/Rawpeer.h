#pragma once
// A controller peer at the socket level, for the link tests: connects, writes and watches for
// the viewer hanging up, without going through the protocol helpers the viewer itself uses.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QString>

#include <cstdio>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace driftline::testing {

// Spins the event loop for ms milliseconds, so the link can serve its peers meanwhile.
inline void Spin(int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

// A raw peer connected to socketPath; -1 when nothing listens there.
inline int ConnectRaw(const QString& socketPath)
{
    int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", socketPath.toLocal8Bit().constData());
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

}  // namespace driftline::testing
