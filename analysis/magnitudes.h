#pragma once

#include <vector>

#include "analysis/harmonics.h"

namespace analysis {

// The harmonics of a real note, each tracked over the model's 46 envelope points. `note` holds
// the samples from the note's start (model units), `fundamental` in Hz, `glide` the model's,
// `duration` in tenths (1..40). Every rank 1..50 staying below 20000 Hz over the note is given;
// magnitudes are sinusoid amplitudes in the note's units, phases fit the note's start.
std::vector<FoundHarmonic> TrackMagnitudes(const std::vector<double>& note, double fundamental, double glide,
                                           int duration);

// The fundamental the harmonics' tracked peaks agree on, starting from an estimate within a
// quarter of it: the model renders every rank at exactly r times its fundamental, so a small
// error there detunes the high ranks.
double RefineFundamental(const std::vector<double>& note, double fundamental, double glide, int duration);

}  // namespace analysis
