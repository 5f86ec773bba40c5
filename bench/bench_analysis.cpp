// The analysis of a 4-second note of 50 harmonics, stage by stage and whole.
#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>

#include "analysis/analyse.h"
#include "analysis/decode.h"
#include "analysis/exactfit.h"
#include "analysis/magnitudes.h"
#include "analysis/owntime.h"
#include "analysis/pitch.h"
#include "analysis/realnote.h"
#include "model/phase.h"

namespace {

constexpr double Fundamental = 200;  // Hz: 50 ranks stay below 20 kHz with the glide below
constexpr double Glide = 0.05;

// 40 tenths, ranks 1..50, envelopes and amplitudes differing from rank to rank.
analysis::Recording MadeNote(double fundamental, double glide)
{
    tmodele model;
    model.Fundamental = fundamental;
    model.Glide = glide;
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
}

const analysis::Recording& Note()
{
    static const analysis::Recording recording = MadeNote(Fundamental, Glide);
    return recording;
}

// The same falling to a tenth of its pitch: where the note in its own time gives the start.
constexpr double FallingFundamental = 100;  // Hz
constexpr double FallingGlide = -0.45;
const analysis::Recording& FallingNote()
{
    static const analysis::Recording recording = MadeNote(FallingFundamental, FallingGlide);
    return recording;
}

// The same length and ranks played as a real note: a 5 Hz vibrato of 0.4 % and a slow swell,
// so that the exact fit leaves it to the magnitude path.
const analysis::Recording& RealNote()
{
    static const analysis::Recording recording = [] {
        constexpr double Vibrato = 0.004;  // relative depth, at 5 Hz
        std::vector<double> samples(40 * analysis::SamplesPerTenth);
        double phase = 0;
        for (std::size_t i = 0; i < samples.size(); ++i) {
            const double t = double(i) / analysis::Rate;  // s
            double x = 0;
            for (int rank = 1; rank <= 50; ++rank)
                x += 2000.0 / rank * (1 + 0.5 * std::sin(2 * std::numbers::pi * (0.3 + 0.01 * rank) * t)) *
                     std::sin(rank * phase + rank);
            samples[i] = x;
            phase += 2 * std::numbers::pi * Fundamental *
                     (1 + Vibrato * std::sin(2 * std::numbers::pi * 5 * t)) / analysis::Rate;
        }
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

void OwnTimeOfAFallingNote(benchmark::State& state)
{
    const analysis::Recording& note = FallingNote();
    std::optional<analysis::Estimate> found;
    for (auto _ : state) {
        found = analysis::EstimateInOwnTime(note.samples, 40, FallingGlide + 0.03, 0.1);
        benchmark::DoNotOptimize(found);
    }
    state.counters["F0_error"] = found ? std::abs(found->fundamental / FallingFundamental - 1) : 1.0;
}
BENCHMARK(OwnTimeOfAFallingNote)->Unit(benchmark::kMillisecond);

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

void RefinePitchOfARealNote(benchmark::State& state)
{
    const analysis::Recording& note = RealNote();
    for (auto _ : state)
        benchmark::DoNotOptimize(analysis::RefinePitch(note.samples, {Fundamental, 0}, 40));
}
BENCHMARK(RefinePitchOfARealNote)->Unit(benchmark::kMillisecond);

void TrackMagnitudesOf50Ranks(benchmark::State& state)
{
    const analysis::Recording& note = RealNote();
    for (auto _ : state)
        benchmark::DoNotOptimize(analysis::TrackMagnitudes(note.samples, Fundamental, 0, 40));
}
BENCHMARK(TrackMagnitudesOf50Ranks)->Unit(benchmark::kMillisecond);

void WholeAnalysisOfARealNote(benchmark::State& state)
{
    const analysis::Recording& note = RealNote();
    analysis::Result result;
    for (auto _ : state) {
        result = analysis::Analyse(note);
        benchmark::DoNotOptimize(result);
    }
    state.counters["fit_dB"] = result.residualDb;
    state.counters["magnitudes"] = result.method == analysis::Method::Magnitudes ? 1 : 0;
    state.counters["F0_Hz"] = result.fundamental;
    state.counters["ranks"] = double(result.harmonics.size());
}
BENCHMARK(WholeAnalysisOfARealNote)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
