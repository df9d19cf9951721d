#pragma once
// Registers the evaluation benchmarks for the fixtures and ZELMORA_BENCH_WFN.
void RegisterWavefunctionBenchmarks();
