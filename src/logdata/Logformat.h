#pragma once
// Log file lines: which kind a line is, and the decoding of each kind. Pure functions over a
// string_view of one line (line end already removed); nothing here allocates.
#include "logdata/Samplestore.h"
#include <cstdint>
#include <string_view>

namespace driftline {

// Line kinds in the order they are tested; the first keyword found decides.
enum class LineKind : int {
    SessionHeader,  // contains "Opening session"
    DateLine,       // contains "Date"
    Receiver,       // contains "*Rec*"
    Correction,     // contains "correction"
    Record,         // only "0123456789- " (the empty line too)
    Other,
};

LineKind ClassifyLine(std::string_view line);

// Result of decoding the date of a session-header or date line.
enum class LogDateResult : int {
    NoDate,   // no digit, or no "/" after the day's first digit: logDate stays
    Valid,    // day, month, year form a calendar date of years 1..9999
    Invalid,  // numbers read but no such date: the read stops ("Invalid argument to date encode")
};

struct TLogDate {
    int day = 0;
    int month = 0;
    int year = 0;
};

// Day = first run of digits; month = number after the first "/" after the day's first digit;
// year = number after the next "/" (without one: the number at the line's start, 0 if none).
LogDateResult ParseLogDateFields(std::string_view line, TLogDate& date);

// The value text of a receiver line: from the first digit or "-" at or after the first space
// to the end, verbatim; which = the first keyword of the five found. False = line ignored.
bool ParseReceiverLine(std::string_view line, ReceiverValue& which, std::string_view& value);

enum class CorrectionAxis : int {
    Azimuth,
    Altitude
};

// The signed value of a correction line (at the first digit or "-") and its axis.
// False = ignored: no number, no axis word, or a value outside signed 32 bits.
bool ParseCorrectionLine(std::string_view line, CorrectionAxis& axis, std::int32_t& value);

enum class RecordParse : int {
    Malformed,  // fewer than three fields, or a field beyond 32 bits: ignored
    NoVolts,    // three fields
    WithVolts,  // a fourth field
};

// Fields of a record line (its kind must be Record): a "-" before fields 2..4 counts as a space.
RecordParse ParseRecordLine(std::string_view line, RawRecord& raw);

// The record line as the controller writes it, in one pass: three or four runs of 1 to 10 digits,
// each value within 32 bits, one space between runs and none before or after. True = the line is
// of that form, and then it is a Record whose ParseRecordLine gives raw and NoVolts (three runs)
// or WithVolts (four); false (raw left in any state) for any other line, which ClassifyLine and
// ParseRecordLine then judge.
bool ParsePlainRecordLine(std::string_view line, RawRecord& raw, bool& hasVolts);

}  // namespace driftline
