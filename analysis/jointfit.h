#pragma once

#include <vector>

#include "analysis/exactfit.h"
#include "analysis/search.h"

namespace analysis {

// The model's form fitted whole: every harmonic's envelope points and phase with the fundamental
// and the glide, by Levenberg-Marquardt from `estimate` and the harmonics of `from` (ranks kept).
// Where a glide crowds the ranks the drift of the free pairs no longer reads the fundamental,
// but the model's own residual still does. Never worse than `from` at `estimate`.
struct JointFit {
    Estimate estimate;
    ExactFit fit;  // `pairs` left empty: the harmonics are already on their phases
};
JointFit FitJointly(const std::vector<double>& samples, int duration, const Estimate& estimate,
                    const ExactFit& from);

// The joint fit of `from` with each harmonic's points held under its peak. Where a glide all but
// stops the pitch, the samples hardly tell the crowded ranks' last points apart, and a point
// grown there past its rank's peak raises the rank's amplitude and, as the renderer divides by
// the sum of amplitudes, lowers the whole rendering. The peak is read from the points before the
// crowding: the scale at which they stand on whole steps of the envelope editor, as every model's
// points do, else the largest of them.
JointFit HoldPeaks(const std::vector<double>& samples, int duration, const Estimate& estimate,
                   const ExactFit& from);

}  // namespace analysis
