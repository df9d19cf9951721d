// Integration over the interatomic surface of water's O-H bond at the default
// options, all surface properties selected, with the wavefunction evaluations
// and the surface paths it needs.

#include <benchmark/benchmark.h>

#include <fstream>
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

class CQuietProgress : public ISearchProgress {
public:
    bool IsCancelled() override { return false; }
    void SetStatus(const std::string&) override {}
    void SetProgress(int) override {}
};

// Water with its critical points and bond paths; null when the file is missing.
std::unique_ptr<CMolecule> LoadWater() {
    auto m = std::make_unique<CMolecule>();
    std::ifstream in(std::string(ZELMORA_BENCH_DATA) + "/water.wfn");
    if (!in || m->LoadWavefunction(in) != 1) return nullptr;
    zel::CTextRecord log;
    CQuietProgress quiet;
    CCritPointSearch search(*m, m->GetPropertyName(-1), log, quiet);
    search.SearchFromNuclei();
    search.SearchFromMaximaPairs();
    CalcBondPaths(*m, log, quiet);
    return m;
}

void BM_WaterSurfaceOH(benchmark::State& state) {
    const std::unique_ptr<CMolecule> molecule = LoadWater();
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
