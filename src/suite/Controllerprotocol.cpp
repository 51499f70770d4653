#include "suite/Controllerprotocol.h"

#include "suite/Globalunit.h"
#include "suite/Listfiles.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace driftline {

namespace {

constexpr std::array<const char*, ControllerMessageCount> kMessageNames = {
    "Calling Handle",          "Driftline Quitting", "LogFile Index",  "Arcwatch Quitting",
    "Calling Handle received", "New Source",         "Track position",
};

// A signed decimal integer with no blanks, no "+", at most what an int64 holds.
bool ParseDecimal(std::string_view text, std::int64_t& value)
{
    if (text.empty() || text.size() > 20)
        return false;
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (*first == '-' && text.size() == 1)
        return false;
    auto [end, ec] = std::from_chars(first, last, value);
    return ec == std::errc() && end == last;
}

// An unsigned decimal message number: digits only, at most 10, below 2^32.
bool ParseNumber(std::string_view text, std::uint32_t& value)
{
    if (text.empty() || text.size() > 10)
        return false;
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    std::uint64_t wide = 0;
    std::from_chars(text.data(), text.data() + text.size(), wide);
    if (wide > 0xFFFFFFFFull)
        return false;
    value = static_cast<std::uint32_t>(wide);
    return true;
}

std::string HashText(const std::filesystem::path& root)
{
    char hex[9];
    std::snprintf(hex, sizeof hex, "%08x", Fnv1a32(CanonicalRootText(root)));
    return hex;
}

// Milliseconds left until deadline, never below 0.
int RemainingMs(std::chrono::steady_clock::time_point deadline)
{
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

bool FillAddress(const std::filesystem::path& path, sockaddr_un& address, std::string& error)
{
    const std::string& text = path.native();
    if (text.empty() || text.size() > MaxSocketPathBytes) {
        error = "socket path too long: " + text;
        return false;
    }
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, text.data(), text.size());
    return true;
}

// Waits until fd is ready for events, up to the deadline; false on timeout or error.
bool WaitFor(int fd, short events, std::chrono::steady_clock::time_point deadline)
{
    for (;;) {
        pollfd p{fd, events, 0};
        int n = ::poll(&p, 1, RemainingMs(deadline));
        if (n > 0)
            return true;
        if (n == 0 || errno != EINTR)
            return false;
    }
}

class FdCloser {
public:
    explicit FdCloser(int fd) : fd_(fd) {}
    ~FdCloser()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FdCloser(const FdCloser&) = delete;
    FdCloser& operator=(const FdCloser&) = delete;

private:
    int fd_;
};

// Reads one LF-terminated line from fd until the deadline. Gives up on EOF before the LF, on an
// oversized line, on an error or on the deadline.
std::optional<std::string> ReadLine(int fd, std::chrono::steady_clock::time_point deadline)
{
    std::string line;
    char buffer[512];
    for (;;) {
        if (!WaitFor(fd, POLLIN, deadline))
            return std::nullopt;
        ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (n <= 0)
            return std::nullopt;
        for (ssize_t i = 0; i < n; ++i) {
            if (buffer[i] == '\n')
                return line;
            line.push_back(buffer[i]);
            if (line.size() >= MaxControllerLineBytes)
                return std::nullopt;
        }
    }
}

}  // namespace

const char* ControllerMessageName(ControllerMessage message)
{
    return kMessageNames[static_cast<std::size_t>(message)];
}

std::optional<ControllerMessage> ControllerMessageTable::byNumber(std::uint32_t value) const
{
    if (value == 0)
        return std::nullopt;
    for (std::size_t i = 0; i < ControllerMessageCount; ++i)
        if (numbers[i] == value)
            return static_cast<ControllerMessage>(i);
    return std::nullopt;
}

std::optional<ControllerMessage> ControllerMessageTable::byName(std::string_view name)
{
    for (std::size_t i = 0; i < ControllerMessageCount; ++i)
        if (name == kMessageNames[i])
            return static_cast<ControllerMessage>(i);
    return std::nullopt;
}

ControllerMessageTable MessageTableOf(const TGlobal& global)
{
    ControllerMessageTable table;
    table.numbers = {global.MsgCallingHandle,    global.MsgDriftlineQuitting,     global.MsgLogFileIndex,
                     global.MsgArcwatchQuitting, global.MsgCallingHandleReceived, global.MsgNewSource,
                     global.MsgTrackPosition};
    return table;
}

std::string FormatControllerLine(ControllerMessage message, std::string_view wParam, std::string_view lParam)
{
    std::string line = ControllerMessageName(message);
    line.append("\t").append(wParam).append("\t").append(lParam).append("\n");
    return line;
}

std::string FormatControllerLine(std::uint32_t number, std::string_view wParam, std::string_view lParam)
{
    std::string line = std::to_string(number);
    line.append("\t").append(wParam).append("\t").append(lParam).append("\n");
    return line;
}

bool IsValidEndpoint(std::string_view path)
{
    if (path.empty() || path.size() > MaxSocketPathBytes || path.front() != '/')
        return false;
    for (unsigned char c : path)
        if (c < 0x20 || c == 0x7F)
            return false;
    return true;
}

