#include "analysis/realnote.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "analysis/fft.h"
#include "analysis/harmonics.h"
#include "analysis/magnitudes.h"
#include "analysis/pitch.h"
#include "model/errors.h"

namespace analysis {

namespace {

constexpr double PeriodsPerOctaveWindow = 8;        // periods of the candidate in one window
constexpr std::size_t ShortestOctaveWindow = 4096;  // samples
constexpr std::size_t LongestOctaveWindow = 32768;  // samples, 0.74 s
constexpr int OctaveRanks = 40;                     // ranks of the candidate weighed, at most
constexpr double PeakWidth = 0.25;                  // of the candidate, each side of a rank
constexpr double EmptyBetween = 0.01;               // of the energy on the multiple's ranks: nothing between

constexpr int PitchPasses = 2;           // the tracker's windows follow the estimate
constexpr double SmallestGlide = 0.005;  // the model's glide: a pitch moving by 1 % over the note
constexpr double GlideExplains = 0.5;    // of the peaks' weighted wander a kept glide must remove

// The note's power spectrum averaged over half-overlapping Hann windows of `length`.
std::vector<double> AveragePower(const std::vector<double>& note, std::size_t length)
{
    const std::vector<double> window = HannWindow(length);
    RealFft fft(2 * length);
    std::vector<double> power(length + 1, 0.0);
    for (std::size_t start = 0; start + length <= note.size(); start += length / 2) {
        for (std::size_t i = 0; i < length; ++i)
            fft.Input()[i] = note[start + i] * window[i];
        fft.Run();
        for (std::size_t b = 0; b <= length; ++b)
            power[b] += std::norm(fft.Bin(b));
    }
    return power;
}

// The fraction of the harmonics' energy that lies off the ranks of `multiple` x `fundamental`,
// over the energy on them; none when the note is too short to resolve the harmonics.
std::optional<double> OffMultiple(const std::vector<double>& note, double fundamental, int multiple)
{
    const double period = Rate / fundamental;  // samples
    std::size_t length = std::bit_ceil(std::size_t(std::ceil(PeriodsPerOctaveWindow * period)));
    length = std::clamp(length, ShortestOctaveWindow, LongestOctaveWindow);
    length = std::min(length, std::bit_floor(note.size()));
    // A Hann window's main lobe is four of its bins wide: harmonics apart by less overlap.
    if (double(length) < 4 * period)
        return std::nullopt;
    const std::vector<double> power = AveragePower(note, length);
    const double binHz = double(Rate) / double(2 * length);
    double on = 0;
    double off = 0;
    for (int k = 1; k <= OctaveRanks; ++k) {
        const double centre = k * fundamental;
        if (centre + PeakWidth * fundamental >= std::min<double>(HighestPartial, Rate / 2.0))
            break;
        const auto lo = std::size_t(std::ceil((centre - PeakWidth * fundamental) / binHz));
        const auto hi = std::min(length, std::size_t(std::floor((centre + PeakWidth * fundamental) / binHz)));
        double peak = 0;
        for (std::size_t b = lo; b <= hi; ++b)
            peak = std::max(peak, power[b]);
        (k % multiple == 0 ? on : off) += peak;
    }
    if (!(on > 0))
        return std::nullopt;
    return off / on;
}

// Least squares of the peaks' frequencies f = r a (1 + 2 g t / N), with b = a g:
// f = r a + r (2 t / N) b. Each peak weighs its energy over its rank: in hertz alone the high
// ranks would steer (a piano's stretched partials pull the fundamental off its strong low
// ranks), over the ranks alone (f / r) they would hardly count (a few tenths of a percent off
// detunes rank 20 by a bin).
struct PeakFit {
    double a = 0;       // Hz, with the glide
    double b = 0;       // Hz
    double steady = 0;  // Hz, the fundamental without a glide
    double wander = 0;  // weighted squared error without the glide
    double left = 0;    // with it
    bool found = false;
};

PeakFit FitPeaks(const std::vector<TrackedPeak>& peaks, double n)
{
    double suu = 0, suv = 0, svv = 0, suf = 0, svf = 0;
    for (const TrackedPeak& p : peaks) {
        const double w = p.magnitude * p.magnitude / p.rank;
        const double u = p.rank;
        const double v = p.rank * 2 * std::min(p.time, n) / n;
        suu += w * u * u;
        suv += w * u * v;
        svv += w * v * v;
        suf += w * u * p.frequency;
        svf += w * v * p.frequency;
    }
    PeakFit fit;
    const double det = suu * svv - suv * suv;
    if (!(suu > 0))
        return fit;
    fit.steady = suf / suu;
    if (det > 1e-12 * suu * svv) {
        fit.a = (suf * svv - svf * suv) / det;
        fit.b = (svf * suu - suf * suv) / det;
    } else {
        fit.a = fit.steady;
    }
    for (const TrackedPeak& p : peaks) {
        const double w = p.magnitude * p.magnitude / p.rank;
        const double v = 2 * std::min(p.time, n) / n;
        fit.wander += w * std::pow(p.frequency - p.rank * fit.steady, 2);
        fit.left += w * std::pow(p.frequency - p.rank * (fit.a + v * fit.b), 2);
    }
    fit.found = fit.steady > 0;
    return fit;
}

AppError NoFundamental()
{
    return AppError(QStringLiteral("Aucune fréquence fondamentale n'a été trouvée entre 20 et 6000 Hz"));
}

}  // namespace

double CheckOctave(const std::vector<double>& note, double fundamental)
{
    for (bool moved = true; moved;) {
        moved = false;
        for (int multiple : {2, 3}) {
            if (multiple * fundamental > HighestFundamental)
                continue;
            const std::optional<double> off = OffMultiple(note, fundamental, multiple);
            if (off && *off < EmptyBetween) {
                fundamental *= multiple;
                moved = true;
                break;
            }
        }
    }
    return fundamental;
}

NotePitch RefinePitch(const std::vector<double>& note, NotePitch first, int duration)
{
    // Each pass narrows the error (a harmonic's search window follows the estimate); two passes
    // settle within a few hundredths of a hertz on held notes.
    // The glide is kept only when it removes at least half of the peaks' weighted wander around
    // one steady pitch, and moves the pitch by 1 % or more: a vibrato or a wandering pitch has no
    // line to follow, and a line fitted through it would draw every high rank away from where
    // the note's partials spend most of their time.
    const double n = double(duration) * SamplesPerTenth;
    NotePitch pitch = first;
    for (int pass = 0; pass < PitchPasses; ++pass) {
        const PeakFit fit = FitPeaks(TrackPeaks(note, pitch.fundamental, pitch.glide, duration), n);
        if (!fit.found)
            break;
        const double glide = fit.a > 0 ? fit.b / fit.a : 0;
        const bool clear =
            fit.a > 0 && std::abs(glide) >= SmallestGlide && fit.left <= (1 - GlideExplains) * fit.wander;
        pitch =
            clear ? NotePitch{fit.a, std::clamp(glide, LowestGlide, HighestGlide)} : NotePitch{fit.steady, 0};
    }
    pitch.fundamental = std::clamp(pitch.fundamental, LowestFundamental, HighestFundamental);
    return pitch;
}

void AnalyseRealNote(const std::vector<double>& samples, int duration, std::optional<double> typed,
                     Result& result)
{
    // 1. The pitch line over the note gives the first fundamental and glide; a typed
    //    fundamental is the note's middle and keeps the line's slope when it agrees with its
    //    octave.
    // 2. Without a typed one, the octave is checked by where the harmonics' energy lies.
    // 3. The tracked peaks refine the fundamental and decide the glide.
    // 4. Each harmonic's magnitudes are tracked at its frequency and put in the model's form.
    const long n = long(duration) * long(SamplesPerTenth);
    const std::vector<double> note(samples.begin(),
                                   samples.begin() + std::min<long>(n, long(samples.size())));
    const std::optional<PitchLine> line =
        FitPitchLine(TrackPitch(note, LowestFundamental, HighestFundamental));
    double middle = 0;
    double slope = 0;  // Hz per sample
    if (line) {
        middle = line->start + line->slope * double(n) / 2;
        slope = line->slope;
    }
    if (typed) {
        slope = middle > 0 && std::abs(std::log2(middle / *typed)) < 0.3 ? slope * (*typed / middle) : 0;
        middle = *typed;
    } else {
        if (!(middle >= LowestFundamental && middle <= HighestFundamental))
            throw NoFundamental();
        const double checked = CheckOctave(note, middle);
        slope *= checked / middle;
        middle = checked;
    }
    const double start = middle - slope * double(n) / 2;
    NotePitch first{middle, 0};
    if (start > 0)
        first = {start, std::clamp(slope * double(n) / (2 * start), LowestGlide, HighestGlide)};

    const NotePitch pitch = RefinePitch(note, first, duration);
    result.fundamental = pitch.fundamental;
    result.glide = pitch.glide;
    result.duration = duration;
    result.harmonics = ModelHarmonics(TrackMagnitudes(note, pitch.fundamental, pitch.glide, duration));
    result.method = Method::Magnitudes;
}

}  // namespace analysis
