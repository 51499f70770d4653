#pragma once
// The viewer's end of the controller link: a local socket, private to this user, on which the
// controller announces itself ("Calling Handle") and asks for a log file ("LogFile Index"), and
// through which the viewer tells the announced controller that its window was closed
// ("Driftline Quitting"). Everything runs on the user-interface thread and never blocks it: a
// peer is served as its bytes arrive, and one that stalls is dropped after a while.
#include "suite/Controllerprotocol.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

class QLocalServer;
class QLocalSocket;
class QTimer;

namespace driftline {

class TControllerLink : public QObject {
    Q_OBJECT

public:
    struct Options {
        std::filesystem::path logsFolder;  // the folder "LogFile Index" counts in
        std::filesystem::path socketPath;  // where to listen
        ControllerMessageTable messages;   // the suite's message numbers
        int idleTimeoutMs = 5000;          // a line must be complete this long after the connection
                                           // started or after the peer's previous line
        int maxPeers = 16;                 // a further connection closes the oldest one not served
    };

    // The link of the suite in Global(): its LogsFolder, ViewerSocketPath(RootFolder), its numbers.
    explicit TControllerLink(QObject* parent = nullptr);
    TControllerLink(Options options, QObject* parent);
    ~TControllerLink() override;

    // Starts listening; false with errorString() when the socket cannot be set up (the viewer then
    // simply runs without a controller). A socket left by an earlier viewer that crashed is
    // replaced; one that a running viewer of the same suite answers on is not.
    bool listen();
    bool isListening() const;
    QString socketPath() const;
    QString errorString() const { return error_; }

    // The controller's endpoint from its last "Calling Handle"; empty until one arrived.
    QString controllerEndpoint() const { return endpoint_; }

    // The window tells the link while it reads a file: a "LogFile Index" arriving meanwhile is
    // kept (the latest wins) and asked for once the read has finished.
    void setReadInProgress(bool reading);
    bool readInProgress() const { return reading_; }
    // The file a held-off request will open; empty when none is waiting.
    QString pendingLogFile() const { return pending_ ? QString::fromStdString(pending_->native()) : QString(); }

    // Posts "Driftline Quitting" (wParam 0, lParam 0) to the announced controller. Without an
    // announced controller nothing is sent. Called for the window system's close request only.
    void PostQuitting();

signals:
    // The controller asked for this log file (a file of the Logs folder, by ListFiles index).
    void openLogFileRequested(const QString& path);
    // A controller announced itself with this endpoint.
    void controllerAnnounced(const QString& endpoint);
    // A request named something the controller may not have opened ("Cannot open <path>: reason"):
    // for the status bar, never a modal box, so later requests still get through.
    void openRefused(const QString& text);

private:
    struct Peer;
    void acceptPeers();
    void readPeer(Peer* peer);
    void dropPeer(Peer* peer);
    void handleLine(Peer* peer, const QByteArray& line);
    void requestOpen(const std::filesystem::path& path);
    void deliverPending();

    Options options_;
    QLocalServer* server_ = nullptr;
    QString error_;
    QString endpoint_;
    std::string endpointBytes_;  // the endpoint exactly as the controller sent it
    bool reading_ = false;
    bool delivering_ = false;
    std::optional<std::filesystem::path> pending_;
    std::vector<Peer*> peers_;
};

}  // namespace driftline
