#pragma once

#include <array>
#include <vector>

#include "analysis/harmonics.h"

namespace analysis {

// Of the fundamental: a glide that slows the pitch under this crowds every rank together by the
// note's end, where a fit can no longer tell them apart.
constexpr double CrowdingPitch = 0.5;

// The model's own form fitted to samples by linear least squares, once the fundamental and the
// glide are fixed: every harmonic's 46 envelope points, each a sine and a cosine coefficient.
struct ExactFit {
    std::vector<FoundHarmonic> harmonics;  // magnitudes in model units
    // Each harmonic's fitted (sine, cosine) coefficients at every envelope point, before they are
    // projected on the harmonic's one phase: their angles show a fundamental slightly off.
    std::vector<std::array<std::array<double, 2>, EnvelopePoints>> pairs;
    double signal = 0;         // sum of squared samples
    double residual = 0;       // sum of squared differences at the best fit
    double modelResidual = 0;  // the same in the model's form: one phase a harmonic, no negative point

    // Signal over residual, dB (a perfect fit is capped at 200 dB).
    double SnrDb() const;
    // Signal over the model's form's residual, dB: what the imported model will reach.
    double ModelSnrDb() const;
};

// The same form over `segments` segments of `segment` samples from the first one, a hat function
// at every segment's ends, and the angle of rank 1 at sample i equal to
// 2 pi fundamental i (1 + curvature i) / 44100: a stretch of a note fitted on a grid as fine as
// any the model's envelopes can have.
struct GridFit {
    std::vector<std::vector<std::array<double, 2>>> pairs;  // each rank's (sine, cosine) at each point
    std::vector<double> phases;                             // each rank's dominant direction, radians
    std::vector<std::vector<double>> magnitudes;            // each rank's points on its phase, none negative
    double signal = 0;
    double residual = 0;
    double modelResidual = 0;  // with `magnitudes` on `phases`
    double SnrDb() const;
};
GridFit FitOnGrid(const std::vector<double>& samples, long segment, int segments, double fundamental,
                  double curvature, const std::vector<int>& ranks);

// Fits `ranks` over the first `duration` x 4410 samples (missing samples count as silence).
ExactFit FitExactly(const std::vector<double>& samples, int duration, double fundamental, double glide,
                    const std::vector<int>& ranks);

// The model's form of `fit` as samples: the first `duration` x 4410 of what its harmonics, on their
// one phase each, sound like at that fundamental and glide.
std::vector<double> Synthesise(const ExactFit& fit, int duration, double fundamental, double glide);

}  // namespace analysis
