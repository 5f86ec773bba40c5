// The analysis of a 4-second note of 50 harmonics, stage by stage and whole.
#include <benchmark/benchmark.h>

#include <cmath>

#include "analysis/analyse.h"
#include "analysis/decode.h"
#include "analysis/exactfit.h"
#include "analysis/pitch.h"
#include "model/phase.h"

namespace {

constexpr double Fundamental = 200;  // Hz: 50 ranks stay below 20 kHz with the glide below
constexpr double Glide = 0.05;

// 40 tenths, ranks 1..50, envelopes and amplitudes differing from rank to rank.
const analysis::Recording& Note()
{
    static const analysis::Recording recording = [] {
        tmodele model;
        model.Fundamental = Fundamental;
        model.Glide = Glide;
        model.Duration = 40;
        for (int rank = 1; rank <= 50; ++rank) {
            model.AddHarmonic(std::uint8_t(rank));
            tharmonique& h = model.Harmonics.back();
            for (int k = 0; k < 46; ++k)
                h.Envelope[k] = std::uint8_t(40 + (k * (rank + 3) * 7) % 216);
            h.Envelope[rank % 46] = 255;
            h.Amplitude = 1.0 / rank;
            h.Phase = Radians((rank * 37) % 360);
        }
        model.Render();
        std::vector<double> samples(model.SampleCount());
        for (std::size_t k = 0; k < samples.size(); ++k)
            samples[k] = model.Sample(k);
        return analysis::RecordingFromSamples(std::move(samples));
    }();
    return recording;
}

std::vector<int> AllRanks()
{
    std::vector<int> ranks;
    for (int r = 1; r <= 50; ++r)
        ranks.push_back(r);
    return ranks;
}

void PitchTrack(benchmark::State& state)
{
    const analysis::Recording& note = Note();
    for (auto _ : state)
        benchmark::DoNotOptimize(
            analysis::TrackPitch(note.samples, analysis::LowestFundamental, analysis::HighestFundamental));
}
BENCHMARK(PitchTrack)->Unit(benchmark::kMillisecond);

void ExactFitOf50Ranks(benchmark::State& state)
{
    const analysis::Recording& note = Note();
    const std::vector<int> ranks = AllRanks();
    for (auto _ : state)
        benchmark::DoNotOptimize(analysis::FitExactly(note.samples, 40, Fundamental, Glide, ranks));
}
BENCHMARK(ExactFitOf50Ranks)->Unit(benchmark::kMillisecond);

void WholeAnalysis(benchmark::State& state)
{
    const analysis::Recording& note = Note();
    double snr = 0;
    for (auto _ : state) {
        const analysis::Result result = analysis::Analyse(note);
        snr = result.residualDb;
        benchmark::DoNotOptimize(result);
    }
    state.counters["fit_dB"] = snr;
}
BENCHMARK(WholeAnalysis)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
