// Basin integration at the default options: the oxygen and one hydrogen of
// water in natural coordinates (beta sphere included, as the job runs it)
// and in radial coordinates, with the wavefunction evaluations they need;
// whole molecules, whose populations add up to the electrons.

#include <benchmark/benchmark.h>

#include "BenchSupport.h"

#include <algorithm>
#include <cmath>
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

// Every atom of a molecule in natural or in radial coordinates, at the
// default options: the populations add up to the electrons (those of Li2 to
// its electrons less the 1.18 of its non-nuclear maximum's basin, which no
// job integrates). Counters: the sum of N, its difference from the electron
// count, the largest |L| of a basin and the evaluations of all atoms. The
// searches from the nuclei, pairs and triples of maxima miss some points of
// HCN, formamide, Li2 and bicyclo[1.1.1]pentane, which a grid over the
// molecule finds.
void WholeMolecule(benchmark::State& state, const char* file, bool natural, bool grid) {
    CMolecule molecule;
    if (!benchsupport::LoadWavefunction(molecule, file)) {
        state.SkipWithError("the wavefunction could not be read");
        return;
    }
    zel::CTextRecord log;
    benchsupport::CQuietProgress quiet;
    CCritPointSearch search(molecule, molecule.GetPropertyName(-1), log, quiet);
    search.SearchFromNuclei();
    search.SearchFromMaximaPairs();
    search.SearchFromMaximaTriples();
    if (grid) {
        search.SearchOnGrid(GridAroundNuclei(molecule, 2.0, 20));
    }
    CalcBondPaths(molecule, log, quiet);
    // The fixtures are neutral.
    double electrons = 0.0;
    for (const auto& atom : molecule.GetAtomList())
        electrons += atom->GetCharge();

    zel::CScriptedPrompts prompts;
    zel::ScopedPromptService scoped(prompts);
    double sum = 0.0, largestL = 0.0;
    long evaluations = 0;
    int failed = 0;
    for (auto _ : state) {
        for (const auto& atom : molecule.GetAtomList()) {
            CBasinJob job;
            job.Settings.Atom = atom.get();
            g_bCancel = 0;
            if (natural)
                job.IntegrateNatural();
            else
                job.IntegrateRadial();
            g_bCancel = 0;
            if (atom->m_ResultsA.Method == 0.0) {
                ++failed;
                continue;
            }
            sum += atom->m_ResultsA.Results[0];
            largestL = std::max(largestL, std::fabs(atom->m_ResultsA.Results[1]));
            evaluations += atom->m_ResultsA.Evaluations;
        }
    }
    if (failed) state.SkipWithError("an atom failed");
    state.counters["N"] = sum;
    state.counters["N-electrons"] = sum - electrons;
    state.counters["max|L|"] = largestL;
    state.counters["evaluations"] = static_cast<double>(evaluations);
}

#define WHOLE(name, file, grid)                                                                              \
    void BM_Whole##name##Natural(benchmark::State& state) {                                                  \
        WholeMolecule(state, file, true, grid);                                                              \
    }                                                                                                        \
    void BM_Whole##name##Radial(benchmark::State& state) {                                                   \
        WholeMolecule(state, file, false, grid);                                                             \
    }                                                                                                        \
    BENCHMARK(BM_Whole##name##Natural)->Unit(benchmark::kSecond)->Iterations(1);                             \
    BENCHMARK(BM_Whole##name##Radial)->Unit(benchmark::kSecond)->Iterations(1)

WHOLE(Water, "water.wfn", false);
WHOLE(Ammonia, "ammonia.wfn", false);
WHOLE(Methane, "methane.wfn", false);
WHOLE(LiF, "lif.wfn", false);
WHOLE(Li2, "li2.wfn", true);
WHOLE(HCN, "hcn.wfn", true);
WHOLE(Formamide, "formamide.wfn", true);
WHOLE(Bicyclopentane, "bicyclopentane.wfn", true);
WHOLE(Benzene, "benzene.wfn", false);

BENCHMARK(BM_WaterNaturalOxygen)->Unit(benchmark::kSecond)->Iterations(1);
BENCHMARK(BM_WaterNaturalHydrogen)->Unit(benchmark::kSecond)->Iterations(1);
BENCHMARK(BM_WaterRadialOxygen)->Unit(benchmark::kSecond)->Iterations(1);
BENCHMARK(BM_WaterRadialHydrogen)->Unit(benchmark::kSecond)->Iterations(1);

} // namespace
