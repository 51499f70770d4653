#include "suite/Globalunit.h"
#include "suite/Textutil.h"

#include "astro/AstroConstants.h"
#include "suite/Inifile.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>

namespace driftline {

namespace fs = std::filesystem;

struct TGlobal::SessionLog {
    // Only the controller itself ("ZVK") writes a session log; the viewer merely names one.
    bool isController = false;
    std::ofstream stream;
};

namespace {

// The folder above folder, or empty when folder has none (a top folder or a bare name).
fs::path ParentFolder(const fs::path& folder)
{
    std::string text = folder.generic_string();
    while (!text.empty() && text.back() == '/')
        text.pop_back();
    const std::size_t slash = text.rfind('/');
    if (text.empty() || slash == std::string::npos)
        return {};
    if (slash == 0)
        return fs::path("/");
    return fs::path(text.substr(0, slash));
}

fs::path ExecutableFolder(const TGlobalOptions& options)
{
    if (!options.executableFolder.empty())
        return options.executableFolder;
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec)
        return {};
    return exe.parent_path();
}

// The suite root: an explicit root first, then ZVK_ROOT, then the executable's place in the
// suite (the controller lives in the root itself, every companion program one folder below it).
fs::path FindRootFolder(const TGlobalOptions& options, bool isController)
{
    if (!options.rootFolder.empty())
        return options.rootFolder;
    if (const char* env = std::getenv("ZVK_ROOT"); env && *env)
        return fs::path(env);
    const fs::path exeFolder = ExecutableFolder(options);
    return isController ? exeFolder : ParentFolder(exeFolder);
}

// Encoder counts of a limit in whole degrees: folded into [0, 360) as an angle, then rounded.
std::int32_t LimitCounts(std::int32_t limitDeg)
{
    const TAngle angle(static_cast<double>(limitDeg));
    return static_cast<std::int32_t>(angle.Value() * CountsPerTurn / 360.0 + 0.5);
}

}  // namespace

std::uint32_t MessageNumber(std::string_view name)
{
    return 0xC000u + Fnv1a32(name) % 0x4000u;
}

TGlobal::TGlobal(const TGlobalOptions& options) : sessionLog_(std::make_unique<SessionLog>())
{
    // 1. Message numbers, in the suite's registration order.
    MsgCallingHandle = MessageNumber("Calling Handle");
    MsgDriftlineQuitting = MessageNumber("Driftline Quitting");
    MsgLogFileIndex = MessageNumber("LogFile Index");
    MsgArcwatchQuitting = MessageNumber("Arcwatch Quitting");
    MsgCallingHandleReceived = MessageNumber("Calling Handle received");
    MsgNewSource = MessageNumber("New Source");
    MsgTrackPosition = MessageNumber("Track position");

    // 2. Root folder and settings file.
    sessionLog_->isController = EqualsIgnoringCase(options.applicationTitle, "ZVK");
    RootFolder = FindRootFolder(options, sessionLog_->isController);
    IniFilePath = options.settingsFile.empty() ? RootFolder / "ZVK.ini" : options.settingsFile;

    // 3. Every key, in the file's documented order, each with its default.
    const TIniReader ini(IniFilePath);
    TelescopeName = ini.String("Telescope", "Name", "Radio Telescope");
    MotorPort = ini.Int("Com Ports", "Motor", -1);
    ReceiverPort = ini.Int("Com Ports", "Receiver", -1);
    AzRate = ini.Real("Azimuth", "AzRate", 8.1);
    AzMin = ini.Int("Azimuth", "Min", 140);
    AzMax = ini.Int("Azimuth", "Max", 350);
    AzOverrun = ini.Real("Azimuth", "Overrun", 0.05);
    AzCorrection = ini.Int("Azimuth", "Correction", 0);
    AltMin = ini.Int("Altitude", "Min", 10);
    AltMax = ini.Int("Altitude", "Max", 92);
    AltRate = ini.Real("Altitude", "AltRate", 6.7);
    AltOverrun = ini.Real("Altitude", "Overrun", 0.05);
    AltCorrection = ini.Int("Altitude", "Correction", 0);
    // The controller's default is this decimal as written, not the fraction 2/15.
    RaDiff = ini.Real("ChooseSource", "Ra Diff", 0.133333333333333);
    DecDiff = ini.Real("ChooseSource", "Dec Diff", 2.0);
    MotorAzimuth = ini.Int("Motor", "Azimuth", 16748);
    MotorAltitude = ini.Int("Motor", "Altitude", 5916);
    MotorDelay = ini.Int("Motor", "Delay", 20);
    LatDegrees = ini.Int("Latitude", "Degrees", 54);
    LatMinutes = ini.Int("Latitude", "Minutes", 16);
    LatSeconds = ini.Int("Latitude", "Seconds", 0);
    LongDegrees = ini.Int("Longitude", "Degrees", -2);
    LongMinutes = ini.Int("Longitude", "Minutes", 16);
    LongSeconds = ini.Int("Longitude", "Seconds", 0);
    Height = ini.Int("Position", "Height", 200);
    Temperature = ini.Int("Position", "Temperature", 10);
    Pressure = ini.Int("Position", "Pressure", 990);
    Refraction = ini.Real("Position", "Refraction", 0.5667);
    LogPrefix = ini.String("Log file", "Prefix", "ZV");
    LogSparse = ini.Bool("Log file", "Sparse", true);
    const std::string equinox = ini.String("Calculations", "Equinox", "J2000");
    const double lsrU = ini.Real("LSR", "U", 7.5);
    const double lsrV = ini.Real("LSR", "V", 13.5);
    const double lsrW = ini.Real("LSR", "W", 6.8);
    IsJ2000 = (equinox == "J1950") ? 0 : 1;
    LsrVector = TVector3{lsrU, lsrV, lsrW};

    // 4. Derived paths; nothing is created here.
    LogsFolder = RootFolder / "Logs";
    DataFolder = RootFolder / "Data";
    LogFileName = MakeLogFileName();
    LogFilePath = LogsFolder / LogFileName;
    DebugFilePath = fs::path(LogFilePath).replace_extension(".debug");
    SourcesFilePath = RootFolder / "Data" / "Sources.csv";
    if (sessionLog_->isController)
        WriteSessionHeader();

    // 5. Serial ports.
    EnumerateComPorts();

    // 6. Site angles; the parts are narrowed to 16 bits as the controller stores them.
    Latitude = TAngle(static_cast<std::int16_t>(LatDegrees), static_cast<std::int16_t>(LatMinutes),
                      static_cast<std::int16_t>(LatSeconds));
    Longitude = TAngle(static_cast<std::int16_t>(LongDegrees), static_cast<std::int16_t>(LongMinutes),
                       static_cast<std::int16_t>(LongSeconds));

    // 7. Pointing limits in encoder counts.
    AzMinCounts = LimitCounts(AzMin);
    AzMaxCounts = LimitCounts(AzMax);
    AltMinCounts = LimitCounts(AltMin);
    AltMaxCounts = LimitCounts(AltMax);
}

