#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "analysis/analyse.h"
#include "model/tmodele.h"

namespace analysis_corpus {

// A model the model page can build, drawn from a seed: duration 1..40 tenths, fundamental
// 20..6000 Hz, glide in the spinners' range (whole percent and tenths), rank 1 first, other
// ranks up to 50 below 20 kHz over the note, amplitudes 0.01..1, envelopes of whole steps
// peaking at 255, phases in whole degrees. One seed in ten switches rank 1 off.
std::unique_ptr<tmodele> RandomModel(std::uint32_t seed);

// The model's rendering as a recording, the way an exported WAV of it reads back.
analysis::Recording RecordingOf(const tmodele& model);

// Signal over difference between two renderings, dB, over the first's length.
double WaveformSnrDb(const tmodele& original, const tmodele& imported);

// What the round trip of one model gave.
struct RoundTrip {
    double snrDb = 0;
    double fundamentalError = 0;  // relative
    double glideError = 0;        // absolute
    bool sameRanks = false;       // the ranks of amplitude >= 0.01, switched on
    analysis::Result result;
};
RoundTrip Import(const tmodele& model);

}  // namespace analysis_corpus
