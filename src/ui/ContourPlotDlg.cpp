#include "plots/ContourPlot.h"
#include "ui/MolGraphPlotDlg.h"

int CQtPlotDialogService::EditContourPlot(CContourPlot& /*plot*/) {
    return zel::IDCANCEL;
}
