#include <benchmark/benchmark.h>

#include "model/tmodele.h"

static void BM_RenderStartModel(benchmark::State& state)
{
    tmodele model;
    model.AddHarmonic(1);
    for (auto _ : state)
        model.Render();
}
BENCHMARK(BM_RenderStartModel)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
