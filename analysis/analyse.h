#pragma once

#include <atomic>
#include <functional>
#include <optional>
#include <vector>

#include "analysis/recording.h"
#include "model/tmodele.h"

namespace analysis {

inline constexpr double LowestFundamental = 20;     // Hz
inline constexpr double HighestFundamental = 6000;  // Hz
inline constexpr double LowestGlide = -0.51;        // the model page's range
inline constexpr double HighestGlide = 1.01;
inline constexpr int HighestRank = 50;
inline constexpr double HighestPartial = 20000;  // Hz: no rank above this over the note
inline constexpr double LeftOutBelow = 1e-3;     // of the strongest harmonic's amplitude

// How the harmonics were found.
enum class Method {
    ExactFit,    // the note follows the model's own form: least squares over every sample
    Magnitudes,  // a real note: each harmonic's magnitude tracked over time
};

struct Result {
    double fundamental = 440;  // Hz
    double glide = 0;          // the model's glide, LowestGlide..HighestGlide
    int duration = 10;         // tenths of a second, 1..40
    // List order: index 0 is rank 1 (switched off when it is below the threshold), then the
    // kept ranks in increasing order; envelopes peak at 255, the strongest amplitude is 1,
    // phases are whole degrees in radians.
    std::vector<tharmonique> harmonics;
    Method method = Method::ExactFit;
    double residualDb = 0;  // signal over residual of the exact fit in the model's form, dB
};

// 0..1 as the analysis goes; returning false is never asked for (the analysis is short), so
// the callback only reports.
using Progress = std::function<void(double)>;

// The fundamental of the note between 20 and 6000 Hz, or none when the note has no pitch there.
std::optional<double> EstimateFundamental(const Recording& recording);

// The whole analysis. Without `fundamental`, the estimate above is used; with it (typed by the
// user), the search starts from it. Throws AppError "Aucune fréquence fondamentale n'a été
// trouvée entre 20 et 6000 Hz" when there is none.
Result Analyse(const Recording& recording, std::optional<double> fundamental = std::nullopt,
               const Progress& progress = {});

// Gives `model` the result's fields and harmonics (not rendered).
void ApplyResult(const Result& result, tmodele& model);

}  // namespace analysis
