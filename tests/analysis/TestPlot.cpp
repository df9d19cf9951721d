#include "TestPlot.h"

#include "analysis/Molecule.h"

ZEL_IMPLEMENT_SERIAL(CTestPlot);

std::atomic<int> CTestPlot::s_nComputed{0};
std::thread::id CTestPlot::s_ComputeThread;

void CTestPlot::Serialize(zel::CArchive& ar) {
    CPlot::Serialize(ar);
    if (ar.IsStoring())
        ar << m_bComputes;
    else
        ar >> m_bComputes;
}

void CTestPlot::Compute() {
    s_ComputeThread = std::this_thread::get_id();
    ++s_nComputed;
}

void CTestPlot::Draw(zel::CCanvas& dc) {
    CPlot::Draw(dc);
    double centreX = 0.0;
    double centreY = 0.0;
    double fit = 1.0;
    FitToPage(dc, &centreX, &centreY, &fit);
    const double scale = GetUnitsFactor() * GetZoom() * fit;
    const zel::LOGFONT previous = dc.SelectFont(GetLogFont());
    if (CMolecule* molecule = GetMolecule()) {
        for (const auto& atom : molecule->GetAtomList()) {
            const CVector p = ToPlotCoords(atom->GetPosition());
            const int x = zel::TruncToInt((p.x - centreX) * scale - GetPanX());
            const int y = zel::TruncToInt((p.y - centreY) * scale - GetPanY());
            dc.Ellipse({x - 100, y + 100, x + 100, y - 100});
            if (GetLabels()) dc.TextOut(x, y, atom->GetLabel());
        }
    }
    dc.SelectFont(previous);
    DrawTexts(dc);
}
