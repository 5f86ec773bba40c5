// The analysis of an imported note, stage by stage, on inputs short enough for its fits: the
// note found in the samples, the pitch track and its line, the first fundamental and glide as
// the analysis takes them, a least-squares fit of a few ranks, their model form, and the
// rendering of the model they make. The whole analysis fits up to 50 ranks several times over,
// about half a second a note under the sanitizers; here each fit has at most four.
//
// Input: one byte choosing the ranks, then little-endian 16-bit samples, at most 2 tenths of a
// second (longer inputs are cut).
#include <QString>
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <numbers>
#include <optional>
#include <vector>

#include "analysis/analyse.h"
#include "analysis/decode.h"
#include "analysis/exactfit.h"
#include "analysis/harmonics.h"
#include "analysis/pitch.h"
#include "analysis/search.h"
#include "fuzz/fuzz_support.h"
#include "model/errors.h"

namespace {

constexpr std::size_t MaxSamples = 2 * analysis::SamplesPerTenth;
constexpr std::size_t MaxRanks = 4;  // ranks fitted at once, of the analysis's up to 50

QString NoFundamentalText()
{
    return QStringLiteral("Aucune fréquence fondamentale n'a été trouvée entre 20 et 6000 Hz");
}

void CheckTrack(const std::vector<analysis::PitchFrame>& track, std::size_t length)
{
    for (const analysis::PitchFrame& frame : track) {
        fuzz::Check(frame.time >= 0 && frame.time <= double(length), "a frame lies within the samples");
        fuzz::Check(std::isfinite(frame.frequency) && frame.frequency > 0, "a frame's pitch is a frequency");
        fuzz::Check(frame.aperiodicity >= 0 && frame.aperiodicity <= 1, "a kept frame is periodic enough");
    }
}

// The ranks the analysis would fit under 20 kHz over the whole note, as many as it takes of them
// at most MaxRanks, chosen by the bits of `choice` (none set: the lowest ones).
std::vector<int> ChosenRanks(double fundamental, double glide, std::uint8_t choice)
{
    const double widest = std::max(1.0, std::abs(1 + 2 * glide));
    std::vector<int> ranks;
    for (int r = 1; r <= analysis::HighestRank && ranks.size() < MaxRanks; ++r) {
        if (!(r * fundamental * widest < analysis::HighestPartial))
            break;
        if (choice == 0 || (choice & (1u << ((r - 1) % 8))) != 0)
            ranks.push_back(r);
    }
    return ranks;
}

void CheckFit(const analysis::ExactFit& fit, const std::vector<int>& ranks,
              const std::vector<double>& samples, long n)
{
    fuzz::Check(fit.harmonics.size() == ranks.size() && fit.pairs.size() == ranks.size(),
                "one fitted harmonic per rank");
    for (std::size_t h = 0; h < ranks.size(); ++h) {
        const analysis::FoundHarmonic& found = fit.harmonics[h];
        fuzz::Check(found.rank == ranks[h], "the fitted ranks are the ranks asked, in order");
        fuzz::Check(std::isfinite(found.phase) && std::abs(found.phase) <= std::numbers::pi,
                    "a phase is an angle");
        for (double magnitude : found.envelope)
            fuzz::Check(std::isfinite(magnitude) && magnitude >= 0,
                        "envelope magnitudes are finite, not negative");
    }
    double signal = 0;
    for (long i = 0; i < std::min(n, long(samples.size())); ++i)
        signal += samples[std::size_t(i)] * samples[std::size_t(i)];
    fuzz::Check(std::abs(fit.signal - signal) <= 1e-9 * signal,
                "the signal is the energy of the samples fitted");
    fuzz::Check(std::isfinite(fit.residual) && fit.residual >= 0, "the residual is an energy");
    fuzz::Check(std::isfinite(fit.SnrDb()) && fit.SnrDb() <= 200, "the fit's quality is a finite figure");
}

void CheckHarmonics(const std::vector<tharmonique>& harmonics)
{
    fuzz::Check(!harmonics.empty() && harmonics[0].Rank == 1, "rank 1 comes first");
    int previous = 0;
    double strongest = 0;
    for (const tharmonique& h : harmonics) {
        fuzz::Check(h.Rank > previous, "ranks rise along the list");
        previous = h.Rank;
        fuzz::Check(h.Amplitude >= 0 && h.Amplitude <= 1, "amplitudes are within 0..1");
        fuzz::Check(h.Phase >= 0 && h.Phase < 2 * std::numbers::pi, "phases are whole turns' fractions");
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
    fuzz::StartParsing();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return -1;
    const std::uint8_t choice = data[0];
    std::vector<double> samples(std::min((size - 1) / 2, MaxSamples));
    for (std::size_t k = 0; k < samples.size(); ++k)
        samples[k] = double(std::int16_t(std::uint16_t(data[1 + 2 * k] | (data[2 + 2 * k] << 8))));

    // 1. The note (fuzz_import checks this stage whole).
    analysis::Recording recording;
    try {
        recording = analysis::RecordingFromSamples(std::move(samples));
    } catch (const AppError&) {
        return 0;
    }

    // 2. The pitch of the note, as the import dialog shows it before the analysis, and the line
    //    through the track of the samples the model will describe, from which the analysis starts.
    const std::optional<double> estimate = analysis::EstimateFundamental(recording);
    fuzz::Check(
        !estimate || (*estimate >= analysis::LowestFundamental && *estimate <= analysis::HighestFundamental),
        "an estimated fundamental lies within 20..6000 Hz");

    const int duration = int(std::clamp<std::size_t>(recording.samples.size() / analysis::SamplesPerTenth, 1,
                                                     analysis::MaxTenths));
    const long n = long(duration) * long(analysis::SamplesPerTenth);
    const std::vector<double> head(
        recording.samples.begin(),
        recording.samples.begin() + std::min<long>(n, long(recording.samples.size())));
    const std::vector<analysis::PitchFrame> track =
        analysis::TrackPitch(head, analysis::LowestFundamental, analysis::HighestFundamental);
    CheckTrack(track, head.size());
    const std::optional<analysis::PitchLine> line = analysis::FitPitchLine(track);
    fuzz::Check(!line || !track.empty(), "a line needs a track");
    const double middle = line ? line->start + line->slope * double(n) / 2 : 0;
    if (!line || !(middle >= analysis::LowestFundamental && middle <= analysis::HighestFundamental) ||
        !(line->start > 0)) {
        // This line gives the analysis no start; the line most frames of both tracks agree with
        // may still give one, and then the search for a fundamental runs, too long a step for
        // this target. Without either, the analysis must refuse the note before any fit.
        std::vector<analysis::PitchFrame> both = track;
        const std::vector<analysis::PitchFrame> shortFrames =
            analysis::TrackPitch(head, analysis::ShortFramesFrom, analysis::HighestFundamental);
        both.insert(both.end(), shortFrames.begin(), shortFrames.end());
        const std::optional<analysis::PitchLine> agreed = analysis::FitPitchLineRobustly(both);
        const double agreedMiddle = agreed ? agreed->start + agreed->slope * double(n) / 2 : 0;
        if (agreed && agreedMiddle >= analysis::LowestFundamental &&
            agreedMiddle <= analysis::HighestFundamental && agreed->start > 0)
            return 0;
        try {
            (void)analysis::Analyse(recording);
        } catch (const AppError& error) {
            fuzz::Check(error.text() == NoFundamentalText(), "a note without pitch is refused as such");
            return 0;
        }
        fuzz::Check(false, "a note without pitch is refused");
    }
    const double fundamental = line->start;
    const double glide = std::clamp(line->slope * double(n) / (2 * line->start), analysis::LowestGlide,
                                    analysis::HighestGlide);

    // 3. A few of the ranks the analysis fits, fitted the same way, and their model form.
    const std::vector<int> ranks = ChosenRanks(fundamental, glide, choice);
    if (ranks.empty())
        return 0;
    const analysis::ExactFit fit =
        analysis::FitExactly(recording.samples, duration, fundamental, glide, ranks);
    CheckFit(fit, ranks, recording.samples, n);

    analysis::Result result;
    result.fundamental = fundamental;
    result.glide = glide;
    result.duration = duration;
    result.harmonics = analysis::ModelHarmonics(fit.harmonics);
    result.residualDb = fit.SnrDb();
    CheckHarmonics(result.harmonics);

    // 4. The model they make renders whole.
    tmodele model;
    analysis::ApplyResult(result, model);
    fuzz::Check(model.Fundamental == fundamental && model.Glide == glide && model.Duration == duration &&
                    model.Harmonics.size() == result.harmonics.size() && model.Rendered == 0,
                "the model takes the result's fields");
    model.Render();
    fuzz::Check(model.Samples.size() == std::size_t(model.Duration) * tmodele::BytesPerTenth,
                "the imported model renders whole");
    return 0;
}
