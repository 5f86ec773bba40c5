#pragma once

#include <complex>
#include <cstddef>
#include <vector>

#include <fftw3.h>

namespace analysis {

// A real-input FFT of one size, planned once and run on many frames.
class RealFft {
public:
    explicit RealFft(std::size_t size);
    RealFft(const RealFft&) = delete;
    RealFft& operator=(const RealFft&) = delete;
    ~RealFft();

    std::size_t Size() const { return size_; }
    // The frame to transform: Size() samples, zero beyond what the caller fills.
    double* Input() { return input_; }
    // Transforms Input(); bins 0..Size()/2.
    void Run() { fftw_execute(plan_); }
    std::complex<double> Bin(std::size_t k) const { return {output_[k][0], output_[k][1]}; }

private:
    std::size_t size_;
    double* input_;
    fftw_complex* output_;
    fftw_plan plan_;
};

// The smallest power of two at or above `n` (1 for 0).
std::size_t NextPowerOfTwo(std::size_t n);

// A Hann window of `length` samples (periodic form: it sums to length / 2).
std::vector<double> HannWindow(std::size_t length);

// A spectral maximum between bins, from the log magnitudes a, b, c of the highest bin and its two
// neighbours: the parabola through them puts the peak `offset` bins off the middle one
// (-0.5..0.5; 0 where they do not curve down), with log magnitude `logMagnitude`.
struct BinPeak {
    double offset = 0;
    double logMagnitude = 0;
};
BinPeak RefinePeak(double a, double b, double c);

}  // namespace analysis
