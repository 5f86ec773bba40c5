#pragma once

#include <cmath>
#include <cstdint>

#include "model/tmodele.h"

// One sample of the straightforward synthesis in extended precision. RenderReference runs it
// for every sample; the fast renderer runs it for the few samples whose rounding it cannot
// decide, so both must share this very code: the same sine, the same 2π, the same order of
// operations.
namespace reference_render {

// π as the synthesis has always used it; 2π is formed from it in extended precision.
inline constexpr long double Pi = 3.14159265358979323846264338327950288L;

// What every sample of one rendering shares.
struct Frame {
    long n = 0;                       // samples
    long segment = 0;                 // samples per envelope segment
    long double sumOfAmplitudes = 0;  // active amplitudes, list order
};

inline Frame FrameOf(const tmodele& model)
{
    Frame frame;
    frame.n = long(model.Duration) * tmodele::SamplesPerTenth;
    frame.segment = long(model.Duration) * 98;
    for (const tharmonique& h : model.Harmonics)
        if (h.Active != 0)
            frame.sumOfAmplitudes += h.Amplitude;
    return frame;
}

// The value of sample i before it is cut to 16 bits.
inline long long SampleValue(const tmodele& model, const Frame& frame, long i)
{
    const long s = i / frame.segment;
    const long r = i % frame.segment;
    const long double f = ((static_cast<long double>(i) * model.Glide) / frame.n + 1) * model.Fundamental;
    long double sum = 0;
    for (const tharmonique& h : model.Harmonics) {
        if (h.Active == 0)
            continue;
        const int rise = int(h.Envelope[s + 1]) - int(h.Envelope[s]);
        const long double e = static_cast<long double>(r * rise) / frame.segment + h.Envelope[s];
        const long double a = (static_cast<long double>(i) * (2 * Pi) * f * h.Rank) / 44100 + h.Phase;
        sum += std::sin(a) * (e * h.Amplitude) / 255;
    }
    long long value = 0;
    if (frame.sumOfAmplitudes != 0)
        value = std::llrint(10000 * sum / frame.sumOfAmplitudes);  // halves to even
    return value;
}

// Stores the low 16 bits of a value as the little-endian sample i.
inline void StoreSample(std::uint8_t* out, long i, long long value)
{
    const auto bits = static_cast<std::uint16_t>(static_cast<unsigned long long>(value));
    out[2 * i] = std::uint8_t(bits & 0xFF);
    out[2 * i + 1] = std::uint8_t(bits >> 8);
}

}  // namespace reference_render
