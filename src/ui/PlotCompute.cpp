#include "ui/PlotCompute.h"

#include "analysis/Molecule.h"
#include "analysis/Plot.h"
#include "app/ComputeDlg.h"
#include "platform/core/JobState.h"
#include "platform/core/JobTable.h"

void RegisterPlotJobs() {
    zel::RegisterJobBody(zel::kJobComputePlot, [](void* plot) { static_cast<CPlot*>(plot)->Compute(); });
}

bool ComputePlotIfNeeded(CMolecule& molecule, CPlot& plot) {
    if (!plot.NeedsCompute()) return false;
    plot.SetRecompute(0);
    plot.SetBusy(1);
    SetStatusText("");
    {
        const CMolecule::CJobScope running(molecule);
        CComputeDlg::Launch(plot.GetComputeTitle(), &plot, zel::kJobComputePlot);
    }
    plot.SetBusy(0);
    return true;
}
