#include "app/Controllerlink.h"

#include "suite/Globalunit.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>
#include <algorithm>
#include <sys/stat.h>

namespace driftline {

namespace {

TControllerLink::Options OptionsOfGlobal()
{
    TControllerLink::Options options;
    const TGlobal& global = Global();
    options.logsFolder = global.LogsFolder;
    options.socketPath = ViewerSocketPath(global.RootFolder);
    options.messages = MessageTableOf(global);
    return options;
}

}  // namespace

struct TControllerLink::Peer {
    QLocalSocket* socket = nullptr;
    QTimer* idle = nullptr;
    QByteArray buffer;
    // The window's open handler lets events run, so a peer can hang up, time out or send more
    // while its own line is being handled: such a peer is only marked, and dealt with afterwards.
    bool busy = false;
    bool dropWanted = false;            // timed out or sent too much: stop at once
    bool hungUp = false;                // gone: finish its complete lines, then drop it
    bool rereadPosted = false;          // a read of what came meanwhile waits for the next loop turn
    std::vector<std::int64_t> indexes;  // "LogFile Index" requests of the lines read in this turn
};

TControllerLink::TControllerLink(QObject* parent) : TControllerLink(OptionsOfGlobal(), parent)
{}

TControllerLink::TControllerLink(Options options, QObject* parent) : QObject(parent), options_(std::move(options))
{}

TControllerLink::~TControllerLink()
{
    while (!peers_.empty()) {
        peers_.back()->busy = false;
        dropPeer(peers_.back());
    }
    if (server_)
        server_->close();
}

bool TControllerLink::listen()
{
    if (isListening())
        return true;
    const std::filesystem::path& path = options_.socketPath;
    std::string reason;
    if (!EnsureSocketFolder(path.parent_path(), reason)) {
        error_ = QString::fromStdString(reason);
        return false;
    }
    struct stat info {};
    if (::lstat(path.c_str(), &info) == 0) {
        if (!S_ISSOCK(info.st_mode)) {
            error_ = QStringLiteral("%1 exists and is not a socket").arg(QString::fromStdString(path.native()));
            return false;
        }
        if (SendControllerLine(path, "", false, 200).sent) {
            error_ =
                QStringLiteral("another viewer of this suite listens on %1").arg(QString::fromStdString(path.native()));
            return false;
        }
        QLocalServer::removeServer(QString::fromStdString(path.native()));
    }
    if (!server_) {
        server_ = new QLocalServer(this);
        server_->setSocketOptions(QLocalServer::UserAccessOption);
        connect(server_, &QLocalServer::newConnection, this, &TControllerLink::acceptPeers);
    }
    if (!server_->listen(QString::fromStdString(path.native()))) {
        error_ = server_->errorString();
        return false;
    }
    error_.clear();
    return true;
}

bool TControllerLink::isListening() const
{
    return server_ && server_->isListening();
}

QString TControllerLink::socketPath() const
{
    return QString::fromStdString(options_.socketPath.native());
}

void TControllerLink::acceptPeers()
{
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        // When full, the oldest connection not being served makes room: a crowd of silent or
        // slow peers can never lock the controller out.
        if (static_cast<int>(peers_.size()) >= options_.maxPeers) {
            const auto oldest = std::find_if(peers_.begin(), peers_.end(), [](const Peer* p) { return !p->busy; });
            if (oldest != peers_.end())
                dropPeer(*oldest);
        }
        if (static_cast<int>(peers_.size()) >= options_.maxPeers) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        auto* peer = new Peer;
        peer->socket = socket;
        // The deadline runs from the connection's start and again from each complete line, not
        // from the last byte: a line must be complete within the timeout.
        peer->idle = new QTimer(socket);
        peer->idle->setSingleShot(true);
        peer->idle->setInterval(options_.idleTimeoutMs);
        peers_.push_back(peer);
        connect(peer->idle, &QTimer::timeout, this, [this, peer] { dropPeer(peer); });
        connect(socket, &QLocalSocket::readyRead, this, [this, peer] { readPeer(peer); });
        // Whatever complete lines came before the hang-up still count; a half line does not.
        connect(socket, &QLocalSocket::disconnected, this, [this, peer] {
            if (std::find(peers_.begin(), peers_.end(), peer) == peers_.end())
                return;
            peer->hungUp = true;
            readPeer(peer);
        });
        peer->idle->start();
        if (socket->bytesAvailable() > 0)
            readPeer(peer);
    }
}

