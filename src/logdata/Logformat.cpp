// Decoding of log lines. Every routine looks at one line once or twice, left to right, and never
// allocates: the reader calls them for millions of lines.
#include "logdata/Logformat.h"

#include "astro/Timeunit.h"

#include <bit>
#include <cstring>
#include <limits>

namespace driftline {

namespace {

constexpr std::size_t npos = std::string_view::npos;

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Only digits, "-" and spaces: the characters of a record line.
bool IsRecordText(std::string_view line)
{
    for (char c : line) {
        if (!IsDigit(c) && c != '-' && c != ' ')
            return false;
    }
    return true;
}

// The unsigned decimal at pos (pos must hold a digit); false when it does not fit in 32 bits.
// end is set after the last digit.
bool ReadUnsigned32(std::string_view s, std::size_t pos, std::uint32_t& value, std::size_t& end)
{
    std::uint64_t v = 0;
    while (pos < s.size() && IsDigit(s[pos])) {
        v = v * 10 + static_cast<std::uint64_t>(s[pos] - '0');
        if (v > std::numeric_limits<std::uint32_t>::max())
            return false;
        ++pos;
    }
    end = pos;
    value = static_cast<std::uint32_t>(v);
    return true;
}

// A date number: leading blanks skipped, digits up to the first non-digit, 0 without digits.
// Saturates far above any valid day, month or year so that long digit runs stay invalid.
int ReadDateNumber(std::string_view s, std::size_t pos)
{
    while (pos < s.size() && s[pos] == ' ')
        ++pos;
    int v = 0;
    while (pos < s.size() && IsDigit(s[pos])) {
        if (v < 100000000)
            v = v * 10 + (s[pos] - '0');
        ++pos;
    }
    return v;
}

// The value of eight digits 0 to 9 held in the bytes of t, the first (most significant) in the
// lowest byte; leading bytes of 0 are leading zeros. Pairs, then fours, then the eight.
std::uint64_t DigitsValue(std::uint64_t t)
{
    t = t * 10 + (t >> 8);
    t = ((t & 0x000000FF000000FFu) * (100 + (1000000ull << 32)) +
         ((t >> 16) & 0x000000FF000000FFu) * (1 + (10000ull << 32))) >>
        32;
    return t;
}

std::size_t FindDigit(std::string_view s, std::size_t from)
{
    for (std::size_t i = from; i < s.size(); ++i) {
        if (IsDigit(s[i]))
            return i;
    }
    return npos;
}

std::size_t FindDigitOrMinus(std::string_view s, std::size_t from)
{
    for (std::size_t i = from; i < s.size(); ++i) {
        if (IsDigit(s[i]) || s[i] == '-')
            return i;
    }
    return npos;
}

bool Contains(std::string_view line, std::string_view keyword)
{
    return line.find(keyword) != npos;
}

}  // namespace

LineKind ClassifyLine(std::string_view line)
{
    // A line of record characters cannot hold any keyword, so testing it first gives the same
    // kinds as the keyword order and spares the four searches on the common line.
    if (IsRecordText(line))
        return LineKind::Record;
    if (Contains(line, "Opening session"))
        return LineKind::SessionHeader;
    if (Contains(line, "Date"))
        return LineKind::DateLine;
    if (Contains(line, "*Rec*"))
        return LineKind::Receiver;
    if (Contains(line, "correction"))
        return LineKind::Correction;
    return LineKind::Other;
}

LogDateResult ParseLogDateFields(std::string_view line, TLogDate& date)
{
    const std::size_t dayStart = FindDigit(line, 0);
    if (dayStart == npos)
        return LogDateResult::NoDate;
    const std::size_t firstSlash = line.find('/', dayStart + 1);
    if (firstSlash == npos)
        return LogDateResult::NoDate;
    date.day = ReadDateNumber(line, dayStart);
    date.month = ReadDateNumber(line, firstSlash + 1);
    const std::size_t secondSlash = line.find('/', firstSlash + 1);
    if (secondSlash != npos)
        date.year = ReadDateNumber(line, secondSlash + 1);
    else
        date.year = !line.empty() && IsDigit(line[0]) ? ReadDateNumber(line, 0) : 0;
    return IsValidDate(date.year, date.month, date.day) ? LogDateResult::Valid : LogDateResult::Invalid;
}

bool ParseReceiverLine(std::string_view line, ReceiverValue& which, std::string_view& value)
{
    // Tested in this order: the first keyword the line contains names the label.
    static constexpr std::string_view Keywords[ReceiverValueCount] = {
        "DC Gain", "Timer interval", "IF Gain", "Integration time", "Continuum offset volts",
    };
    const std::size_t space = line.find(' ');
    if (space == npos)
        return false;
    const std::size_t start = FindDigitOrMinus(line, space);
    if (start == npos)
        return false;
    for (int k = 0; k < ReceiverValueCount; ++k) {
        if (Contains(line, Keywords[k])) {
            which = static_cast<ReceiverValue>(k);
            value = line.substr(start);
            return true;
        }
    }
    return false;
}

bool ParseCorrectionLine(std::string_view line, CorrectionAxis& axis, std::int32_t& value)
{
    std::size_t pos = FindDigitOrMinus(line, 0);
    if (pos == npos)
        return false;
    const bool negative = line[pos] == '-';
    if (negative)
        ++pos;
    if (pos >= line.size() || !IsDigit(line[pos]))
        return false;  // a lone "-" is no number
    std::int64_t v = 0;
    while (pos < line.size() && IsDigit(line[pos])) {
        v = v * 10 + (line[pos] - '0');
        // Beyond signed 32 bits the line is ignored rather than wrapped into another value.
        if (v > static_cast<std::int64_t>(std::numeric_limits<std::int32_t>::max()) + 1)
            return false;
        ++pos;
    }
    if (negative)
        v = -v;
    if (v > std::numeric_limits<std::int32_t>::max() || v < std::numeric_limits<std::int32_t>::min())
        return false;
    if (Contains(line, "Azimuth"))
        axis = CorrectionAxis::Azimuth;
    else if (Contains(line, "Altitude"))
        axis = CorrectionAxis::Altitude;
    else
        return false;
    value = static_cast<std::int32_t>(v);
    return true;
}

RecordParse ParseRecordLine(std::string_view line, RawRecord& raw)
{
    // Field 1 is read as a decimal at the start of the line (leading blanks skipped, 0 without
    // digits). The fields carry no sign: "-0" is 0, any other negative first field does not
    // fit the unsigned field and makes the line malformed.
    std::size_t pos = 0;
    while (pos < line.size() && line[pos] == ' ')
        ++pos;
    bool negative = false;
    if (pos < line.size() && line[pos] == '-') {
        negative = true;
        ++pos;
    }
    std::uint32_t fields[4] = {0, 0, 0, 0};
    std::size_t end = pos;
    if (pos < line.size() && IsDigit(line[pos])) {
        if (!ReadUnsigned32(line, pos, fields[0], end))
            return RecordParse::Malformed;
        if (negative && fields[0] != 0)
            return RecordParse::Malformed;
    }

    // Fields 2 to 4: from the start of the previous field (field 2: the line's start) find the
    // next space, then the first digit after it; "-" and blanks between are passed over.
    std::size_t fieldStart = 0;
    int count = 1;
    for (int f = 1; f < 4; ++f) {
        const std::size_t space = line.find(' ', fieldStart);
        if (space == npos)
            break;
        const std::size_t digit = FindDigit(line, space);
        if (digit == npos)
            break;
        if (!ReadUnsigned32(line, digit, fields[f], end))
            return RecordParse::Malformed;
        fieldStart = digit;
        count = f + 1;
    }
    if (count < 3)
        return RecordParse::Malformed;
    raw.milliseconds = fields[0];
    raw.azimuthCounts = fields[1];
    raw.altitudeCounts = fields[2];
    raw.voltsCounts = count == 4 ? fields[3] : 0;
    return count == 4 ? RecordParse::WithVolts : RecordParse::NoVolts;
}

bool ParsePlainRecordLine(std::string_view line, RawRecord& raw, bool& hasVolts)
{
    // On this form the general rules agree with the plain reading: the line holds only record
    // characters, field 1 starts the line, and each later field is the run after the single
    // space that ends the run before it.
    const char* p = line.data();
    const char* const end = p + line.size();
    std::uint32_t fields[4];
    int count = 0;
    for (;;) {
        const char* const start = p;
        std::uint64_t v = 0;
        if (std::endian::native == std::endian::little && end - p >= 8) {
            // Eight characters at once: the digits among them made 0 to 9, the first other
            // character found by its high bit after adding 0x76 (so 10 and more reach 0x80).
            std::uint64_t word;
            std::memcpy(&word, p, 8);
            const std::uint64_t t = word ^ 0x3030303030303030u;
            const std::uint64_t other = ((t + 0x7676767676767676u) | t) & 0x8080808080808080u;
            if (other != 0) {
                const int digits = std::countr_zero(other) / 8;
                if (digits == 0)
                    return false;
                v = DigitsValue(t << (64 - 8 * digits));
                p += digits;
            } else {
                v = DigitsValue(t);
                p += 8;
            }
        }
        while (p < end && IsDigit(*p)) {
            v = v * 10 + static_cast<std::uint64_t>(*p - '0');
            ++p;
        }
        // Up to 10 digits the value cannot wrap the 64-bit sum; a longer run is left to the
        // general rules (which refuse it).
        if (p == start || p - start > 10 || v > std::numeric_limits<std::uint32_t>::max())
            return false;
        fields[count++] = static_cast<std::uint32_t>(v);
        if (p == end)
            break;
        if (*p != ' ' || count == 4)
            return false;
        ++p;
    }
    if (count < 3)
        return false;
    raw.milliseconds = fields[0];
    raw.azimuthCounts = fields[1];
    raw.altitudeCounts = fields[2];
    raw.voltsCounts = count == 4 ? fields[3] : 0;
    hasVolts = count == 4;
    return true;
}

}  // namespace driftline
