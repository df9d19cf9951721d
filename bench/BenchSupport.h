#pragma once
// The set-up the benchmarks share: their molecules read from the test data,
// the quiet search progress and the plane of the benzene plots.

#include <fstream>
#include <memory>
#include <string>

#include "analysis/CritPointSearch.h"
#include "analysis/MolecularGraph.h"
#include "analysis/Molecule.h"
#include "analysis/PlotPlane.h"

namespace benchsupport {

class CQuietProgress : public ISearchProgress {
public:
    bool IsCancelled() override { return false; }
    void SetStatus(const std::string&) override {}
    void SetProgress(int) override {}
};

// Reads the test data's wavefunction file `name` into molecule; false when it
// is missing or unreadable.
inline bool LoadWavefunction(CMolecule& molecule, const std::string& name) {
    std::ifstream in(std::string(ZELMORA_BENCH_DATA) + "/" + name);
    return in && molecule.LoadWavefunction(in) == 1;
}

// Water with its critical points and bond paths; null when the file is missing.
inline std::unique_ptr<CMolecule> LoadWaterGraph() {
    auto m = std::make_unique<CMolecule>();
    if (!LoadWavefunction(*m, "water.wfn")) return nullptr;
    zel::CTextRecord log;
    CQuietProgress quiet;
    CCritPointSearch search(*m, m->GetPropertyName(-1), log, quiet);
    search.SearchFromNuclei();
    search.SearchFromMaximaPairs();
    CalcBondPaths(*m, log, quiet);
    return m;
}

// Benzene's molecular plane through three carbons, 10 x 10 bohr about the
// ring's centre.
inline CPlotPlane BenzenePlane() {
    CPlotPlane plane;
    plane.PointA = {2.62671912, 0.0, 0.0};
    plane.PointB = {1.31335956, 2.27480490, 0.0};
    plane.PointC = {-1.31335956, 2.27480490, 0.0};
    plane.Centre = {0.0, 0.0, 0.0};
    plane.Width = 10.0;
    plane.Height = 10.0;
    return plane;
}

} // namespace benchsupport
