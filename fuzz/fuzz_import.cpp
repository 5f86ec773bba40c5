// The importer's front end past the file reader: samples as the reader hands them over (mono,
// 44100 Hz, model units), found or refused as a note, and nothing more. libsndfile's own readers
// are fuzzed where they are made; the analysis of what is found is fuzz_analysis's, on inputs
// short enough for its fits.
//
// Input: little-endian 16-bit samples, the whole input (an odd last byte is no sample).
#include <QString>
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "analysis/decode.h"
#include "fuzz/fuzz_support.h"
#include "model/errors.h"

namespace {

// What the note finder may do with the samples: keep them, unchanged, from the first one when the
// note starts within the first tenth, else from the note's start, and cut them only past the
// longest note. The note starts at the first sample reaching 1/100 of the peak.
void CheckRecording(const analysis::Recording& recording, const std::vector<double>& input)
{
    const std::vector<double>& kept = recording.samples;
    fuzz::Check(recording.fileRate == analysis::Rate && recording.fileChannels == 1,
                "samples come at the model's rate, in one channel");
    fuzz::Check(recording.start < kept.size(), "the note starts within the samples");
    fuzz::Check(recording.NoteLength() >= analysis::SamplesPerTenth, "a kept note lasts a tenth at least");
    fuzz::Check(recording.NoteLength() <= analysis::MaxNoteSamples, "no more than the longest note is kept");

    const double threshold = recording.peak * analysis::StartFraction;
    std::size_t start = 0;  // index in the input
    while (start < input.size() && !(std::abs(input[start]) >= threshold))
        ++start;
    const std::size_t from = start < analysis::SamplesPerTenth ? 0 : start;
    fuzz::Check(recording.start == start - from,
                "the note starts at the first sample reaching the threshold");
    fuzz::Check(from + kept.size() <= input.size() &&
                    std::equal(kept.begin(), kept.end(), input.begin() + std::ptrdiff_t(from)),
                "the kept samples are the input's, unchanged and in order");
    const std::size_t end = from + kept.size();
    fuzz::Check(end == input.size() || recording.NoteLength() == analysis::MaxNoteSamples,
                "the samples are cut only past the longest note");
    double peak = 0;
    for (std::size_t k = 0; k < end; ++k)
        peak = std::max(peak, std::abs(input[k]));
    fuzz::Check(peak > 0 && recording.peak == peak, "the peak is the largest magnitude read");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::StartParsing();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<double> samples(size / 2);
    for (std::size_t k = 0; k < samples.size(); ++k)
        samples[k] = double(std::int16_t(std::uint16_t(data[2 * k] | (data[2 * k + 1] << 8))));

    analysis::Recording recording;
    try {
        recording = analysis::RecordingFromSamples(samples);
    } catch (const AppError& error) {
        const bool silent = std::all_of(samples.begin(), samples.end(), [](double x) { return x == 0; });
        fuzz::Check(error.text() == (silent ? QStringLiteral("Aucun son à analyser dans ce fichier")
                                            : QStringLiteral("La note dure moins d'un dixième de seconde")),
                    "a refused note gets the reader's text for what is wrong");
        return 0;
    }
    CheckRecording(recording, samples);
    return 0;
}
