// The seeded corpus of random models, each through its own sound and back. Every model should
// come back; today most do, and the rest are the cases docs/analysis.md lists (low fundamentals
// with a few high ranks, fast glides on short notes). The count is held so that it can only grow.
#include <gtest/gtest.h>

#include <cstdio>

#include "model/errors.h"
#include "support/analysis_corpus.h"

namespace {

constexpr std::uint32_t Models = 200;
constexpr int Shards = 4;  // seeds 1..50, 51..100, ...: run side by side
constexpr std::uint32_t PerShard = Models / Shards;
// Of each shard's 50, measured: all 200.
constexpr int BackAtLeast[Shards] = {50, 50, 50, 50};

class ImportCorpus : public ::testing::TestWithParam<int> {};

TEST_P(ImportCorpus, RandomModelsComeBackFromTheirOwnSound)
{
    const std::uint32_t shard = std::uint32_t(GetParam());
    int back = 0, refused = 0;
    for (std::uint32_t seed = shard * PerShard + 1; seed <= (shard + 1) * PerShard; ++seed) {
        const auto model = analysis_corpus::RandomModel(seed);
        analysis_corpus::RoundTrip trip;
        try {
            trip = analysis_corpus::Import(*model);
        } catch (const AppError& error) {
            // The refusal the user sees for a sound whose pitch was not found.
            EXPECT_EQ(error.text(),
                      QStringLiteral("Aucune fréquence fondamentale n'a été trouvée entre 20 et 6000 Hz"))
                << "seed " << seed;
            std::printf("seed %3u: %.1f Hz glide %.3f, %d tenths -> refused\n", seed, model->Fundamental,
                        model->Glide, int(model->Duration));
            ++refused;
            continue;
        }
        const bool same =
            trip.snrDb >= 60 && trip.fundamentalError < 1e-5 && trip.glideError < 1e-6 && trip.sameRanks;
        back += same ? 1 : 0;
        // Whatever comes back is a model the page can hold.
        EXPECT_EQ(trip.result.duration, model->Duration) << "seed " << seed;
        EXPECT_GE(trip.result.glide, analysis::LowestGlide) << "seed " << seed;
        EXPECT_LE(trip.result.glide, analysis::HighestGlide) << "seed " << seed;
        if (!same)
            std::printf("seed %3u: %.1f Hz glide %.3f, %d tenths -> %.3f Hz glide %.4f, %.1f dB\n", seed,
                        model->Fundamental, model->Glide, int(model->Duration), trip.result.fundamental,
                        trip.result.glide, trip.snrDb);
    }
    std::printf("seeds %u..%u: %d of %u back, %d refused\n", shard * PerShard + 1, (shard + 1) * PerShard,
                back, PerShard, refused);
    EXPECT_GE(back, BackAtLeast[shard]);
}

INSTANTIATE_TEST_SUITE_P(Shards, ImportCorpus, ::testing::Range(0, Shards));

}  // namespace
