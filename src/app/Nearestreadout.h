#pragma once
// The read-out of the sample under the mouse: the plotted sample nearest to the pointer is marked
// on the plot and its eight values (the time with its date) become the plot's tooltip, beside
// the classic read-out of the pointer's position in the status bar.
#include <QString>

#include <cstddef>
#include <cstdint>

namespace driftline {

class TLogSession;
class TPlot;

// The tooltip text of active sample k of the session: "Sample <k + 1> of <n>" and its eight
// values, one a line.
QString NearestSampleText(const TLogSession& session, std::size_t k);

// Marks the plotted sample nearest to pixel (x, y) and puts its text in the plot's tooltip (an
// open tooltip follows at once); with inside false (the pointer is off the plot area, or the
// read-out is blank) the marker and the tooltip go.
void ShowNearestSample(TPlot& plot, TLogSession& session, std::int32_t x, std::int32_t y, bool inside);

}  // namespace driftline