void TControllerLink::readPeer(Peer* peer)
{
    if (std::find(peers_.begin(), peers_.end(), peer) == peers_.end() || peer->busy || peer->rereadPosted)
        return;  // a busy peer's new bytes are picked up after the call that is handling it
    peer->busy = true;
    // One turn of the event loop serves what has arrived so far, with at most one open request:
    // of a burst of "LogFile Index" lines the latest valid one wins, as during a read.
    peer->buffer.append(peer->socket->readAll());
    peer->indexes.clear();
    for (;;) {
        const qsizetype lf = peer->buffer.indexOf('\n');
        if (lf < 0)
            break;
        const QByteArray line = peer->buffer.left(lf);
        peer->buffer.remove(0, lf + 1);
        if (line.size() + 1 > static_cast<qsizetype>(MaxControllerLineBytes)) {
            peer->dropWanted = true;
            break;
        }
        peer->idle->start();
        handleLine(peer, line);
        if (peer->dropWanted)
            break;
    }
    // A line that already outgrew the limit cannot become valid: stop reading from this peer.
    if (peer->buffer.size() >= static_cast<qsizetype>(MaxControllerLineBytes))
        peer->dropWanted = true;
    if (!peer->dropWanted && !peer->indexes.empty()) {
        const std::vector<std::int64_t> indexes = std::move(peer->indexes);
        peer->indexes.clear();
        // The listing is made when the request is served, as the controller counted it just then.
        if (auto path = LatestLogFileOf(options_.logsFolder, indexes))
            requestOpen(*path);
    }
    peer->busy = false;
    if (peer->dropWanted) {
        dropPeer(peer);
        return;
    }
    // Bytes that came while the request was served wait for the next turn of the event loop.
    if (peer->socket->bytesAvailable() > 0) {
        peer->rereadPosted = true;
        QTimer::singleShot(0, this, [this, peer] {
            if (std::find(peers_.begin(), peers_.end(), peer) == peers_.end())
                return;
            peer->rereadPosted = false;
            readPeer(peer);
        });
        return;
    }
    if (peer->hungUp)
        dropPeer(peer);
}

void TControllerLink::dropPeer(Peer* peer)
{
    auto it = std::find(peers_.begin(), peers_.end(), peer);
    if (it == peers_.end())
        return;
    if (peer->busy) {
        peer->dropWanted = true;
        return;
    }
    peers_.erase(it);
    peer->socket->disconnect(this);
    peer->idle->disconnect(this);
    peer->idle->stop();
    peer->socket->abort();
    peer->socket->deleteLater();
    delete peer;
}

void TControllerLink::handleLine(Peer* peer, const QByteArray& line)
{
    auto message = ParseControllerLine(std::string_view(line.constData(), static_cast<std::size_t>(line.size())),
                                       options_.messages);
    if (!message)
        return;
    switch (message->message) {
    case ControllerMessage::CallingHandle: {
        endpointBytes_ = message->endpoint;
        endpoint_ = QString::fromStdString(endpointBytes_);
        const std::string answer = FormatControllerLine(
            options_.messages.number(ControllerMessage::CallingHandleReceived));
        peer->socket->write(answer.data(), static_cast<qint64>(answer.size()));
        peer->socket->flush();
        emit controllerAnnounced(endpoint_);
        break;
    }
    case ControllerMessage::LogFileIndex:
        peer->indexes.push_back(message->wParam);
        break;
    default:
        // "Driftline Quitting", "Arcwatch Quitting", "Calling Handle received", "New Source" and
        // "Track position" are the suite's too, but the viewer has nothing to do with them.
        break;
    }
}

void TControllerLink::requestOpen(const std::filesystem::path& path)
{
    // Only regular files inside the Logs folder: a link there must not lead elsewhere.
    std::string reason;
    if (!ControllerMayOpen(options_.logsFolder, path, reason)) {
        emit openRefused(QStringLiteral("Cannot open %1: %2")
                             .arg(QString::fromStdString(path.native()), QString::fromStdString(reason)));
        return;
    }
    if (reading_ || delivering_) {
        pending_ = path;
        return;
    }
    delivering_ = true;
    emit openLogFileRequested(QString::fromStdString(path.native()));
    delivering_ = false;
    if (pending_ && !reading_)
        QTimer::singleShot(0, this, &TControllerLink::deliverPending);
}

void TControllerLink::setReadInProgress(bool reading)
{
    reading_ = reading;
    if (!reading_ && pending_ && !delivering_)
        QTimer::singleShot(0, this, &TControllerLink::deliverPending);
}

void TControllerLink::deliverPending()
{
    if (reading_ || delivering_ || !pending_)
        return;
    const std::filesystem::path path = *pending_;
    pending_.reset();
    requestOpen(path);
}

void TControllerLink::PostQuitting()
{
    if (endpointBytes_.empty())
        return;
    // Posted, not sent: nothing is awaited, and a controller that is gone costs at most the timeout.
    SendControllerLine(endpointBytes_, FormatControllerLine(ControllerMessage::DriftlineQuitting, "0", "0"), false,
                       500);
}

}  // namespace driftline
