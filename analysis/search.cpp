#include "analysis/search.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <numeric>

#include "analysis/analyse.h"
#include "analysis/exactfit.h"
#include "analysis/fft.h"
#include "analysis/jointfit.h"
#include "analysis/owntime.h"
#include "analysis/recording.h"
#include "model/tmodele.h"

namespace analysis {

namespace {

constexpr int PassesPerStage = 2;        // refinements of one stretch, at most
constexpr int PassesAtTheEnd = 6;        // refinements over the whole note, at most
constexpr int RefiningRanks = 8;         // the strongest ranks steer the refinement
constexpr double Settled = 1e-10;        // relative change of the fundamental that ends a stage
constexpr long FinestSegment = 98;       // samples: a one-tenth model's envelope segment
constexpr double Agreeing = 0.03;        // relative distance of a frame to the line it agrees with
constexpr double Present = 1e-6;         // of a stretch's energy: a first rank that is there
constexpr double SameStart = 1e-3;       // relative: starts this close are refined once
constexpr int Drawn = 64;                // frames the robust line is drawn from, at most
constexpr long MostSegments = 45;        // envelope segments of a judging fit, at most
constexpr double SeparatingPeriods = 2;  // periods of the fundamental a judging segment spans
constexpr double Steering = 0.1;         // of the strongest rank's peak: a rank that can steer
constexpr int TakingRounds = 24;         // rounds of ranks taken in, at most
constexpr double TakenTogether = 0.5;    // of the strongest left: ranks taken in the same round
constexpr double Exact = 70;             // dB: a fit this good needs no further rank
constexpr std::size_t PeakFrame = 4096;  // samples: the frame the strongest peak is found in
constexpr int PolishingPasses = 3;       // refinements steered by every rank found, at most
constexpr int StallingRounds = 3;        // rounds with no better fit that end the taking in
constexpr int MendingSteps = 32;         // ranks left out or taken in one at a time, at most
constexpr double Negligible = 0.1;       // dB: what leaving a rank out may cost
constexpr double Worth = 1;              // dB: what taking a rank in must gain
constexpr int CrowdedRounds = 4;         // joint fits then ranks mended, at most
constexpr double Polishable = 10;        // dB: a fit that has found the note, if not to the last bit
constexpr int JointRanks = 30;           // ranks of a joint fit, at most: its equations are dense
constexpr int JointMendingSteps = 8;     // ranks left out or taken in on joint fits, at most
constexpr int JointAdds = 4;             // ranks the joint fits try taking in each step: those the
                                         // free fits favour
constexpr double LevelTolerance = 1e-3;  // of the renderer's level: peaks that add up to more
constexpr double OwnTimeReach = 0.1;     // glide: how far from a start's the own-time scan looks
constexpr int MostTrials = 24;           // fractions refined, at most: where the glide crowds the
                                         // ranks every fraction passes the judging fit, and each
                                         // refinement ends in a rank-by-rank fit

double Peak(const FoundHarmonic& h)
{
    return *std::max_element(h.envelope.begin(), h.envelope.end());
}

// The largest envelope point of any of `harmonics`.
double StrongestOf(const std::vector<FoundHarmonic>& harmonics)
{
    double peak = 0;
    for (const FoundHarmonic& h : harmonics)
        peak = std::max(peak, Peak(h));
    return peak;
}

double Wrap(double angle)
{
    return std::remainder(angle, 2 * std::numbers::pi);
}

// The correction of the fundamental and of the glide that the drift of the fitted phases over the
// envelope points shows: the phase of rank r at point k moves by r x (2 pi / rate) x
// (a i_k + b i_k^2 / N) when the fundamental is off by a and fundamental x glide by b.
struct Correction {
    double a = 0;      // Hz
    double b = 0;      // Hz
    double alone = 0;  // Hz: the fundamental's correction with the glide held
    bool found = false;
};

using Pairs = std::vector<std::vector<std::array<double, 2>>>;  // each rank's points

Pairs PairsOf(const ExactFit& fit)
{
    Pairs pairs;
    for (const auto& points : fit.pairs)
        pairs.emplace_back(points.begin(), points.end());
    return pairs;
}

// Points `segment` samples apart; `n` the note's length in samples, which the glide is relative to.
// When several ranks steer, points where the glide has slowed the pitch under half the
// fundamental's are left out: there the ranks crowd together, the fit trades their pairs back and
// forth, and the angles turn with that trade rather than with the fundamental. A rank followed
// alone has no neighbour in the fit to trade with, and its late points read the glide best.
Correction PhaseDrift(const Pairs& pairs, const std::vector<int>& ranks, long segment, long n, double glide)
{
    // Normal equations of the weighted fit with one free phase per rank, eliminated by centring.
    double saa = 0, sab = 0, sbb = 0, sya = 0, syb = 0;
    const double crowded = pairs.size() > 1 ? CrowdingPitch : -HUGE_VAL;  // of the fundamental
    for (std::size_t h = 0; h < pairs.size(); ++h) {
        // The pairs' lengths, not their projections: a drifting phase turns a point away from the
        // harmonic's one direction.
        const int points = int(pairs[h].size());
        std::vector<double> length(points);
        for (int k = 0; k < points; ++k)
            length[k] = std::hypot(pairs[h][k][0], pairs[h][k][1]);
        const double peak = *std::max_element(length.begin(), length.end());
        if (peak <= 0)
            continue;
        std::vector<double> w, y, ca, cb;
        double previous = 0;
        bool first = true;
        for (int k = 0; k < points; ++k) {
            const double magnitude = length[k];
            if (magnitude < 0.05 * peak || 1 + 2 * glide * double(long(k) * segment) / double(n) < crowded)
                continue;
            double angle = std::atan2(pairs[h][k][1], pairs[h][k][0]);
            angle = first ? angle : previous + Wrap(angle - previous);
            first = false;
            previous = angle;

            const double i = double(long(k) * segment);
            const double scale = ranks[h] * 2 * std::numbers::pi / Rate;
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
    return {(sya * sbb - syb * sab) / det, (syb * saa - sya * sab) / det, sya / saa, true};
}

// The strongest ranks of a fit of every rank over the first `stretch` tenths: they steer the
// refinement.
// The shortest envelope segment, samples, whose knots hold the note's own (a whole fraction of its
// segment) and that is at least a period of the fundamental long: shorter, a rank's envelope
// could pass for its neighbours.
long GridSegment(int duration, double fundamental)
{
    for (int q = 1; q < duration; ++q)
        if (duration % q == 0 && double(q * FinestSegment) >= Rate / fundamental)
            return q * FinestSegment;
    return duration * FinestSegment;
}

// Whether the note's own envelope segments span two periods of its lowest pitch: then a fit of
// every rank tells neighbouring ranks apart. A glide towards -0.5 slows the pitch almost to a
// stop by the note's end.
bool Separable(int duration, const Estimate& estimate)
{
    const double lowest = estimate.fundamental * std::min(1.0, 1 + 2 * estimate.glide);  // Hz
    return lowest > 0 && double(duration) * FinestSegment * lowest >= SeparatingPeriods * Rate;
}

// Each rank's largest envelope point over the first `stretch` tenths, judged on segments of at
// least two periods: on shorter ones neighbouring ranks cannot be told apart, and the fit trades
// their energy back and forth, so that a rank the note does not have can look the strongest.
// Envelopes need not be exact here, only their size.
std::vector<std::pair<double, int>> RankPeaks(const std::vector<double>& samples, int stretch, int duration,
                                              const Estimate& estimate)
{
    const long n = long(duration) * long(SamplesPerTenth);
    const long periods = long(std::ceil(SeparatingPeriods * Rate / estimate.fundamental));
    // No more points than a model's envelope has: the fit's cost grows with them, and longer
    // segments still tell neighbours apart.
    const long stretchSamples = long(stretch) * long(SamplesPerTenth);
    const long longEnough = std::max(periods, (stretchSamples + MostSegments - 1) / MostSegments);
    const long segment = std::max<long>(1, (longEnough + FinestSegment - 1) / FinestSegment) * FinestSegment;
    const int segments = int(std::max<long>(2, stretchSamples / segment));
    const std::vector<int> all = RanksBelowLimit(estimate.fundamental, estimate.glide);
    const GridFit fit =
        FitOnGrid(samples, segment, segments, estimate.fundamental, estimate.glide / double(n), all);
    std::vector<std::pair<double, int>> peaks;  // largest point, rank
    for (std::size_t h = 0; h < all.size(); ++h) {
        double peak = 0;
        for (const auto& pair : fit.pairs[h])
            peak = std::max(peak, std::hypot(pair[0], pair[1]));
        peaks.emplace_back(peak, all[h]);
    }
    return peaks;
}

// `standingOut`: only ranks above both neighbours, for the stretches. There a strong rank's
// neighbours get a share of it, never more than it has, and steering by them turns the stretch
// as much as the rank they stand beside. Over the whole note, a strong rank left out of the
// steering holds the fundamental off instead.
std::vector<int> StrongestRanks(const std::vector<double>& samples, int stretch, int duration,
                                const Estimate& estimate, bool standingOut)
{
    const std::vector<std::pair<double, int>> all = RankPeaks(samples, stretch, duration, estimate);
    // Only ranks clearly there steer: one the note lacks has nothing but noise to turn.
    std::vector<std::pair<double, int>> peaks;
    for (std::size_t h = 0; h < all.size(); ++h)
        if (!standingOut || ((h == 0 || all[h].first >= all[h - 1].first) &&
                             (h + 1 == all.size() || all[h].first >= all[h + 1].first)))
            peaks.push_back(all[h]);
    std::sort(peaks.begin(), peaks.end(), std::greater<>());
    std::vector<int> ranks;
    for (const auto& [peak, rank] : peaks)
        if (int(ranks.size()) < RefiningRanks && peak >= Steering * peaks.front().first)
            ranks.push_back(rank);
    std::sort(ranks.begin(), ranks.end());
    return ranks;
}

// One stretch's refinement: corrections from the phase drift of `ranks` until the fundamental
// settles. Before the whole note, the stretch is fitted on a grid of the finest envelope segments
// any model has, whose knots hold every model's own: a fundamental far off still shows as a slow
// turn of the points, and the envelopes stay exact. Over the whole note, the model's own grid,
// where a turn can only be the fundamental's.
//
// `shortest`, samples: the shortest segment a stretch is fitted on. A partial followed alone needs
// segments long enough to tell it from partials a lowest fundamental away, which a grid as fine
// as the partial's own period would not.
Estimate RefineStretch(const std::vector<double>& samples, int stretch, int duration,
                       const std::vector<int>& ranks, int passes, Estimate estimate, long shortest = 0)
{
    const long n = long(duration) * long(SamplesPerTenth);
    for (int pass = 0; pass < passes; ++pass) {
        Correction correction;
        if (stretch < duration) {
            long segment = GridSegment(duration, estimate.fundamental);
            if (segment < shortest)
                segment = (shortest + FinestSegment - 1) / FinestSegment * FinestSegment;
            const int segments = int(long(stretch) * long(SamplesPerTenth) / segment);
            const GridFit fit = FitOnGrid(samples, segment, segments, estimate.fundamental,
                                          estimate.glide / double(n), ranks);
            correction = PhaseDrift(fit.pairs, ranks, segment, n, estimate.glide);
        } else {
            const ExactFit fit = FitExactly(samples, duration, estimate.fundamental, estimate.glide, ranks);
            correction = PhaseDrift(PairsOf(fit), ranks, long(duration) * FinestSegment, n, estimate.glide);
        }
        if (!correction.found)
            break;
        // Over a stretch short beside the note, the glide's share of the drift is too small to
        // read: the fundamental alone is corrected there.
        if (stretch * 4 < duration)
            correction = {correction.alone, 0, correction.alone, true};
        const double f = estimate.fundamental + correction.a;
        if (!(f > 0))
            break;
        const double g = (estimate.fundamental * estimate.glide + correction.b) / f;
        const bool settled = std::abs(correction.a) < Settled * estimate.fundamental;
        estimate = {f, std::clamp(g, LowestGlide, HighestGlide)};
        if (settled)
            break;
    }
    return estimate;
}

// A partial followed alone over growing stretches as the fundamental of a note of one rank, into
// `partials` unless one as close is there. Followed twice: on the finest grid, whose points turn
// with the partial however far off the glide starts; and on segments that tell it from partials
// a lowest fundamental away, which the finest grid mixes in when they are strong.
void FollowAlone(const std::vector<double>& samples, int duration, const Estimate& start,
                 std::vector<Estimate>& partials)
{
    for (const long shortest : {0L, long(std::ceil(Rate / LowestFundamental))}) {  // samples
        Estimate partial = start;
        for (int stretch = 1; stretch < duration; stretch *= 2)
            partial = RefineStretch(samples, stretch, duration, {1}, PassesPerStage, partial, shortest);
        partial = RefineStretch(samples, duration, duration, {1}, PassesAtTheEnd, partial);
        const bool seen = std::any_of(partials.begin(), partials.end(), [&](const Estimate& other) {
            return std::abs(other.fundamental / partial.fundamental - 1) < SameStart;
        });
        if (!seen && partial.fundamental > 0)
            partials.push_back(partial);
    }
}

// The note's strongest peak where it starts: a partial the note surely has, even when the pitch
// track settled between two of them. Found in a Hann frame at the start (zero-padded four times, the
// peak refined by a parabola through its log magnitudes) and taken back to the first sample with
// the glide.
std::optional<Estimate> StrongestPeak(const std::vector<double>& samples, int duration, double glide)
{
    const long n = long(duration) * long(SamplesPerTenth);
    const std::size_t frame = std::min<std::size_t>(PeakFrame, samples.size());
    if (frame < 16)
        return std::nullopt;
    RealFft fft(4 * PeakFrame);
    const std::vector<double> window = HannWindow(frame);
    std::fill(fft.Input(), fft.Input() + fft.Size(), 0.0);
    for (std::size_t i = 0; i < frame; ++i)
        fft.Input()[i] = samples[i] * window[i];
    fft.Run();
    const double binWidth = double(Rate) / double(fft.Size());  // Hz
    std::size_t best = 0;
    double bestMagnitude = 0;
    for (std::size_t k = std::size_t(std::ceil(LowestFundamental / binWidth)); k + 1 < fft.Size() / 2; ++k)
        if (std::abs(fft.Bin(k)) > bestMagnitude) {
            bestMagnitude = std::abs(fft.Bin(k));
            best = k;
        }
    if (best == 0)
        return std::nullopt;
    const double offset = RefinePeak(std::log(std::abs(fft.Bin(best - 1)) + 1e-300), std::log(bestMagnitude),
                                     std::log(std::abs(fft.Bin(best + 1)) + 1e-300))
                              .offset;
    // The frame's middle is where its pitch is measured; the glide's law goes back from there.
    const double middle = double(frame) / 2;
    Estimate partial{(double(best) + offset) * binWidth / (1 + 2 * glide * middle / double(n)), glide};
    if (!(partial.fundamental > 0))
        return std::nullopt;
    return partial;
}

}  // namespace

ExactFit FitNote(const std::vector<double>& samples, int duration, const Estimate& estimate)
{
    const std::vector<int> all = RanksBelowLimit(estimate.fundamental, estimate.glide);
    ExactFit best = FitExactly(samples, duration, estimate.fundamental, estimate.glide, all);
    if (Separable(duration, estimate))
        return best;
    // 1. What is left to explain: at first the whole note.
    // 2. Each round takes in the strongest rank of what is left, and those nearly as strong that
    //    stand above their neighbours, fits the ranks taken so far exactly, takes what they
    //    explain away, and keeps the best fit in the model's form.
    const long n = long(duration) * long(SamplesPerTenth);
    std::vector<double> left(samples.begin(), samples.begin() + std::min<long>(n, long(samples.size())));
    left.resize(std::size_t(n), 0.0);
    // Ranks are told apart where the pitch is still at least half the fundamental's: a glide
    // towards -0.5 leaves every rank near nothing by the note's end.
    const double crowding = (1 - CrowdingPitch) / 2;  // of glide x duration: where the pitch gets there
    const int judged = estimate.glide < -crowding
                           ? std::clamp(int(double(duration) * crowding / -estimate.glide), 1, duration)
                           : duration;
    std::vector<int> taken;
    double takenBest = -HUGE_VAL;  // dB: the best fit of the ranks taken in so far
    int stalled = 0;               // rounds since it last improved
    for (int round = 0; round < TakingRounds && taken.size() < all.size(); ++round) {
        const std::vector<std::pair<double, int>> peaks = RankPeaks(left, judged, duration, estimate);
        auto isTaken = [&](int rank) { return std::find(taken.begin(), taken.end(), rank) != taken.end(); };
        double top = 0;
        for (const auto& [peak, rank] : peaks)
            if (!isTaken(rank))
                top = std::max(top, peak);
        if (!(top > 0))
            break;
        // The strongest left, and any other as strong that stands above its neighbours: a strong
        // rank's neighbours take a share of it in this fit, never more than it has.
        for (std::size_t h = 0; h < peaks.size(); ++h) {
            const double peak = peaks[h].first;
            const bool standsOut = (h == 0 || peak >= peaks[h - 1].first) &&
                                   (h + 1 == peaks.size() || peak >= peaks[h + 1].first);
            if (!isTaken(peaks[h].second) && (peak == top || (standsOut && peak >= TakenTogether * top)))
                taken.push_back(peaks[h].second);
        }
        std::sort(taken.begin(), taken.end());
        ExactFit fit = FitExactly(samples, duration, estimate.fundamental, estimate.glide, taken);
        const std::vector<double> explained = Synthesise(fit, duration, estimate.fundamental, estimate.glide);
        for (long i = 0; i < n; ++i)
            left[std::size_t(i)] =
                (i < long(samples.size()) ? samples[std::size_t(i)] : 0.0) - explained[std::size_t(i)];
        const bool exact = fit.ModelSnrDb() >= Exact;
        // A fundamental that is not the note's explains less with every rank taken in: its
        // fits trade what one rank explains against another.
        stalled = fit.ModelSnrDb() > takenBest ? 0 : stalled + 1;
        takenBest = std::max(takenBest, fit.ModelSnrDb());
        if (fit.ModelSnrDb() > best.ModelSnrDb())
            best = std::move(fit);
        if (exact || stalled >= StallingRounds)
            break;
    }
    return best;
}

namespace {

// The ranks of `at` mended one at a time: the weakest rank whose leaving out costs under
// `Negligible` goes; when none does, the best of `candidates(at, taken)` whose taking in gains
// at least `Worth` comes in. `fitOf(at, ranks)` judges each change.
template <class FitOf, class Candidates>
Search Mend(Search at, int steps, FitOf&& fitOf, Candidates&& candidates)
{
    for (int step = 0; step < steps && at.fit.ModelSnrDb() < Exact; ++step) {
        std::vector<int> taken;
        for (const FoundHarmonic& h : at.fit.harmonics)
            taken.push_back(h.rank);
        // The weakest first: the first whose leaving out costs little goes.
        std::vector<std::size_t> weakest(taken.size());
        std::iota(weakest.begin(), weakest.end(), std::size_t(0));
        std::sort(weakest.begin(), weakest.end(), [&](std::size_t a, std::size_t b) {
            return Peak(at.fit.harmonics[a]) < Peak(at.fit.harmonics[b]);
        });
        std::optional<Search> better;
        for (std::size_t w = 0; w < weakest.size() && taken.size() > 1 && !better; ++w) {
            std::vector<int> fewer = taken;
            fewer.erase(fewer.begin() + long(weakest[w]));
            Search trial = fitOf(at, fewer);
            if (trial.fit.ModelSnrDb() > at.fit.ModelSnrDb() - Negligible)
                better = std::move(trial);
        }
        if (!better) {
            for (const int rank : candidates(at, taken)) {
                std::vector<int> more = taken;
                more.insert(std::upper_bound(more.begin(), more.end(), rank), rank);
                Search trial = fitOf(at, more);
                if (trial.fit.ModelSnrDb() >= at.fit.ModelSnrDb() + Worth &&
                    (!better || trial.fit.ModelSnrDb() > better->fit.ModelSnrDb()))
                    better = std::move(trial);
            }
        }
        if (!better)
            break;
        at = std::move(*better);
    }
    return at;
}

// The ranks of `all` that `taken` lacks, in their order.
std::vector<int> Untaken(const std::vector<int>& all, const std::vector<int>& taken)
{
    std::vector<int> left;
    for (const int rank : all)
        if (std::find(taken.begin(), taken.end(), rank) == taken.end())
            left.push_back(rank);
    return left;
}

// Where the glide crowds the ranks, a rank taken in for what its crowded neighbours left holds a
// place the note's own rank should: the ranks of `fit` mended on exact fits at `estimate`, every
// rank a candidate.
ExactFit MendRanks(const std::vector<double>& samples, int duration, const Estimate& estimate, ExactFit fit)
{
    const std::vector<int> all = RanksBelowLimit(estimate.fundamental, estimate.glide);
    auto exactly = [&](const Search& at, const std::vector<int>& ranks) {
        return Search{at.estimate,
                      FitExactly(samples, duration, at.estimate.fundamental, at.estimate.glide, ranks)};
    };
    auto every = [&](const Search&, const std::vector<int>& taken) { return Untaken(all, taken); };
    return Mend(Search{estimate, std::move(fit)}, MendingSteps, exactly, every).fit;
}

// The ranks of `at` mended on joint fits: a fundamental a millionth off still turns the crowded
// ranks' phases, and exact fits there favour a rank taken in for what that turn leaves over the
// note's own. The candidates are the `JointAdds` the free fit favours: its pairs turn with what
// the fundamental leaves of the phases, where the model's one phase a rank cannot.
Search MendJointly(const std::vector<double>& samples, int duration, const Search& at)
{
    const std::vector<int> all = RanksBelowLimit(at.estimate.fundamental, at.estimate.glide);
    auto jointly = [&](const Search& from, const std::vector<int>& ranks) {
        const Estimate& e = from.estimate;
        JointFit joint =
            FitJointly(samples, duration, e, FitExactly(samples, duration, e.fundamental, e.glide, ranks));
        return Search{joint.estimate, std::move(joint.fit)};
    };
    auto favoured = [&](const Search& from, const std::vector<int>& taken) {
        std::vector<std::pair<double, int>> scored;  // free fit's dB with the rank, rank
        for (const int rank : Untaken(all, taken)) {
            std::vector<int> more = taken;
            more.insert(std::upper_bound(more.begin(), more.end(), rank), rank);
            const Estimate& e = from.estimate;
            scored.emplace_back(FitExactly(samples, duration, e.fundamental, e.glide, more).SnrDb(), rank);
        }
        std::sort(scored.begin(), scored.end(), std::greater<>());
        std::vector<int> ranks;
        for (std::size_t a = 0; a < scored.size() && a < JointAdds; ++a)
            ranks.push_back(scored[a].second);
        return ranks;
    };
    return Mend(at, JointMendingSteps, jointly, favoured);
}

}  // namespace

std::vector<int> RanksBelowLimit(double fundamental, double glide)
{
    const double widest = std::max(1.0, std::abs(1 + 2 * glide));  // the frequency's largest factor
    std::vector<int> ranks;
    for (int r = 1; r <= HighestRank; ++r)
        if (r * fundamental * widest < HighestPartial)
            ranks.push_back(r);
    return ranks;
}

// 1. Over 1, 2, 4, ... tenths, steered by the strongest ranks of the first tenth.
// 2. Over the whole note, steered by its own strongest ranks.
Estimate RefineOverPrefixes(const std::vector<double>& samples, int duration, Estimate estimate)
{
    // The stretch that chooses the steering ranks has at least twice as many samples as the fit
    // has unknowns (92 a rank): with fewer, every rank looks strong.
    const int ranks = int(RanksBelowLimit(estimate.fundamental, estimate.glide).size());
    const int choosing =
        std::clamp((92 * ranks * 2 + int(SamplesPerTenth) - 1) / int(SamplesPerTenth), 1, duration);
    const std::vector<int> early = StrongestRanks(samples, choosing, duration, estimate, true);
    for (int stretch = 1; stretch < duration; stretch *= 2)
        estimate = RefineStretch(samples, stretch, duration, early, PassesPerStage, estimate);
    // Over the whole note every rank it has steers where neighbours cannot be told apart: one left
    // out leaks into the fit of the others and holds the fundamental off by as much as it shows.
    std::vector<int> steering = StrongestRanks(samples, duration, duration, estimate, false);
    if (!Separable(duration, estimate)) {
        steering.clear();
        for (const FoundHarmonic& h : FitNote(samples, duration, estimate).harmonics)
            steering.push_back(h.rank);
    }
    return RefineStretch(samples, duration, duration, steering, PassesAtTheEnd, estimate);
}

std::optional<PitchLine> FitPitchLineRobustly(const std::vector<PitchFrame>& track)
{
    // 1. Every line through two of (at most) `Drawn` frames spread over the track; the one most
    //    frames agree with wins.
    std::vector<const PitchFrame*> drawn;
    const std::size_t stride = std::max<std::size_t>(1, track.size() / Drawn);
    for (std::size_t k = 0; k < track.size(); k += stride)
        drawn.push_back(&track[k]);
    auto agreeing = [&](double start, double slope, auto&& each) {
        int count = 0;
        for (const PitchFrame& frame : track) {
            const double expected = start + slope * frame.time;
            if (expected > 0 && std::abs(frame.frequency - expected) < Agreeing * expected) {
                ++count;
                each(frame);
            }
        }
        return count;
    };
    int best = 0;
    PitchLine line;
    for (std::size_t a = 0; a < drawn.size(); ++a) {
        for (std::size_t b = a; b < drawn.size(); ++b) {
            const double dt = drawn[b]->time - drawn[a]->time;
            const double slope = dt > 0 ? (drawn[b]->frequency - drawn[a]->frequency) / dt : 0.0;
            const double start = drawn[a]->frequency - slope * drawn[a]->time;
            const int count = agreeing(start, slope, [](const PitchFrame&) {});
            if (count > best) {
                best = count;
                line = {start, slope};
            }
        }
    }
    if (best < 3)
        return std::nullopt;
    // 2. The least-squares line through the frames that agree with it.
    double st = 0, sf = 0, stt = 0, stf = 0;
    agreeing(line.start, line.slope, [&](const PitchFrame& frame) {
        st += frame.time;
        sf += frame.frequency;
        stt += frame.time * frame.time;
        stf += frame.time * frame.frequency;
    });
    const double count = best;
    const double spread = stt - st * st / count;
    if (spread <= 0)
        return PitchLine{sf / count, 0};
    const double slope = (stf - st * sf / count) / spread;
    return PitchLine{(sf - slope * st) / count, slope};
}

// 1. Each start refined, and fitted with every rank over the whole note; the best kept.
// 2. When it does not explain the note and a start's glide all but stops the pitch, the note in
//    its own time gives one more start.
// 3. When it still does not, the whole fractions of its partials down to 20 Hz, each judged by a
//    fit over the first tenth; the first that explains it as well as the best of them is refined
//    in turn.
// 4. Ranks that all share a divisor mean a fundamental that many times higher.
// 5. A fit short of the last bit is steered once more by every rank found.
// 6. Where the glide crowds the ranks: joint fits and ranks mended in turn, then mended on joint
//    fits, then the crowded points held under their ranks' peaks.
Search SearchFundamental(const std::vector<double>& samples, int duration,
                         const std::vector<Estimate>& starts, bool tryFractions,
                         const std::vector<Estimate>& beyond)
{
    Search best;
    bool found = false;
    auto consider = [&](Estimate start) {
        start.glide = std::clamp(start.glide, LowestGlide, HighestGlide);
        // The start as it is too, when the refinement did not explain the note: it can stray from
        // a start that was already right when its steering ranks are poorly chosen.
        auto trial = [&](const Estimate& estimate) {
            ExactFit fit = FitNote(samples, duration, estimate);
            if (!found || fit.ModelSnrDb() > best.fit.ModelSnrDb()) {
                best = {estimate, std::move(fit)};
                found = true;
            }
        };
        trial(RefineOverPrefixes(samples, duration, start));
        if (best.fit.ModelSnrDb() < FollowsTheModel)
            trial(start);
    };
    for (std::size_t s = 0; s < starts.size(); ++s) {
        const Estimate& start = starts[s];
        const bool seen = std::any_of(starts.begin(), starts.begin() + long(s), [&](const Estimate& earlier) {
            return std::abs(earlier.fundamental / start.fundamental - 1) < SameStart &&
                   std::abs(earlier.glide - start.glide) < SameStart;
        });
        if (seen)
            continue;
        consider(start);
        if (best.fit.ModelSnrDb() >= FollowsTheModel)
            break;
    }
    if (!found)
        return best;

    // 2. Where a start's glide slows the pitch under half the fundamental's, the note in its own
    //    time: its lines give the glide and the fundamental that the track, following the
    //    crowded ranks, could not.
    if (tryFractions && best.fit.ModelSnrDb() < FollowsTheModel)
        for (const Estimate& start : starts)
            if (1 + 2 * start.glide < CrowdingPitch && best.fit.ModelSnrDb() < FollowsTheModel)
                if (const std::optional<Estimate> own =
                        EstimateInOwnTime(samples, duration, start.glide, OwnTimeReach))
                    consider(*own);

    if (tryFractions && best.fit.ModelSnrDb() < FollowsTheModel) {
        // 3a. The fundamental is a whole fraction of any of the note's partials: of the strongest
        //     partial found, of the lines above the range, of the strongest peak of the note's
        //     start and of the starts themselves (a track can follow a partial all the way), each
        //     followed alone first (a fundamental a little off puts its high ranks far from the
        //     note's partials, and a fraction of the partial as found would be as far off).
        const auto strongest = std::max_element(
            best.fit.harmonics.begin(), best.fit.harmonics.end(),
            [](const FoundHarmonic& a, const FoundHarmonic& b) { return Peak(a) < Peak(b); });
        const int rank = strongest == best.fit.harmonics.end() ? 1 : strongest->rank;
        const Estimate found =
            RefineStretch(samples, duration, duration, {rank}, PassesAtTheEnd, best.estimate);
        std::vector<Estimate> partials{{found.fundamental * rank, found.glide}};
        for (const Estimate& line : beyond)
            FollowAlone(samples, duration, line, partials);
        if (const std::optional<Estimate> peak = StrongestPeak(samples, duration, best.estimate.glide))
            FollowAlone(samples, duration, *peak, partials);
        for (const Estimate& start : starts)
            FollowAlone(samples, duration, start, partials);
        // 3b. The first fraction that explains the note.
        const long n = long(duration) * long(SamplesPerTenth);
        int trials = 0;
        for (const Estimate& partial : partials) {
            for (int m = 1;
                 m <= HighestRank && best.fit.ModelSnrDb() < FollowsTheModel && trials < MostTrials; ++m) {
                const double f = partial.fundamental / m;
                if (f > HighestFundamental || std::abs(f / best.estimate.fundamental - 1) < 1e-9)
                    continue;
                if (f < LowestFundamental)
                    break;
                // Judged over a stretch with four times as many samples as unknowns, where an
                // envelope cannot pass for a partial far from its rank.
                const std::vector<int> ranks = RanksBelowLimit(f, partial.glide);
                const long judging = std::clamp<long>(92 * long(ranks.size()) * 4, 1, n);  // samples
                const long segment = long(duration) * FinestSegment;  // the note's own grid
                const int segments = int(std::min<long>(45, (judging + segment - 1) / segment));
                // Its first rank alone first, cheaply: a model always has one, and below the
                // note's own fundamental there is nothing there.
                const GridFit first =
                    FitOnGrid(samples, segment, segments, f, partial.glide / double(n), {1});
                if (!(first.signal - first.residual >= Present * first.signal))
                    continue;
                if (FitOnGrid(samples, segment, segments, f, partial.glide / double(n), ranks).SnrDb() <
                    FollowsTheModel)
                    continue;
                consider({f, partial.glide});
                ++trials;
            }
        }
    }

    // 4. A divisor of every rank found.
    int divisor = 0;
    const double strongest = StrongestOf(best.fit.harmonics);
    for (const FoundHarmonic& h : best.fit.harmonics)
        if (Peak(h) >= LeftOutBelow * strongest)
            divisor = std::gcd(divisor, h.rank);
    if (divisor > 1 && best.estimate.fundamental * divisor <= HighestFundamental) {
        const Estimate higher{best.estimate.fundamental * divisor, best.estimate.glide};
        ExactFit fit = FitNote(samples, duration, higher);
        if (fit.ModelSnrDb() >= best.fit.ModelSnrDb() - 1)
            best = {higher, std::move(fit)};
    }

    // 5. A fit that follows the model but not to its last bit was steered by a few ranks, and the
    //    ranks left out hold the fundamental a little off: every rank found steers once more.
    if (best.fit.ModelSnrDb() >= FollowsTheModel && best.fit.ModelSnrDb() < Exact) {
        const double strongest = StrongestOf(best.fit.harmonics);
        std::vector<int> found;
        for (const FoundHarmonic& h : best.fit.harmonics)
            if (Peak(h) >= LeftOutBelow * strongest)
                found.push_back(h.rank);
        const Estimate polished =
            RefineStretch(samples, duration, duration, found, PolishingPasses, best.estimate);
        ExactFit fit = FitNote(samples, duration, polished);
        if (fit.ModelSnrDb() > best.fit.ModelSnrDb())
            best = {polished, std::move(fit)};
    }

    // 6. Where the glide crowds the ranks, the drift of the pairs steers the fundamental by
    //    their uncrowded points alone, and the rank-by-rank fit takes ranks in for what their
    //    crowded neighbours leave: the fundamental and the glide are fitted with the model's
    //    form itself, then the ranks mended there, in turn. Where that stalls, each change of
    //    ranks is judged on a joint fit of its own. Last, the level: a model's peaks add up to
    //    the renderer's, and more means a crowded point grew past its rank's peak.
    if (best.fit.ModelSnrDb() >= Polishable && 1 + 2 * best.estimate.glide < CrowdingPitch &&
        !Separable(duration, best.estimate)) {
        Search at = best;
        for (int round = 0; round < CrowdedRounds && best.fit.ModelSnrDb() < Exact &&
                            int(at.fit.harmonics.size()) <= JointRanks;
             ++round) {
            JointFit joint = FitJointly(samples, duration, at.estimate, at.fit);
            if (joint.fit.ModelSnrDb() > best.fit.ModelSnrDb())
                best = {joint.estimate, joint.fit};
            if (best.fit.ModelSnrDb() >= Exact)
                break;
            std::vector<int> ranks;
            for (const FoundHarmonic& h : joint.fit.harmonics)
                ranks.push_back(h.rank);
            const Estimate& there = joint.estimate;
            at = {there, MendRanks(samples, duration, there,
                                   FitExactly(samples, duration, there.fundamental, there.glide, ranks))};
            if (at.fit.ModelSnrDb() > best.fit.ModelSnrDb())
                best = at;
        }
        if (best.fit.ModelSnrDb() < Exact && int(best.fit.harmonics.size()) <= JointRanks)
            best = MendJointly(samples, duration, best);
        double peaks = 0;  // model units
        for (const FoundHarmonic& h : best.fit.harmonics)
            peaks += Peak(h);
        if (best.fit.ModelSnrDb() >= FollowsTheModel && int(best.fit.harmonics.size()) <= JointRanks &&
            peaks > (1 + LevelTolerance) * tmodele::AmplitudeScale) {
            // Held, the points cost a little of a residual that hardly sees them, and give back
            // the level it does not see at all.
            JointFit held = HoldPeaks(samples, duration, best.estimate, best.fit);
            if (held.fit.ModelSnrDb() >= best.fit.ModelSnrDb() - Worth)
                best = {held.estimate, std::move(held.fit)};
        }
    }
    return best;
}

}  // namespace analysis
