#include "suite/Inifile.h"

#include "suite/Fileunit.h"
#include "suite/Textutil.h"

#include <langinfo.h>
#include <locale.h>

#include <charconv>
#include <clocale>
#include <cmath>
#include <limits>

namespace driftline {

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

int HexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// A real's text is [sign] digits [. digits] [e [sign] digits] with at least one mantissa digit;
// checked here so that forms like "inf", "nan" or hexadecimal floats, which from_chars would
// accept, fall back to the default as the profile reader would.
bool IsPlainDecimal(std::string_view t)
{
    std::size_t i = 0;
    if (i < t.size() && (t[i] == '+' || t[i] == '-'))
        ++i;
    std::size_t mantissaDigits = 0;
    while (i < t.size() && IsDigit(t[i])) {
        ++i;
        ++mantissaDigits;
    }
    if (i < t.size() && t[i] == '.') {
        ++i;
        while (i < t.size() && IsDigit(t[i])) {
            ++i;
            ++mantissaDigits;
        }
    }
    if (mantissaDigits == 0)
        return false;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        if (i < t.size() && (t[i] == '+' || t[i] == '-'))
            ++i;
        std::size_t exponentDigits = 0;
        while (i < t.size() && IsDigit(t[i])) {
            ++i;
            ++exponentDigits;
        }
        if (exponentDigits == 0)
            return false;
    }
    return i == t.size();
}

// Line ends are kept apart from the line's text so that a changed line keeps its own ending.
struct IniLine {
    std::string text;
    std::string eol;
};

constexpr std::string_view Utf8Signature = "\xEF\xBB\xBF";

// The one splitting of a settings text into lines that the reader and the writer both go by: a
// line ends at LF, CR LF or a lone CR, and any other byte (NUL included) is part of its line. A
// UTF-8 signature at the start is a line of its own without an end, so that it is kept as it is
// and never taken for part of a header or key.
std::vector<IniLine> SplitLines(std::string_view text)
{
    std::vector<IniLine> lines;
    if (text.substr(0, Utf8Signature.size()) == Utf8Signature) {
        lines.push_back({std::string(Utf8Signature), ""});
        text.remove_prefix(Utf8Signature.size());
    }
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.push_back({std::string(text.substr(start)), ""});
            break;
        }
        const bool crlf = text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n';
        const std::size_t eolLength = crlf ? 2 : 1;
        lines.push_back({std::string(text.substr(start, end - start)), std::string(text.substr(end, eolLength))});
        start = end + eolLength;
    }
    return lines;
}

// The section name of a header line "[ name ]", or nothing for any other line.
std::optional<std::string> SectionNameOf(std::string_view text)
{
    const std::string t = TrimIniBlanks(text);
    if (t.empty() || t.front() != '[')
        return std::nullopt;
    const std::size_t close = t.find(']');
    if (close == std::string::npos)
        return std::nullopt;
    return TrimIniBlanks(std::string_view(t).substr(1, close - 1));
}

// The key of a "key = value" line, or nothing for blank, comment and header lines.
std::optional<std::string> KeyOf(std::string_view text)
{
    const std::string t = TrimIniBlanks(text);
    if (t.empty() || t.front() == ';' || t.front() == '#' || t.front() == '[')
        return std::nullopt;
    const std::size_t eq = t.find('=');
    if (eq == std::string::npos)
        return std::nullopt;
    std::string key = TrimIniBlanks(std::string_view(t).substr(0, eq));
    if (key.empty())
        return std::nullopt;
    return key;
}

// A line break inside a key or value would split it into two lines of the file.
std::string WithoutLineBreaks(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c != '\r' && c != '\n')
            out.push_back(c);
    }
    return out;
}

}  // namespace

std::string TrimIniBlanks(std::string_view text)
{
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    return std::string(text.substr(begin, end - begin));
}

