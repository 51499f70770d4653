// Small text helpers shared across the code base.
#include "suite/Textutil.h"

#include <cstddef>
#include <cstdio>

namespace driftline {

namespace {

char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

bool EqualsIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i]))
            return false;
    }
    return true;
}

std::string SessionOpeningLine(int year, int month, int day, int hour, int minute, int second)
{
    char text[96];
    if (hour == 0 && minute == 0 && second == 0) {
        std::snprintf(text, sizeof text, "Opening session %02d/%02d/%04d (UTC)", day, month, year);
    } else {
        std::snprintf(text, sizeof text, "Opening session %02d/%02d/%04d %02d:%02d:%02d (UTC)", day, month, year, hour,
                      minute, second);
    }
    return text;
}

std::string FormatThousands(std::uint64_t n)
{
    const std::string digits = std::to_string(n);
    std::string out;
    out.reserve(digits.size() + digits.size() / 3);
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out.push_back(',');
        out.push_back(digits[i]);
    }
    return out;
}

std::uint32_t Fnv1a32(std::string_view bytes)
{
    std::uint32_t hash = 2166136261u;
    for (unsigned char c : bytes) {
        hash ^= c;
        hash *= 16777619u;
    }
    return hash;
}

}  // namespace driftline
