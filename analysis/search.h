#pragma once

#include <optional>
#include <vector>

#include "analysis/exactfit.h"
#include "analysis/pitch.h"

namespace analysis {

inline constexpr double FollowsTheModel = 40;   // dB: a fit this good has found one of our sounds
inline constexpr double ShortFramesFrom = 150;  // Hz: the lowest pitch of the short-frame track

// A fundamental and a glide under trial.
struct Estimate {
    double fundamental = 0;  // Hz
    double glide = 0;        // the model's glide, LowestGlide..HighestGlide
};

// The ranks 1..50 whose partial stays below 20000 Hz over the whole note.
std::vector<int> RanksBelowLimit(double fundamental, double glide);

// The straight line most frames of the track agree with, within 3 %: a glide that sweeps the
// pitch far, or frames an octave off over part of the note, leave the others to decide. None
// when fewer than three frames agree.
std::optional<PitchLine> FitPitchLineRobustly(const std::vector<PitchFrame>& track);

// The fit, in the model's form, of the ranks the note has over the whole of it at `estimate`.
// Where the note's envelope segments are shorter than two periods, a fit of every rank can
// explain the note with no one phase per rank; there the ranks are taken in as the note shows
// them, each time the strongest of what the ranks already taken leave unexplained.
ExactFit FitNote(const std::vector<double>& samples, int duration, const Estimate& estimate);

// The fundamental and the glide refined from the drift of the fitted phases, first over the
// note's first tenth, then over twice as much at each stage up to the whole `duration` (tenths,
// 1..40) of `samples`: a short stretch forgives a start far off, and each stage starts the next
// within its reach.
Estimate RefineOverPrefixes(const std::vector<double>& samples, int duration, Estimate start);

// The estimate whose exact fit over the whole note leaves the least residual, from each of
// `starts` refined and, when none explains the note, from whole fractions of the best (a track
// that locked onto an upper partial), with its fit of every rank. `beyond`: lines of the pitch
// track above the fundamentals' range, partials whose fractions are tried too.
struct Search {
    Estimate estimate;
    ExactFit fit;
};
Search SearchFundamental(const std::vector<double>& samples, int duration,
                         const std::vector<Estimate>& starts, bool tryFractions,
                         const std::vector<Estimate>& beyond = {});

}  // namespace analysis
