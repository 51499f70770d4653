#pragma once
// The arithmetic of the read progress dialog: when it is shown, when its bar steps, and the texts
// it shows. The dialog itself (Qt) only repaints inside the step callback.
#include <cstdint>
#include <functional>
#include <string>

namespace driftline {

// Files up to this size are read without the dialog.
inline constexpr std::uint64_t ProgressThresholdBytes = 1048576;

class TProgressModel {
public:
    // Called once per bar step with "<read> processed of <size> bytes", "<n> %" and the bar
    // position (0..100). The dialog repaints and lets pending events run here.
    using StepCallback =
        std::function<void(const std::string& bytesText, const std::string& percentText, int position)>;

    // Resets the counts; true (dialog shown) only when sizeBytes > 1,048,576. bytesPerStep is
    // sizeBytes x 0.01 rounded up.
    bool ProgressStart(std::uint64_t sizeBytes);
    // Accounts one line of lineLength characters plus its CR LF; steps the bar when a full
    // step's bytes have gathered.
    void ProgressAdvance(std::uint64_t lineLength);

    std::uint64_t bytesSinceStep = 0;
    std::uint64_t bytesRead = 0;
    std::uint64_t bytesPerStep = 0;
    // Records parsed so far where the reader counts them apart from the store (a read in slices,
    // whose records reach the store only at its end); 0 otherwise.
    std::uint64_t recordsRead = 0;
    int position = 0;
    bool shown = false;
    std::string fileSizeText;
    std::string bytesText;    // last byte text reported
    std::string percentText;  // last percent text reported
    StepCallback onStep;
};

}  // namespace driftline
