// The computation of a contour plot of benzene's density in its molecular
// plane: a 100 x 100 grid over 10 x 10 bohr with the 32 default levels, no
// gradient paths; the mesh evaluation and the level crossings, on all cores.

#include <benchmark/benchmark.h>

#include "BenchSupport.h"

#include <cmath>
#include <memory>
#include <set>
#include <string>

#include "analysis/Molecule.h"
#include "platform/core/JobState.h"
#include "plots/ContourPlot.h"

namespace {

void BM_BenzeneContourPlot100(benchmark::State& state) {
    CMolecule molecule;
    if (!benchsupport::LoadWavefunction(molecule, "benzene.wfn")) {
        state.SkipWithError("benzene.wfn could not be read");
        return;
    }
    CContourPlot plot(&molecule);
    if (plot.SetPlane(benchsupport::BenzenePlane()) != 0) {
        state.SkipWithError("no plane");
        return;
    }
    plot.SetRows(100);
    plot.SetColumns(100);
    // The dialog's Default Values.
    std::set<double> levels{0.0, 0.001};
    for (double n : {2.0, 4.0, 8.0})
        for (int k = -3; k <= 6; ++k)
            levels.insert(k < 0 ? n / std::pow(10.0, -k) : n * std::pow(10.0, k));
    for (double value : levels) {
        auto level = std::make_unique<CLine>();
        level->SetLevel(value);
        plot.GetLevels().push_back(std::move(level));
    }
    g_bCancel = 0;
    long evaluations = 0;
    for (auto _ : state) {
        g_nEvaluations = 0;
        plot.Compute();
        evaluations = g_nEvaluations.load();
        benchmark::DoNotOptimize(plot.GetSegments().size());
    }
    state.counters["segments"] = static_cast<double>(plot.GetSegments().size());
    state.counters["evaluations"] = static_cast<double>(evaluations);
}
BENCHMARK(BM_BenzeneContourPlot100)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
