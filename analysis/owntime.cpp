#include "analysis/owntime.h"

#include <algorithm>
#include <cmath>

#include "analysis/analyse.h"
#include "analysis/fft.h"
#include "analysis/recording.h"

namespace analysis {

namespace {

constexpr double Slowest = 0.05;      // of the fundamental: the pitch where own time stops
constexpr double CoarseStep = 0.002;  // glide: the first scan's step
constexpr double FineStep = 0.0002;   // glide: the second scan's step, over two coarse steps
constexpr int ScanningPadding = 1;    // zero padding of the scans' transforms, times
constexpr int MeasuringPadding = 4;   // zero padding of the transform the lines are read from
constexpr double LineWidth = 12;      // Hz: half a line's width in own time, what a rank holds
constexpr double NearlyAll = 0.9;     // of the most any fraction explains: a fraction that explains
constexpr double Counted = 1e-3;      // of the strongest line's power: a line that steers
constexpr int MeasuringPasses = 2;    // the fundamental read from the lines, then read again there

// `samples` at tau = 0, 1, 2, ... of own time, up to the note's end or to where its pitch falls
// to `Slowest`: i = 2 tau / (1 + sqrt(1 + 4 a tau)), a = glide / n, the inverse of
// tau = i (1 + a i) that keeps its precision when a is small. Between samples, Catmull-Rom.
std::vector<double> InOwnTime(const std::vector<double>& samples, long n, double glide)
{
    const double a = glide / double(n);
    double last = double(n);  // samples
    if (glide < 0)
        last = std::min(last, (1 - Slowest) / (-2 * a));
    const double end = last * (1 + a * last);  // own time at `last`
    auto at = [&](long i) {
        return i >= 0 && i < long(samples.size()) && i < n ? samples[std::size_t(i)] : 0.0;
    };
    std::vector<double> out(std::size_t(std::max(0.0, end)));
    for (std::size_t j = 0; j < out.size(); ++j) {
        const double tau = double(j);
        const double i = 2 * tau / (1 + std::sqrt(1 + 4 * a * tau));
        const long k = long(std::floor(i));
        const double t = i - double(k);
        const double p0 = at(k - 1), p1 = at(k), p2 = at(k + 1), p3 = at(k + 2);
        out[j] =
            p1 + 0.5 * t * (p2 - p0 + t * (2 * p0 - 5 * p1 + 4 * p2 - p3 + t * (3 * (p1 - p2) + p3 - p0)));
    }
    return out;
}

// The power of each bin of `signal` under a Hann window, zero-padded `padding` times to a power
// of two; `binWidth` in Hz.
std::vector<double> PowerSpectrum(const std::vector<double>& signal, int padding, double& binWidth)
{
    const std::size_t size = NextPowerOfTwo(std::size_t(padding) * signal.size());
    RealFft fft(size);
    const std::vector<double> window = HannWindow(signal.size());
    for (std::size_t i = 0; i < signal.size(); ++i)
        fft.Input()[i] = signal[i] * window[i];
    fft.Run();
    binWidth = double(Rate) / double(size);
    std::vector<double> power(size / 2);
    for (std::size_t k = 0; k < power.size(); ++k)
        power[k] = std::norm(fft.Bin(k));
    return power;
}

// How much of the power above the lowest fundamental stands in a few bins: sum P^2 / (sum P)^2,
// larger as the lines narrow.
double Sharpness(const std::vector<double>& samples, long n, double glide)
{
    const std::vector<double> own = InOwnTime(samples, n, glide);
    if (own.size() < 16)
        return 0;
    double binWidth = 0;
    const std::vector<double> power = PowerSpectrum(own, ScanningPadding, binWidth);
    double sum = 0, squares = 0;
    for (std::size_t k = std::size_t(std::ceil(LowestFundamental / binWidth)); k < power.size(); ++k) {
        sum += power[k];
        squares += power[k] * power[k];
    }
    return sum > 0 ? squares / (sum * sum) : 0;
}

// The glide of the sharpest lines among `count` steps of `step` from `from`, refined by a
// parabola through its neighbours' sharpness.
double SharpestGlide(const std::vector<double>& samples, long n, double from, double step, int count)
{
    std::vector<double> sharpness(std::size_t(std::max(count, 1)));
    for (int s = 0; s < count; ++s)
        sharpness[std::size_t(s)] = Sharpness(samples, n, from + step * s);
    const int best = int(std::max_element(sharpness.begin(), sharpness.end()) - sharpness.begin());
    double offset = 0;
    if (best > 0 && best + 1 < count)
        offset = RefinePeak(sharpness[std::size_t(best - 1)], sharpness[std::size_t(best)],
                            sharpness[std::size_t(best + 1)])
                     .offset;
    return from + step * (best + offset);
}

// The largest bin within `halfWidth` Hz of `frequency` and where the parabola through its
// neighbours' log powers puts the line: Hz, and its power.
struct Line {
    double frequency = 0;
    double power = 0;
};
Line LineNear(const std::vector<double>& power, double binWidth, double frequency, double halfWidth)
{
    const long lo = std::max(1L, long(std::ceil((frequency - halfWidth) / binWidth)));
    const long hi = std::min(long(power.size()) - 2, long(std::floor((frequency + halfWidth) / binWidth)));
    if (lo > hi)
        return {};
    long best = lo;
    for (long k = lo; k <= hi; ++k)
        if (power[std::size_t(k)] > power[std::size_t(best)])
            best = k;
    auto logPower = [&](long k) { return std::log(power[std::size_t(k)] + 1e-300); };
    const double offset = RefinePeak(logPower(best - 1), logPower(best), logPower(best + 1)).offset;
    return {(double(best) + offset) * binWidth, power[std::size_t(best)]};
}

// The power within a line's width of the first 50 multiples of `fundamental`.
double Explained(const std::vector<double>& power, double binWidth, double fundamental)
{
    const double halfWidth = std::min(LineWidth, fundamental / 4);  // Hz
    double explained = 0;
    for (int r = 1; r <= HighestRank; ++r) {
        const long lo = long(std::ceil((r * fundamental - halfWidth) / binWidth));
        const long hi =
            std::min(long(power.size()) - 1, long(std::floor((r * fundamental + halfWidth) / binWidth)));
        for (long k = std::max(0L, lo); k <= hi; ++k)
            explained += power[std::size_t(k)];
    }
    return explained;
}

}  // namespace

// 1. The glide scanned over `reach` either side of `glide`, coarsely then finely, for the
//    sharpest lines.
// 2. In own time at that glide, the strongest line is a rank of the note; the fundamental is the
//    largest of its whole fractions whose 50 first multiples hold nearly as much power as the
//    best fraction does (a fraction with twice the ranks holds what the other does, but only up
//    to half the highest rank).
// 3. The fundamental read from every line it explains, by weighted least squares over the ranks.
std::optional<Estimate> EstimateInOwnTime(const std::vector<double>& samples, int duration, double glide,
                                          double reach)
{
    const long n = long(duration) * long(SamplesPerTenth);
    if (n <= 0 || samples.empty())
        return std::nullopt;
    // 1.
    const double from = std::max(LowestGlide, glide - reach);
    const double to = std::min(HighestGlide, glide + reach);
    const int coarse = int(std::floor((to - from) / CoarseStep)) + 1;
    double found = SharpestGlide(samples, n, from, CoarseStep, coarse);
    const double fineFrom = std::max(LowestGlide, found - 2 * CoarseStep);
    const int fine =
        int(std::floor((std::min(HighestGlide, found + 2 * CoarseStep) - fineFrom) / FineStep)) + 1;
    found = std::clamp(SharpestGlide(samples, n, fineFrom, FineStep, fine), LowestGlide, HighestGlide);

    // 2.
    const std::vector<double> own = InOwnTime(samples, n, found);
    if (own.size() < 16)
        return std::nullopt;
    double binWidth = 0;
    const std::vector<double> power = PowerSpectrum(own, MeasuringPadding, binWidth);
    const std::size_t lowest = std::size_t(std::ceil(LowestFundamental / binWidth));
    if (lowest + 2 >= power.size())
        return std::nullopt;
    const std::size_t peak =
        std::size_t(std::max_element(power.begin() + long(lowest), power.end() - 1) - power.begin());
    if (!(power[peak] > 0))
        return std::nullopt;
    const double strongest = LineNear(power, binWidth, double(peak) * binWidth, binWidth).frequency;
    std::vector<double> explained;
    for (int m = 1; m <= HighestRank && strongest / m >= LowestFundamental; ++m)
        explained.push_back(strongest / m <= HighestFundamental ? Explained(power, binWidth, strongest / m)
                                                                : 0);
    if (explained.empty())
        return std::nullopt;
    const double most = *std::max_element(explained.begin(), explained.end());
    int m = 1;
    while (explained[std::size_t(m - 1)] < NearlyAll * most)
        ++m;
    double fundamental = strongest / m;

    // 3.
    for (int pass = 0; pass < MeasuringPasses; ++pass) {
        const double halfWidth = fundamental / 4;  // Hz
        std::vector<Line> lines(HighestRank + 1);
        double top = 0;
        for (int r = 1; r <= HighestRank && r * fundamental + halfWidth < Rate / 2.0; ++r) {
            lines[std::size_t(r)] = LineNear(power, binWidth, r * fundamental, halfWidth);
            top = std::max(top, lines[std::size_t(r)].power);
        }
        double srf = 0, srr = 0;
        for (int r = 1; r <= HighestRank; ++r)
            if (const Line& line = lines[std::size_t(r)]; line.power >= Counted * top && line.power > 0) {
                srf += line.power * r * line.frequency;
                srr += line.power * r * r;
            }
        if (!(srr > 0))
            break;
        fundamental = srf / srr;
    }
    if (!(fundamental >= LowestFundamental && fundamental <= HighestFundamental))
        return std::nullopt;
    return Estimate{fundamental, found};
}

}  // namespace analysis
