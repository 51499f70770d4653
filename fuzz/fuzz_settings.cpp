// The settings writer and reader together: any old file, the viewer's keys with any values. What
// was written must read back (trimmed, without line breaks), every other probed key must read as
// before, and writing the same values again must not change a byte.
#include "suite/Inifile.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

void Check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "settings round trip broken: %s\n", what);
        std::abort();
    }
}

const char* const Sections[] = {"Driftline", "driftline", "Telescope", "Azimuth", "Driftline2", "x"};
const char* const Keys[] = {"Horizontal", "Vertical", "Top",  "Left", "Volts only",
                            "Coeff No",   "FileType", "Name", "Min"};

bool SameIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::string WithoutLineBreaks(const std::string& text)
{
    std::string out;
    for (char c : text)
        if (c != '\r' && c != '\n')
            out.push_back(c);
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    const std::string section = Sections[input.ConsumeIntegralInRange<std::size_t>(0, std::size(Sections) - 1)];
    std::vector<std::pair<std::string, std::string>> written;
    const std::size_t count = input.ConsumeIntegralInRange<std::size_t>(1, 4);
    for (std::size_t i = 0; i < count; ++i)
        written.emplace_back(Keys[input.ConsumeIntegralInRange<std::size_t>(0, std::size(Keys) - 1)],
                             input.ConsumeRandomLengthString(64));
    const std::string before = input.ConsumeRemainingBytesAsString();

    const std::string after = driftline::ApplyIniSection(before, section, written);
    const driftline::TIniReader oldIni = driftline::TIniReader::FromText(before);
    const driftline::TIniReader newIni = driftline::TIniReader::FromText(after);

    // The last value given for a key is the one that stays.
    for (std::size_t i = 0; i < written.size(); ++i) {
        bool later = false;
        for (std::size_t j = i + 1; j < written.size(); ++j)
            later = later || written[j].first == written[i].first;
        if (later)
            continue;
        const auto value = newIni.Value(section, written[i].first);
        Check(value.has_value(), "a written key is there");
        Check(*value == driftline::TrimIniBlanks(WithoutLineBreaks(written[i].second)), "a written value reads back");
    }
    for (const char* s : Sections) {
        for (const char* k : Keys) {
            bool touched = false;
            for (const auto& entry : written)
                touched = touched || (SameIgnoringCase(s, section) && SameIgnoringCase(k, entry.first));
            if (!touched)
                Check(oldIni.Value(s, k) == newIni.Value(s, k), "an untouched key reads as before");
        }
    }
    Check(driftline::ApplyIniSection(after, section, written) == after, "writing again changes nothing");
    return 0;
}