std::optional<ControllerLine> ParseControllerLine(std::string_view line, const ControllerMessageTable& table)
{
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    if (line.size() >= MaxControllerLineBytes)
        return std::nullopt;
    const auto tab1 = line.find('\t');
    if (tab1 == std::string_view::npos)
        return std::nullopt;
    const auto tab2 = line.find('\t', tab1 + 1);
    if (tab2 == std::string_view::npos || line.find('\t', tab2 + 1) != std::string_view::npos)
        return std::nullopt;
    const std::string_view name = line.substr(0, tab1);
    const std::string_view wText = line.substr(tab1 + 1, tab2 - tab1 - 1);
    const std::string_view lText = line.substr(tab2 + 1);

    ControllerLine parsed;
    std::uint32_t number = 0;
    if (auto byName = ControllerMessageTable::byName(name)) {
        parsed.message = *byName;
    } else if (ParseNumber(name, number)) {
        auto byNumber = table.byNumber(number);
        if (!byNumber)
            return std::nullopt;
        parsed.message = *byNumber;
    } else {
        return std::nullopt;
    }
    parsed.number = table.number(parsed.message);

    if (parsed.message == ControllerMessage::CallingHandle) {
        if (!IsValidEndpoint(wText))
            return std::nullopt;
        parsed.endpoint = std::string(wText);
    } else if (!ParseDecimal(wText, parsed.wParam)) {
        return std::nullopt;
    }
    if (!ParseDecimal(lText, parsed.lParam))
        return std::nullopt;
    return parsed;
}

std::string CanonicalRootText(const std::filesystem::path& root)
{
    std::error_code ec;
    std::filesystem::path absolute = std::filesystem::absolute(root.empty() ? "." : root, ec);
    if (ec)
        absolute = root;
    std::filesystem::path canonical = std::filesystem::weakly_canonical(absolute, ec);
    if (ec)
        canonical = absolute.lexically_normal();
    std::string text = canonical.native();
    while (text.size() > 1 && text.back() == '/')
        text.pop_back();
    return text;
}

std::filesystem::path ControllerSocketFolder(std::string_view runtimeDir, uid_t uid)
{
    if (!runtimeDir.empty() && runtimeDir.front() == '/')
        return std::filesystem::path(runtimeDir);
    return std::filesystem::path("/tmp") / ("driftline-" + std::to_string(uid));
}

std::filesystem::path ControllerSocketFolder()
{
    const char* runtimeDir = std::getenv("XDG_RUNTIME_DIR");
    return ControllerSocketFolder(runtimeDir ? runtimeDir : "", ::getuid());
}

std::filesystem::path ViewerSocketPath(const std::filesystem::path& root, const std::filesystem::path& folder)
{
    return folder / ("driftline-" + HashText(root) + ".sock");
}

std::filesystem::path ViewerSocketPath(const std::filesystem::path& root)
{
    return ViewerSocketPath(root, ControllerSocketFolder());
}

std::filesystem::path ControllerEndpointPath(const std::filesystem::path& root, const std::filesystem::path& folder)
{
    return folder / ("driftline-controller-" + HashText(root) + ".sock");
}

std::filesystem::path ControllerEndpointPath(const std::filesystem::path& root)
{
    return ControllerEndpointPath(root, ControllerSocketFolder());
}

bool EnsureSocketFolder(const std::filesystem::path& folder, std::string& error)
{
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        error = "cannot create " + folder.native() + ": " + std::strerror(errno);
        return false;
    }
    struct stat info {};
    if (::lstat(folder.c_str(), &info) != 0) {
        error = "cannot inspect " + folder.native() + ": " + std::strerror(errno);
        return false;
    }
    if (!S_ISDIR(info.st_mode)) {
        error = folder.native() + " is not a folder";
        return false;
    }
    if (info.st_uid != ::getuid()) {
        error = folder.native() + " belongs to another user";
        return false;
    }
    if ((info.st_mode & 077) != 0) {
        error = folder.native() + " is open to other users";
        return false;
    }
    return true;
}

std::optional<std::filesystem::path> LogFileAtIndex(const std::filesystem::path& logsFolder, std::int64_t index)
{
    std::vector<std::string> names;
    ListFiles(logsFolder, "log", names);
    if (index < 0 || static_cast<std::uint64_t>(index) >= names.size())
        return std::nullopt;
    const std::string& name = names[static_cast<std::size_t>(index)];
    // ListFiles gives bare names; this keeps a request from ever naming a file outside the folder.
    if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos)
        return std::nullopt;
    return logsFolder / name;
}

std::optional<std::filesystem::path> LatestLogFileOf(const std::filesystem::path& logsFolder,
                                                     const std::vector<std::int64_t>& indexes)
{
    if (indexes.empty())
        return std::nullopt;
    std::vector<std::string> names;
    ListFiles(logsFolder, "log", names);
    for (auto it = indexes.rbegin(); it != indexes.rend(); ++it) {
        if (*it < 0 || static_cast<std::uint64_t>(*it) >= names.size())
            continue;
        const std::string& name = names[static_cast<std::size_t>(*it)];
        if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos)
            continue;
        return logsFolder / name;
    }
    return std::nullopt;
}

