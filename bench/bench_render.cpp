#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <vector>

#include "model/render.h"
#include "model/tmodele.h"

// The model every session starts with: 440 Hz, 10 tenths, one rank-1 harmonic.
static void BM_RenderStartModel(benchmark::State& state)
{
    tmodele model;
    model.AddHarmonic(1);
    for (auto _ : state)
        model.Render();
    state.SetItemsProcessed(state.iterations() * std::int64_t(model.SampleCount()));
}
BENCHMARK(BM_RenderStartModel)->Unit(benchmark::kMillisecond);

// The largest model the pages can build: 40 tenths, ranks 1..50 all active, glide 0.3, with
// envelopes, amplitudes and phases drawn from a fixed seed so every run measures the same work.
static std::unique_ptr<tmodele> WorstCaseModel()
{
    std::mt19937 random(20261208);  // fixed seed
    std::uniform_int_distribution<int> point(0, 255);
    std::uniform_real_distribution<double> amplitude(0.01, 1.0);            // relative
    std::uniform_real_distribution<double> phase(-3.12413936, 3.14159265);  // radians, -179..180°
    auto model = std::make_unique<tmodele>();
    model->Duration = 40;  // tenths of a second
    model->Glide = 0.3;
    for (int rank = 1; rank <= 50; ++rank) {
        model->AddHarmonic(std::uint8_t(rank));
        tharmonique& h = model->Harmonics.back();
        for (auto& p : h.Envelope)
            p = std::uint8_t(point(random));
        h.Amplitude = amplitude(random);
        h.Phase = phase(random);
    }
    return model;
}

static void BM_RenderWorstCase(benchmark::State& state)
{
    auto model = WorstCaseModel();
    for (auto _ : state)
        model->Render();
    // Sine evaluations: samples x harmonics (8 820 000 per render).
    state.SetItemsProcessed(state.iterations() * std::int64_t(model->SampleCount()) * 50);
}
BENCHMARK(BM_RenderWorstCase)->Unit(benchmark::kMillisecond);

// The sample-by-sample definition on the same model, for comparison with Render.
static void BM_RenderReferenceWorstCase(benchmark::State& state)
{
    auto model = WorstCaseModel();
    std::vector<std::uint8_t> out(std::size_t(model->Duration) * tmodele::BytesPerTenth);
    for (auto _ : state) {
        RenderReference(*model, out.data());
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * std::int64_t(model->SampleCount()) * 50);
}
BENCHMARK(BM_RenderReferenceWorstCase)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
