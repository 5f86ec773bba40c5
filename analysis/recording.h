#pragma once

#include <cstddef>
#include <vector>

#include <QString>

// A recorded note brought in from a sound file, ready for analysis: mono, 44100 Hz, in the
// model's sample units (a 16-bit file's sample values; full scale is 32768).
namespace analysis {

inline constexpr int Rate = 44100;                    // Hz
inline constexpr std::size_t SamplesPerTenth = 4410;  // samples
inline constexpr std::size_t MaxTenths = 40;          // tenths of a second: the longest model
inline constexpr std::size_t MaxNoteSamples = MaxTenths * SamplesPerTenth;
inline constexpr double StartFraction = 0.01;  // of the peak: where the note starts

struct Recording {
    // From the file's first sample when the note starts within its first tenth (a sound this
    // program exported starts there even when its envelope rises from silence), else from the
    // note's start; at most `start` + MaxNoteSamples samples.
    std::vector<double> samples;
    std::size_t start = 0;  // index in `samples` of the first sample reaching 1/100 of the peak
    double peak = 0;        // the largest magnitude, model units
    int fileRate = Rate;    // Hz, before resampling
    int fileChannels = 1;

    // Samples of the note proper, from `start`.
    std::size_t NoteLength() const { return samples.size() - start; }
};

}  // namespace analysis
