#include "analysis/analyse.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "analysis/exactfit.h"
#include "analysis/harmonics.h"
#include "analysis/pitch.h"
#include "analysis/realnote.h"
#include "analysis/search.h"
#include "model/errors.h"

namespace analysis {

namespace {

constexpr double Harmonic = 10;  // dB: a fit that explains this much found a harmonic sound

AppError NoFundamental()
{
    return AppError(QStringLiteral("Aucune fréquence fondamentale n'a été trouvée entre 20 et 6000 Hz"));
}

}  // namespace

std::optional<double> EstimateFundamental(const Recording& recording)
{
    const std::vector<double> note(recording.samples.begin() + long(recording.start),
                                   recording.samples.end());
    const std::optional<PitchLine> line =
        FitPitchLine(TrackPitch(note, LowestFundamental, HighestFundamental));
    if (!line)
        return std::nullopt;
    // The pitch at the note's middle: what a listener names.
    const double middle = line->start + line->slope * double(note.size()) / 2;
    if (!(middle >= LowestFundamental && middle <= HighestFundamental))
        return std::nullopt;
    return CheckOctave(note, middle);
}

Result Analyse(const Recording& recording, std::optional<double> fundamental, const Progress& progress)
{
    auto report = [&](double fraction) {
        if (progress)
            progress(fraction);
    };
    // 1. The samples the model will describe, from the recording's first sample, and their
    //    length in whole tenths.
    const std::vector<double>& samples = recording.samples;
    const int duration = int(std::clamp<std::size_t>(samples.size() / SamplesPerTenth, 1, MaxTenths));
    const long n = long(duration) * long(SamplesPerTenth);

    // 2. The pitch track gives the first fundamental and glide: the line through its frames, and
    //    the line most of its frames agree with, over a track with frames long enough for the
    //    lowest pitch and over one with short frames, which a fast glide or fast-changing
    //    envelopes leave periodic.
    const std::vector<double> head(samples.begin(),
                                   samples.begin() + std::min<long>(n, long(samples.size())));
    std::vector<PitchFrame> track = TrackPitch(head, LowestFundamental, HighestFundamental);
    const std::optional<PitchLine> line = FitPitchLine(track);
    const std::vector<PitchFrame> shortFrames = TrackPitch(head, ShortFramesFrom, HighestFundamental);
    track.insert(track.end(), shortFrames.begin(), shortFrames.end());
    const std::optional<PitchLine> agreed = FitPitchLineRobustly(track);
    report(0.2);
    // The model's fundamental is where the pitch starts; a glide can take the pitch beyond
    // 6000 Hz by the middle of the note, which the track then follows no further. A line above
    // the range all along followed a partial: its fractions are tried.
    auto within = [](double f) { return f >= LowestFundamental && f <= HighestFundamental; };
    std::vector<Estimate> starts, beyond;
    auto estimateOf = [&](const PitchLine& l) -> std::optional<Estimate> {
        const double middle = l.start + l.slope * double(n) / 2;
        if (!(l.start > 0))
            return std::nullopt;
        const Estimate estimate{l.start,
                                std::clamp(l.slope * double(n) / (2 * l.start), LowestGlide, HighestGlide)};
        if (!(within(middle) || within(l.start))) {
            if (l.start > HighestFundamental && middle > HighestFundamental)
                beyond.push_back(estimate);
            return std::nullopt;
        }
        return estimate;
    };
    if (fundamental) {
        if (!(*fundamental >= LowestFundamental && *fundamental <= HighestFundamental))
            throw NoFundamental();
        // The typed pitch is the note's middle, as the estimate shows it; the track's slope, when
        // it agrees with the typed octave, gives the glide.
        double slope = 0;
        if (line) {
            const double middle = line->start + line->slope * double(n) / 2;
            if (middle > 0 && std::abs(std::log2(middle / *fundamental)) < 0.3)
                slope = line->slope * (*fundamental / middle);
        }
        const double start = *fundamental - slope * double(n) / 2;
        starts.push_back({start, start > 0 ? slope * double(n) / (2 * start) : 0});
    } else {
        for (const std::optional<PitchLine>& l : {agreed, line})
            if (l)
                if (const std::optional<Estimate> e = estimateOf(*l))
                    starts.push_back(*e);
        if (starts.empty())
            throw NoFundamental();
    }

    // 3. Refine each start over growing stretches of the note and fit every rank over the whole
    //    of it; without a typed pitch, whole fractions of the best too.
    const Search search = SearchFundamental(samples, duration, starts, !fundamental, beyond);
    report(0.85);

    Result result;
    result.fundamental = search.estimate.fundamental;
    result.glide = search.estimate.glide;
    result.duration = duration;
    result.harmonics = ModelHarmonics(search.fit.harmonics);
    result.method = Method::ExactFit;
    result.residualDb = search.fit.ModelSnrDb();
    // 4. A fit that leaves this much of the note unexplained shows a real note: its harmonics'
    //    magnitudes are tracked instead.
    //    When that path finds no pitch of its own, a fit that still explains the note is kept.
    if (result.residualDb < FollowsTheModel) {
        try {
            Result real = result;
            AnalyseRealNote(samples, duration, fundamental, real);
            result = std::move(real);
        } catch (const AppError&) {
            if (result.residualDb < Harmonic)
                throw;
        }
    }
    report(1.0);
    return result;
}

void ApplyResult(const Result& result, tmodele& model)
{
    model.Fundamental = result.fundamental;
    model.Glide = result.glide;
    model.Duration = std::uint16_t(result.duration);
    model.Harmonics = result.harmonics;
    model.Rendered = 0;
}

}  // namespace analysis
