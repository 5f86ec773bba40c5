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

// One harmonic's peak in one analysis frame, where the tracker found it.
struct TrackedPeak {
    int rank = 1;
    double time = 0;       // samples from the note's start, the frame's centre
    double frequency = 0;  // Hz, refined between bins
    double magnitude = 0;  // sinusoid amplitude, the note's units
};

// The same tracking, giving every frame's peak of every rank instead of the envelopes.
std::vector<TrackedPeak> TrackPeaks(const std::vector<double>& note, double fundamental, double glide,
                                    int duration);

}  // namespace analysis
