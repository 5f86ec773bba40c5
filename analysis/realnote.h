#pragma once

#include <optional>
#include <vector>

#include "analysis/analyse.h"

// The analysis of a real note: one that drifts in phase (vibrato, slight inharmonicity, a
// wandering pitch), so that the model, one phase per harmonic at exact integer ranks, cannot
// match it sample for sample. What a listener and the spectrum compare is each harmonic's
// magnitude over time, so that is what is tracked.
namespace analysis {

// `fundamental`, or the multiple of it (x2, x3, repeated) whose harmonics hold the note's
// energy: a pitch track can lock on twice the period of a note whose odd harmonics are weak or
// whose pipes beat, and the harmonics between the true ones then hold nothing.
double CheckOctave(const std::vector<double>& note, double fundamental);

struct NotePitch {
    double fundamental = 0;  // Hz
    double glide = 0;        // the model's, LowestGlide..HighestGlide
};

// The fundamental and glide the harmonics' tracked peaks agree on, from a first estimate within
// a quarter of the fundamental at every rank. The model renders every rank at exactly r times
// its fundamental, so an error of a few tenths of a percent would detune the high ranks. The
// glide is kept only when it explains most of the peaks' wander (see realnote.cpp).
NotePitch RefinePitch(const std::vector<double>& note, NotePitch first, int duration);

// The real-note path of Analyse: `samples` from the recording's first sample, `duration` in
// tenths, `typed` the fundamental the user typed (its octave is then kept). Gives `result` its
// fundamental, glide, harmonics (tracked magnitudes, phases fitting the note's start) and
// method Magnitudes; throws AppError when no pitch is found.
void AnalyseRealNote(const std::vector<double>& samples, int duration, std::optional<double> typed,
                     Result& result);

}  // namespace analysis
