#include "suite/Suiteroot.h"

#include "Installdirs.h"
#include "suite/Fileunit.h"
#include "suite/Inifile.h"

#include <cstdlib>
#include <system_error>

namespace driftline {

namespace fs = std::filesystem;

namespace {

constexpr const char* SettingsFileName = "ZVK.ini";
constexpr const char* ConfigSection = "Suite";
constexpr const char* ConfigRootKey = "Root";

// The folder above folder ("/opt/Suite" for "/opt/Suite/Driftline/"), empty when it has none.
fs::path ParentOf(const fs::path& folder)
{
    fs::path text = folder;
    while (text.has_filename() == false && text.has_relative_path())
        text = text.parent_path();
    if (!text.has_relative_path())
        return {};
    return text.parent_path();
}

bool Exists(const TRootInputs& inputs, const fs::path& file)
{
    return inputs.fileExists && inputs.fileExists(file);
}

}  // namespace

TRootChoice ChooseSuiteRoot(const TRootInputs& inputs)
{
    if (!inputs.rootOption.empty())
        return {TRootSource::Option, inputs.rootOption};
    if (!inputs.environmentRoot.empty())
        return {TRootSource::Environment, fs::path(inputs.environmentRoot)};

    const fs::path executableParent = ParentOf(inputs.executableFolder);
    if (!executableParent.empty() && Exists(inputs, executableParent / SettingsFileName))
        return {TRootSource::Executable, executableParent};

    // A log opened from the file manager belongs to the suite whose Logs folder holds it.
    if (!inputs.logArgument.empty()) {
        const fs::path logsFolder = inputs.logArgument.parent_path();
        const fs::path suite = ParentOf(logsFolder);
        if (logsFolder.filename() == "Logs" && !suite.empty() && Exists(inputs, suite / SettingsFileName))
            return {TRootSource::LogFolder, suite};
    }

    // A remembered suite that has gone (deleted, an unplugged disk) is not used: the viewer asks again.
    const fs::path remembered = RememberedRoot(inputs.configText);
    if (!remembered.empty() && remembered.is_absolute() && Exists(inputs, remembered / SettingsFileName))
        return {TRootSource::Remembered, remembered};

    return {};
}

fs::path RunningExecutableFolder()
{
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::path() : exe.parent_path();
}

TRootInputs GatherRootInputs(const fs::path& rootOption, const fs::path& logArgument)
{
    TRootInputs inputs;
    inputs.executableFolder = RunningExecutableFolder();
    std::error_code ec;
    if (!rootOption.empty())
        inputs.rootOption = fs::absolute(rootOption, ec);
    if (!logArgument.empty())
        inputs.logArgument = fs::absolute(logArgument, ec).lexically_normal();
    if (const char* env = std::getenv("ZVK_ROOT"))
        inputs.environmentRoot = env;
    const fs::path config = ConfigFilePath();
    std::string text, error;
    if (!config.empty() && ReadWholeFile(config, text, error))
        inputs.configText = text;
    inputs.fileExists = [](const fs::path& file) {
        std::error_code existsError;
        return fs::is_regular_file(file, existsError);
    };
    return inputs;
}

fs::path ConfigFilePathFor(const char* xdgConfigHome, const char* home)
{
    // Relative values are to be ignored (the XDG base-directory rules for these variables).
    fs::path base;
    if (xdgConfigHome && *xdgConfigHome && fs::path(xdgConfigHome).is_absolute())
        base = xdgConfigHome;
    else if (home && *home && fs::path(home).is_absolute())
        base = fs::path(home) / ".config";
    else
        return {};
    return base / "driftline" / "driftline.conf";
}

fs::path ConfigFilePath()
{
    return ConfigFilePathFor(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
}

fs::path RememberedRoot(std::string_view configText)
{
    return fs::path(TIniReader::FromText(configText).String(ConfigSection, ConfigRootKey, ""));
}

bool RememberSuiteRoot(const fs::path& configFile, const fs::path& root, std::string& error)
{
    if (configFile.empty()) {
        error = "neither XDG_CONFIG_HOME nor HOME names a folder for the settings";
        return false;
    }
    std::error_code ec;
    fs::create_directories(configFile.parent_path(), ec);
    if (ec) {
        error = ec.message();
        return false;
    }
    return WriteIniSection(configFile, ConfigSection, {{ConfigRootKey, root.string()}}, error);
}

std::string DefaultSettingsText()
{
    // The suite's sections and keys in the order the settings are read, each with the value a
    // missing key would take, so a new suite reads exactly as an empty one and shows what can be set.
    static const char* const lines[] = {
        "[Telescope]",
        "Name=Radio Telescope",
        "",
        "[Com Ports]",
        "Motor=-1",
        "Receiver=-1",
        "",
        "[Azimuth]",
        "AzRate=8.1",
        "Min=140",
        "Max=350",
        "Overrun=0.05",
        "Correction=0",
        "",
        "[Altitude]",
        "Min=10",
        "Max=92",
        "AltRate=6.7",
        "Overrun=0.05",
        "Correction=0",
        "",
        "[ChooseSource]",
        "Ra Diff=0.133333333333333",
        "Dec Diff=2.0",
        "",
        "[Motor]",
        "Azimuth=16748",
        "Altitude=5916",
        "Delay=20",
        "",
        "[Latitude]",
        "Degrees=54",
        "Minutes=16",
        "Seconds=0",
        "",
        "[Longitude]",
        "Degrees=-2",
        "Minutes=16",
        "Seconds=0",
        "",
        "[Position]",
        "Height=200",
        "Temperature=10",
        "Pressure=990",
        "Refraction=0.5667",
        "",
        "[Log file]",
        "Prefix=ZV",
        "Sparse=1",
        "",
        "[Calculations]",
        "Equinox=J2000",
        "",
        "[LSR]",
        "U=7.5",
        "V=13.5",
        "W=6.8",
    };
    std::string text;
    for (const char* line : lines) {
        text += line;
        text += "\r\n";  // the suite's files use CR LF line ends
    }
    return text;
}

bool CreateSuite(const fs::path& root, std::string& error)
{
    std::error_code ec;
    fs::create_directories(root / "Logs", ec);
    if (ec) {
        error = ec.message();
        return false;
    }
    // An existing ZVK.ini is the controller's: it is kept as it is.
    if (fs::exists(root / SettingsFileName, ec))
        return true;
    return WriteFileAtomically(root / SettingsFileName, DefaultSettingsText(), error);
}

bool IsSuiteFolder(const fs::path& folder)
{
    std::error_code ec;
    return !folder.empty() && fs::is_regular_file(folder / SettingsFileName, ec);
}

fs::path InstalledDataFolder(const fs::path& executableFolder)
{
    return (executableFolder / installdirs::DataFromBin).lexically_normal();
}

fs::path InstalledHelpFolder(const fs::path& executableFolder)
{
    if (executableFolder.empty())
        return {};
    const fs::path folder = InstalledDataFolder(executableFolder) / "help";
    std::error_code ec;
    return fs::is_regular_file(folder / "index.html", ec) ? folder : fs::path();
}

}  // namespace driftline
