// Critical-point searches and bond paths on benzene: the full search from the
// nuclei, the pairs and the triples of maxima (12 + 66 + 220 Newton runs), and
// the two bond paths of each of its 12 bond points.

#include <benchmark/benchmark.h>

#include "BenchSupport.h"

#include <memory>
#include <string>

#include "analysis/CritPointSearch.h"
#include "analysis/Molecule.h"
#include "platform/core/JobState.h"

namespace {

void ClearCriticalPoints(CMolecule& molecule) {
    for (int s : {3, 1, -1, -3})
        molecule.GetList(s)->clear();
}

// Benzene read once; null (and the benchmark skipped) when the file is missing.
CMolecule* Benzene() {
    static std::unique_ptr<CMolecule> molecule = [] {
        auto m = std::make_unique<CMolecule>();
        if (!benchsupport::LoadWavefunction(*m, "benzene.wfn")) m.reset();
        return m;
    }();
    return molecule.get();
}

SSearchCounts FullSearch(CMolecule& molecule) {
    zel::CTextRecord log;
    benchsupport::CQuietProgress progress;
    CCritPointSearch search(molecule, molecule.GetPropertyName(-1), log, progress);
    SSearchCounts total;
    for (const SSearchCounts& c :
         {search.SearchFromNuclei(), search.SearchFromMaximaPairs(), search.SearchFromMaximaTriples()}) {
        total.Found += c.Found;
        total.Tries += c.Tries;
    }
    return total;
}

void BM_BenzeneFullSearch(benchmark::State& state) {
    CMolecule* molecule = Benzene();
    if (!molecule) {
        state.SkipWithError("benzene.wfn could not be read");
        return;
    }
    SSearchCounts counts;
    long evaluations = 0;
    for (auto _ : state) {
        state.PauseTiming();
        ClearCriticalPoints(*molecule);
        g_nEvaluations = 0;
        state.ResumeTiming();
        counts = FullSearch(*molecule);
        evaluations += g_nEvaluations.load();
    }
    state.counters["points"] = counts.Found;
    state.counters["tries"] = counts.Tries;
    state.counters["evaluations"] =
        benchmark::Counter(static_cast<double>(evaluations), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_BenzeneFullSearch)->Unit(benchmark::kMillisecond);

void BM_BenzeneBondPaths(benchmark::State& state) {
    CMolecule* molecule = Benzene();
    if (!molecule) {
        state.SkipWithError("benzene.wfn could not be read");
        return;
    }
    ClearCriticalPoints(*molecule);
    FullSearch(*molecule);
    long paths = 0;
    for (auto _ : state) {
        for (const auto& point : *molecule->GetList(-1)) {
            auto* bond = static_cast<CBondPoint*>(point.get());
            bond->DeletePaths(true); // so that each round traces both again
            paths += bond->TraceBondPaths();
        }
    }
    state.counters["paths"] =
        benchmark::Counter(static_cast<double>(paths), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_BenzeneBondPaths)->Unit(benchmark::kMillisecond);

} // namespace
