#pragma once
// Runs the built driftline-cli with arguments and captures its exit code, stdout and stderr.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace driftline::testing {

struct TCliRun {
    int exitCode = -1;  // -1 when the tool died of a signal
    std::string out;
    std::string err;
};

inline std::string ShellQuote(const std::string& s)
{
    std::string q = "'";
    for (char c : s)
        if (c == '\'')
            q += "'\\''";
        else
            q += c;
    return q + "'";
}

inline std::string ReadFileText(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// A folder of its own for each test, removed afterwards.
class TCliFolder {
public:
    TCliFolder()
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        path_ = std::filesystem::temp_directory_path() /
                ("driftline-clitest-" + std::to_string(::getpid()) + "-" +
                 (info ? std::string(info->test_suite_name()) + "-" + info->name() : std::string("suite")));
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TCliFolder()
    {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TCliFolder(const TCliFolder&) = delete;
    TCliFolder& operator=(const TCliFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path write(const std::string& name, const std::string& bytes) const
    {
        std::ofstream out(path_ / name, std::ios::binary);
        out << bytes;
        return path_ / name;
    }

private:
    std::filesystem::path path_;
};

// Runs DRIFTLINE_CLI with each argument quoted; out and err come back through files in folder.
inline TCliRun RunCliCommand(const std::vector<std::string>& args, const TCliFolder& folder)
{
    std::string command = ShellQuote(DRIFTLINE_CLI);
    // Appended piece by piece: GCC 12 misreads "literal" + std::string here as an overlapping copy.
    for (const auto& a : args) {
        command += ' ';
        command += ShellQuote(a);
    }
    const auto outPath = folder.path() / "cli.out";
    const auto errPath = folder.path() / "cli.err";
    command += " >";
    command += ShellQuote(outPath.string());
    command += " 2>";
    command += ShellQuote(errPath.string());
    command += " </dev/null";
    const int status = std::system(command.c_str());
    TCliRun run;
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = ReadFileText(outPath);
    run.err = ReadFileText(errPath);
    return run;
}

// Runs DRIFTLINE_CLI with arguments already written as shell words; stdout comes back through a
// pipe, stderr goes to errFile (read back into err) or is dropped when errFile is empty.
inline TCliRun RunCliLine(const std::string& arguments, const std::filesystem::path& errFile = {})
{
    std::string command = DRIFTLINE_CLI;
    command += ' ';
    command += arguments;
    command += " 2>";
    command += errFile.empty() ? std::string("/dev/null") : errFile.string();
    TCliRun result;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return result;
    char buffer[65536];
    std::size_t n = 0;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        result.out.append(buffer, n);
    const int status = pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (!errFile.empty())
        result.err = ReadFileText(errFile);
    return result;
}

// Sets (or, with no value, clears) an environment variable for the tool runs in this scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name)
    {
        if (const char* old = std::getenv(name))
            old_ = old;
        if (value)
            ::setenv(name, value->c_str(), 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnv()
    {
        if (old_)
            ::setenv(name_.c_str(), old_->c_str(), 1);
        else
            ::unsetenv(name_.c_str());
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::optional<std::string> old_;
};

inline std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

}  // namespace driftline::testing
