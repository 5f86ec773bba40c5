// The seeded corpus of random models through their own sound and back: how many come back
// (60 dB, fundamental within 1e-5, glide within 1e-6, the same ranks) and at what cost.
#include <benchmark/benchmark.h>

#include "support/analysis_corpus.h"

namespace {

constexpr std::uint32_t Models = 200;

void CorpusRoundTrip(benchmark::State& state)
{
    double back = 0, refused = 0;
    for (auto _ : state) {
        back = refused = 0;
        for (std::uint32_t seed = 1; seed <= Models; ++seed) {
            const auto model = analysis_corpus::RandomModel(seed);
            try {
                const analysis_corpus::RoundTrip trip = analysis_corpus::Import(*model);
                if (trip.snrDb >= 60 && trip.fundamentalError < 1e-5 && trip.glideError < 1e-6 &&
                    trip.sameRanks)
                    ++back;
            } catch (const std::exception&) {
                ++refused;
            }
        }
    }
    state.counters["models"] = Models;
    state.counters["back"] = back;
    state.counters["refused"] = refused;
}
BENCHMARK(CorpusRoundTrip)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
