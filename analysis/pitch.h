#pragma once

#include <optional>
#include <vector>

namespace analysis {

// The pitch of one short frame, as YIN finds it.
struct PitchFrame {
    double time = 0;          // samples from the start of the analysed samples, frame centre
    double frequency = 0;     // Hz
    double aperiodicity = 1;  // the normalised difference at the chosen lag: 0 perfectly periodic
};

// The pitch over the samples, frame by frame, between `lowest` and `highest` Hz. Frames that find
// no period (silence, noise) are left out.
std::vector<PitchFrame> TrackPitch(const std::vector<double>& samples, double lowest, double highest);

// A straight line through the track, F(t) = a + b t, fitted to the periodic frames; none when too
// few frames are periodic.
struct PitchLine {
    double start = 0;  // Hz at t = 0
    double slope = 0;  // Hz per sample
};
std::optional<PitchLine> FitPitchLine(const std::vector<PitchFrame>& track);

}  // namespace analysis
