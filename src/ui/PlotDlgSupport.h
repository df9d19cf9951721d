#pragma once
// The steps the dialogs of a plot (molecular graph, contour, relief) share.

class CPlot;
struct CPlotPlane;
namespace zel {
class CDialog;
}

// Asks the document of the plot's molecule to update all its views.
void UpdatePlotViews(const CPlot& plot);

// Page Setup: the page dialog over owner, then owner's title field (titleId)
// shows the plot's title and the views are updated.
void RunPageSetup(CPlot& plot, zel::CDialog& owner, int titleId);

// Plane Setup: the plane dialog over owner. On Cancel the plane `saved` is the
// plot's again (Apply in the 3D view may have stored another) and the 3D view
// is redrawn.
void RunPlaneSetup(CPlot& plot, zel::CDialog& owner, const CPlotPlane& saved);
