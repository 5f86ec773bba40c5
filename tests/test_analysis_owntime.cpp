// Notes whose glide all but stops the pitch: the fundamental and the glide read in the note's own
// time.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "analysis/analyse.h"
#include "analysis/owntime.h"
#include "support/analysis_corpus.h"

namespace {

// Seeds of the corpus whose glide brings the pitch under half the fundamental's by the end; 170
// is the one the pitch track and the fits of growing stretches lost.
TEST(OwnTime, AGlideThatAllButStopsThePitchShowsTheFundamental)
{
    const struct {
        std::uint32_t seed;
        const char* what;
    } table[] = {
        {16, "395.3 Hz, glide -0.419, 9 tenths"},
        {44, "36.4 Hz, glide -0.455, 34 tenths"},
        {63, "191.7 Hz, glide -0.489: the pitch ends at 4 Hz"},
        {117, "110.3 Hz, glide -0.455, 19 tenths"},
        {170, "72.9 Hz, glide -0.464, 3 tenths: the track finds 230 Hz"},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.what);
        const auto model = analysis_corpus::RandomModel(row.seed);
        const std::vector<double> samples = analysis_corpus::RecordingOf(*model).samples;
        // From glides as far off as the track's (seed 170's: -0.490).
        for (const double off : {-0.03, 0.03}) {
            const std::optional<analysis::Estimate> found =
                analysis::EstimateInOwnTime(samples, model->Duration, model->Glide + off, 0.1);
            ASSERT_TRUE(found.has_value()) << off;
            // Within what the joint fit of the note's ranks comes back from.
            EXPECT_NEAR(found->fundamental / model->Fundamental, 1, 1e-3) << off;
            EXPECT_NEAR(found->glide, model->Glide, 1e-3) << off;
        }
    }
}

TEST(OwnTime, SilenceAndTooLittleHoldNoLine)
{
    EXPECT_FALSE(analysis::EstimateInOwnTime(std::vector<double>(13230, 0.0), 3, -0.46, 0.1).has_value());
    EXPECT_FALSE(analysis::EstimateInOwnTime({}, 3, -0.46, 0.1).has_value());
}

// Glides past -0.5 turn the pitch back before the note's end; own time stops short of where the
// pitch would, and the scan from the lowest glide still reaches the note's.
TEST(OwnTime, AScanFromTheLowestGlideStopsBeforeThePitchTurns)
{
    const auto model = analysis_corpus::RandomModel(170);
    const std::vector<double> samples = analysis_corpus::RecordingOf(*model).samples;
    const std::optional<analysis::Estimate> found =
        analysis::EstimateInOwnTime(samples, model->Duration, analysis::LowestGlide, 0.1);
    ASSERT_TRUE(found.has_value());
    EXPECT_NEAR(found->fundamental / model->Fundamental, 1, 1e-3);
    EXPECT_NEAR(found->glide, model->Glide, 1e-3);
}

}  // namespace
