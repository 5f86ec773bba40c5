#include "analysis/pitch.h"

#include <algorithm>
#include <cmath>
#include <complex>

#include <fftw3.h>

#include "analysis/fft.h"
#include "analysis/recording.h"

namespace analysis {

namespace {

constexpr double Threshold = 0.15;       // YIN's absolute threshold on the normalised difference
constexpr double Periodic = 0.35;        // frames above this at their best lag have no pitch
constexpr double SilentFraction = 1e-3;  // of the loudest frame's energy: too quiet to judge

// The FFT plans of one frame size, made once for a whole track.
class Correlator {
public:
    explicit Correlator(int size) : size_(size)
    {
        in_ = fftw_alloc_real(size_);
        out_ = fftw_alloc_complex(size_ / 2 + 1);
        forward_ = fftw_plan_dft_r2c_1d(size_, in_, out_, FFTW_ESTIMATE);
        backward_ = fftw_plan_dft_c2r_1d(size_, out_, in_, FFTW_ESTIMATE);
    }
    ~Correlator()
    {
        fftw_destroy_plan(forward_);
        fftw_destroy_plan(backward_);
        fftw_free(in_);
        fftw_free(out_);
    }
    Correlator(const Correlator&) = delete;
    Correlator& operator=(const Correlator&) = delete;

    // r[tau] = sum_j a[j] b[j + tau] for tau in 0..lags, a of `width` samples, b of width + lags.
    void Cross(const double* a, int width, const double* b, int lags, std::vector<double>& r)
    {
        std::vector<std::complex<double>> spectrumA(size_ / 2 + 1);
        std::fill(in_, in_ + size_, 0.0);
        std::copy(a, a + width, in_);
        fftw_execute(forward_);
        for (int k = 0; k <= size_ / 2; ++k)
            spectrumA[k] = {out_[k][0], out_[k][1]};
        std::fill(in_, in_ + size_, 0.0);
        std::copy(b, b + width + lags, in_);
        fftw_execute(forward_);
        for (int k = 0; k <= size_ / 2; ++k) {
            const std::complex<double> product =
                std::conj(spectrumA[k]) * std::complex<double>(out_[k][0], out_[k][1]);
            out_[k][0] = product.real();
            out_[k][1] = product.imag();
        }
        fftw_execute(backward_);
        r.resize(lags + 1);
        for (int tau = 0; tau <= lags; ++tau)
            r[tau] = in_[tau] / size_;
    }

private:
    int size_;
    double* in_;
    fftw_complex* out_;
    fftw_plan forward_;
    fftw_plan backward_;
};

}  // namespace

std::vector<PitchFrame> TrackPitch(const std::vector<double>& samples, double lowest, double highest)
{
    // 1. Lags from the highest to the lowest frequency; a frame integrates over `width` samples,
    //    at least two of the longest periods, less when the note is short.
    const int length = int(samples.size());
    int maxLag = int(std::ceil(Rate / lowest));
    const int minLag = std::max(2, int(std::floor(Rate / highest)));
    maxLag = std::min(maxLag, length / 2);
    if (maxLag <= minLag + 2)
        return {};
    const int width = std::min(std::max(512, 2 * maxLag), length - maxLag);
    if (width < minLag * 2)
        return {};
    const int hop = std::max(128, width / 4);
    const int size = int(NextPowerOfTwo(std::size_t(width + maxLag)));
    Correlator correlator(size * 2);

    // 2. Frame energies, so that silent frames are not judged.
    std::vector<double> prefix(length + 1, 0.0);
    for (int i = 0; i < length; ++i)
        prefix[i + 1] = prefix[i] + samples[i] * samples[i];
    double loudest = 0;
    for (int begin = 0; begin + width + maxLag <= length; begin += hop)
        loudest = std::max(loudest, prefix[begin + width] - prefix[begin]);

    std::vector<PitchFrame> track;
    std::vector<double> r, d(maxLag + 1);
    for (int begin = 0; begin + width + maxLag <= length; begin += hop) {
        const double energy = prefix[begin + width] - prefix[begin];
        if (energy <= SilentFraction * loudest || energy <= 0)
            continue;
        // 3. The difference function d(tau) = sum (x[j] - x[j+tau])^2 from the cross-correlation,
        //    then YIN's cumulative mean normalisation.
        correlator.Cross(&samples[begin], width, &samples[begin], maxLag, r);
        for (int tau = 0; tau <= maxLag; ++tau) {
            const double shifted = prefix[begin + tau + width] - prefix[begin + tau];
            d[tau] = std::max(0.0, energy + shifted - 2 * r[tau]);
        }
        std::vector<double> normalised(maxLag + 1, 1.0);
        double running = 0;
        for (int tau = 1; tau <= maxLag; ++tau) {
            running += d[tau];
            normalised[tau] = running > 0 ? d[tau] * tau / running : 1.0;
        }
        // 4. The first dip under the threshold, down to its local minimum; else the deepest dip.
        int chosen = -1;
        for (int tau = minLag; tau < maxLag; ++tau) {
            if (normalised[tau] < Threshold) {
                while (tau + 1 < maxLag && normalised[tau + 1] < normalised[tau])
                    ++tau;
                chosen = tau;
                break;
            }
        }
        if (chosen < 0) {
            chosen =
                int(std::min_element(normalised.begin() + minLag, normalised.end() - 1) - normalised.begin());
            if (normalised[chosen] > Periodic)
                continue;
        }
        // 5. Parabolic interpolation of the raw difference around the chosen lag.
        double lag = chosen;
        if (chosen > 1 && chosen < maxLag) {
            const double a = d[chosen - 1], b = d[chosen], c = d[chosen + 1];
            const double curvature = a - 2 * b + c;
            if (curvature > 0)
                lag += 0.5 * (a - c) / curvature;
        }
        track.push_back({begin + (width + lag) / 2.0, Rate / lag, normalised[chosen]});
    }
    return track;
}

std::optional<PitchLine> FitPitchLine(const std::vector<PitchFrame>& track)
{
    if (track.empty())
        return std::nullopt;
    // The median frequency first: frames an octave away from it are errors of the frame, not of
    // the note, and leave the line out of their fit.
    std::vector<double> frequencies;
    for (const PitchFrame& frame : track)
        frequencies.push_back(frame.frequency);
    std::nth_element(frequencies.begin(), frequencies.begin() + frequencies.size() / 2, frequencies.end());
    const double median = frequencies[frequencies.size() / 2];

    std::vector<const PitchFrame*> kept;
    for (const PitchFrame& frame : track)
        if (frame.frequency > median / 1.7 && frame.frequency < median * 1.7)
            kept.push_back(&frame);
    if (kept.empty())
        return std::nullopt;
    if (kept.size() < 3)
        return PitchLine{median, 0};
    double st = 0, sf = 0, stt = 0, stf = 0;
    for (const PitchFrame* frame : kept) {
        st += frame->time;
        sf += frame->frequency;
        stt += frame->time * frame->time;
        stf += frame->time * frame->frequency;
    }
    const double n = double(kept.size());
    const double spread = stt - st * st / n;
    if (spread <= 0)
        return PitchLine{sf / n, 0};
    const double slope = (stf - st * sf / n) / spread;
    return PitchLine{(sf - slope * st) / n, slope};
}

}  // namespace analysis
