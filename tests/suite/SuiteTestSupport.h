#pragma once
// Helpers shared by the suite tests: a scratch folder, file writing, environment guards and a
// way to run a step without root's power to ignore file permissions.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace driftline::test {

// A fresh folder below the system's temporary folder, removed with everything in it at the end.
class ScratchFolder {
public:
    // Below base, or the system's temporary folder when base is empty.
    explicit ScratchFolder(const std::filesystem::path& base = {})
    {
        const std::filesystem::path under = base.empty() ? std::filesystem::temp_directory_path() : base;
        std::string pattern = (under / "driftline-suite-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~ScratchFolder()
    {
        std::error_code ec;
        // Folders made read-only by a test must be opened again before they can be emptied.
        for (auto it = std::filesystem::recursive_directory_iterator(path_, ec);
             !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
            if (it->is_directory(ec))
                std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                             std::filesystem::perm_options::add, ec);
        }
        std::filesystem::remove_all(path_, ec);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

inline void WriteBytes(const std::filesystem::path& file, const std::string& bytes)
{
    std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << bytes;
}

inline std::string ReadBytes(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Sets or clears one environment variable for the guard's lifetime and restores it afterwards.
class EnvironmentGuard {
public:
    EnvironmentGuard(const char* name, const char* value) : name_(name)
    {
        if (const char* old = std::getenv(name))
            old_ = std::string(old);
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~EnvironmentGuard()
    {
        if (old_)
            ::setenv(name_.c_str(), old_->c_str(), 1);
        else
            ::unsetenv(name_.c_str());
    }
    EnvironmentGuard(const EnvironmentGuard&) = delete;
    EnvironmentGuard& operator=(const EnvironmentGuard&) = delete;

private:
    std::string name_;
    std::optional<std::string> old_;
};

// Runs step in a child process under the "nobody" user when the test runs as root (root may
// write anywhere, so a read-only folder would prove nothing). The step's text result comes back
// through a pipe. Returns nothing when the child could not drop its rights.
inline std::optional<std::string> RunWithoutRootRights(const std::function<std::string()>& step)
{
    if (::geteuid() != 0)
        return step();
    int fds[2];
    if (::pipe(fds) != 0)
        return std::nullopt;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(fds[0]);
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(3);
        const std::string result = step();
        const ssize_t written = ::write(fds[1], result.data(), result.size());
        ::_exit(written == static_cast<ssize_t>(result.size()) ? 0 : 4);
    }
    ::close(fds[1]);
    std::string result;
    char buffer[256];
    ssize_t n;
    while ((n = ::read(fds[0], buffer, sizeof buffer)) > 0)
        result.append(buffer, static_cast<std::size_t>(n));
    ::close(fds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    return result;
}

}  // namespace driftline::test
