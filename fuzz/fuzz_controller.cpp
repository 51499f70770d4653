// Controller lines: anything a peer may send. A line the parser accepts must come out of the
// formatter the same way, and an accepted endpoint must be a usable one.
#include "suite/Controllerprotocol.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void Check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "controller line invariant broken: %s\n", what);
        std::abort();
    }
}

driftline::ControllerMessageTable Table()
{
    driftline::ControllerMessageTable table;
    for (std::size_t i = 0; i < driftline::ControllerMessageCount; ++i)
        table.numbers[i] = 0xC000u + static_cast<std::uint32_t>(i) * 7u;
    return table;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const driftline::ControllerMessageTable table = Table();
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    const auto parsed = driftline::ParseControllerLine(line, table);
    if (!parsed)
        return 0;
    Check(table.byNumber(parsed->number) == parsed->message, "number and message agree");
    const bool handle = parsed->message == driftline::ControllerMessage::CallingHandle;
    if (handle)
        Check(driftline::IsValidEndpoint(parsed->endpoint), "an accepted endpoint is valid");
    const std::string wParam = handle ? parsed->endpoint : std::to_string(parsed->wParam);
    std::string again = driftline::FormatControllerLine(parsed->number, wParam, std::to_string(parsed->lParam));
    Check(!again.empty() && again.back() == '\n', "a formatted line ends in LF");
    again.pop_back();
    const auto reparsed = driftline::ParseControllerLine(again, table);
    Check(reparsed.has_value(), "a formatted line parses");
    Check(reparsed->message == parsed->message && reparsed->number == parsed->number &&
              reparsed->wParam == parsed->wParam && reparsed->lParam == parsed->lParam &&
              reparsed->endpoint == parsed->endpoint,
          "format and parse agree");
    return 0;
}
