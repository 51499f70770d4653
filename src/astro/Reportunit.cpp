// The astronomy library's reporting seam.
#include "astro/Reportunit.h"

#include <cstdio>
#include <utility>

namespace driftline {

namespace {

void WriteToStderr(const std::string& message)
{
    std::fprintf(stderr, "%s\n", message.c_str());
}

TReportHandler& Handler()
{
    static TReportHandler handler = WriteToStderr;
    return handler;
}

}  // namespace

// Passes the message to the installed handler (stderr by default).
void ReportMessage(const std::string& message)
{
    Handler()(message);
}

// Swaps in a new handler; an empty one means the default stderr writer.
TReportHandler SetReportHandler(TReportHandler handler)
{
    TReportHandler previous = std::move(Handler());
    Handler() = handler ? std::move(handler) : TReportHandler(WriteToStderr);
    return previous;
}

}  // namespace driftline
