// Evaluation benchmarks on real wavefunctions: one evaluation at each level and
// the density on a whole grid, reported per point and per primitive.
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

enum class Kind { Value, Gradient, Hessian, HessianL, Basin, KernelValues };

void PerPoint(benchmark::State& state, const CBenchWavefunction& b, double pointsPerIteration) {
    state.counters["points/s"] =
        benchmark::Counter(pointsPerIteration, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["s/primitive"] =
        benchmark::Counter(pointsPerIteration * b.w.m_nPrimitives,
                           benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.counters["s/point"] = benchmark::Counter(
        pointsPerIteration, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void Single(benchmark::State& state, CBenchWavefunction* b, Kind kind) {
    CWavefunction& w = b->w;
    double value = 0;
    CVector gradient, divergence;
    CTensor hessian, stress;
    std::vector<double> integrands(47 + w.m_nMOs * (w.m_nMOs + 1) / 2);
    const CNucleus atom(w.m_pAtomData->m_pPositions[0], w.m_pAtomData->m_pCharges[0]);
    CEvalRequest r;
    r.value = &value;
    r.fieldIndex = kind == Kind::HessianL ? 1 : 0;
    if (kind == Kind::Gradient || kind == Kind::Hessian || kind == Kind::HessianL) r.gradient = &gradient;
    if (kind == Kind::Hessian || kind == Kind::HessianL) {
        r.hessian = &hessian;
        r.stress = &stress;
        r.stressDivergence = &divergence;
    }
    if (kind == Kind::Basin) {
        r.integrands = integrands.data();
        r.atomA = &atom;
    }
    std::size_t i = 0;
    for (auto _ : state) {
        const CVector& p = b->points[i++ & 4095];
        if (kind == Kind::KernelValues) {
            w.EvaluatePrimitives(p, 0);
            benchmark::DoNotOptimize(w.m_pMOValue.data());
        } else {
            r.point = p;
            w.Evaluate(r);
            benchmark::DoNotOptimize(value);
        }
    }
    PerPoint(state, *b, 1.0);
}

// The density at every point of a kGrid^3 grid over the box, as a grid tool computes it.
void Grid(benchmark::State& state, CBenchWavefunction* b, bool kernelOnly) {
    CWavefunction& w = b->w;
    const CVector step = (b->hi - b->lo) * (1.0 / (kGrid - 1));
    const double* occupations = w.m_pOrbitalData->m_pOccupations.data();
    double value = 0, sum = 0;
    CEvalRequest r;
    r.value = &value;
    for (auto _ : state) {
        for (int ix = 0; ix < kGrid; ++ix)
            for (int iy = 0; iy < kGrid; ++iy)
                for (int iz = 0; iz < kGrid; ++iz) {
                    const CVector p(b->lo.x + ix * step.x, b->lo.y + iy * step.y, b->lo.z + iz * step.z);
                    if (kernelOnly) {
                        w.EvaluatePrimitives(p, 0);
                        double rho = 0;
                        for (int k = 0; k < w.m_nMOs; ++k)
                            rho += occupations[k] * w.m_pMOValue[k] * w.m_pMOValue[k];
                        sum += rho;
                    } else {
                        r.point = p;
                        w.Evaluate(r);
                        sum += value;
                    }
                }
        benchmark::DoNotOptimize(sum);
    }
    PerPoint(state, *b, double(kGrid) * kGrid * kGrid);
}

void Register(CBenchWavefunction* b) {
    const std::string prefix = b->name + "/";
    const struct {
        const char* name;
        Kind kind;
    } singles[] = {{"Value", Kind::Value},
                   {"ValueGradient", Kind::Gradient},
                   {"ValueGradientHessian", Kind::Hessian},
                   {"ValueGradientHessianOfL", Kind::HessianL},
                   {"BasinIntegrands", Kind::Basin},
                   {"KernelOrbitalValues", Kind::KernelValues}};
    for (const auto& s : singles)
        benchmark::RegisterBenchmark((prefix + s.name).c_str(),
                                     [b, kind = s.kind](benchmark::State& st) { Single(st, b, kind); });
    benchmark::RegisterBenchmark((prefix + "GridDensity").c_str(), [b](benchmark::State& st) {
        Grid(st, b, false);
    })->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark((prefix + "GridDensityFromOrbitalValues").c_str(),
                                 [b](benchmark::State& st) { Grid(st, b, true); })
        ->Unit(benchmark::kMillisecond);
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
