#pragma once
// The astronomy library's one reporting seam: the few messages the library shows to the user
// (such as "Error in sun's params number 7") go through a settable handler. The default writes
// the line to stderr; the viewer installs a handler that shows a message box.
#include <functional>
#include <string>

namespace driftline {

using TReportHandler = std::function<void(const std::string& message)>;

// Shows one message to the user through the installed handler.
void ReportMessage(const std::string& message);

// Installs a handler and returns the one it replaces; an empty handler restores the default.
TReportHandler SetReportHandler(TReportHandler handler);

}  // namespace driftline
