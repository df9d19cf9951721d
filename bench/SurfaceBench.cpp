// Integration over the interatomic surface of water's O-H bond at the default
// options, all surface properties selected, with the wavefunction evaluations
// and the surface paths it needs.

#include <benchmark/benchmark.h>

#include "BenchSupport.h"

#include <memory>
#include <string>

#include "analysis/CritPointSearch.h"
#include "analysis/MolecularGraph.h"
#include "analysis/Molecule.h"
#include "integration/SurfaceJob.h"
#include "integration/SurfaceQuadrature.h"
#include "platform/core/JobState.h"
#include "platform/core/Prompt.h"

namespace {

void BM_WaterSurfaceOH(benchmark::State& state) {
    const std::unique_ptr<CMolecule> molecule = benchsupport::LoadWaterGraph();
    if (!molecule || molecule->GetList(-1)->empty()) {
        state.SkipWithError("water.wfn could not be read");
        return;
    }
    auto* bond = static_cast<CBondPoint*>(molecule->GetList(-1)->front().get());
    CSurfaceJob job;
    job.Settings.Bond = bond;
    job.Settings.FindAtoms();
    zel::CScriptedPrompts prompts;
    zel::ScopedPromptService scoped(prompts);
    long evaluations = 0;
    for (auto _ : state) {
        g_bCancel = 0;
        job.IntegrateSurface();
        evaluations += bond->m_Surface.Evaluations;
    }
    if (!(bond->m_Surface.CircleRadius > 0.0)) state.SkipWithError("the integration failed");
    state.counters["evaluations"] =
        benchmark::Counter(static_cast<double>(evaluations), benchmark::Counter::kAvgIterations);
    state.counters["RHO"] = bond->m_Surface.Results[0];
    state.counters["AREA"] = bond->m_Surface.Results[24];
}

BENCHMARK(BM_WaterSurfaceOH)->Unit(benchmark::kMillisecond);

} // namespace
