// driftline-cli simulate: writes a deterministic drift-scan log for trying the tools out.
#include "cli/Clicommand.h"
#include "cli/Clioptions.h"

#include "logdata/Logsimulator.h"
#include "suite/Fileunit.h"

#include <cstdio>

namespace driftline::cli {

namespace {

const char* const SimulateUsage =
    "usage: driftline-cli simulate OUT.log [--records N] [--seed S] [--start \"DD/MM/YYYY HH:MM:SS\"]\n"
    "                              [--interval-ms N] [--no-volts-every K] [--malformed-every K]\n"
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
    "  --malformed-every K  a malformed line before every K-th record; 0 = none (default 1000)\n";

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
    if (int rc = ParseCliOptions(args, "simulate", SimulateUsage, 0,
                                 {{"--records", true},
                                  {"--seed", true},
                                  {"--start", true},
                                  {"--interval-ms", true},
                                  {"--no-volts-every", true},
                                  {"--malformed-every", true}},
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