std::int32_t ParseIniInt(std::string_view text, std::int32_t defaultValue)
{
    const std::string t = TrimIniBlanks(text);
    std::size_t i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) {
        negative = t[i] == '-';
        ++i;
    }
    bool hex = false;
    if (i < t.size() && t[i] == '$') {
        hex = true;
        i += 1;
    } else if (i + 1 < t.size() && t[i] == '0' && (t[i + 1] == 'x' || t[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }
    if (i >= t.size())
        return defaultValue;

    if (hex) {
        std::uint64_t value = 0;
        for (; i < t.size(); ++i) {
            const int digit = HexDigitValue(t[i]);
            if (digit < 0)
                return defaultValue;
            value = value * 16 + static_cast<std::uint64_t>(digit);
            if (value > 0xFFFFFFFFull)
                return defaultValue;
        }
        // Eight hex digits are a 32-bit pattern: $FFFFFFFF is -1.
        std::uint32_t bits = static_cast<std::uint32_t>(value);
        if (negative)
            bits = 0u - bits;
        return static_cast<std::int32_t>(bits);
    }

    std::int64_t value = 0;
    for (; i < t.size(); ++i) {
        if (!IsDigit(t[i]))
            return defaultValue;
        value = value * 10 + (t[i] - '0');
        if (value > 2147483648LL)
            return defaultValue;
    }
    if (negative)
        value = -value;
    if (value > std::numeric_limits<std::int32_t>::max())
        return defaultValue;
    return static_cast<std::int32_t>(value);
}

double ParseIniReal(std::string_view text, double defaultValue, char decimalSeparator)
{
    std::string t = TrimIniBlanks(text);
    if (decimalSeparator != '.' && decimalSeparator != '\0') {
        for (char& c : t) {
            if (c == decimalSeparator)
                c = '.';
        }
    }
    if (!IsPlainDecimal(t))
        return defaultValue;
    const char* first = t.data();
    const char* last = t.data() + t.size();
    if (*first == '+')
        ++first;  // from_chars takes no plus sign
    double value = 0.0;
    const auto result = std::from_chars(first, last, value);
    if (result.ec != std::errc() || result.ptr != last || !std::isfinite(value))
        return defaultValue;
    return value;
}

char UserDecimalSeparator()
{
    // The user's own numeric locale (LC_ALL / LC_NUMERIC / LANG), looked up without changing the
    // process locale: the settings are read before any toolkit sets it, and the program's own
    // number texts must keep the point whatever the user's locale is.
    char found = '.';
    if (locale_t user = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(nullptr))) {
        const char* radix = nl_langinfo_l(RADIXCHAR, user);
        if (radix && radix[0] && radix[1] == '\0')
            found = radix[0];
        freelocale(user);
    }
    return found;
}

double ParseIniReal(std::string_view text, double defaultValue)
{
    return ParseIniReal(text, defaultValue, UserDecimalSeparator());
}

bool ParseIniBool(std::string_view text, bool defaultValue)
{
    // Two different defaults tell an unparsable text from a parsed number.
    const std::int32_t a = ParseIniInt(text, 0);
    const std::int32_t b = ParseIniInt(text, 1);
    if (a != b)
        return defaultValue;
    return a != 0;
}

struct TIniReader::Impl {
    struct Entry {
        std::string section;
        std::string key;
        std::string value;  // trimmed
    };
    // Every key line in file order, with the section it belongs to (the same lines the writer
    // sees: SplitLines, SectionNameOf and KeyOf decide both).
    std::vector<Entry> entries;

    void load(std::string_view text)
    {
        entries.clear();
        std::string section;
        for (const IniLine& line : SplitLines(text)) {
            if (std::optional<std::string> name = SectionNameOf(line.text)) {
                section = std::move(*name);
                continue;
            }
            std::optional<std::string> key = KeyOf(line.text);
            if (!key)
                continue;
            const std::size_t eq = line.text.find('=');
            entries.push_back({section, std::move(*key), TrimIniBlanks(std::string_view(line.text).substr(eq + 1))});
        }
    }
};

TIniReader::TIniReader() : impl_(std::make_unique<Impl>())
{}

TIniReader::TIniReader(const std::filesystem::path& ini) : TIniReader()
{
    std::string bytes;
    std::string error;
    if (ReadWholeFile(ini, bytes, error))
        impl_->load(bytes);
}

TIniReader TIniReader::FromText(std::string_view text)
{
    TIniReader reader;
    reader.impl_->load(text);
    return reader;
}

TIniReader::~TIniReader() = default;
TIniReader::TIniReader(TIniReader&&) noexcept = default;
TIniReader& TIniReader::operator=(TIniReader&&) noexcept = default;

std::optional<std::string> TIniReader::Value(std::string_view section, std::string_view key) const
{
    // Sections of the same name count as one, in file order; the first such key is the one read.
    for (const Impl::Entry& entry : impl_->entries) {
        if (EqualsIgnoringCase(entry.section, section) && EqualsIgnoringCase(entry.key, key))
            return entry.value;
    }
    return std::nullopt;
}

