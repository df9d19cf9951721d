// Basin integration of water at the default options: the oxygen and one
// hydrogen in natural coordinates (beta sphere included, as the job runs it)
// and in radial coordinates, with the wavefunction evaluations they need.

#include <benchmark/benchmark.h>

#include "BenchSupport.h"

#include <iterator>
#include <memory>
#include <string>

#include "analysis/CritPointSearch.h"
#include "analysis/MolecularGraph.h"
#include "analysis/Molecule.h"
#include "integration/BasinJob.h"
#include "platform/core/JobState.h"
#include "platform/core/Prompt.h"

namespace {

// Water with its critical points and bond paths, read once; null (and the
// benchmarks skipped) when the file is missing.
CMolecule* Water() {
    static const std::unique_ptr<CMolecule> molecule = benchsupport::LoadWaterGraph();
    return molecule.get();
}

void Integrate(benchmark::State& state, int atomIndex, bool natural) {
    CMolecule* molecule = Water();
    if (!molecule) {
        state.SkipWithError("water.wfn could not be read");
        return;
    }
    auto it = molecule->GetAtomList().begin();
    std::advance(it, atomIndex);
    CAtom& atom = **it;
    CBasinJob job;
    job.Settings.Atom = &atom;
    zel::CScriptedPrompts prompts;
    zel::ScopedPromptService scoped(prompts);
    long evaluations = 0;
    for (auto _ : state) {
        atom.ClearResults();
        g_bCancel = 0;
        if (natural)
            job.IntegrateNatural();
        else
            job.IntegrateRadial();
        evaluations += atom.m_ResultsA.Evaluations;
    }
    if (atom.m_ResultsA.Method == 0.0) state.SkipWithError("the integration failed");
    state.counters["evaluations"] =
        benchmark::Counter(static_cast<double>(evaluations), benchmark::Counter::kAvgIterations);
    state.counters["N"] = atom.m_ResultsA.Results[0];
    state.counters["L"] = atom.m_ResultsA.Results[1];
}

void BM_WaterNaturalOxygen(benchmark::State& state) {
    Integrate(state, 0, true);
}
void BM_WaterNaturalHydrogen(benchmark::State& state) {
    Integrate(state, 1, true);
}
void BM_WaterRadialOxygen(benchmark::State& state) {
    Integrate(state, 0, false);
}
void BM_WaterRadialHydrogen(benchmark::State& state) {
    Integrate(state, 1, false);
}

BENCHMARK(BM_WaterNaturalOxygen)->Unit(benchmark::kSecond)->Iterations(1);
BENCHMARK(BM_WaterNaturalHydrogen)->Unit(benchmark::kSecond)->Iterations(1);
BENCHMARK(BM_WaterRadialOxygen)->Unit(benchmark::kSecond)->Iterations(1);
BENCHMARK(BM_WaterRadialHydrogen)->Unit(benchmark::kSecond)->Iterations(1);

} // namespace
