#pragma once
// What the window benchmarks share: a throw-away suite (its Logs folder, the settings pointed at
// it), logs simulated into it by the driftline-cli built beside the benchmarks, and the main that
// sets both up with a QApplication on the offscreen platform unless another platform is named.
#include "suite/Globalunit.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace driftline::bench {

struct TBenchSuite {
    std::filesystem::path cli;              // driftline-cli, found beside the benchmarks' folder
    std::unique_ptr<QTemporaryDir> folder;  // the suite's root
};

inline TBenchSuite& BenchSuite()
{
    static TBenchSuite suite;
    return suite;
}

// A log of `records` records of simulate's drift scan (one record a second from 21:03:15), named
// name in the suite's Logs folder: made once, or anew each call when fresh. Empty when simulate
// failed.
inline std::filesystem::path SimulatedLog(long records, const std::string& name, bool fresh = false)
{
    const std::filesystem::path log = std::filesystem::path(BenchSuite().folder->path().toStdString()) / "Logs" / name;
    if (fresh || !std::filesystem::exists(log)) {
        // Built piece by piece: g++ 12 warns falsely (-Wrestrict) on a chain of + from a literal.
        std::string command(1, '\'');
        command += BenchSuite().cli.string();
        command += "' simulate '";
        command += log.string();
        command += "' --records ";
        command += std::to_string(records);
        command += " >/dev/null";
        if (std::system(command.c_str()) != 0)
            return {};
    }
    return log;
}

inline int RunWindowBenchmarks(int argc, char** argv)
{
    BenchSuite().cli = std::filesystem::absolute(std::filesystem::path(argv[0])).parent_path().parent_path() /
                       "driftline-cli";
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    BenchSuite().folder = std::make_unique<QTemporaryDir>();
    QDir(BenchSuite().folder->path()).mkpath("Logs");
    TGlobalOptions options;
    options.rootFolder = BenchSuite().folder->path().toStdString();
    InstallGlobal(options);

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    BenchSuite().folder.reset();
    DestroyGlobal();
    return 0;
}

}  // namespace driftline::bench
