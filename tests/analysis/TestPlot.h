#pragma once
// A plot kind of the tests' own that drives the plot base: it turns molecular
// space by the plot's orientation, fits the atoms into the page and draws each
// atom as a disc with its label, then the free texts and the title. Made to
// compute, it counts its computations (job 99) and the thread they ran on.

#include <atomic>
#include <thread>

#include "analysis/Plot.h"

class CTestPlot : public CPlot {
public:
    ZEL_DECLARE_SERIAL(CTestPlot);

    CTestPlot() = default;
    CTestPlot(CMolecule* molecule, bool computes = false) : CPlot(molecule), m_bComputes(computes ? 1 : 0) {}

    // The base record, then the computes flag.
    void Serialize(zel::CArchive& ar) override;
    void ExportEMF(zel::CCanvas& reference) override {
        CPlot::ExportEMF(reference);
        DrawAndCloseMetafile();
    }
    void Compute() override;
    CVector ToPlotCoords(CVector point) override { return GetOrientation() * point; }
    void Draw(zel::CCanvas& dc) override;
    const char* GetComputeTitle() const override { return m_bComputes ? "Test Plot" : nullptr; }

    void SetKind(int kind) { m_nKind = kind; }
    int IsTextEditScratch() const { return m_bTextEditScratch; }

    static std::atomic<int> s_nComputed;
    static std::thread::id s_ComputeThread;

private:
    int m_bComputes = 0;
};
