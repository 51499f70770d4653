// Option parsing shared by driftline-cli's commands.
#include "cli/Clioptions.h"

#include "astro/Sitesettings.h"
#include "cli/Terminalprogress.h"
#include "suite/Globalunit.h"
#include "suite/Inifile.h"
#include "suite/Suiteroot.h"

#include <cctype>
#include <cmath>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <system_error>

namespace driftline::cli {

namespace {

// The viewer's own settings section, which also holds its frame choice.
constexpr const char* ViewerSection = "Driftline";

std::string FirstLine(const char* text)
{
    const char* end = std::strchr(text, '\n');
    return end ? std::string(text, end) : std::string(text);
}

// "X0:X1" with two reals.
bool ParseBand(std::string_view text, std::pair<double, double>& band)
{
    const std::size_t colon = text.find(':');
    return colon != std::string_view::npos && ParseDouble(text.substr(0, colon), band.first) &&
           ParseDouble(text.substr(colon + 1), band.second);
}

// "WxH" with two positive integers.
bool ParseSize(std::string_view text, std::pair<int, int>& size)
{
    const std::size_t x = text.find_first_of("xX");
    std::int64_t w = 0, h = 0;
    if (x == std::string_view::npos || !ParseInt64(text.substr(0, x), w) || !ParseInt64(text.substr(x + 1), h))
        return false;
    if (w < 1 || h < 1 || w > 100000 || h > 100000)
        return false;
    size = {static_cast<int>(w), static_cast<int>(h)};
    return true;
}

}  // namespace

std::string TCliOptions::value(const std::string& name, const std::string& fallback) const
{
    const auto it = extra.find(name);
    return it == extra.end() || it->second.empty() ? fallback : it->second.back();
}

bool ParseInt64(std::string_view text, std::int64_t& value)
{
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    std::int64_t v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size())
        return false;
    value = v;
    return true;
}

bool ParseDouble(std::string_view text, double& value)
{
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    double v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size())
        return false;
    value = v;
    return true;
}

int UsageError(const char* command, const char* usage, const std::string& problem)
{
    std::fprintf(stderr, "driftline-cli %s: %s\n%s\n", command, problem.c_str(), FirstLine(usage).c_str());
    return 2;
}

int ParseCliOptions(const std::vector<std::string>& args, const char* command, const char* usage,
                    unsigned commonOptions, const std::vector<TExtraOption>& extraOptions, TCliOptions& out)
{
    auto accepts = [&](unsigned option) { return (commonOptions & option) != 0; };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.size() < 2 || arg[0] != '-' || (arg[1] >= '0' && arg[1] <= '9') || arg[1] == '.') {
            // Not an option (a lone "-" and negative numbers included).
            out.positional.push_back(arg);
            continue;
        }
        if (arg == "--") {
            out.positional.insert(out.positional.end(), args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end());
            break;
        }
        // "--name=value" is the same as "--name value".
        std::string name = arg;
        std::optional<std::string> inlineValue;
        if (const std::size_t eq = arg.find('='); eq != std::string::npos && arg.rfind("--", 0) == 0) {
            name = arg.substr(0, eq);
            inlineValue = arg.substr(eq + 1);
        }
        auto takeValue = [&](std::string& value) -> bool {
            if (inlineValue) {
                value = *inlineValue;
                return true;
            }
            if (i + 1 >= args.size())
                return false;
            value = args[++i];
            return true;
        };
        std::string value;
        auto missing = [&] { return UsageError(command, usage, "option " + name + " needs a value"); };

        if (name == "--root" && accepts(OptRoot)) {
            if (!takeValue(value) || value.empty())
                return missing();
            out.root = value;
        } else if (name == "--ini" && accepts(OptIni)) {
            if (!takeValue(value) || value.empty())
                return missing();
            out.ini = value;
        } else if (name == "--volts-only" && accepts(OptVoltsOnly) && !inlineValue) {
            out.voltsOnly = true;
        } else if ((name == "--x" || name == "--y") && accepts(name == "--x" ? OptX : OptY)) {
            if (!takeValue(value))
                return missing();
            Quantity q;
            if (!ParseQuantity(value, q))
                return UsageError(command, usage,
                                  "unknown quantity '" + value +
                                      "' (Time, Azimuth, Altitude, "
                                      "RightAscension, Declination, Beta, Lambda, Volts or 0..7)");
            (name == "--x" ? out.x : out.y) = q;
        } else if (name == "--band" && accepts(OptBand)) {
            std::pair<double, double> band;
            if (!takeValue(value))
                return missing();
            if (!ParseBand(value, band))
                return UsageError(command, usage, "bad band '" + value + "' (expected X0:X1)");
            out.bands.push_back(band);
        } else if (name == "--size" && accepts(OptSize)) {
            std::pair<int, int> size;
            if (!takeValue(value))
                return missing();
            if (!ParseSize(value, size))
                return UsageError(command, usage, "bad size '" + value + "' (expected WxH)");
            out.size = size;
        } else if (name == "--frame" && accepts(OptPosition)) {
            if (!takeValue(value))
                return missing();
            if (value == "classic")
                out.frame = TPositionFrame::Classic;
            else if (value == "icrs")
                out.frame = TPositionFrame::Icrs;
            else
                return UsageError(command, usage, "unknown frame '" + value + "' (classic or icrs)");
        } else if (name == "--dut1" && accepts(OptPosition)) {
            double dut1 = 0.0;
            if (!takeValue(value))
                return missing();
            if (!ParseDouble(value, dut1) || !std::isfinite(dut1) || std::fabs(dut1) > MaxDut1Seconds)
                return UsageError(command, usage, "bad DUT1 '" + value + "' (seconds, -1..1)");
            out.dut1 = dut1;
        } else if (name == "--no-refraction" && accepts(OptPosition) && !inlineValue) {
            out.noRefraction = true;
        } else if ((name == "-o" || name == "--output") && accepts(OptOutput)) {
            if (!takeValue(value) || value.empty())
                return missing();
            out.output = value;
        } else {
            const TExtraOption* found = nullptr;
            for (const auto& option : extraOptions) {
                if (name == option.name)
                    found = &option;
            }
            if (!found || (!found->takesValue && inlineValue))
                return UsageError(command, usage, "unknown option '" + arg + "'");
            if (found->takesValue && !takeValue(value))
                return missing();
            out.extra[name].push_back(value);
        }
    }
    if (!out.ini.empty() && !out.root.empty())
        return UsageError(command, usage, "--root and --ini exclude each other");
    if (!out.ini.empty()) {
        // --ini names the settings file; its folder is taken as the suite root.
        std::filesystem::path folder = out.ini.parent_path();
        out.root = folder.empty() ? std::filesystem::path(".") : folder;
    }
    return 0;
}