std::string TIniReader::String(std::string_view section, std::string_view key, std::string_view defaultValue) const
{
    std::optional<std::string> value = Value(section, key);
    if (!value)
        return std::string(defaultValue);
    if (value->size() > IniMaxStringLength)
        value->resize(IniMaxStringLength);
    return *value;
}

std::int32_t TIniReader::Int(std::string_view section, std::string_view key, std::int32_t defaultValue) const
{
    const std::optional<std::string> value = Value(section, key);
    return value ? ParseIniInt(*value, defaultValue) : defaultValue;
}

double TIniReader::Real(std::string_view section, std::string_view key, double defaultValue) const
{
    const std::optional<std::string> value = Value(section, key);
    return value ? ParseIniReal(*value, defaultValue) : defaultValue;
}

bool TIniReader::Bool(std::string_view section, std::string_view key, bool defaultValue) const
{
    const std::optional<std::string> value = Value(section, key);
    return value ? ParseIniBool(*value, defaultValue) : defaultValue;
}

std::int32_t ReadIniInt(const std::filesystem::path& ini, std::string_view section, std::string_view key,
                        std::int32_t defaultValue)
{
    return TIniReader(ini).Int(section, key, defaultValue);
}

bool ReadIniBool(const std::filesystem::path& ini, std::string_view section, std::string_view key, bool defaultValue)
{
    return TIniReader(ini).Bool(section, key, defaultValue);
}

std::string ApplyIniSection(std::string_view oldText, std::string_view section,
                            const std::vector<std::pair<std::string, std::string>>& keyValues)
{
    std::vector<IniLine> lines = SplitLines(oldText);
    std::string style = "\r\n";
    for (const IniLine& line : lines) {
        if (!line.eol.empty()) {
            style = line.eol;
            break;
        }
    }
    const std::string sectionName = WithoutLineBreaks(section);

    for (const auto& [rawKey, rawValue] : keyValues) {
        const std::string key = WithoutLineBreaks(rawKey);
        // Blanks around a value are not part of it for the reader; written, the leading ones
        // would pile up before the value with every rewrite of the line.
        const std::string value = TrimIniBlanks(WithoutLineBreaks(rawValue));

        std::size_t header = lines.size();
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const std::optional<std::string> name = SectionNameOf(lines[i].text);
            if (name && EqualsIgnoringCase(*name, sectionName)) {
                header = i;
                break;
            }
        }
        if (header == lines.size()) {
            if (!lines.empty() && lines.back().eol.empty())
                lines.back().eol = style;
            lines.push_back({"[" + sectionName + "]", style});
            lines.push_back({key + "=" + value, style});
            continue;
        }

        std::size_t end = header + 1;
        while (end < lines.size() && !SectionNameOf(lines[end].text))
            ++end;

        bool changed = false;
        for (std::size_t i = header + 1; i < end; ++i) {
            const std::optional<std::string> lineKey = KeyOf(lines[i].text);
            if (lineKey && EqualsIgnoringCase(*lineKey, key)) {
                // Keep the key as written, the "=" and the blanks after it; only the value changes.
                std::string& text = lines[i].text;
                std::size_t valueStart = text.find('=') + 1;
                while (valueStart < text.size() && IsBlank(text[valueStart]))
                    ++valueStart;
                text = text.substr(0, valueStart) + value;
                changed = true;
                break;
            }
        }
        if (changed)
            continue;

        std::size_t lastFilled = header;
        for (std::size_t i = header + 1; i < end; ++i) {
            if (!TrimIniBlanks(lines[i].text).empty())
                lastFilled = i;
        }
        if (lines[lastFilled].eol.empty())
            lines[lastFilled].eol = style;
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(lastFilled + 1), IniLine{key + "=" + value, style});
    }

    std::string out;
    out.reserve(oldText.size() + 64);
    for (const IniLine& line : lines) {
        out += line.text;
        out += line.eol;
    }
    return out;
}

bool WriteIniSection(const std::filesystem::path& ini, std::string_view section,
                     const std::vector<std::pair<std::string, std::string>>& keyValues, std::string& error)
{
    std::string oldText;
    std::error_code ec;
    if (std::filesystem::exists(ini, ec)) {
        if (!ReadWholeFile(ini, oldText, error))
            return false;
    }
    const std::string newText = ApplyIniSection(oldText, section, keyValues);
    return WriteFileAtomically(ini, newText, error);
}

}  // namespace driftline
