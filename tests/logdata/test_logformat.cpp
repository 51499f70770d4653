// Line kinds and the decoding of every line form, from the log format's rules and edge cases.
#include "logdata/Logformat.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <string>

namespace driftline {
namespace {

TEST(LogLineKind, KeywordsInOrderAndRecordCharacters)
{
    struct Case {
        const char* line;
        LineKind kind;
    };
    const Case cases[] = {
        {"Opening session 12/05/2010 21:03:15 (UTC)", LineKind::SessionHeader},
        {"Date changed 13/05/2010", LineKind::DateLine},
        // "Date" is tested before "*Rec*": a receiver line naming Date is a date line.
        {"*Rec* Date 1", LineKind::DateLine},
        {"*Rec* DC Gain 10", LineKind::Receiver},
        {"Azimuth correction 12", LineKind::Correction},
        {"*Rec* correction 5", LineKind::Receiver},
        {"Opening session Date correction", LineKind::SessionHeader},
        {"75795000 8192 1365 1024", LineKind::Record},
        {"123 -456 -", LineKind::Record},
        {"", LineKind::Record},
        {"123\t456 789", LineKind::Other},   // a tab is no record character
        {"123 456 789\r", LineKind::Other},  // a CR left inside the line
        {"Closing session", LineKind::Other},
        {"opening session 12/05/2010", LineKind::Other},  // keywords are case-sensitive
        {"date 12/05/2010", LineKind::Other},
        {"Azimuth Correction 12", LineKind::Other},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ClassifyLine(c.line), c.kind) << "line: \"" << c.line << "\"";
}

TEST(LogLineDate, DayMonthYearRule)
{
    struct Case {
        const char* line;
        LogDateResult result;
        int day, month, year;  // checked when Valid
    };
    const Case cases[] = {
        {"Opening session 12/05/2010 21:03:15 (UTC)", LogDateResult::Valid, 12, 5, 2010},
        {"Date changed 13/05/2010", LogDateResult::Valid, 13, 5, 2010},
        {"Date changed 1/ 2/ 2011", LogDateResult::Valid, 1, 2, 2011},   // blanks before a number skipped
        {"Date changed 29/02/2012", LogDateResult::Valid, 29, 2, 2012},  // leap year
        {"Date changed 31/12/9999", LogDateResult::Valid, 31, 12, 9999},
        {"Date changed 01/01/0001", LogDateResult::Valid, 1, 1, 1},
        // Without a second "/" the year is the number the line starts with.
        {"13/05 Date", LogDateResult::Valid, 13, 5, 13},
        {"Date changed 31/02/2010", LogDateResult::Invalid, 0, 0, 0},
        {"Date changed 29/02/2011", LogDateResult::Invalid, 0, 0, 0},
        {"Date changed 00/05/2010", LogDateResult::Invalid, 0, 0, 0},
        {"Date changed 12/13/2010", LogDateResult::Invalid, 0, 0, 0},
        {"Date changed 12/00/2010", LogDateResult::Invalid, 0, 0, 0},
        {"Date changed 12/05/10000", LogDateResult::Invalid, 0, 0, 0},
        {"Date changed 12/05/0", LogDateResult::Invalid, 0, 0, 0},
        {"Date changed 12/05/99999999999999999999", LogDateResult::Invalid, 0, 0, 0},
        {"Date changed 12/x/2010", LogDateResult::Invalid, 0, 0, 0},  // month 0
        {"Date changed 13/05", LogDateResult::Invalid, 0, 0, 0},      // year 0: line starts with a letter
        {"*Rec* Date 1", LogDateResult::NoDate, 0, 0, 0},
        {"Date changed", LogDateResult::NoDate, 0, 0, 0},
        {"Date changed 12-05-2010", LogDateResult::NoDate, 0, 0, 0},  // no "/" after the day's first digit
    };
    for (const auto& c : cases) {
        TLogDate date;
        const LogDateResult result = ParseLogDateFields(c.line, date);
        EXPECT_EQ(result, c.result) << "line: \"" << c.line << "\"";
        if (c.result == LogDateResult::Valid && result == LogDateResult::Valid) {
            EXPECT_EQ(date.day, c.day) << c.line;
            EXPECT_EQ(date.month, c.month) << c.line;
            EXPECT_EQ(date.year, c.year) << c.line;
        }
    }
}

TEST(LogLineReceiver, ValueTextAndKeywordOrder)
{
    struct Case {
        const char* line;
        bool accepted;
        ReceiverValue which;
        const char* value;
    };
    const Case cases[] = {
        {"*Rec* DC Gain 10", true, ReceiverDCGain, "10"},
        {"*Rec* IF Gain 2 x10", true, ReceiverIFGain, "2 x10"},
        {"*Rec* Timer interval 1000 ms", true, ReceiverTimerInterval, "1000 ms"},
        {"*Rec* Integration time 0.5 s", true, ReceiverIntegration, "0.5 s"},
        {"*Rec* Continuum offset volts -1.25 V", true, ReceiverOffset, "-1.25 V"},
        {"*Rec*DC Gain-3", true, ReceiverDCGain, "-3"},          // after the first space, "-" starts the value
        {"*Rec* IF Gain DC Gain 4", true, ReceiverDCGain, "4"},  // DC Gain is tested first
        {"*Rec* DC Gain 10\x01 extra", true, ReceiverDCGain, "10\x01 extra"},  // kept verbatim
        {"*Rec*", false, ReceiverDCGain, ""},                                  // no space
        {"*Rec* DC Gain", false, ReceiverDCGain, ""},                          // no digit or "-"
        {"*Rec* Unknown 5", false, ReceiverDCGain, ""},
        {"*Rec* dc gain 5", false, ReceiverDCGain, ""},  // keywords are case-sensitive
    };
    for (const auto& c : cases) {
        ReceiverValue which = ReceiverOffset;
        std::string_view value;
        const bool accepted = ParseReceiverLine(c.line, which, value);
        ASSERT_EQ(accepted, c.accepted) << c.line;
        if (accepted) {
            EXPECT_EQ(which, c.which) << c.line;
            EXPECT_EQ(std::string(value), c.value) << c.line;
        }
    }
}

TEST(LogLineCorrection, SignedValuesAxesAndRange)
{
    struct Case {
        const char* line;
        bool accepted;
        CorrectionAxis axis;
        std::int32_t value;
    };
    const Case cases[] = {
        {"Azimuth correction 12", true, CorrectionAxis::Azimuth, 12},
        {"Azimuth correction -12", true, CorrectionAxis::Azimuth, -12},
        {"Altitude correction -4", true, CorrectionAxis::Altitude, -4},
        {"Altitude correction 0", true, CorrectionAxis::Altitude, 0},
        {"Altitude Azimuth correction 3", true, CorrectionAxis::Azimuth, 3},  // Azimuth is tested first
        {"Azimuth correction 2147483647", true, CorrectionAxis::Azimuth, INT32_MAX},
        {"Azimuth correction -2147483648", true, CorrectionAxis::Azimuth, INT32_MIN},
        {"Azimuth correction 7 counts", true, CorrectionAxis::Azimuth, 7},
        {"Azimuth correction", false, CorrectionAxis::Azimuth, 0},
        {"Azimuth correction -", false, CorrectionAxis::Azimuth, 0},
        {"Pointing correction 5", false, CorrectionAxis::Azimuth, 0},
        // Values beyond signed 32 bits are ignored instead of wrapping to another correction.
        {"Azimuth correction 2147483648", false, CorrectionAxis::Azimuth, 0},
        {"Azimuth correction -2147483649", false, CorrectionAxis::Azimuth, 0},
        {"Altitude correction 4294967300", false, CorrectionAxis::Altitude, 0},
        {"Azimuth correction 99999999999999999999999", false, CorrectionAxis::Azimuth, 0},
    };
    for (const auto& c : cases) {
        CorrectionAxis axis = CorrectionAxis::Altitude;
        std::int32_t value = 12345;
        const bool accepted = ParseCorrectionLine(c.line, axis, value);
        ASSERT_EQ(accepted, c.accepted) << c.line;
        if (accepted) {
            EXPECT_EQ(axis, c.axis) << c.line;
            EXPECT_EQ(value, c.value) << c.line;
        }
    }
}

TEST(LogLineRecord, FieldsVoltsAndMalformedForms)
{
    struct Case {
        const char* line;
        RecordParse result;
        RawRecord raw;
    };
    const Case cases[] = {
        {"123 456 789", RecordParse::NoVolts, {123, 456, 789, 0}},
        {"123 456 789 1000", RecordParse::WithVolts, {123, 456, 789, 1000}},
        {"123 456 789 1000 5", RecordParse::WithVolts, {123, 456, 789, 1000}},  // a fifth number is ignored
        {"123 456 789 ", RecordParse::NoVolts, {123, 456, 789, 0}},             // trailing space: no volts
        {"123  456   789", RecordParse::NoVolts, {123, 456, 789, 0}},
        {"123 -456 -789 -1000", RecordParse::WithVolts, {123, 456, 789, 1000}},  // "-" passed over
        {"123 - 456 789", RecordParse::NoVolts, {123, 456, 789, 0}},
        {"75795000 8192 1365 1024", RecordParse::WithVolts, {75795000, 8192, 1365, 1024}},
        {"0 0 0 0", RecordParse::WithVolts, {0, 0, 0, 0}},
        {"4294967295 4294967295 4294967295 4294967295",
         RecordParse::WithVolts,
         {4294967295u, 4294967295u, 4294967295u, 4294967295u}},
        {"-0 1 2", RecordParse::NoVolts, {0, 1, 2, 0}},
        // Field 2 is searched from the line's first space, so a leading blank repeats field 1.
        {" 5 6 7", RecordParse::WithVolts, {5, 5, 6, 7}},
        {"", RecordParse::Malformed, {}},
        {"123", RecordParse::Malformed, {}},
        {"123 456", RecordParse::Malformed, {}},
        {"123 456-789", RecordParse::Malformed, {}},  // no space after field 2's start
        {"123 456 -", RecordParse::Malformed, {}},
        // A field beyond 32 bits makes the whole line malformed rather than wrapping.
        {"4294967296 1 2", RecordParse::Malformed, {}},
        {"123 4294967296 0 0", RecordParse::Malformed, {}},
        {"123 0 99999999999 0", RecordParse::Malformed, {}},
        {"123 456 789 4294967296", RecordParse::Malformed, {}},
        {"-5 1 2", RecordParse::Malformed, {}},  // no negative milliseconds
    };
    for (const auto& c : cases) {
        RawRecord raw{9, 9, 9, 9};
        const RecordParse result = ParseRecordLine(c.line, raw);
        ASSERT_EQ(result, c.result) << "line: \"" << c.line << "\"";
        if (result != RecordParse::Malformed) {
            EXPECT_EQ(raw.milliseconds, c.raw.milliseconds) << c.line;
            EXPECT_EQ(raw.azimuthCounts, c.raw.azimuthCounts) << c.line;
            EXPECT_EQ(raw.altitudeCounts, c.raw.altitudeCounts) << c.line;
            EXPECT_EQ(raw.voltsCounts, c.raw.voltsCounts) << c.line;
        }
    }
}

TEST(LogLineRecord, PlainFormTakesOnlyWhatTheGeneralRulesReadAlike)
{
    // The one-pass reading must accept a line only where the kind test and the general field
    // rules give this very record; every near miss goes to them instead.
    struct Case {
        const char* line;
        bool plain;
        RawRecord raw;
        bool volts;
    };
    const Case cases[] = {
        {"75795000 16385 3641 408", true, {75795000, 16385, 3641, 408}, true},
        {"75844000 16384 3641", true, {75844000, 16384, 3641, 0}, false},
        {"0 0 0", true, {0, 0, 0, 0}, false},
        {"007 08 0009 0", true, {7, 8, 9, 0}, true},
        {"4294967295 4294967295 4294967295 4294967295",
         true,
         {4294967295u, 4294967295u, 4294967295u, 4294967295u},
         true},
        {"0000000001 2 3", true, {1, 2, 3, 0}, false},  // ten digits
        // Near misses: each is left to the general rules.
        {"00000000001 2 3", false, {}, false},  // eleven digits, though the value is small
        {"4294967296 1 2", false, {}, false},   // beyond 32 bits
        {"1 2 3 4294967296", false, {}, false},
        {" 5 6 7", false, {}, false},  // leading blank: field 1 read twice
        {"5 6 7 ", false, {}, false},  // trailing blank
        {"5  6 7", false, {}, false},  // two blanks
        {"5 -6 7", false, {}, false},  // a minus passed over
        {"-0 1 2", false, {}, false},
        {"1 2 3 4 5", false, {}, false},  // a fifth field
        {"1 2", false, {}, false},
        {"1 2 3\r", false, {}, false},  // a CR inside (the reader removes only the last)
        {"1 2 3x", false, {}, false},
        {"1 2 3 Date", false, {}, false},
        {"", false, {}, false},
    };
    for (const Case& c : cases) {
        RawRecord raw{9, 9, 9, 9};
        bool volts = !c.volts;
        ASSERT_EQ(ParsePlainRecordLine(c.line, raw, volts), c.plain) << "line: \"" << c.line << "\"";
        if (!c.plain)
            continue;
        EXPECT_EQ(raw.milliseconds, c.raw.milliseconds) << c.line;
        EXPECT_EQ(raw.azimuthCounts, c.raw.azimuthCounts) << c.line;
        EXPECT_EQ(raw.altitudeCounts, c.raw.altitudeCounts) << c.line;
        EXPECT_EQ(raw.voltsCounts, c.raw.voltsCounts) << c.line;
        EXPECT_EQ(volts, c.volts) << c.line;
    }

    // Random lines of record characters and a few others, short enough to hit the plain form
    // often: whatever the one-pass reading takes, the general rules read the same.
    std::mt19937 random(15);
    const std::string alphabet = "0123456789012345678901234567890123456789     -\rxD";
    int accepted = 0;
    for (int n = 0; n < 200000; ++n) {
        std::string line(random() % 24, ' ');
        for (char& ch : line)
            ch = alphabet[random() % alphabet.size()];
        RawRecord fast{7, 7, 7, 7};
        bool volts = false;
        if (!ParsePlainRecordLine(line, fast, volts))
            continue;
        ++accepted;
        ASSERT_EQ(ClassifyLine(line), LineKind::Record) << line;
        RawRecord general{8, 8, 8, 8};
        const RecordParse parsed = ParseRecordLine(line, general);
        ASSERT_EQ(parsed, volts ? RecordParse::WithVolts : RecordParse::NoVolts) << line;
        EXPECT_EQ(fast.milliseconds, general.milliseconds) << line;
        EXPECT_EQ(fast.azimuthCounts, general.azimuthCounts) << line;
        EXPECT_EQ(fast.altitudeCounts, general.altitudeCounts) << line;
        EXPECT_EQ(fast.voltsCounts, general.voltsCounts) << line;
    }
    EXPECT_GT(accepted, 1000);  // the comparison above ran on many lines
}

}  // namespace
}  // namespace driftline
