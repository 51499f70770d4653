#include "suite/Mailunit.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace driftline {

namespace fs = std::filesystem;

std::string MailSlotName(std::size_t index)
{
    std::string name = "~";
    name += std::to_string(index);
    name += ".~~";
    return name;
}

TMailDraft PrepareMail(const std::vector<fs::path>& files, std::string recipient, std::string subject,
                       const fs::path& tempBase)
{
    TMailDraft draft;
    draft.recipient = std::move(recipient);
    draft.subject = std::move(subject);
    draft.slotCount = files.size();

    std::string pattern = (tempBase / "driftline-mail-XXXXXX").native();
    if (::mkdtemp(pattern.data()) != nullptr) {
        draft.folder = pattern;
        for (std::size_t i = 0; i < files.size(); ++i) {
            std::error_code ec;
            if (!fs::is_regular_file(files[i], ec) || !files[i].has_filename())
                continue;
            const fs::path slot = draft.folder / MailSlotName(i);
            if (!fs::create_directory(slot, ec) || ec)
                continue;
            const fs::path copy = slot / files[i].filename();
            if (fs::copy_file(files[i], copy, fs::copy_options::overwrite_existing, ec) && !ec) {
                draft.attachments.push_back(copy);
            } else {
                fs::remove(copy, ec);
                fs::remove(slot, ec);
            }
        }
    }
    draft.body = std::to_string(draft.attachments.size()) + " file(s) attached.";
    return draft;
}

TMailDraft PrepareMail(const std::vector<fs::path>& files, std::string recipient, std::string subject)
{
    std::error_code ec;
    fs::path base = fs::temp_directory_path(ec);
    if (ec)
        base = "/tmp";
    return PrepareMail(files, std::move(recipient), std::move(subject), base);
}

void RemoveMailDraft(TMailDraft& draft)
{
    if (!draft.folder.empty()) {
        std::error_code ec;
        for (const fs::path& copy : draft.attachments)
            fs::remove(copy, ec);
        // Every slot of the list, attached or not; remove() leaves a folder that is not empty.
        for (std::size_t i = 0; i < draft.slotCount; ++i)
            fs::remove(draft.folder / MailSlotName(i), ec);
        fs::remove(draft.folder, ec);
    }
    draft.folder.clear();
    draft.attachments.clear();
}

std::vector<std::string> XdgEmailArguments(const TMailDraft& draft)
{
    std::vector<std::string> args = {"--subject", draft.subject, "--body", draft.body};
    for (const fs::path& copy : draft.attachments) {
        args.push_back("--attach");
        args.push_back(copy.native());
    }
    args.push_back(draft.recipient);
    return args;
}

std::string PercentEncode(std::string_view text)
{
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (unsigned char c : text) {
        const bool unreserved = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                                c == '-' || c == '.' || c == '_' || c == '~';
        if (unreserved) {
            out.push_back(static_cast<char>(c));
        } else {
            out.push_back('%');
            out.push_back(hex[c >> 4]);
            out.push_back(hex[c & 0x0F]);
        }
    }
    return out;
}

std::string MailtoUrl(const TMailDraft& draft)
{
    // The address keeps its "@"; RFC 6068 lets it stand unencoded in the path of a mailto: URL.
    std::string address;
    for (char c : draft.recipient)
        address += (c == '@') ? std::string("@") : PercentEncode(std::string_view(&c, 1));
    return "mailto:" + address + "?subject=" + PercentEncode(draft.subject) + "&body=" + PercentEncode(draft.body);
}

std::string FindOnPath(std::string_view program, std::string_view pathList)
{
    if (program.empty())
        return {};
    if (program.find('/') != std::string_view::npos)
        return ::access(std::string(program).c_str(), X_OK) == 0 ? std::string(program) : std::string();
    std::size_t start = 0;
    for (;;) {
        const std::size_t colon = pathList.find(':', start);
        std::string_view folder = pathList.substr(start, colon == std::string_view::npos ? colon : colon - start);
        fs::path candidate = fs::path(folder.empty() ? "." : std::string(folder)) / std::string(program);
        struct stat info {};
        if (::stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(candidate.c_str(), X_OK) == 0)
            return candidate.native();
        if (colon == std::string_view::npos)
            return {};
        start = colon + 1;
    }
}

std::string FindOnPath(std::string_view program)
{
    const char* path = std::getenv("PATH");
    return FindOnPath(program, path ? path : "");
}

int RunAndWait(const std::string& program, const std::vector<std::string>& args, std::string& error)
{
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int rc = ::posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ);
    if (rc != 0) {
        error = "cannot start " + program + ": " + std::strerror(rc);
        return -1;
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            error = std::string("waitpid: ") + std::strerror(errno);
            return -1;
        }
    }
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    error = program + " ended by signal " + std::to_string(WTERMSIG(status));
    return -1;
}

}  // namespace driftline
