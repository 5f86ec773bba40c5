#include "analysis/fft.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace analysis {

RealFft::RealFft(std::size_t size)
    : size_(size),
      input_(fftw_alloc_real(size)),
      output_(fftw_alloc_complex(size / 2 + 1)),
      plan_(fftw_plan_dft_r2c_1d(int(size), input_, output_, FFTW_ESTIMATE))
{
    for (std::size_t i = 0; i < size; ++i)
        input_[i] = 0;
}

RealFft::~RealFft()
{
    fftw_destroy_plan(plan_);
    fftw_free(output_);
    fftw_free(input_);
}

std::size_t NextPowerOfTwo(std::size_t n)
{
    std::size_t p = 1;
    while (p < n)
        p *= 2;
    return p;
}

std::vector<double> HannWindow(std::size_t length)
{
    std::vector<double> window(length);
    for (std::size_t i = 0; i < length; ++i)
        window[i] = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * double(i) / double(length));
    return window;
}

BinPeak RefinePeak(double a, double b, double c)
{
    const double curvature = a - 2 * b + c;
    if (!(curvature < 0))
        return {0, b};
    const double offset = std::clamp(0.5 * (a - c) / curvature, -0.5, 0.5);
    return {offset, b - 0.25 * (a - c) * offset};
}

}  // namespace analysis
