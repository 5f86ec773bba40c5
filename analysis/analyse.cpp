#include "analysis/analyse.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "analysis/exactfit.h"
#include "analysis/harmonics.h"
#include "analysis/pitch.h"
#include "analysis/realnote.h"
#include "model/errors.h"

namespace analysis {

namespace {

constexpr int Refinements = 6;          // passes of the fundamental and glide refinement, at most
constexpr int RefiningRanks = 8;        // the strongest ranks steer the refinement
constexpr double Settled = 1e-10;       // relative change of the fundamental that ends it
constexpr double FollowsTheModel = 40;  // dB: an exact fit this good means the note is one of ours

AppError NoFundamental()
{
    return AppError(QStringLiteral("Aucune fréquence fondamentale n'a été trouvée entre 20 et 6000 Hz"));
}

// The ranks that stay below the highest partial over the whole note.
std::vector<int> RanksBelowLimit(double fundamental, double glide)
{
    const double widest = std::max(1.0, std::abs(1 + 2 * glide));  // the frequency's largest factor
    std::vector<int> ranks;
    for (int r = 1; r <= HighestRank; ++r)
        if (r * fundamental * widest < HighestPartial)
            ranks.push_back(r);
    return ranks;
}

double Peak(const FoundHarmonic& h)
{
    return *std::max_element(h.envelope.begin(), h.envelope.end());
}

double Wrap(double angle)
{
    return std::remainder(angle, 2 * std::numbers::pi);
}

// The correction of the fundamental and of the glide that the drift of the fitted phases over the
// envelope points shows: the phase of rank r at point k moves by r x (2 pi / rate) x
// (a i_k + b i_k^2 / N) when the fundamental is off by a and fundamental x glide by b.
struct Correction {
    double a = 0;  // Hz
    double b = 0;  // Hz
    bool found = false;
};

Correction PhaseDrift(const ExactFit& fit, long n, long segment)
{
    const std::vector<FoundHarmonic>& fitted = fit.harmonics;
    // Normal equations of the weighted fit with one free phase per rank, eliminated by centring.
    double saa = 0, sab = 0, sbb = 0, sya = 0, syb = 0;
    for (std::size_t h = 0; h < fitted.size(); ++h) {
        // The pairs' lengths, not their projections: a drifting phase turns a point away from the
        // harmonic's one direction.
        std::array<double, 46> length{};
        for (int k = 0; k < 46; ++k)
            length[k] = std::hypot(fit.pairs[h][k][0], fit.pairs[h][k][1]);
        const double peak = *std::max_element(length.begin(), length.end());
        if (peak <= 0)
            continue;
        std::vector<double> w, y, ca, cb;
        double previous = 0;
        bool first = true;
        for (int k = 0; k < 46; ++k) {
            const double magnitude = length[k];
            if (magnitude < 0.05 * peak)
                continue;
            double angle = std::atan2(fit.pairs[h][k][1], fit.pairs[h][k][0]);
            angle = first ? angle : previous + Wrap(angle - previous);
            first = false;
            previous = angle;

            const double i = double(std::min<long>(long(k) * segment, n - 1));
            const double scale = fitted[h].rank * 2 * std::numbers::pi / Rate;
            w.push_back(magnitude * magnitude);
            y.push_back(angle);
            ca.push_back(scale * i);
            cb.push_back(scale * i * i / double(n));
        }
        if (w.size() < 3)
            continue;
        double sw = 0, my = 0, ma = 0, mb = 0;
        for (std::size_t j = 0; j < w.size(); ++j) {
            sw += w[j];
            my += w[j] * y[j];
            ma += w[j] * ca[j];
            mb += w[j] * cb[j];
        }
        my /= sw;
        ma /= sw;
        mb /= sw;
        for (std::size_t j = 0; j < w.size(); ++j) {
            const double da = ca[j] - ma, db = cb[j] - mb, dy = y[j] - my;
            saa += w[j] * da * da;
            sab += w[j] * da * db;
            sbb += w[j] * db * db;
            sya += w[j] * dy * da;
            syb += w[j] * dy * db;
        }
    }
    const double det = saa * sbb - sab * sab;
    if (!(det > 0) || !(saa > 0))
        return {};
    return {(sya * sbb - syb * sab) / det, (syb * saa - sya * sab) / det, true};
}

struct Estimate {
    double fundamental = 0;
    double glide = 0;
};

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

    // 2. The pitch track and its line give the first fundamental and glide.
    const std::vector<double> head(samples.begin(),
                                   samples.begin() + std::min<long>(n, long(samples.size())));
    const std::optional<PitchLine> line =
        FitPitchLine(TrackPitch(head, LowestFundamental, HighestFundamental));
    report(0.2);
    Estimate estimate;
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
        estimate = {start, start > 0 ? slope * double(n) / (2 * start) : 0};
    } else {
        if (!line)
            throw NoFundamental();
        const double middle = line->start + line->slope * double(n) / 2;
        if (!(middle >= LowestFundamental && middle <= HighestFundamental) || !(line->start > 0))
            throw NoFundamental();
        estimate = {line->start, line->slope * double(n) / (2 * line->start)};
    }
    estimate.glide = std::clamp(estimate.glide, LowestGlide, HighestGlide);

    // 3. Refine the fundamental and the glide from the drift of the strongest ranks' phases
    //    over the envelope points, until the fundamental settles.
    ExactFit fit = FitExactly(samples, duration, estimate.fundamental, estimate.glide,
                              RanksBelowLimit(estimate.fundamental, estimate.glide));
    report(0.35);
    for (int pass = 0; pass < Refinements; ++pass) {
        // The strongest ranks of the last fit, fitted again alone: fewer columns, same drift.
        std::vector<FoundHarmonic> strongest = fit.harmonics;
        std::sort(strongest.begin(), strongest.end(),
                  [](const FoundHarmonic& a, const FoundHarmonic& b) { return Peak(a) > Peak(b); });
        if (strongest.size() > RefiningRanks)
            strongest.resize(RefiningRanks);
        std::vector<int> ranks;
        for (const FoundHarmonic& h : strongest)
            ranks.push_back(h.rank);
        std::sort(ranks.begin(), ranks.end());
        fit = FitExactly(samples, duration, estimate.fundamental, estimate.glide, ranks);
        const Correction correction = PhaseDrift(fit, n, long(duration) * 98);
        if (!correction.found)
            break;
        const double f = estimate.fundamental + correction.a;
        if (!(f > 0))
            break;
        const double g = (estimate.fundamental * estimate.glide + correction.b) / f;
        const bool settled = std::abs(correction.a) < Settled * estimate.fundamental;
        estimate = {f, std::clamp(g, LowestGlide, HighestGlide)};
        report(0.35 + 0.1 * (pass + 1));
        if (settled)
            break;
    }
    fit = FitExactly(samples, duration, estimate.fundamental, estimate.glide,
                     RanksBelowLimit(estimate.fundamental, estimate.glide));
    report(1.0);

    Result result;
    result.fundamental = estimate.fundamental;
    result.glide = estimate.glide;
    result.duration = duration;
    result.harmonics = ModelHarmonics(fit.harmonics);
    result.method = Method::ExactFit;
    result.residualDb = fit.SnrDb();
    // 4. A fit that leaves this much of the note unexplained shows a real note: its harmonics'
    //    magnitudes are tracked instead.
    if (result.residualDb < FollowsTheModel)
        AnalyseRealNote(samples, duration, fundamental, result);
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
