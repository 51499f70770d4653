#pragma once
// Preparing the mail to the author from the about box: the session's debug and log files are
// copied into a private temporary folder (so the mail program attaches a snapshot, not a file the
// suite may still be writing), the subject and body are set, and the copies are removed once the
// mail program has returned. The mail itself goes out through xdg-email, or a mailto: address
// when xdg-email is missing; both are started without a shell.
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace driftline {

struct TMailDraft {
    std::string recipient;
    std::string subject;
    std::string body;                                // "<count> file(s) attached."
    std::filesystem::path folder;                    // our private temporary folder; empty when none was made
    std::vector<std::filesystem::path> attachments;  // the copies, in the order of the original list
    std::size_t slotCount = 0;                       // length of the original list
};

// The folder of copy index i inside the draft's folder: "~<i>.~~". Each copy keeps its original
// file name inside its own folder, so the recipient sees "ZV-12-05-2010-0001.log", not "~1.~~".
std::string MailSlotName(std::size_t index);

// Builds the draft: every file of files that exists as a regular file is copied, in list order, to
// <private folder>/~<i>.~~/<its own name>; a file that is missing or cannot be copied is left out.
// The private folder is made with mkdtemp (mode 0700) under tempBase. Never fails as a whole: when
// no folder can be made the draft simply has no attachments.
TMailDraft PrepareMail(const std::vector<std::filesystem::path>& files, std::string recipient, std::string subject,
                       const std::filesystem::path& tempBase);
// The same under the system's temporary folder ($TMPDIR, else /tmp).
TMailDraft PrepareMail(const std::vector<std::filesystem::path>& files, std::string recipient, std::string subject);

// Removes every copy, every slot folder "~<i>.~~" of the list and the private folder itself;
// anything it did not create there is left alone. The draft is left without folder or attachments.
void RemoveMailDraft(TMailDraft& draft);

// The arguments of xdg-email, program name excluded: --subject S --body B (--attach F)... recipient.
std::vector<std::string> XdgEmailArguments(const TMailDraft& draft);

// "mailto:<recipient>?subject=...&body=..." with both texts percent-encoded (no attachments: a
// mailto: address cannot carry them).
std::string MailtoUrl(const TMailDraft& draft);

// Percent-encoding of every byte outside RFC 3986's unreserved set (A-Z a-z 0-9 - . _ ~).
std::string PercentEncode(std::string_view text);

// The full path of program in the colon-separated folder list pathList, or "" when no folder holds
// an executable file of that name. An empty entry stands for the current folder, as in execvp.
std::string FindOnPath(std::string_view program, std::string_view pathList);
// The same with the process's PATH.
std::string FindOnPath(std::string_view program);

// Runs program with args (no shell) and waits for it. Returns its exit status, or -1 with a reason
// in error when it could not be started or ended by a signal.
int RunAndWait(const std::string& program, const std::vector<std::string>& args, std::string& error);

}  // namespace driftline
