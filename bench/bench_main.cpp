// Benchmarks of the numerical core. Run with `make bench`.
#include <benchmark/benchmark.h>

#include "WavefunctionBench.h"
#include "numerics/Tensor.h"

static void BM_TensorDiagonalize(benchmark::State& state) {
    const CTensor hessian(-0.41, 0.23, 0.87, 0.05, -0.12, 0.31);
    for (auto _ : state) {
        CTensor t = hessian;
        benchmark::DoNotOptimize(t.Diagonalize());
        benchmark::DoNotOptimize(t.GetEigenvalues());
    }
}
BENCHMARK(BM_TensorDiagonalize);

static void BM_TensorSolve(benchmark::State& state) {
    const CTensor hessian(-0.41, 0.23, 0.87, 0.05, -0.12, 0.31);
    CVector x;
    for (auto _ : state) {
        benchmark::DoNotOptimize(hessian.Solve(CVector(0.1, -0.2, 0.3), x));
        benchmark::DoNotOptimize(x);
    }
}
BENCHMARK(BM_TensorSolve);

int main(int argc, char** argv) {
    RegisterWavefunctionBenchmarks();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
