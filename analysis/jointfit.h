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

}  // namespace analysis
