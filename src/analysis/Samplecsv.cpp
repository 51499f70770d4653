// The derive CSV lines, formatted straight into the text.
#include "analysis/Samplecsv.h"

#include "suite/Numbertext.h"

#include <bit>
#include <cstdint>
#include <cstring>

namespace driftline {

void AppendSampleRows(std::string& text, const SampleView& samples, std::size_t begin, std::size_t end,
                      std::string_view prefix)
{
    if (begin >= end)
        return;
    // Longest line: the prefix, then eight values of at most 24 characters ("-1.2345678901234567e-308"),
    // each with its separator. The text is sized for that (plus the room GeneralDigits and the
    // fixed-size copies below may touch past a value) and cut to what was written.
    constexpr std::size_t MaxValueChars = 24;
    const std::size_t lineRoom = prefix.size() + QuantityCount * (MaxValueChars + 1);
    const std::size_t at = text.size();
    text.resize(at + (end - begin) * lineRoom + MaxGeneralChars);
    char* out = text.data() + at;

    // Each column's last value and where its text was written: a parked dish repeats its
    // azimuth, altitude and declination line after line, and the voltage is quantised, so a
    // repeat is copied from the earlier line rather than formatted again.
    struct LastValue {
        std::uint64_t bits;
        const char* text;
        std::size_t length;
    };
    LastValue last[QuantityCount];
    for (int q = 0; q < QuantityCount; ++q)
        last[q] = {~std::bit_cast<std::uint64_t>(samples[begin][q]), nullptr, 0};
    for (std::size_t k = begin; k < end; ++k) {
        const Sample& s = samples[k];
        // An empty prefix may have no storage at all (memcpy must not see its null pointer).
        if (!prefix.empty()) {
            std::memcpy(out, prefix.data(), prefix.size());
            out += prefix.size();
        }
        for (int q = 0; q < QuantityCount; ++q) {
            LastValue& memo = last[q];
            const auto bits = std::bit_cast<std::uint64_t>(s[q]);
            if (bits == memo.bits) {
                // memmove: with lines as short as "0,0,0,0,0,0,0,0" the earlier text and this
                // fixed-size copy may overlap.
                std::memmove(out, memo.text, MaxValueChars);
                out += memo.length;
            } else {
                char* const start = out;
                out = GeneralDigits(start, s[q], 17);
                memo = {bits, start, static_cast<std::size_t>(out - start)};
            }
            *out++ = q + 1 < QuantityCount ? ',' : '\n';
        }
    }
    text.resize(static_cast<std::size_t>(out - text.data()));
}

}  // namespace driftline
