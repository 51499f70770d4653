#pragma once
// TGlobal: the suite's settings (ZVK.ini) and derived paths, built once at start-up and
// read-only afterwards. Reached through Global().
#include "astro/Angleunit.h"
#include "astro/Galeqeclunit.h"
#include "suite/Textutil.h"
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace driftline {

// How the one TGlobal is built: where the suite lives and who is asking.
struct TGlobalOptions {
    // Suite root; empty = ZVK_ROOT from the environment, else the parent of the executable's folder.
    std::filesystem::path rootFolder;
    // Folder of the running executable; empty = found from /proc/self/exe.
    std::filesystem::path executableFolder;
    // The application title at construction; only the controller ("ZVK") writes the session header.
    std::string applicationTitle = "Driftline";
    // Settings file to read instead of RootFolder/ZVK.ini (the command-line tool's --ini);
    // empty = the root's ZVK.ini. IniFilePath names it, so the viewer's section is written there too.
    std::filesystem::path settingsFile;
};

class TGlobal {
public:
    explicit TGlobal(const TGlobalOptions& options = {});
    ~TGlobal();
    TGlobal(const TGlobal&) = delete;
    TGlobal& operator=(const TGlobal&) = delete;

    // Message numbers of the suite's seven message names (see docs/controller-protocol.md).
    std::uint32_t MsgCallingHandle = 0;
    std::uint32_t MsgDriftlineQuitting = 0;
    std::uint32_t MsgLogFileIndex = 0;
    std::uint32_t MsgArcwatchQuitting = 0;
    std::uint32_t MsgCallingHandleReceived = 0;
    std::uint32_t MsgNewSource = 0;
    std::uint32_t MsgTrackPosition = 0;

    std::string LogFileName;
    std::vector<std::int32_t> ComPorts;    // stays empty: this platform has no COM ports
    std::vector<std::uint8_t> ComConfigs;  // 52 bytes per port, parallel to ComPorts

    // Paths are std::filesystem paths; folders are the folder itself (no trailing separator needed).
    std::filesystem::path RootFolder;
    std::filesystem::path LogsFolder;
    std::filesystem::path DataFolder;
    std::filesystem::path DebugFilePath;
    std::filesystem::path IniFilePath;
    std::filesystem::path LogFilePath;
    std::filesystem::path SourcesFilePath;

    std::string TelescopeName;
    std::int32_t MotorPort = -1, ReceiverPort = -1;
    std::int32_t MotorAzimuth = 0, MotorAltitude = 0;
    double AzRate = 0.0, AltRate = 0.0;
    std::int32_t AzMin = 0, AzMax = 0, AzCorrection = 0;
    std::int32_t AltMin = 0, AltMax = 0, AltCorrection = 0;
    std::int32_t AzMaxCounts = 0, AzMinCounts = 0, AltMaxCounts = 0, AltMinCounts = 0;
    std::int32_t LatDegrees = 0, LatMinutes = 0, LatSeconds = 0;
    std::int32_t LongDegrees = 0, LongMinutes = 0, LongSeconds = 0;
    std::int32_t Height = 0, Temperature = 0, Pressure = 0;
    double Refraction = 0.0;
    double AzOverrun = 0.0, AltOverrun = 0.0;
    double RaDiff = 0.0, DecDiff = 0.0;
    TAngle Latitude;
    TAngle Longitude;
    std::int32_t IsJ2000 = 1;
    TVector3 LsrVector;
    std::int32_t MotorDelay = 0;
    std::string LogPrefix;
    bool LogSparse = true;

    // The first free log file name of the day in LogsFolder ("" when all 9999 are taken).
    std::string MakeLogFileName() const;
    // The same for a given local date (year, month 1-12, day 1-31).
    std::string MakeLogFileName(int year, int month, int day) const;
    // Opens LogFilePath for appending and writes the three session header lines (controller only).
    void WriteSessionHeader();
    // Leaves both port lists empty on this platform.
    void EnumerateComPorts();

private:
    struct SessionLog;
    std::unique_ptr<SessionLog> sessionLog_;
};

// Message number of a suite message name: 0xC000 + (32-bit FNV-1a hash of the name's bytes
// mod 0x4000). Every program of the suite derives the same number from the same name.
std::uint32_t MessageNumber(std::string_view name);

// The one TGlobal, built on the first call with default options.
TGlobal& Global();
// Builds the one TGlobal with the given options (start of main), replacing any earlier one;
// tests use it to run the library under other settings.
TGlobal& InstallGlobal(const TGlobalOptions& options);
// Destroys the one TGlobal (end of main).
void DestroyGlobal();

}  // namespace driftline
