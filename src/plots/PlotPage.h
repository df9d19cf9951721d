#pragma once
// What the plot view draws, on any canvas: the screen, a printer, the
// clipboard image. The view prepares the canvas (mapping and scrolling,
// window origin (0, 0)) and leaves everything else to these functions.

#include "analysis/Plot.h"
#include "platform/core/Canvas.h"

inline constexpr const char* kPlotNotDefined = "Plot not defined";

// Without a plot "Plot not defined" at the logical origin. With one, the plot
// draws itself clipped to its border (the border line included): nothing it
// draws outside the border shows; the border's line is then drawn whole, so
// that no device, however scaled, loses the half of it outside the clip.
void DrawPlotPage(zel::CCanvas& dc, CPlot* plot);

// While a job runs: only what no job changes, the plot's free texts and
// title, clipped as the page is. Nothing without a plot.
void DrawPlotTextsOnly(zel::CCanvas& dc, CPlot* plot);

// The device rectangle of the plot's border on the canvas, as the clip
// takes it: from the top-left corner to one past the bottom-right corner.
zel::CRect BorderClipRect(zel::CCanvas& dc, const CPlot& plot);

// The first free text (in list order) whose box holds the point (free-text
// coordinates: from the page's top-left corner, y upwards), or null.
CPlotText* FindPlotText(CPlot& plot, zel::CPoint point);
