// Evaluation benchmarks on real wavefunctions: each kind of request at points
// scattered over the molecule's box (every call misses the cache), and over a
// whole 64^3 grid of that box on one thread and on every core through the
// parallel point loop, reported per point and per primitive.
//
// The fixtures benzene.wfn and water_g.wfn always run; further *.wfn files can
// be named in ZELMORA_BENCH_WFN (separated by ':', ',' or blanks).

#include "WavefunctionBench.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "wavefunction/Evaluator.h"
#include "wavefunction/Wavefunction.h"

namespace {

constexpr double kMargin = 4.0; // bohr around the nuclei
constexpr int kGrid = 64;       // points per edge of the grid

struct CBenchWavefunction {
    std::string name;
    CWavefunction w;
    CVector lo, hi;              // the nuclei's box plus the margin
    std::vector<CVector> points; // scattered over the box, so every call misses the cache
};

std::vector<std::unique_ptr<CBenchWavefunction>>& Loaded() {
    static std::vector<std::unique_ptr<CBenchWavefunction>> loaded;
    return loaded;
}

CBenchWavefunction* Load(const std::string& path) {
    auto b = std::make_unique<CBenchWavefunction>();
    std::ifstream in(path);
    if (!in || b->w.ReadWfn(in) != 1) return nullptr;
    b->name = path.substr(path.find_last_of('/') + 1);
    const auto& positions = b->w.m_pAtomData->m_pPositions;
    b->lo = b->hi = positions.front();
    for (const CVector& r : positions) {
        b->lo = CVector(std::min(b->lo.x, r.x), std::min(b->lo.y, r.y), std::min(b->lo.z, r.z));
        b->hi = CVector(std::max(b->hi.x, r.x), std::max(b->hi.y, r.y), std::max(b->hi.z, r.z));
    }
    b->lo = b->lo - CVector(kMargin, kMargin, kMargin);
    b->hi = b->hi + CVector(kMargin, kMargin, kMargin);
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    for (int i = 0; i < 4096; ++i)
        b->points.emplace_back(b->lo.x + u(rng) * (b->hi.x - b->lo.x), b->lo.y + u(rng) * (b->hi.y - b->lo.y),
                               b->lo.z + u(rng) * (b->hi.z - b->lo.z));
    Loaded().push_back(std::move(b));
    return Loaded().back().get();
}

// What one evaluation asks: the levels of the field evaluation (the Hessian as
// the critical-point searches ask it, and with the stress tensor as the point
// records ask it), and for comparison the MO values alone (the kernel at level
// 0), from which a grid tool forms the density.
enum class Kind { Value, Gradient, Hessian, HessianStress, HessianL, Basin, OrbitalValues };

void PerPoint(benchmark::State& state, const CBenchWavefunction& b, double pointsPerIteration) {
    state.counters["points/s"] =
        benchmark::Counter(pointsPerIteration, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["s/primitive"] =
        benchmark::Counter(pointsPerIteration * b.w.m_nPrimitives,
                           benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.counters["s/point"] = benchmark::Counter(
        pointsPerIteration, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// One request of the given kind, reused point after point; returns what keeps the
// optimiser from dropping the work.
class CRequest {
public:
    CRequest(CWavefunction& w, Kind kind)
        : m_w(w), m_kind(kind), m_integrands(47 + w.m_nMOs * (w.m_nMOs + 1) / 2),
          m_atom(w.m_pAtomData->m_pPositions[0], w.m_pAtomData->m_pCharges[0]) {
        m_request.value = &m_value;
        m_request.fieldIndex = kind == Kind::HessianL ? 1 : 0;
        if (kind != Kind::Value && kind != Kind::Basin && kind != Kind::OrbitalValues)
            m_request.gradient = &m_gradient;
        if (kind == Kind::Hessian || kind == Kind::HessianStress || kind == Kind::HessianL)
            m_request.hessian = &m_hessian;
        if (kind == Kind::HessianStress || kind == Kind::HessianL) {
            m_request.stress = &m_stress;
            m_request.stressDivergence = &m_divergence;
        }
        if (kind == Kind::Basin) {
            m_request.integrands = m_integrands.data();
            m_request.atomA = &m_atom;
        }
    }

    double At(CVector p) {
        if (m_kind == Kind::OrbitalValues) {
            m_w.EvaluatePrimitives(p, 0);
            const double* occupations = m_w.m_pOrbitalData->m_pOccupations.data();
            double rho = 0;
            for (int k = 0; k < m_w.m_nMOs; ++k)
                rho += occupations[k] * m_w.m_pMOValue[k] * m_w.m_pMOValue[k];
            return rho;
        }
        m_request.point = p;
        m_w.Evaluate(m_request);
        return m_value;
    }

private:
    CWavefunction& m_w;
    Kind m_kind;
    CEvalRequest m_request;
    double m_value = 0;
    CVector m_gradient, m_divergence;
    CTensor m_hessian, m_stress;
    std::vector<double> m_integrands;
    CNucleus m_atom;
};

// One evaluation per iteration, at points scattered over the box.
void Scattered(benchmark::State& state, CBenchWavefunction* b, Kind kind) {
    CRequest evaluator(b->w, kind);
    std::size_t i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(evaluator.At(b->points[i++ & 4095]));
    PerPoint(state, *b, 1.0);
}

CVector GridPoint(const CBenchWavefunction& b, int i) {
    const CVector step = (b.hi - b.lo) * (1.0 / (kGrid - 1));
    const int ix = i / (kGrid * kGrid), iy = (i / kGrid) % kGrid, iz = i % kGrid;
    return CVector(b.lo.x + ix * step.x, b.lo.y + iy * step.y, b.lo.z + iz * step.z);
}

// Every point of a kGrid^3 grid over the box per iteration, as a grid tool runs.
void Grid(benchmark::State& state, CBenchWavefunction* b, Kind kind) {
    CRequest evaluator(b->w, kind);
    for (auto _ : state) {
        double sum = 0;
        for (int i = 0; i < kGrid * kGrid * kGrid; ++i)
            sum += evaluator.At(GridPoint(*b, i));
        benchmark::DoNotOptimize(sum);
    }
    PerPoint(state, *b, double(kGrid) * kGrid * kGrid);
}

// The same grid through the parallel point loop on `threads` threads (0: every
// core), one request record per point. The CPU time is that of all threads, so
// that CPU over real time tells how many cores the loop kept busy (on a shared
// machine fewer than it has).
void ParallelGrid(benchmark::State& state, CBenchWavefunction* b, Kind kind, int threads) {
    const int n = kGrid * kGrid * kGrid;
    std::vector<double> values(n);
    for (auto _ : state) {
        zel::ForEachPoint(
            b->w, n,
            [&](int i, ::CEvaluator& e) {
                thread_local std::vector<double> integrands;
                integrands.resize(47 + b->w.m_nMOs * (b->w.m_nMOs + 1) / 2);
                double value = 0;
                CVector gradient;
                CTensor hessian;
                const CNucleus atom(b->w.m_pAtomData->m_pPositions[0], b->w.m_pAtomData->m_pCharges[0]);
                CEvalRequest r;
                r.point = GridPoint(*b, i);
                r.value = &value;
                if (kind == Kind::Hessian) {
                    r.gradient = &gradient;
                    r.hessian = &hessian;
                }
                if (kind == Kind::Basin) {
                    r.integrands = integrands.data();
                    r.atomA = &atom;
                }
                e.Evaluate(r);
                values[i] = value;
            },
            threads);
        benchmark::DoNotOptimize(values.data());
    }
    PerPoint(state, *b, double(n));
}

void Register(CBenchWavefunction* b) {
    const struct {
        const char* name;
        Kind kind;
    } kinds[] = {{"Value", Kind::Value},
                 {"ValueGradient", Kind::Gradient},
                 {"ValueGradientHessian", Kind::Hessian},
                 {"ValueGradientHessianStress", Kind::HessianStress},
                 {"ValueGradientHessianOfL", Kind::HessianL},
                 {"BasinIntegrands", Kind::Basin},
                 {"OrbitalValuesOnly", Kind::OrbitalValues}};
    for (const auto& k : kinds)
        benchmark::RegisterBenchmark((b->name + "/Point/" + k.name).c_str(),
                                     [b, kind = k.kind](benchmark::State& st) { Scattered(st, b, kind); });
    for (const auto& k : kinds)
        benchmark::RegisterBenchmark((b->name + "/Grid/" + k.name).c_str(), [b, kind = k.kind](
                                                                                benchmark::State& st) {
            Grid(st, b, kind);
        })->Unit(benchmark::kMillisecond);
    const struct {
        const char* name;
        Kind kind;
    } parallel[] = {{"Value", Kind::Value}, {"ValueGradientHessian", Kind::Hessian}, {"BasinIntegrands", Kind::Basin}};
    for (int threads : {1, 0})
        for (const auto& k : parallel)
            benchmark::RegisterBenchmark(
                (b->name + (threads == 1 ? "/ParallelGrid1/" : "/ParallelGridAll/") + k.name).c_str(),
                [b, kind = k.kind, threads](benchmark::State& st) { ParallelGrid(st, b, kind, threads); })
                ->Unit(benchmark::kMillisecond)
                ->MeasureProcessCPUTime()
                ->UseRealTime();
}

} // namespace

void RegisterWavefunctionBenchmarks() {
    std::vector<std::string> paths = {std::string(ZELMORA_BENCH_DATA) + "/benzene.wfn",
                                      std::string(ZELMORA_BENCH_DATA) + "/water_g.wfn"};
    if (const char* extra = std::getenv("ZELMORA_BENCH_WFN")) {
        std::string list(extra);
        std::replace_if(
            list.begin(), list.end(), [](char c) { return c == ':' || c == ',' || c == '\t' || c == '\n'; },
            ' ');
        std::size_t start = 0;
        while ((start = list.find_first_not_of(' ', start)) != std::string::npos) {
            const std::size_t end = list.find(' ', start);
            paths.push_back(list.substr(start, end - start));
            start = end;
        }
    }
    for (const std::string& path : paths) {
        if (CBenchWavefunction* b = Load(path))
            Register(b);
        else
            std::fprintf(stderr, "zelmora_bench: cannot read %s\n", path.c_str());
    }
}