bool ControllerMayOpen(const std::filesystem::path& logsFolder, const std::filesystem::path& file, std::string& reason)
{
    std::error_code ec;
    const std::filesystem::path folder = std::filesystem::canonical(logsFolder, ec);
    if (ec) {
        reason = ec.message();
        return false;
    }
    const std::filesystem::path target = std::filesystem::canonical(file, ec);
    if (ec) {
        reason = ec.message();
        return false;
    }
    struct stat info {};
    if (::stat(target.c_str(), &info) != 0) {
        reason = std::strerror(errno);
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        reason = "not a regular file";
        return false;
    }
    // Inside: the folder's components are a prefix of the file's, the file being deeper.
    auto f = folder.begin();
    auto t = target.begin();
    for (; f != folder.end(); ++f, ++t) {
        if (t == target.end() || *f != *t) {
            reason = "outside the Logs folder";
            return false;
        }
    }
    if (t == target.end()) {
        reason = "outside the Logs folder";
        return false;
    }
    reason.clear();
    return true;
}

ControllerSendResult SendControllerLine(const std::filesystem::path& path, std::string_view line, bool waitForAnswer,
                                        int timeoutMs)
{
    ControllerSendResult result;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    sockaddr_un address{};
    if (!FillAddress(path, address, result.error))
        return result;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        result.error = std::string("socket: ") + std::strerror(errno);
        return result;
    }
    FdCloser closer(fd);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        // A full backlog makes a non-blocking local connect fail with EAGAIN; wait and retry.
        bool connected = false;
        while (errno == EAGAIN || errno == EINPROGRESS) {
            if (RemainingMs(deadline) == 0)
                break;
            ::poll(nullptr, 0, 10);
            if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 || errno == EISCONN) {
                connected = true;
                break;
            }
        }
        if (!connected) {
            result.error = "cannot connect to " + path.native() + ": " + std::strerror(errno);
            return result;
        }
    }
    std::size_t written = 0;
    while (written < line.size()) {
        ssize_t n = ::send(fd, line.data() + written, line.size() - written, MSG_NOSIGNAL);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) {
            if (!WaitFor(fd, POLLOUT, deadline)) {
                result.error = "timed out writing to " + path.native();
                return result;
            }
            continue;
        }
        if (n < 0) {
            result.error = "cannot write to " + path.native() + ": " + std::strerror(errno);
            return result;
        }
        written += static_cast<std::size_t>(n);
    }
    result.sent = true;
    if (waitForAnswer) {
        if (auto answer = ReadLine(fd, deadline)) {
            result.answered = true;
            result.answer = *answer;
        } else {
            result.error = "no answer from " + path.native();
        }
    }
    return result;
}

TControllerListener::~TControllerListener()
{
    if (listenFd_ >= 0) {
        ::close(listenFd_);
        ::unlink(path_.c_str());
    }
}

bool TControllerListener::listen(const std::filesystem::path& path, std::string& error)
{
    sockaddr_un address{};
    if (!FillAddress(path, address, error))
        return false;
    struct stat info {};
    if (::lstat(path.c_str(), &info) == 0) {
        if (!S_ISSOCK(info.st_mode)) {
            error = path.native() + " exists and is not a socket";
            return false;
        }
        if (SendControllerLine(path, "", false, 200).sent) {
            error = "another program is listening on " + path.native();
            return false;
        }
        ::unlink(path.c_str());
    }
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        error = std::string("socket: ") + std::strerror(errno);
        return false;
    }
    // The socket file is closed to others before listen(): until then nobody can connect, and
    // the process-wide creation mask is never touched (other threads may be creating files).
    const int bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    const int bindErrno = errno;
    const int closed = bound == 0 ? ::chmod(path.c_str(), 0600) : -1;
    const int chmodErrno = errno;
    if (bound != 0 || closed != 0 || ::listen(fd, 8) != 0) {
        const int code = bound != 0 ? bindErrno : closed != 0 ? chmodErrno : errno;
        error = "cannot listen on " + path.native() + ": " + std::strerror(code);
        if (bound == 0)
            ::unlink(path.c_str());
        ::close(fd);
        return false;
    }
    listenFd_ = fd;
    path_ = path;
    return true;
}

std::optional<std::string> TControllerListener::waitLine(int timeoutMs)
{
    if (listenFd_ < 0)
        return std::nullopt;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (!WaitFor(listenFd_, POLLIN, deadline))
            return std::nullopt;
        const int peer = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (peer < 0)
            continue;
        FdCloser closer(peer);
        // One peer must not hold the listener for the whole timeout: give it two seconds at most.
        const auto peerDeadline = std::min(deadline, std::chrono::steady_clock::now() + std::chrono::seconds(2));
        if (auto line = ReadLine(peer, peerDeadline))
            return line;
        if (RemainingMs(deadline) == 0)
            return std::nullopt;
    }
}

}  // namespace driftline
