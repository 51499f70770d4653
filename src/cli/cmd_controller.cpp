// driftline-cli controller: plays the controller's side of the controller link, for scripts and
// for testing a running viewer.
#include "cli/Clicommand.h"
#include "cli/Clioptions.h"
#include "suite/Controllerprotocol.h"
#include "suite/Globalunit.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>

namespace driftline::cli {

namespace {

const char* const kUsage =
    "usage: driftline-cli controller [--root DIR] [--endpoint PATH] [--timeout S] ACTION... [--wait-quit]\n"
    "\n"
    "Talks to the viewer of the suite at DIR as the controller would. Actions run in order:\n"
    "  announce     sends \"Calling Handle\" with our endpoint and prints the number of the answer\n"
    "  open N       sends \"LogFile Index\" N: the viewer opens the N-th log file (0-based, by name)\n"
    "  wait-quit    waits on our endpoint for \"Driftline Quitting\" and prints it\n"
    "  --wait-quit  the same as a last wait-quit action\n"
    "\n"
    "  --endpoint PATH  our own socket (default: driftline-controller-<hash>.sock beside the viewer's)\n"
    "  --timeout S      seconds to wait for an answer or for the viewer to quit (default 10)\n"
    "\n"
    "Exit status: 0 all actions done; 1 the viewer could not be reached or did not answer;\n"
    "2 usage error; 3 no \"Driftline Quitting\" within the timeout.\n";

enum class Action {
    Announce,
    Open,
    WaitQuit
};

struct Step {
    Action action;
    std::int64_t index = 0;
};

}  // namespace

static int RunController(const std::vector<std::string>& args)
{
    TCliOptions options;
    if (int rc = ParseCliOptions(args, "controller", kUsage, OptRoot,
                                 {{"--endpoint", true}, {"--timeout", true}, {"--wait-quit", false}}, options))
        return rc;

    double timeoutSeconds = 10.0;
    if (options.has("--timeout") &&
        (!ParseDouble(options.value("--timeout"), timeoutSeconds) || !(timeoutSeconds >= 0) || timeoutSeconds > 86400))
        return UsageError("controller", kUsage, "--timeout wants seconds between 0 and 86400");
    const int timeoutMs = static_cast<int>(std::lround(timeoutSeconds * 1000.0));

    std::vector<Step> steps;
    const auto& words = options.positional;
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (words[i] == "announce") {
            steps.push_back({Action::Announce});
        } else if (words[i] == "wait-quit") {
            steps.push_back({Action::WaitQuit});
        } else if (words[i] == "open") {
            Step step{Action::Open};
            if (i + 1 >= words.size() || !ParseInt64(words[i + 1], step.index))
                return UsageError("controller", kUsage, "open wants a file index");
            ++i;
            steps.push_back(step);
        } else {
            return UsageError("controller", kUsage, "unknown action '" + words[i] + "'");
        }
    }
    if (options.has("--wait-quit"))
        steps.push_back({Action::WaitQuit});
    if (steps.empty())
        return UsageError("controller", kUsage, "no action given");

    InstallCliGlobal(options);
    const TGlobal& global = Global();
    const ControllerMessageTable table = MessageTableOf(global);
    const std::filesystem::path viewerSocket = ViewerSocketPath(global.RootFolder);
    const std::filesystem::path endpoint = options.has("--endpoint")
                                               ? std::filesystem::path(options.value("--endpoint"))
                                               : ControllerEndpointPath(global.RootFolder);
    if (!IsValidEndpoint(endpoint.native()))
        return UsageError("controller", kUsage, "--endpoint wants an absolute socket path of at most 107 bytes");

    // Listen before announcing: the viewer may post "Driftline Quitting" the moment it knows us.
    std::unique_ptr<TControllerListener> listener;
    for (const Step& step : steps) {
        if (step.action != Action::WaitQuit || listener)
            continue;
        std::string error;
        if (!options.has("--endpoint") && !EnsureSocketFolder(endpoint.parent_path(), error)) {
            std::fprintf(stderr, "driftline-cli controller: %s\n", error.c_str());
            return 1;
        }
        listener = std::make_unique<TControllerListener>();
        if (!listener->listen(endpoint, error)) {
            std::fprintf(stderr, "driftline-cli controller: %s\n", error.c_str());
            return 1;
        }
    }

    for (const Step& step : steps) {
        switch (step.action) {
        case Action::Announce: {
            auto result = SendControllerLine(viewerSocket,
                                             FormatControllerLine(ControllerMessage::CallingHandle, endpoint.native()),
                                             true, timeoutMs);
            auto answer = result.answered ? ParseControllerLine(result.answer, table) : std::nullopt;
            if (!answer) {
                std::fprintf(stderr, "driftline-cli controller: %s\n",
                             result.error.empty() ? "the viewer's answer is not a message" : result.error.c_str());
                return 1;
            }
            std::printf("%u\n", answer->number);
            std::fflush(stdout);
            break;
        }
        case Action::Open: {
            auto result = SendControllerLine(
                viewerSocket, FormatControllerLine(ControllerMessage::LogFileIndex, std::to_string(step.index)), false,
                timeoutMs);
            if (!result.sent) {
                std::fprintf(stderr, "driftline-cli controller: %s\n", result.error.c_str());
                return 1;
            }
            break;
        }
        case Action::WaitQuit: {
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
            bool quit = false;
            while (!quit) {
                const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                    deadline - std::chrono::steady_clock::now());
                if (left.count() <= 0)
                    break;
                auto line = listener->waitLine(static_cast<int>(left.count()));
                if (!line)
                    break;
                auto message = ParseControllerLine(*line, table);
                if (message && message->message == ControllerMessage::DriftlineQuitting) {
                    std::printf("%s %lld %lld\n", ControllerMessageName(message->message),
                                static_cast<long long>(message->wParam), static_cast<long long>(message->lParam));
                    std::fflush(stdout);
                    quit = true;
                }
            }
            if (!quit) {
                std::fprintf(stderr, "driftline-cli controller: no \"Driftline Quitting\" within %g s\n",
                             timeoutSeconds);
                return 3;
            }
            break;
        }
        }
    }
    return 0;
}

namespace {
const CliRegistrar registrar({"controller", "talk to a running viewer as the controller does", kUsage, RunController});
}

}  // namespace driftline::cli
