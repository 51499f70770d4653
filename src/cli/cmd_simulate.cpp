// driftline-cli simulate: writes a deterministic drift-scan log for trying the tools out.
#include "cli/Clicommand.h"
#include "cli/Clioptions.h"

#include "analysis/Transitreport.h"
#include "astro/Sitesettings.h"
#include "logdata/Logsimulator.h"
#include "suite/Fileunit.h"
#include "suite/Globalunit.h"

#include <cstdio>

namespace driftline::cli {

namespace {

const char* const SimulateUsage =
    "usage: driftline-cli simulate OUT.log [--records N] [--seed S] [--start \"DD/MM/YYYY HH:MM:SS\"]\n"
    "                              [--interval-ms N] [--no-volts-every K] [--malformed-every K]\n"
    "                              [--body NAME | --ra HH:MM:SS.s --dec +DD:MM:SS] [--beam-deg D]\n"
    "                              [--mispoint-az N] [--mispoint-alt N] [--snr S] [--root DIR | --ini FILE]\n"
    "\n"
    "Writes a drift-scan log: the session header, the correction lines, the five receiver lines and\n"
    "N records of a telescope parked at fixed counts while a source drifts through the beam, with a\n"
    "\"Date changed\" line at each midnight and CR LF line ends. The same options give the same file.\n"
    "\n"
    "  --records N          number of records (default 10000)\n"
    "  --seed S             seed of the noise (default 1)\n"
    "  --start TEXT         UTC start of the session (default \"12/05/2010 21:03:15\")\n"
    "  --interval-ms N      milliseconds between records, 1..86400000 (default 1000)\n"
    "  --no-volts-every K   every K-th record has no volts field; 0 = none (default 50)\n"
    "  --malformed-every K  a malformed line before every K-th record; 0 = none (default 1000)\n"
    "\n"
    "With --body (Sun, Moon, Mercury ... Neptune, Cas A, Cyg A, Tau A, Vir A, Sgr A) or --ra/--dec\n"
    "(J2000, ICRS) the scan is of that target at the site of the settings: the dish is parked where\n"
    "the target stands half-way through the run, but really points --mispoint-az counts further in\n"
    "azimuth (and --mispoint-alt counts higher) than its logged counts say, so the right \"Azimuth\n"
    "corr\" is the logged correction (12) plus --mispoint-az. The target must then be at least 5\n"
    "degrees up.\n"
    "  --beam-deg D         full width at half maximum of the beam, degrees (default 6)\n"
    "  --mispoint-az N      azimuth pointing error, counts (default 0)\n"
    "  --mispoint-alt N     altitude pointing error, counts (default 0)\n"
    "  --snr S              peak (1.5 V) over the noise's standard deviation (default 100)\n";

// A pointing error beyond a quarter turn is not a mis-pointing but another direction.
constexpr std::int64_t CountsPerTurnLimit = 8192;

bool ReadCount(const TCliOptions& options, const char* name, std::uint64_t max, std::uint64_t& value)
{
    if (!options.has(name))
        return true;
    std::int64_t v = 0;
    if (!ParseInt64(options.value(name), v) || v < 0 || static_cast<std::uint64_t>(v) > max) {
        UsageError("simulate", SimulateUsage, std::string("bad value for ") + name + ": '" + options.value(name) + "'");
        return false;
    }
    value = static_cast<std::uint64_t>(v);
    return true;
}

int RunSimulate(const std::vector<std::string>& args)
{
    TCliOptions options;
    if (int rc = ParseCliOptions(args, "simulate", SimulateUsage, OptSettings,
                                 {{"--records", true},
                                  {"--seed", true},
                                  {"--start", true},
                                  {"--interval-ms", true},
                                  {"--no-volts-every", true},
                                  {"--malformed-every", true},
                                  {"--body", true},
                                  {"--ra", true},
                                  {"--dec", true},
                                  {"--beam-deg", true},
                                  {"--mispoint-az", true},
                                  {"--mispoint-alt", true},
                                  {"--snr", true}},
                                 options))
        return rc;
    if (options.positional.size() != 1)
        return UsageError("simulate", SimulateUsage,
                          options.positional.empty() ? "no output file given" : "more than one output file given");

    TSimulateOptions sim;
    std::uint64_t interval = sim.intervalMs;
    if (!ReadCount(options, "--records", 100000000, sim.records) ||
        !ReadCount(options, "--seed", INT64_MAX, sim.seed) ||
        !ReadCount(options, "--interval-ms", 86400000, interval) ||
        !ReadCount(options, "--no-volts-every", UINT32_MAX, sim.noVoltsEvery) ||
        !ReadCount(options, "--malformed-every", UINT32_MAX, sim.malformedEvery))
        return 2;
    if (interval == 0)
        return UsageError("simulate", SimulateUsage, "bad value for --interval-ms: '0'");
    sim.intervalMs = static_cast<std::uint32_t>(interval);
    if (options.has("--start") && !ParseSimulateStart(options.value("--start"), sim))
        return UsageError("simulate", SimulateUsage,
                          "bad value for --start: '" + options.value("--start") + "' (expected DD/MM/YYYY HH:MM:SS)");

    std::string problem;
    const std::optional<TSkyTarget> target = TransitTarget(options.value("--body"), options.value("--ra"),
                                                           options.value("--dec"), problem);
    if (!problem.empty())
        return UsageError("simulate", SimulateUsage, problem);
    if (target) {
        TSimulateTarget scan;
        scan.target = *target;
        std::int64_t az = 0, alt = 0;
        if (options.has("--mispoint-az") &&
            (!ParseInt64(options.value("--mispoint-az"), az) || az < -CountsPerTurnLimit || az > CountsPerTurnLimit))
            return UsageError("simulate", SimulateUsage,
                              "bad value for --mispoint-az: '" + options.value("--mispoint-az") + "'");
        if (options.has("--mispoint-alt") && (!ParseInt64(options.value("--mispoint-alt"), alt) ||
                                              alt < -CountsPerTurnLimit || alt > CountsPerTurnLimit))
            return UsageError("simulate", SimulateUsage,
                              "bad value for --mispoint-alt: '" + options.value("--mispoint-alt") + "'");
        scan.azimuthMispointCounts = static_cast<std::int32_t>(az);
        scan.altitudeMispointCounts = static_cast<std::int32_t>(alt);
        if (options.has("--beam-deg") && (!ParseDouble(options.value("--beam-deg"), scan.beamFwhmDeg) ||
                                          !(scan.beamFwhmDeg > 0.0) || scan.beamFwhmDeg > 90.0))
            return UsageError("simulate", SimulateUsage,
                              "bad value for --beam-deg: '" + options.value("--beam-deg") + "'");
        if (options.has("--snr") &&
            (!ParseDouble(options.value("--snr"), scan.snr) || !(scan.snr > 0.0) || scan.snr > 1e9))
            return UsageError("simulate", SimulateUsage, "bad value for --snr: '" + options.value("--snr") + "'");
        InstallCliGlobal(options);
        scan.site = CurrentSite();
        sim.target = scan;
        if (!ParkForTarget(sim, problem)) {
            std::fprintf(stderr, "driftline-cli simulate: %s\n", problem.c_str());
            return 1;
        }
    } else {
        for (const char* name : {"--beam-deg", "--mispoint-az", "--mispoint-alt", "--snr"})
            if (options.has(name))
                return UsageError("simulate", SimulateUsage, std::string(name) + " needs --body or --ra/--dec");
    }

    const std::string text = SimulateLog(sim);
    std::string error;
    if (!WriteFileAtomically(options.positional[0], text, error)) {
        std::fprintf(stderr, "driftline-cli: cannot write %s: %s\n", options.positional[0].c_str(), error.c_str());
        return 1;
    }
    return 0;
}

const CliRegistrar registrar({"simulate", "write a deterministic drift-scan log", SimulateUsage, RunSimulate});

}  // namespace

}  // namespace driftline::cli
