// Single log lines, up to the reader's line cap, through the line rules one by one (the way a
// follower applies new lines): checks that a record line adds exactly one record and sample and
// that nothing else does, and that the one-pass reading of a record line agrees with the general
// rules wherever it takes a line.
#include "logdata/Logfilecheck.h"
#include "logdata/Logreader.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace {

void Check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "line rule invariant broken: %s\n", what);
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > driftline::MaxLogLineBytes)
        return 0;
    driftline::TSampleStore store;
    // A date first, so record times are real days; then the input as up to three lines.
    driftline::parseLogLine("Opening session 12/05/2010 21:03:15 (UTC)", store);
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    for (int i = 0; i < 3 && !rest.empty(); ++i) {
        const std::size_t lf = rest.find('\n');
        const std::string_view line = rest.substr(0, lf);
        rest = lf == std::string_view::npos ? std::string_view() : rest.substr(lf + 1);
        // The one-pass reading of the usual record line takes only what the general rules read
        // alike.
        driftline::RawRecord plain;
        bool volts = false;
        if (driftline::ParsePlainRecordLine(line, plain, volts)) {
            Check(driftline::ClassifyLine(line) == driftline::LineKind::Record, "a plain record line is a record");
            driftline::RawRecord general;
            const driftline::RecordParse parsed = driftline::ParseRecordLine(line, general);
            Check(parsed == (volts ? driftline::RecordParse::WithVolts : driftline::RecordParse::NoVolts),
                  "a plain record line has the fields the general rules find");
            Check(plain.milliseconds == general.milliseconds && plain.azimuthCounts == general.azimuthCounts &&
                      plain.altitudeCounts == general.altitudeCounts && plain.voltsCounts == general.voltsCounts,
                  "a plain record line has the values the general rules read");
        }
        const std::size_t before = store.allRecords().size();
        const driftline::LineEffect effect = driftline::parseLogLine(line, store);
        const std::size_t added = store.allRecords().size() - before;
        Check(added == (effect == driftline::LineEffect::RecordAdded ? 1u : 0u), "a record line adds one record");
        Check(store.allSamples().size() == store.allRecords().size(), "one sample per record");
        if (effect == driftline::LineEffect::InvalidDate)
            break;
    }
    return 0;
}
