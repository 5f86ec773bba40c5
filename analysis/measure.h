#pragma once

#include <vector>

#include "analysis/harmonics.h"

// How close a rendering comes to a recorded note, and the naive analysis a tracker must beat.
namespace analysis {

// Signal over error of the short-time magnitudes (Hann 2048, hop 512) of `y` scaled by the
// best gain against those of `x`, over their common length, dB. Blind to phase.
double SpectralSnrDb(const std::vector<double>& x, const std::vector<double>& y);
// Signal over error of the samples of `y` scaled by the best gain against `x`, dB.
double WaveformSnrDb(const std::vector<double>& x, const std::vector<double>& y);

// The naive analysis: at each envelope point, the magnitude of the 4096-sample Hann window's
// bin nearest r * fundamental (the glide ignored), phase 0. Same ranks as TrackMagnitudes.
std::vector<FoundHarmonic> BaselineHarmonics(const std::vector<double>& note, double fundamental,
                                             double glide, int duration);

}  // namespace analysis
