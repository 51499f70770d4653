// Preparing the mail to the author: private copies of the attachments, texts, xdg-email's
// arguments, the mailto: fallback, clean-up, and starting the mail program without a shell.
#include "suite/Mailunit.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace driftline {
namespace {

namespace fs = std::filesystem;

struct TempFolder {
    fs::path path;
    TempFolder()
    {
        std::string pattern = (fs::temp_directory_path() / "dl-mail-test-XXXXXX").native();
        path = ::mkdtemp(pattern.data());
    }
    ~TempFolder() { fs::remove_all(path); }
};

std::string Slurp(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteFile(const fs::path& path, const std::string& text,
               fs::perms perms = fs::perms::owner_read | fs::perms::owner_write)
{
    std::ofstream(path, std::ios::binary) << text;
    fs::permissions(path, perms);
}

struct AttachRow {
    const char* label;
    bool debugExists;
    bool logExists;
    const char* body;
    std::vector<std::string> slots;  // slot folder of each attached copy, in order
};

TEST(MailDraft, CopiesEachExistingAttachmentUnderItsOwnNameAndCountsThem)
{
    const AttachRow rows[] = {
        {"neither file", false, false, "0 file(s) attached.", {}},
        {"debug only", true, false, "1 file(s) attached.", {"~0.~~"}},
        {"log only keeps index 1", false, true, "1 file(s) attached.", {"~1.~~"}},
        {"both", true, true, "2 file(s) attached.", {"~0.~~", "~1.~~"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        TempFolder suite, temp;
        const fs::path debug = suite.path / "ZV-12-05-2010-0001.debug";
        const fs::path log = suite.path / "ZV-12-05-2010-0001.log";
        if (row.debugExists)
            WriteFile(debug, "debug text\r\n");
        if (row.logExists)
            WriteFile(log, "log text\r\n");

        TMailDraft draft = PrepareMail({debug, log}, "author@example.org", "Driftline 37b", temp.path);
        EXPECT_EQ(draft.body, row.body);
        EXPECT_EQ(draft.subject, "Driftline 37b");
        EXPECT_EQ(draft.recipient, "author@example.org");
        ASSERT_FALSE(draft.folder.empty());
        EXPECT_EQ(draft.folder.parent_path(), temp.path);
        struct stat info {};
        ASSERT_EQ(::stat(draft.folder.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0700u) << "the copies sit in a folder of our own";

        ASSERT_EQ(draft.attachments.size(), row.slots.size());
        for (std::size_t i = 0; i < row.slots.size(); ++i) {
            const fs::path& copy = draft.attachments[i];
            EXPECT_EQ(copy.parent_path(), draft.folder / row.slots[i]);
            const fs::path& original = row.slots[i] == "~0.~~" ? debug : log;
            EXPECT_EQ(copy.filename(), original.filename()) << "the recipient sees the original name";
            EXPECT_EQ(Slurp(copy), Slurp(original));
        }

        const fs::path folder = draft.folder;
        RemoveMailDraft(draft);
        EXPECT_FALSE(fs::exists(folder));
        EXPECT_TRUE(draft.attachments.empty());
        EXPECT_EQ(fs::exists(debug), row.debugExists) << "originals are never touched";
        EXPECT_EQ(fs::exists(log), row.logExists);
    }
}

TEST(MailDraft, SkipsWhatCannotBeAttached)
{
    TempFolder suite, temp;
    fs::create_directory(suite.path / "a-folder.log");
    const fs::path unreadable = suite.path / "secret.debug";
    WriteFile(unreadable, "x", fs::perms::none);
    const bool rootCanReadAnything = ::geteuid() == 0;
    TMailDraft draft = PrepareMail({unreadable, suite.path / "a-folder.log"}, "a@b", "s", temp.path);
    if (rootCanReadAnything) {
        EXPECT_EQ(draft.body, "1 file(s) attached.");
    } else {
        EXPECT_EQ(draft.body, "0 file(s) attached.");
        EXPECT_FALSE(fs::exists(draft.folder / "~0.~~")) << "a failed copy leaves no slot behind";
    }
    RemoveMailDraft(draft);

    // No private folder can be made: the mail still goes out, without attachments.
    WriteFile(suite.path / "present.log", "x");
    draft = PrepareMail({suite.path / "present.log"}, "a@b", "s", suite.path / "no" / "such" / "base");
    EXPECT_TRUE(draft.folder.empty());
    EXPECT_EQ(draft.body, "0 file(s) attached.");
}

TEST(MailDraft, ArgumentsAndMailtoAddress)
{
    TMailDraft draft;
    draft.recipient = "author@example.org";
    draft.subject = "Driftline 37b";
    draft.body = "2 file(s) attached.";
    draft.attachments = {"/tmp/m/~0.~~/a b.debug", "/tmp/m/~1.~~/a.log"};
    const std::vector<std::string> expected = {
        "--subject",         "Driftline 37b",          "--body",   "2 file(s) attached.",
        "--attach",          "/tmp/m/~0.~~/a b.debug", "--attach", "/tmp/m/~1.~~/a.log",
        "author@example.org"};
    EXPECT_EQ(XdgEmailArguments(draft), expected);
    EXPECT_EQ(MailtoUrl(draft), "mailto:author@example.org?subject=Driftline%2037b&body=2%20file%28s%29%20attached.");

    // Percent-encoding by RFC 3986: unreserved bytes stay, every other byte becomes %XX (upper case).
    const std::pair<const char*, const char*> rows[] = {
        {"AZaz09-._~", "AZaz09-._~"},
        {"a&b=c?d", "a%26b%3Dc%3Fd"},
        {"\xC3\xA4", "%C3%A4"},
        {"100%", "100%25"},
        {"", ""},
    };
    for (const auto& [text, encoded] : rows)
        EXPECT_EQ(PercentEncode(text), encoded) << text;
}

TEST(MailProgram, FoundOnPathOnlyAsAnExecutableFile)
{
    TempFolder a, b;
    WriteFile(a.path / "xdg-email", "#!/bin/sh\n", fs::perms::owner_read);  // not executable
    fs::create_directory(b.path / "xdg-email-dir");
    WriteFile(b.path / "xdg-email", "#!/bin/sh\n", fs::perms::owner_all);
    const std::string list = a.path.native() + ":" + b.path.native();
    EXPECT_EQ(FindOnPath("xdg-email", list), (b.path / "xdg-email").native());
    EXPECT_EQ(FindOnPath("xdg-email", a.path.native()), "");
    EXPECT_EQ(FindOnPath("xdg-email-dir", list), "") << "a folder is no program";
    EXPECT_EQ(FindOnPath("xdg-email", ""), "");
}

TEST(MailProgram, FakeXdgEmailSeesTheArgumentsAndTheCopiesBeforeCleanUp)
{
    TempFolder suite, temp, bin;
    const fs::path record = bin.path / "record.txt";
    // The fake mail program writes each argument on a line of its own, then the content of every
    // --attach file (which is gone once the mail is cleaned up), and exits with 3.
    WriteFile(bin.path / "xdg-email",
              "#!/bin/sh\n"
              "out='" +
                  record.native() +
                  "'\n"
                  ": > \"$out\"\n"
                  "for a in \"$@\"; do printf 'arg:%s\\n' \"$a\" >> \"$out\"; done\n"
                  "while [ $# -gt 0 ]; do\n"
                  "  if [ \"$1\" = --attach ]; then printf 'file:%s\\n' \"$(cat \"$2\")\" >> \"$out\"; shift; fi\n"
                  "  shift\n"
                  "done\n"
                  "exit 3\n",
              fs::perms::owner_all);
    WriteFile(suite.path / "s.debug", "DEBUG-CONTENT");
    WriteFile(suite.path / "s.log", "LOG-CONTENT");

    TMailDraft draft = PrepareMail({suite.path / "s.debug", suite.path / "s.log"}, "me@example.org", "Driftline 37b",
                                   temp.path);
    const std::string program = FindOnPath("xdg-email", bin.path.native());
    ASSERT_FALSE(program.empty());
    std::string error;
    EXPECT_EQ(RunAndWait(program, XdgEmailArguments(draft), error), 3) << error;
    const std::string copy0 = draft.attachments.at(0).native();
    const std::string copy1 = draft.attachments.at(1).native();
    RemoveMailDraft(draft);

    const std::string expected = "arg:--subject\narg:Driftline 37b\narg:--body\narg:2 file(s) attached.\n"
                                 "arg:--attach\narg:" +
                                 copy0 + "\narg:--attach\narg:" + copy1 +
                                 "\n"
                                 "arg:me@example.org\nfile:DEBUG-CONTENT\nfile:LOG-CONTENT\n";
    EXPECT_EQ(Slurp(record), expected);
    EXPECT_FALSE(fs::exists(copy0));
    EXPECT_TRUE(fs::is_empty(temp.path)) << "nothing is left in the temporary folder";

    EXPECT_EQ(RunAndWait((bin.path / "missing").native(), {}, error), -1);
    EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace driftline
