// A relief map of benzene's density over its molecular plane: a 100 x 100
// grid over 10 x 10 bohr. The computation (the mesh, on all cores) and one
// drawing on the recording canvas (turn, normals, depth sort of the 40000
// triangles, shading).

#include <benchmark/benchmark.h>

#include "BenchSupport.h"

#include <string>

#include "analysis/Molecule.h"
#include "platform/core/JobState.h"
#include "platform/core/RecordingCanvas.h"
#include "plots/SurfacePlot.h"

namespace {

bool Prepare(CMolecule& molecule, CSurfacePlot& plot, benchmark::State& state) {
    if (!benchsupport::LoadWavefunction(molecule, "benzene.wfn")) {
        state.SkipWithError("benzene.wfn could not be read");
        return false;
    }
    if (plot.SetPlane(benchsupport::BenzenePlane()) != 0) {
        state.SkipWithError("no plane");
        return false;
    }
    plot.SetGrid(100, 100);
    plot.SetAngles(-50, 20, 30);
    plot.OrientByAngles();
    g_bCancel = 0;
    return true;
}

void BM_BenzeneReliefCompute100(benchmark::State& state) {
    CMolecule molecule;
    CSurfacePlot plot(&molecule);
    if (!Prepare(molecule, plot, state)) return;
    for (auto _ : state) {
        plot.Compute();
        benchmark::DoNotOptimize(plot.GetNodes().data());
    }
}
BENCHMARK(BM_BenzeneReliefCompute100)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_BenzeneReliefDraw100(benchmark::State& state) {
    CMolecule molecule;
    CSurfacePlot plot(&molecule);
    if (!Prepare(molecule, plot, state)) return;
    plot.Compute();
    for (auto _ : state) {
        zel::CRecordingCanvas dc;
        plot.Draw(dc);
        benchmark::DoNotOptimize(dc.Records().size());
    }
}
BENCHMARK(BM_BenzeneReliefDraw100)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
