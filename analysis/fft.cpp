#include "analysis/fft.h"

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

std::vector<double> HannWindow(std::size_t length)
{
    std::vector<double> window(length);
    for (std::size_t i = 0; i < length; ++i)
        window[i] = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * double(i) / double(length));
    return window;
}

}  // namespace analysis