TGlobal::~TGlobal() = default;

std::string TGlobal::MakeLogFileName() const
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return MakeLogFileName(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
}

std::string TGlobal::MakeLogFileName(int year, int month, int day) const
{
    // This platform has no short date setting; the controller's day/month/year form is used.
    char date[32];
    std::snprintf(date, sizeof date, "%02d-%02d-%04d", day, month, year);
    for (int n = 1; n <= 9999; ++n) {
        char sequence[16];
        std::snprintf(sequence, sizeof sequence, "%04d", n);
        std::string name = LogPrefix + "-" + date + "-" + sequence + ".log";
        std::error_code ec;
        if (!fs::exists(LogsFolder / name, ec))
            return name;
    }
    return {};
}

void TGlobal::WriteSessionHeader()
{
    if (!sessionLog_->isController)
        return;
    std::ofstream& out = sessionLog_->stream;
    if (!out.is_open())
        out.open(LogFilePath, std::ios::out | std::ios::app | std::ios::binary);
    if (!out)
        return;
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    // Log lines end in CR LF, as the controller's text-mode stream always wrote them.
    out << SessionOpeningLine(utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec)
        << "\r\n";
    out << "Azimuth correction " << AzCorrection << "\r\n";
    out << "Altitude correction " << AltCorrection << "\r\n";
    out.flush();
}

void TGlobal::EnumerateComPorts()
{
    // There are no COM ports to probe here and nothing in Driftline reads the lists, so both
    // stay empty rather than pretending to know a port's default configuration.
    ComPorts.clear();
    ComConfigs.clear();
}

namespace {
std::unique_ptr<TGlobal>& Instance()
{
    static std::unique_ptr<TGlobal> instance;
    return instance;
}
}  // namespace

TGlobal& Global()
{
    std::unique_ptr<TGlobal>& instance = Instance();
    if (!instance)
        instance = std::make_unique<TGlobal>();
    return *instance;
}

TGlobal& InstallGlobal(const TGlobalOptions& options)
{
    std::unique_ptr<TGlobal>& instance = Instance();
    auto replacement = std::make_unique<TGlobal>(options);
    instance = std::move(replacement);
    return *instance;
}

void DestroyGlobal()
{
    Instance().reset();
}

}  // namespace driftline
