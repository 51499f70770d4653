#pragma once
// Drawing the plot without the window: the set-up the main window gives its canvas, the redraw
// of a loaded store into a canvas of any size, and writing the picture as PNG. driftline-cli's
// plot (and fit -o) use these, so their pictures are the window's.
#include "logdata/Samplestore.h"
#include "plot/AxisScale.h"
#include "plot/Viewunit.h"
#include "plot/canvas/Drawview.h"
#include "plot/canvas/Plotcanvas.h"

#include <QColor>
#include <QPalette>

#include <filesystem>
#include <memory>
#include <string>

class QGuiApplication;

namespace driftline {

// Keeps a QGuiApplication for the lifetime of the object when none exists yet (a canvas needs
// one for its font). Without one, and
// unless QT_QPA_PLATFORM names a platform, it uses the offscreen platform, so pictures are drawn
// the same with or without a display.
class TOffscreenSession {
public:
    TOffscreenSession();
    ~TOffscreenSession();
    TOffscreenSession(const TOffscreenSession&) = delete;
    TOffscreenSession& operator=(const TOffscreenSession&) = delete;

private:
    std::unique_ptr<QGuiApplication> app_;
};

// Lightness (0..255, QColor::lightness) below which a tool-tip background is too dark for the
// plot's black labels.
inline constexpr int MinimumMarginLightness = 160;

// The margin colour of the plot for a palette: its tool-tip background when that is pale enough
// for black text, else the pale yellow (255, 255, 220).
QColor PlotMarginColor(const QPalette& palette);

// Lightness (0..255, QColor::lightness) of a palette's window colour below which the palette is
// a dark one.
inline constexpr int DarkWindowLightness = 128;

// The plot's colours for a palette. A light palette (its window colour at or above
// DarkWindowLightness) gives the classic colours with the margin in PlotMarginColor; a dark one
// gives a margin in the window colour, an area in the base colour, frame and text in the window
// text colour and grid lines a third of the way from the area to the text colour; the sample
// line stays red.
PlotColours PlotColoursFor(const QPalette& palette);

// The main window's set-up of a new plot: margin in PlotMarginColor of the application's palette,
// white area, black pen, area inset PlotAreaInset pixels on each side, cleared.
void SetUpPlot(TPlotCanvas& plot);

// A new canvas of the session's control size, set up as the window's, with the session's view
// drawn (DrawSession).
std::unique_ptr<TPlotCanvas> RenderSession(TLogSession& session);

// Writes the canvas as PNG, replacing out atomically; false with a reason on failure.
bool SavePlotPng(const TPlotCanvas& plot, const std::filesystem::path& out, std::string& error);

}  // namespace driftline
