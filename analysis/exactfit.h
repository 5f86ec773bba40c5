#pragma once

#include <array>
#include <vector>

#include "analysis/harmonics.h"

namespace analysis {

// The model's own form fitted to samples by linear least squares, once the fundamental and the
// glide are fixed: every harmonic's 46 envelope points, each a sine and a cosine coefficient.
struct ExactFit {
    std::vector<FoundHarmonic> harmonics;  // magnitudes in model units
    // Each harmonic's fitted (sine, cosine) coefficients at every envelope point, before they are
    // projected on the harmonic's one phase: their angles show a fundamental slightly off.
    std::vector<std::array<std::array<double, 2>, 46>> pairs;
    double signal = 0;    // sum of squared samples
    double residual = 0;  // sum of squared differences at the best fit

    // Signal over residual, dB (a perfect fit is capped at 200 dB).
    double SnrDb() const;
};

// Fits `ranks` over the first `duration` x 4410 samples (missing samples count as silence).
ExactFit FitExactly(const std::vector<double>& samples, int duration, double fundamental, double glide,
                    const std::vector<int>& ranks);

}  // namespace analysis
