#include "analysis/magnitudes.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

#include <Eigen/Dense>

#include "analysis/analyse.h"
#include "analysis/fft.h"
#include "analysis/search.h"

namespace analysis {

namespace {

constexpr double PeriodsPerWindow = 6;        // periods of the fundamental in one analysis window
constexpr std::size_t ShortestWindow = 2048;  // samples
constexpr std::size_t LongestWindow = 8192;   // samples: the shortest notes are 4410
constexpr std::size_t ZeroPadding = 4;        // FFT size over window length
constexpr double SearchWidth = 0.25;          // of the fundamental, each side of a harmonic
constexpr double BandWidth = 0.5;     // of the fundamental, each side: a harmonic's share of the spectrum
constexpr int FramesPerSegment = 4;   // analysis frames per envelope segment
constexpr double PullToPoint = 0.25;  // weight of a point's own magnitude against the frames'
constexpr double Floor = 1e-12;       // below any magnitude, keeps log() finite

// How much of a partial at `offset` Hz from where the model puts its harmonic that harmonic
// can stand for: the overlap of the two in a 2048-sample Hann window (46 ms, what the ear and
// the spectral measure resolve), sinc(x) / (1 - x^2) with x the offset in that window's bins.
// A stretched partial (a piano's) rendered at full magnitude off its place would add its
// error twice: missing where it is and present where it is not.
double Overlap(double offset)
{
    constexpr double ResolvedWindow = 2048;  // samples
    const double x = std::abs(offset) * ResolvedWindow / Rate;
    if (x >= 2)
        return 0;
    if (x < 1e-9)
        return 1;
    if (std::abs(x - 1) < 1e-9)
        return 0.5;
    return std::abs(std::sin(std::numbers::pi * x) / (std::numbers::pi * x) / (1 - x * x));
}

// The first sample of a window of `length` centred on `centre`, kept inside the note.
std::size_t WindowStart(double centre, std::size_t length, std::size_t noteLength)
{
    if (noteLength <= length)
        return 0;
    const double start = std::round(centre - double(length) / 2);
    return std::size_t(std::clamp(start, 0.0, double(noteLength - length)));
}

// The tracker proper; with `peaks`, also every frame's peak of every rank.
std::vector<FoundHarmonic> Track(const std::vector<double>& note, double fundamental, double glide,
                                 int duration, std::vector<TrackedPeak>* peaks)
{
    // 1. A window of a few periods (longer for low notes, so neighbouring harmonics separate),
    //    zero-padded, one plan for every frame.
    // 2. At four frames per envelope segment, the peak nearest each harmonic's instantaneous
    //    frequency, refined by a parabola through the log magnitudes, gives its amplitude.
    // 3. The envelope points are the least-squares fit of the model's straight segments to
    //    those amplitudes.
    // 4. Each phase comes from demodulating the note's first window against the harmonic's
    //    own phase law, so the rendering starts as the note does.
    const double n = double(duration) * SamplesPerTenth;
    std::size_t length = std::size_t(std::ceil(PeriodsPerWindow * Rate / fundamental));
    length = std::clamp(length, ShortestWindow, LongestWindow);
    length = std::min(length, std::max<std::size_t>(note.size(), 2));
    length += length % 2;
    const std::vector<double> window = HannWindow(length);
    double windowSum = 0;
    double windowSquares = 0;
    for (double w : window) {
        windowSum += w;
        windowSquares += w * w;
    }
    RealFft fft(NextPowerOfTwo(length * ZeroPadding));
    const double binHz = double(Rate) / double(fft.Size());
    const std::size_t lastBin = fft.Size() / 2;

    std::vector<FoundHarmonic> found;
    for (int rank : RanksBelowLimit(fundamental, glide)) {
        FoundHarmonic h;
        h.rank = rank;
        found.push_back(h);
    }

    // Magnitudes at FramesPerSegment frames per envelope segment, frame 4k on point k.
    const int frames = tmodele::SegmentsPerEnvelope * FramesPerSegment + 1;
    const double segment = n / tmodele::SegmentsPerEnvelope;  // samples
    Eigen::MatrixXd magnitudes = Eigen::MatrixXd::Zero(frames, Eigen::Index(found.size()));
    Eigen::MatrixXd basis = Eigen::MatrixXd::Zero(frames, tmodele::SegmentsPerEnvelope + 1);
    std::vector<double> logMagnitude(lastBin + 1);
    for (int j = 0; j < frames; ++j) {
        const double centre = j * segment / FramesPerSegment;
        const std::size_t start = WindowStart(centre, length, note.size());
        double* in = fft.Input();
        for (std::size_t i = 0; i < length; ++i)
            in[i] = start + i < note.size() ? note[start + i] * window[i] : 0.0;
        fft.Run();
        for (std::size_t b = 0; b <= lastBin; ++b)
            logMagnitude[b] = std::log(std::abs(fft.Bin(b)) + Floor);

        // Where the window actually sits (kept inside the note), in envelope points.
        const double t = std::min(double(start) + double(length) / 2, n);
        const double u = t / segment;
        for (int k = 0; k <= tmodele::SegmentsPerEnvelope; ++k)
            basis(j, k) = std::max(0.0, 1 - std::abs(u - k));
        const double scale = 1 + 2 * glide * t / n;
        for (std::size_t r = 0; r < found.size(); ++r) {
            const FoundHarmonic& h = found[r];
            const double expected = h.rank * fundamental * scale;
            const auto lo =
                std::size_t(std::max(1.0, std::floor((expected - SearchWidth * fundamental) / binHz)));
            const auto hi =
                std::min(lastBin - 1, std::size_t(std::ceil((expected + SearchWidth * fundamental) / binHz)));
            if (lo > hi)
                continue;
            std::size_t best = lo;
            for (std::size_t b = lo; b <= hi; ++b)
                if (logMagnitude[b] > logMagnitude[best])
                    best = b;
            const BinPeak refined =
                RefinePeak(logMagnitude[best - 1], logMagnitude[best], logMagnitude[best + 1]);
            const double peak = refined.logMagnitude;
            const double offset = refined.offset;
            // A sinusoid of amplitude A gives a peak of A * sum(window) / 2.
            const double magnitude = std::max(0.0, (std::exp(peak) - Floor) * 2 / windowSum);
            // Its energy over the bins halfway to each neighbour is A^2 / 4 * size * sum(w^2):
            // two close partials of one rank (detuned pipes) count together, as the ear and
            // the spectrum do.
            const auto bandLo =
                std::size_t(std::max(1.0, std::ceil((expected - BandWidth * fundamental) / binHz)));
            const auto bandHi =
                std::min(lastBin, std::size_t(std::floor((expected + BandWidth * fundamental) / binHz)));
            double energy = 0;
            for (std::size_t q = bandLo; q <= bandHi; ++q)
                energy += std::norm(fft.Bin(q));
            const double bandMagnitude = std::sqrt(4 * energy / (double(fft.Size()) * windowSquares));
            const double frequency = (double(best) + offset) * binHz;
            magnitudes(j, Eigen::Index(r)) = bandMagnitude * Overlap(frequency - expected);
            if (peaks != nullptr)
                peaks->push_back({h.rank, t, frequency, magnitude});
        }
    }

    // The envelope whose straight segments come closest to every frame's magnitude, rather
    // than the magnitudes at the points alone: a partial beating faster than the points (an
    // organ's detuned pipes) would otherwise be sampled at random crests and troughs. A pull
    // towards each point's own magnitude keeps the points that few frames see (the ends).
    Eigen::MatrixXd pointMagnitudes(tmodele::SegmentsPerEnvelope + 1, Eigen::Index(found.size()));
    for (int k = 0; k <= tmodele::SegmentsPerEnvelope; ++k)
        pointMagnitudes.row(k) = magnitudes.row(k * FramesPerSegment);
    Eigen::MatrixXd normal = basis.transpose() * basis;
    normal.diagonal().array() += PullToPoint;
    const Eigen::MatrixXd envelopes =
        normal.ldlt().solve(basis.transpose() * magnitudes + PullToPoint * pointMagnitudes);
    for (std::size_t r = 0; r < found.size(); ++r)
        for (int k = 0; k <= tmodele::SegmentsPerEnvelope; ++k)
            found[r].envelope[std::size_t(k)] = std::max(0.0, envelopes(k, Eigen::Index(r)));

    // The phase of sin(theta(i) + phi): demodulated by exp(-j theta), the window's weighted sum
    // is A/(2j) e^{j phi} sum(w), its negative-frequency image averaging out.
    const std::size_t head = std::min(length, note.size());
    for (FoundHarmonic& h : found) {
        if (peaks != nullptr)
            break;  // only the peaks were asked for
        std::complex<double> z = 0;
        for (std::size_t i = 0; i < head; ++i) {
            const double x = double(i);
            const double theta = 2 * std::numbers::pi * h.rank * fundamental * (x + glide * x * x / n) / Rate;
            z += note[i] * window[i] * std::polar(1.0, -theta);
        }
        h.phase = std::arg(z * std::complex<double>(0, 1));
    }
    return found;
}

}  // namespace

std::vector<FoundHarmonic> TrackMagnitudes(const std::vector<double>& note, double fundamental, double glide,
                                           int duration)
{
    return Track(note, fundamental, glide, duration, nullptr);
}

std::vector<TrackedPeak> TrackPeaks(const std::vector<double>& note, double fundamental, double glide,
                                    int duration)
{
    std::vector<TrackedPeak> peaks;
    Track(note, fundamental, glide, duration, &peaks);
    return peaks;
}

}  // namespace analysis