void InstallCliGlobal(const TCliOptions& options, const std::filesystem::path& log)
{
    TGlobalOptions global;
    if (!options.root.empty()) {
        global.rootFolder = std::filesystem::absolute(options.root);
    } else {
        const TRootChoice choice = ChooseSuiteRoot(GatherRootInputs({}, log));
        if (choice.source == TRootSource::None)
            // The settings stay the built-in ones, as with a suite without ZVK.ini.
            std::fprintf(stderr, "driftline-cli: %s\n", NoSuiteHint);
        else
            global.rootFolder = choice.root;
    }
    if (!options.ini.empty())
        global.settingsFile = std::filesystem::absolute(options.ini);
    InstallGlobal(global);
}

TPositionSettings CliPositionSettings(const TCliOptions& options)
{
    TPositionSettings settings = ReadPositionSettings(TIniReader(Global().IniFilePath), ViewerSection);
    if (options.frame)
        settings.frame = *options.frame;
    if (options.dut1)
        settings.dut1Seconds = *options.dut1;
    if (options.noRefraction)
        settings.refraction = false;
    return settings;
}

TReadResult LoadLogForCli(const std::filesystem::path& log, TLogSession& session, const TCliOptions& options,
                          unsigned readThreads)
{
    session.setFrameSite(FrameSite(SiteFromSettings(Global()), CliPositionSettings(options)));
    TReadResult result;
    {
        // One read at a time may draw on the terminal; several at once keep it quiet.
        const bool terminal = readThreads == 0 && StandardErrorIsTerminal();
        std::error_code ec;
        const std::uintmax_t size = terminal ? std::filesystem::file_size(log, ec) : 0;
        TTerminalProgress progress(stderr, terminal && !ec, ec ? 0 : size,
                                   [&session] { return session.store().allRecords().size(); });
        result = session.read(log, progress.model(), readThreads);
    }
    if (result.status == TReadResult::OpenFailed)
        std::fprintf(stderr, "driftline-cli: cannot open %s: %s\n", log.c_str(), result.reason.c_str());
    else if (result.status == TReadResult::InvalidDate)
        std::fprintf(stderr, "driftline-cli: %s: line %llu: %s\n", log.c_str(),
                     static_cast<unsigned long long>(result.line), InvalidDateMessage);
    else if (result.status == TReadResult::Changed)
        std::fprintf(stderr, "driftline-cli: %s\n", result.reason.c_str());
    return result;
}

bool BandColumns(const TCliOptions& options, std::vector<std::pair<std::int32_t, std::int32_t>>& bands)
{
    bands.clear();
    for (const auto& [x0, x1] : options.bands) {
        if (!std::isfinite(x0) || !std::isfinite(x1) || std::fabs(x0) > 1e9 || std::fabs(x1) > 1e9)
            return false;
        bands.emplace_back(static_cast<std::int32_t>(std::trunc(x0)), static_cast<std::int32_t>(std::trunc(x1)));
    }
    return true;
}

bool OpenCliSession(const char* command, const TCliOptions& options, Quantity horizontal, Quantity vertical,
                    const std::vector<std::pair<std::int32_t, std::int32_t>>& bands, TLogSession& session,
                    TReadResult& read)
{
    InstallCliGlobal(options, options.positional.at(0));
    const auto [width, height] = options.size.value_or(std::pair{DefaultPlotWidth, DefaultPlotHeight});
    session = TLogSession(width, height);
    session.setAxes(horizontal, vertical);
    read = LoadLogForCli(options.positional.at(0), session, options);
    if (read.status == TReadResult::OpenFailed)
        return false;
    session.setPositiveVoltageView(options.voltsOnly && session.hasVoltageSamples());
    for (const auto& [x0, x1] : bands)
        if (!session.dragAcross(x0, x1))
            std::fprintf(stderr, "driftline-cli %s: band %d:%d does not zoom\n", command, x0, x1);
    return true;
}

}  // namespace driftline::cli
