#include "analysis/measure.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "analysis/analyse.h"
#include "analysis/fft.h"
#include "analysis/search.h"

namespace analysis {

namespace {

constexpr std::size_t MeasureWindow = 2048;   // samples
constexpr std::size_t MeasureHop = 512;       // samples
constexpr std::size_t BaselineWindow = 4096;  // samples

// 10 log10(sum x^2 / sum (x - g y)^2) with the least-squares gain g.
double SnrDb(const std::vector<double>& x, const std::vector<double>& y)
{
    double xx = 0;
    double xy = 0;
    double yy = 0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        xx += x[i] * x[i];
        xy += x[i] * y[i];
        yy += y[i] * y[i];
    }
    const double gain = yy > 0 ? xy / yy : 0;
    double error = 0;
    for (std::size_t i = 0; i < x.size(); ++i)
        error += (x[i] - gain * y[i]) * (x[i] - gain * y[i]);
    if (error <= 0)
        return std::numeric_limits<double>::infinity();
    return 10 * std::log10(xx / error);
}

// Every frame's magnitudes, one after another.
std::vector<double> StftMagnitudes(const std::vector<double>& x, std::size_t length)
{
    const std::vector<double> window = HannWindow(MeasureWindow);
    RealFft fft(MeasureWindow);
    std::vector<double> magnitudes;
    for (std::size_t start = 0; start + MeasureWindow <= length; start += MeasureHop) {
        for (std::size_t i = 0; i < MeasureWindow; ++i)
            fft.Input()[i] = x[start + i] * window[i];
        fft.Run();
        for (std::size_t b = 0; b <= MeasureWindow / 2; ++b)
            magnitudes.push_back(std::abs(fft.Bin(b)));
    }
    return magnitudes;
}

}  // namespace

double SpectralSnrDb(const std::vector<double>& x, const std::vector<double>& y)
{
    const std::size_t length = std::min(x.size(), y.size());
    return SnrDb(StftMagnitudes(x, length), StftMagnitudes(y, length));
}

double WaveformSnrDb(const std::vector<double>& x, const std::vector<double>& y)
{
    const std::size_t length = std::min(x.size(), y.size());
    return SnrDb(std::vector<double>(x.begin(), x.begin() + std::ptrdiff_t(length)),
                 std::vector<double>(y.begin(), y.begin() + std::ptrdiff_t(length)));
}

std::vector<FoundHarmonic> BaselineHarmonics(const std::vector<double>& note, double fundamental,
                                             double glide, int duration)
{
    const double n = double(duration) * SamplesPerTenth;
    const std::vector<double> window = HannWindow(BaselineWindow);
    RealFft fft(BaselineWindow);
    std::vector<FoundHarmonic> found;
    for (int rank : RanksBelowLimit(fundamental, glide)) {
        FoundHarmonic h;
        h.rank = rank;
        found.push_back(h);
    }
    for (int k = 0; k <= tmodele::SegmentsPerEnvelope; ++k) {
        const double centre = k * n / tmodele::SegmentsPerEnvelope;
        const double first = std::round(centre - double(BaselineWindow) / 2);
        const double last = double(note.size()) - double(BaselineWindow);
        const auto start = std::size_t(std::max(0.0, std::min(first, last)));
        for (std::size_t i = 0; i < BaselineWindow; ++i)
            fft.Input()[i] = start + i < note.size() ? note[start + i] * window[i] : 0.0;
        fft.Run();
        for (FoundHarmonic& h : found) {
            const auto bin = std::size_t(std::lround(h.rank * fundamental * BaselineWindow / Rate));
            h.envelope[std::size_t(k)] = bin <= BaselineWindow / 2 ? std::abs(fft.Bin(bin)) : 0.0;
        }
    }
    return found;
}

}  // namespace analysis
