#pragma once
// Where the suite lives. A program inside a suite (<root>/Driftline/driftline) takes the folder
// above its own, as it always has. An installed program (/usr/bin/driftline) lies in no suite, so
// the root is named: --root, else ZVK_ROOT, else the suite of the log being opened, else the
// suite the user chose before, remembered in $XDG_CONFIG_HOME/driftline/driftline.conf.
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace driftline {

enum class TRootSource {
    Option,       // --root DIR (or --ini FILE, whose folder is the root)
    Environment,  // ZVK_ROOT
    Executable,   // the executable lies in a suite: ZVK.ini in the parent of its folder
    LogFolder,    // the log named on the command line lies in <suite>/Logs
    Remembered,   // the folder kept in driftline.conf, while it still holds a ZVK.ini
    None,         // nothing names a suite
};

// Everything the root rule looks at, gathered beforehand so that the rule itself is a pure
// function (GatherRootInputs reads them from the running process).
struct TRootInputs {
    std::filesystem::path executableFolder;  // folder of the running program
    std::filesystem::path rootOption;        // --root as given; empty = not given
    std::string environmentRoot;             // ZVK_ROOT; empty = unset or empty
    std::string configText;                  // contents of driftline.conf; empty = no such file
    std::filesystem::path logArgument;       // the log named on the command line; empty = none
    // Whether a file exists; the rule asks about ZVK.ini files only. Unset = nothing exists.
    std::function<bool(const std::filesystem::path&)> fileExists;
};

struct TRootChoice {
    TRootSource source = TRootSource::None;
    std::filesystem::path root;  // empty for None
};

// The suite root for the inputs, by the order in the header comment. An executable that lies in a
// suite keeps its suite before a log's or a remembered one, as the suite layout always had it.
TRootChoice ChooseSuiteRoot(const TRootInputs& inputs);

// The inputs of the running process: its executable's folder, ZVK_ROOT, driftline.conf, with
// the real file system as fileExists. rootOption and logArgument are made absolute.
TRootInputs GatherRootInputs(const std::filesystem::path& rootOption, const std::filesystem::path& logArgument);

// $XDG_CONFIG_HOME/driftline/driftline.conf; XDG_CONFIG_HOME unset, empty or relative means
// $HOME/.config. Empty when neither gives an absolute folder. Arguments may be null.
std::filesystem::path ConfigFilePathFor(const char* xdgConfigHome, const char* home);
// The same for the running process's environment.
std::filesystem::path ConfigFilePath();

// The remembered suite folder in the text of driftline.conf ([Suite] Root=...); empty when none.
std::filesystem::path RememberedRoot(std::string_view configText);
// Keeps root as the remembered suite in configFile (its folder is created; other keys are kept).
bool RememberSuiteRoot(const std::filesystem::path& configFile, const std::filesystem::path& root, std::string& error);

// The text of a ZVK.ini that spells out every setting the suite reads, each with its default.
std::string DefaultSettingsText();
// Makes root a suite: root/Logs, and root/ZVK.ini with the defaults unless one is already there.
bool CreateSuite(const std::filesystem::path& root, std::string& error);
// True when folder holds a ZVK.ini.
bool IsSuiteFolder(const std::filesystem::path& folder);

// Where an installed program keeps its shared files (help, examples): the data folder next to
// the executable's bin folder, <prefix>/share/driftline for <prefix>/bin.
std::filesystem::path InstalledDataFolder(const std::filesystem::path& executableFolder);
// The installed help pages (<data folder>/help) when they are there (index.html present), else empty.
std::filesystem::path InstalledHelpFolder(const std::filesystem::path& executableFolder);
// The folder of the running executable (empty when it cannot be found).
std::filesystem::path RunningExecutableFolder();

// One line for a program that found no suite, saying how to name one.
inline constexpr const char* NoSuiteHint =
    "no suite folder is known (a folder holding ZVK.ini and Logs); name one with --root DIR or ZVK_ROOT=DIR, "
    "or choose one in the viewer";

// The root rule in words, for --help and the manual pages.
inline constexpr const char* SuiteRootRuleText =
    "A program inside a suite (<root>/Driftline/) uses that suite. Otherwise the suite is, in this order: "
    "the folder given with --root; the environment variable ZVK_ROOT; the suite whose Logs folder holds "
    "the log file named on the command line; the suite chosen before in the viewer, kept in "
    "$XDG_CONFIG_HOME/driftline/driftline.conf (~/.config when XDG_CONFIG_HOME is unset).";

}  // namespace driftline
