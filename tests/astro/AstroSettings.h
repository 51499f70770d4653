#pragma once
// Runs the astronomy library under chosen settings: writes a ZVK.ini into a fresh temporary
// suite folder and installs a TGlobal built from it; the destructor installs the defaults again
// (a suite folder without ZVK.ini), so no test leaks its site or equinox into the next.
#include "suite/Globalunit.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace driftline::testing {

class TScopedSettings {
public:
    explicit TScopedSettings(const std::string& iniText)
    {
        static std::atomic<int> counter{0};
        root_ = std::filesystem::temp_directory_path() /
                ("driftline-astro-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        std::filesystem::create_directories(root_);
        if (!iniText.empty()) {
            std::ofstream ini(root_ / "ZVK.ini", std::ios::binary);
            ini << iniText;
        }
        InstallGlobal(TGlobalOptions{root_, {}, "Driftline"});
    }
    ~TScopedSettings()
    {
        const std::filesystem::path empty = root_ / "defaults";
        std::filesystem::create_directories(empty);
        InstallGlobal(TGlobalOptions{empty, {}, "Driftline"});
        std::error_code ec;
        std::filesystem::remove_all(root_, ec);
    }
    TScopedSettings(const TScopedSettings&) = delete;
    TScopedSettings& operator=(const TScopedSettings&) = delete;

private:
    std::filesystem::path root_;
};

// A site at whole degrees and minutes (signed as the settings file writes them).
inline std::string SiteIni(int latDeg, int latMin, int longDeg, int longMin, const char* equinox = "J2000")
{
    return "[Latitude]\nDegrees=" + std::to_string(latDeg) + "\nMinutes=" + std::to_string(latMin) +
           "\nSeconds=0\n[Longitude]\nDegrees=" + std::to_string(longDeg) + "\nMinutes=" +
           std::to_string(longMin) + "\nSeconds=0\n[Calculations]\nEquinox=" + equinox + "\n";
}

}  // namespace driftline::testing
