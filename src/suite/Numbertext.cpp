// The general ("%.17g") text of doubles, exact, and fast for the values a log holds.
#include "suite/Numbertext.h"

#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring>

namespace driftline {

namespace {

// GCC and Clang both have 128-bit integers; __extension__ marks the use as deliberate.
__extension__ typedef unsigned __int128 u128;

// 5^0 .. 5^27: 5^27 < 2^63, so a 53-bit significand times any of them fits in 116 bits.
constexpr int MaxFivePower = 27;
constexpr auto FivePowers = [] {
    struct Table {
        std::uint64_t p[MaxFivePower + 1];
    } t{};
    t.p[0] = 1;
    for (int k = 1; k <= MaxFivePower; ++k)
        t.p[k] = t.p[k - 1] * 5;
    return t;
}();

// 10^0 .. 10^19, the largest power of ten in 64 bits.
constexpr int MaxTenPower = 19;
constexpr auto TenPowers = [] {
    struct Table {
        std::uint64_t p[MaxTenPower + 1];
    } t{};
    t.p[0] = 1;
    for (int k = 1; k <= MaxTenPower; ++k)
        t.p[k] = t.p[k - 1] * 10;
    return t;
}();

constexpr char DigitPairs[] = "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
                              "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
                              "8081828384858687888990919293949596979899";

// The integer part of m * 2^e * 10^k and whether the exact value rounds it up (half to even).
// False when the product is out of the exact 128-bit reach.
[[gnu::always_inline]] inline bool ScaledByTen(std::uint64_t m, int e, int k, std::uint64_t& integer, bool& roundUp)
{
    if (k >= 0) {
        if (k > MaxFivePower)
            return false;
        // m * 2^e * 10^k = (m * 5^k) * 2^(e + k), the product exact in 116 bits.
        const u128 product = static_cast<u128>(m) * FivePowers.p[k];
        const int shift = e + k;
        if (shift >= 0) {
            // An integer already; the caller's k keeps it below 10^18, so nothing is lost.
            if (shift > 10)
                return false;
            integer = static_cast<std::uint64_t>(product << shift);
            roundUp = false;
            return true;
        }
        const int drop = -shift;
        if (drop >= 116)
            return false;
        const u128 q = product >> drop;
        if (q >> 64 != 0)
            return false;
        const u128 rest = product & ((static_cast<u128>(1) << drop) - 1);
        const u128 half = static_cast<u128>(1) << (drop - 1);
        integer = static_cast<std::uint64_t>(q);
        // Bitwise, not short-circuit: the outcome is a coin toss, so a branch would mispredict.
        roundUp = (rest > half) | ((rest == half) & ((integer & 1) != 0));
        return true;
    }
    // Large values: m * 2^e is then an integer when e >= 0; divide it by 10^-k with its remainder.
    const int j = -k;
    if (e < 0 || e > 74 || j > MaxTenPower)
        return false;
    const u128 whole = static_cast<u128>(m) << e;
    const std::uint64_t divisor = TenPowers.p[j];
    const u128 q = whole / divisor;
    if (q >> 64 != 0)
        return false;
    const u128 twiceRest = (whole % divisor) * 2;
    integer = static_cast<std::uint64_t>(q);
    roundUp = (twiceRest > divisor) | ((twiceRest == divisor) & ((integer & 1) != 0));
    return true;
}

// Two digit characters as a 16-bit word, first in the lower byte.
std::uint64_t PairWord(std::uint64_t pair)
{
    std::uint16_t word;
    std::memcpy(&word, DigitPairs + 2 * pair, 2);
    return word;
}

// The eight decimal digit characters of n < 10^8, the first (most significant) in the lowest
// byte, i.e. first in memory. y is n / 10^6 in 32.32 fixed point, rounded up (M = ceil(2^57 /
// 10^6), the product rounded up again): each step takes the next two digits from the integer part
// of y and moves the fraction up by 100. Rounding up never reaches the next digit: the excess is a
// few units of 2^-32, the headroom of the last step at least 10^-6 * 2^32 (checked for every n).
std::uint64_t EightDigits(std::uint32_t n)
{
    constexpr std::uint64_t Low32 = 0xffffffffu;
    std::uint64_t y = (static_cast<std::uint64_t>(n) * 144115188076ull + ((std::uint64_t{1} << 25) - 1)) >> 25;
    std::uint64_t word = PairWord(y >> 32);
    y = (y & Low32) * 100;
    word |= PairWord(y >> 32) << 16;
    y = (y & Low32) * 100;
    word |= PairWord(y >> 32) << 32;
    y = (y & Low32) * 100;
    return word | PairWord(y >> 32) << 48;
}

char* Fallback(char* out, double v, int digits)
{
    return std::to_chars(out, out + MaxGeneralChars, v, std::chars_format::general, digits).ptr;
}

// The work of GeneralDigits, inlined into it once for each common digit count so that the
// count's powers of ten and multipliers are constants there.
[[gnu::always_inline]] inline char* FormatGeneral(char* out, double v, int digits)
{
    // The digit words below are laid out for a little-endian store.
    if constexpr (std::endian::native != std::endian::little)
        return Fallback(out, v, digits);
    const auto bits = std::bit_cast<std::uint64_t>(v);
    const auto biased = static_cast<int>((bits >> 52) & 0x7ff);
    // Zero, subnormals, infinities and NaN: rare enough in any output to leave to the library.
    if (biased == 0 || biased == 0x7ff)
        return Fallback(out, v, digits);
    const std::uint64_t m = (bits & ((std::uint64_t{1} << 52) - 1)) | (std::uint64_t{1} << 52);
    const int e = biased - 1075;

    // v = m * 2^e lies in [2^(e+52), 2^(e+53)), so its decimal exponent is floor((e+52) log10 2)
    // or one more. (e+52) * 78913 >> 18 is that floor exactly for every exponent a double has
    // (checked for |e+52| <= 1100 against log10 2 to 50 digits).
    int exponent = ((e + 52) * 78913) >> 18;
    const std::uint64_t upper = TenPowers.p[digits];
    std::uint64_t n = 0;
    bool roundUp = false;
    if (!ScaledByTen(m, e, digits - 1 - exponent, n, roundUp))
        return Fallback(out, v, digits);
    if (n >= upper) {
        ++exponent;
        if (!ScaledByTen(m, e, digits - 1 - exponent, n, roundUp))
            return Fallback(out, v, digits);
    }
    n += roundUp;
    if (n == upper) {
        // 99...9.5 carries into one more digit: 10^digits becomes 1 followed by zeros.
        n = TenPowers.p[digits - 1];
        ++exponent;
    }

    // The digits as seventeen (n times 10^(17 - digits): the extra ones are zeros, dropped below
    // like any trailing zero): the first, then sixteen in a 128-bit word, first digit in the
    // lowest byte, so that one store puts them in order and a shift drops the leading ones. Built
    // in registers and stored whole, never read back from memory.
    n *= TenPowers.p[17 - digits];
    const std::uint64_t rest = n % 10000000000000000ull;
    const char first = static_cast<char>('0' + n / 10000000000000000ull);
    const std::uint64_t front = EightDigits(static_cast<std::uint32_t>(rest / 100000000));
    const std::uint64_t back = EightDigits(static_cast<std::uint32_t>(rest % 100000000));
    // Significant digits: up to the last one that is not '0' (the last in memory is the highest
    // byte).
    constexpr std::uint64_t Zeros = 0x3030303030303030ull;
    int kept = 1;
    if (back != Zeros)
        kept = 17 - std::countl_zero(back ^ Zeros) / 8;
    else if (front != Zeros)
        kept = 9 - std::countl_zero(front ^ Zeros) / 8;
    const u128 sixteen = (static_cast<u128>(back) << 64) | front;
    char* p = out;
    *p = '-';
    p += bits >> 63;

    if (exponent < -4 || exponent >= digits) {
        p[0] = first;
        p[1] = '.';
        std::memcpy(p + 2, &sixteen, 16);
        p += kept > 1 ? kept + 1 : 1;
        *p++ = 'e';
        *p++ = exponent < 0 ? '-' : '+';
        const int magnitude = exponent < 0 ? -exponent : exponent;
        if (magnitude >= 100) {
            *p++ = static_cast<char>('0' + magnitude / 100);
            std::memcpy(p, DigitPairs + 2 * (magnitude % 100), 2);
        } else {
            std::memcpy(p, DigitPairs + 2 * magnitude, 2);
        }
        return p + 2;
    }
    if (exponent < 0) {
        // 0.000ddd: up to three zeros after the point, then every kept digit.
        std::memcpy(p, "0.000", 5);
        p += 1 - exponent;
        p[0] = first;
        std::memcpy(p + 1, &sixteen, 16);
        return p + kept;
    }
    // The whole part (digits dropped as trailing zeros are '0' in the word too), then the point
    // and the rest of the digits when anything is left after it.
    const int whole = exponent + 1;
    p[0] = first;
    std::memcpy(p + 1, &sixteen, 16);
    if (kept <= whole)
        return p + whole;
    p[whole] = '.';
    const u128 fraction = sixteen >> (8 * (whole - 1));
    std::memcpy(p + whole + 1, &fraction, 16);
    return p + kept + 1;
}

}  // namespace

char* GeneralDigits(char* out, double v, int digits)
{
    switch (digits) {
    case 17:
        return FormatGeneral(out, v, 17);
    case 12:
        return FormatGeneral(out, v, 12);
    default:
        return FormatGeneral(out, v, digits < 1 ? 1 : digits > 17 ? 17 : digits);
    }
}

}  // namespace driftline
