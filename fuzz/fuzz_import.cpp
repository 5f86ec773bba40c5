// The importer's front end past the file reader: samples as the reader hands them over (mono,
// 44100 Hz, model units), found or refused as a note, then analysed into a model that is
// rendered. libsndfile's own readers are fuzzed where they are made.
//
// Input: little-endian 16-bit samples, at most 2 tenths of a second (longer inputs are cut), so
// that a run stays short while the pitch track, the fits and the refusals are all reached.
#include <QString>
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <set>
#include <vector>

#include "analysis/analyse.h"
#include "analysis/decode.h"
#include "fuzz/fuzz_support.h"
#include "model/errors.h"

namespace {

constexpr std::size_t MaxSamples = 2 * analysis::SamplesPerTenth;

const std::set<QString>& RecordingRefusals()
{
    static const std::set<QString> texts{QStringLiteral("Aucun son à analyser dans ce fichier"),
                                         QStringLiteral("La note dure moins d'un dixième de seconde")};
    return texts;
}

void CheckRecording(const analysis::Recording& recording)
{
    fuzz::Check(recording.start < recording.samples.size(), "the note starts within the samples");
    fuzz::Check(recording.NoteLength() >= analysis::SamplesPerTenth, "a kept note lasts a tenth at least");
    fuzz::Check(recording.peak > 0, "a kept note is not silent");
    const double threshold = recording.peak * analysis::StartFraction;
    fuzz::Check(std::abs(recording.samples[recording.start]) >= threshold,
                "the note starts at the threshold");
    for (std::size_t k = 0; k < recording.start; ++k)
        fuzz::Check(std::abs(recording.samples[k]) < threshold,
                    "nothing before the start reaches the threshold");
}

void CheckResult(const analysis::Result& result)
{
    fuzz::Check(result.fundamental >= analysis::LowestFundamental / 2 && std::isfinite(result.fundamental),
                "the fundamental is a frequency");
    fuzz::Check(result.glide >= analysis::LowestGlide && result.glide <= analysis::HighestGlide,
                "the glide is within the page's range");
    fuzz::Check(result.duration >= 1 && result.duration <= 40, "the duration is 1 to 40 tenths");
    fuzz::Check(!result.harmonics.empty() && result.harmonics[0].Rank == 1, "rank 1 comes first");
    int previous = 0;
    double strongest = 0;
    for (const tharmonique& h : result.harmonics) {
        fuzz::Check(h.Rank > previous, "ranks rise along the list");
        previous = h.Rank;
        fuzz::Check(h.Amplitude >= 0 && h.Amplitude <= 1, "amplitudes are within 0..1");
        if (h.Active != 0) {
            strongest = std::max(strongest, h.Amplitude);
            fuzz::Check(*std::max_element(h.Envelope.begin(), h.Envelope.end()) == 255,
                        "every envelope peaks at 255");
        }
    }
    fuzz::Check(strongest == 0 || strongest == 1, "the strongest harmonic has amplitude 1");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::StartApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<double> samples(std::min(size / 2, MaxSamples));
    for (std::size_t k = 0; k < samples.size(); ++k)
        samples[k] = double(std::int16_t(std::uint16_t(data[2 * k] | (data[2 * k + 1] << 8))));

    analysis::Recording recording;
    try {
        recording = analysis::RecordingFromSamples(std::move(samples));
    } catch (const AppError& error) {
        fuzz::Check(RecordingRefusals().count(error.text()) == 1,
                    "a refused note gets one of the reader's texts");
        return 0;
    }
    CheckRecording(recording);

    analysis::Result result;
    try {
        result = analysis::Analyse(recording);
    } catch (const AppError& error) {
        fuzz::Check(error.text() ==
                        QStringLiteral("Aucune fréquence fondamentale n'a été trouvée entre 20 et 6000 Hz"),
                    "a note without pitch is refused as such");
        return 0;
    }
    CheckResult(result);
    tmodele model;
    analysis::ApplyResult(result, model);
    model.Render();
    fuzz::Check(model.Samples.size() == std::size_t(model.Duration) * tmodele::BytesPerTenth,
                "the imported model renders whole");
    return 0;
}
