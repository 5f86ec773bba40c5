#pragma once

#include <optional>
#include <vector>

#include "analysis/search.h"

namespace analysis {

// A gliding note heard in its own time: resampled at tau = i (1 + glide i / n), where every rank
// of the model keeps one frequency, r x fundamental, however far the glide slows the pitch. The
// glide within `reach` of `glide` whose resampled spectrum has the sharpest lines, and the
// fundamental those lines stand on. Where the glide crowds the ranks at the note's end, the pitch
// track and the fits of growing stretches lose the fundamental; its own time still shows it.
// None when the note holds no line.
std::optional<Estimate> EstimateInOwnTime(const std::vector<double>& samples, int duration, double glide,
                                          double reach);

}  // namespace analysis
