#pragma once

#include <array>
#include <vector>

#include "model/tmodele.h"

namespace analysis {

inline constexpr int EnvelopePoints = tmodele::SegmentsPerEnvelope + 1;  // 46

// One harmonic as an analysis finds it, before it takes the model's form.
struct FoundHarmonic {
    int rank = 1;
    std::array<double, EnvelopePoints> envelope{};  // magnitude at each envelope point, any positive scale
    double phase = 0;                               // radians
};

// The model's form of what was found: the strongest harmonic has amplitude 1, each envelope
// peaks at 255 (points rounded to whole steps), phases are whole degrees; a harmonic below
// LeftOutBelow of the strongest is left out, except rank 1, kept at index 0 and switched off.
// Every magnitude is on one common scale, so amplitudes compare across harmonics.
std::vector<tharmonique> ModelHarmonics(const std::vector<FoundHarmonic>& found);

}  // namespace analysis
