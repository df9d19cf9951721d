#pragma once
// Helpers of the plot tests: a plot's drawing as recorded, the plane of a
// plot, the cancel flag for a scope.

#include "analysis/Plot.h"
#include "analysis/PlotPlane.h"
#include "platform/core/JobState.h"
#include "platform/core/RecordingCanvas.h"

#include <string>
#include <vector>

namespace plottest {

using Records = std::vector<std::string>;

// The records of the plot's drawing.
inline Records Draw(CPlot& plot) {
    zel::CRecordingCanvas dc;
    plot.Draw(dc);
    return dc.Records();
}

// The plane through a, b and c, centred at centre, width x height bohr.
inline CPlotPlane Plane(CVector a, CVector b, CVector c, CVector centre, double width, double height) {
    CPlotPlane plane;
    plane.PointA = a;
    plane.PointB = b;
    plane.PointC = c;
    plane.Centre = centre;
    plane.Width = width;
    plane.Height = height;
    return plane;
}

// Sets the cancel flag for the life of the scope, clears it after.
class ScopedCancel {
public:
    explicit ScopedCancel(int value) { g_bCancel = value; }
    ~ScopedCancel() { g_bCancel = 0; }
};

} // namespace plottest
