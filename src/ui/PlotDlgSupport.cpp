#include "ui/PlotDlgSupport.h"

#include "analysis/Molecule.h"
#include "analysis/MoleculeViews.h"
#include "analysis/Plot.h"
#include "platform/qt/Dialog.h"
#include "ui/PageSetupDlg.h"
#include "ui/PlaneSetupDlg.h"

void UpdatePlotViews(const CPlot& plot) {
    if (CMolecule* molecule = plot.GetMolecule())
        if (IMoleculeDocument* document = molecule->GetDocument()) document->UpdateAllViews();
}

void RunPageSetup(CPlot& plot, zel::CDialog& owner, int titleId) {
    CPageSetupDlg dialog(&plot, &owner);
    dialog.DoModal();
    owner.SetDlgItemText(titleId, plot.GetTitle()->GetText());
    UpdatePlotViews(plot);
}

void RunPlaneSetup(CPlot& plot, zel::CDialog& owner, const CPlotPlane& saved) {
    CPlaneSetupDlg dialog(&plot, &owner);
    if (dialog.DoModal() == zel::IDOK) return;
    plot.RestorePlane(saved);
    if (CMolecule* molecule = plot.GetMolecule())
        if (I3DView* view = molecule->Get3DView()) view->Redraw();
}
