#pragma once
// The controller link: how the controller and the viewer of one suite find each other (a Unix
// domain socket whose path both derive from the suite's root folder), the one-line message
// format they exchange, and a small blocking POSIX client and listener for the controller's side
// (driftline-cli controller). The viewer's listener is Qt's (src/app/Controllerlink.h) and uses
// the same format and paths. docs/controller-protocol.md, "Controller link", is the reference.
#include "suite/Textutil.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace driftline {

class TGlobal;

// The suite's seven messages, in the order TGlobal numbers them.
enum class ControllerMessage {
    CallingHandle,
    DriftlineQuitting,
    LogFileIndex,
    ArcwatchQuitting,
    CallingHandleReceived,
    NewSource,
    TrackPosition,
};
inline constexpr std::size_t ControllerMessageCount = 7;

// The message's name exactly as the suite spells it (letter case and blanks matter).
const char* ControllerMessageName(ControllerMessage message);

// The numbers the suite gave the seven names; both sides accept a message by name or by number.
struct ControllerMessageTable {
    std::array<std::uint32_t, ControllerMessageCount> numbers{};

    std::uint32_t number(ControllerMessage message) const { return numbers[static_cast<std::size_t>(message)]; }
    // The message carrying this number; none for 0 (a failed registration) or a foreign number.
    std::optional<ControllerMessage> byNumber(std::uint32_t value) const;
    // The message with exactly this name, or none.
    static std::optional<ControllerMessage> byName(std::string_view name);
};

// The table of the numbers held in TGlobal's Msg* members.
ControllerMessageTable MessageTableOf(const TGlobal& global);

// A line may hold at most this many bytes, its LF included; a peer that sends more is cut off.
inline constexpr std::size_t MaxControllerLineBytes = 4096;
// Longest socket path a sockaddr_un can carry (its 108 bytes less the terminating NUL).
inline constexpr std::size_t MaxSocketPathBytes = 107;

// One parsed message line: "<name or number> TAB <wParam> TAB <lParam> LF".
struct ControllerLine {
    ControllerMessage message{};
    std::uint32_t number = 0;  // the message's number, whichever form the line used
    std::int64_t wParam = 0;   // every message but "Calling Handle"
    std::string endpoint;      // "Calling Handle" only: the controller's own socket path
    std::int64_t lParam = 0;
};

// The text of one line, LF included, with the message named by its name.
std::string FormatControllerLine(ControllerMessage message, std::string_view wParam = "0",
                                 std::string_view lParam = "0");
// The text of one line, LF included, with the message given by its number.
std::string FormatControllerLine(std::uint32_t number, std::string_view wParam = "0", std::string_view lParam = "0");

// Parses one line without its LF (a CR before the LF is tolerated). Anything outside the grammar,
// an unknown name or number, or a "Calling Handle" whose endpoint is no usable socket path gives none.
std::optional<ControllerLine> ParseControllerLine(std::string_view line, const ControllerMessageTable& table);

// An acceptable controller endpoint: an absolute path that fits a sockaddr_un, no control bytes.
bool IsValidEndpoint(std::string_view path);

// The suite root as both sides hash it: absolute, with symbolic links and "." / ".." resolved as
// far as the path exists, no trailing separator.
std::string CanonicalRootText(const std::filesystem::path& root);

// Folder of the suite's sockets: runtimeDir ($XDG_RUNTIME_DIR) when it is an absolute path, else
// /tmp/driftline-<uid>.
std::filesystem::path ControllerSocketFolder(std::string_view runtimeDir, uid_t uid);
// The same for the running process's environment and user.
std::filesystem::path ControllerSocketFolder();

// The viewer's listening socket for the suite at root: folder + "driftline-" + 8 hex digits of the
// FNV-1a hash of CanonicalRootText(root) + ".sock".
std::filesystem::path ViewerSocketPath(const std::filesystem::path& root, const std::filesystem::path& folder);
std::filesystem::path ViewerSocketPath(const std::filesystem::path& root);
// The controller's default endpoint for the same suite: "driftline-controller-<hash>.sock".
std::filesystem::path ControllerEndpointPath(const std::filesystem::path& root, const std::filesystem::path& folder);
std::filesystem::path ControllerEndpointPath(const std::filesystem::path& root);

// Creates the socket folder with mode 0700 when missing; an existing one must be a real folder (not
// a link) owned by this user and closed to group and others. False with the reason otherwise.
bool EnsureSocketFolder(const std::filesystem::path& folder, std::string& error);

// The file a "LogFile Index" names: entry index of ListFiles(logsFolder, "log") joined to
// logsFolder; none when the index is outside the listing or the name could leave the folder.
std::optional<std::filesystem::path> LogFileAtIndex(const std::filesystem::path& logsFolder, std::int64_t index);

// The file the latest of several "LogFile Index" requests names that LogFileAtIndex accepts
// (requests in arrival order; the folder is listed once). None when no request names a file.
std::optional<std::filesystem::path> LatestLogFileOf(const std::filesystem::path& logsFolder,
                                                     const std::vector<std::int64_t>& indexes);

// Whether the controller may have file opened: with symbolic links resolved, a regular file inside
// logsFolder (itself resolved). False with a reason ("not a regular file", "outside the Logs
// folder", or the system's) otherwise.
bool ControllerMayOpen(const std::filesystem::path& logsFolder, const std::filesystem::path& file, std::string& reason);

// What one send achieved.
struct ControllerSendResult {
    bool sent = false;      // connected and wrote the whole line
    bool answered = false;  // a complete answer line came back in time
    std::string answer;     // the answer line without its LF
    std::string error;      // reason when not sent (or no answer was awaited in vain)
};

// Connects to the socket at path, writes line (which must end in LF) and, when waitForAnswer,
// reads one answer line; every step gives up after timeoutMs in all. Never raises SIGPIPE.
ControllerSendResult SendControllerLine(const std::filesystem::path& path, std::string_view line, bool waitForAnswer,
                                        int timeoutMs);

// A listening socket for the controller's side: accepts peers one at a time and hands back their
// lines. The socket file is removed again when the listener goes.
class TControllerListener {
public:
    TControllerListener() = default;
    ~TControllerListener();
    TControllerListener(const TControllerListener&) = delete;
    TControllerListener& operator=(const TControllerListener&) = delete;

    // Binds and listens at path. A stale socket file there is replaced, but not one that a live
    // program still answers on, nor any other kind of file. False with the reason on failure.
    bool listen(const std::filesystem::path& path, std::string& error);
    const std::filesystem::path& path() const { return path_; }
    // The next complete line (without LF) from any peer within timeoutMs; none on timeout.
    // Oversized lines and peers that hang up mid-line are skipped.
    std::optional<std::string> waitLine(int timeoutMs);

private:
    int listenFd_ = -1;
    std::filesystem::path path_;
};

}  // namespace driftline
