#pragma once
// Test helper: records the messages the fit shows instead of printing them.
#include "analysis/PolyfitUnit.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace driftline::testing {

struct ShownMessage {
    std::string text;
    std::string caption;
};

class FitMessageRecorder {
public:
    FitMessageRecorder()
    {
        previous_ = SetPolyFitReporter([this](const std::string& text, const std::string& caption) {
            shown.push_back({text, caption});
        });
    }
    ~FitMessageRecorder() { SetPolyFitReporter(previous_); }
    FitMessageRecorder(const FitMessageRecorder&) = delete;
    FitMessageRecorder& operator=(const FitMessageRecorder&) = delete;

    std::vector<ShownMessage> shown;

private:
    PolyFitReporter previous_;
};

}  // namespace driftline::testing
