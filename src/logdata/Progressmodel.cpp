// Progress accounting of the log reader: one bar step per 1 % of the file's bytes.
#include "logdata/Progressmodel.h"

#include "suite/Textutil.h"

#include <algorithm>

namespace driftline {

bool TProgressModel::ProgressStart(std::uint64_t sizeBytes)
{
    bytesSinceStep = 0;
    bytesRead = 0;
    recordsRead = 0;
    position = 0;
    bytesText.clear();
    percentText.clear();
    shown = sizeBytes > ProgressThresholdBytes;
    if (!shown)
        return false;
    // size x 0.01 rounded up, in integers: ceil(size / 100) exactly, for any 64-bit size.
    bytesPerStep = sizeBytes / 100 + (sizeBytes % 100 != 0 ? 1 : 0);
    fileSizeText = FormatThousands(sizeBytes);
    return true;
}

void TProgressModel::ProgressAdvance(std::uint64_t lineLength)
{
    // The line as read lost its CR LF; the file held them.
    bytesSinceStep += lineLength + 2;
    bytesRead += lineLength + 2;
    if (bytesSinceStep < bytesPerStep)
        return;
    bytesSinceStep -= bytesPerStep;
    // A file with LF-only line ends accounts more bytes than it holds; the bar stops at 100.
    position = std::min(position + 1, 100);
    bytesText = FormatThousands(bytesRead) + " processed of " + fileSizeText + " bytes";
    percentText = std::to_string(position) + " %";
    if (onStep)
        onStep(bytesText, percentText, position);
}

}  // namespace driftline
