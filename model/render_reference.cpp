#include <cmath>

#include "model/render.h"
#include "model/tmodele.h"

namespace {
// 2π in extended precision, formed as the product the synthesis has always used.
constexpr long double Pi = 3.14159265358979323846264338327950288L;
}  // namespace

void RenderReference(const tmodele& model, std::uint8_t* out)
{
    const long n = long(model.Duration) * tmodele::SamplesPerTenth;  // samples
    const long segment = long(model.Duration) * 98;                  // samples per envelope segment
    long double sumOfAmplitudes = 0;
    for (const tharmonique& h : model.Harmonics)
        if (h.Active != 0)
            sumOfAmplitudes += h.Amplitude;

    for (long i = 0; i < n; ++i) {
        const long s = i / segment;
        const long r = i % segment;
        const long double f = ((static_cast<long double>(i) * model.Glide) / n + 1) * model.Fundamental;
        long double sum = 0;
        for (const tharmonique& h : model.Harmonics) {
            if (h.Active == 0)
                continue;
            const int rise = int(h.Envelope[s + 1]) - int(h.Envelope[s]);
            const long double e = static_cast<long double>(r * rise) / segment + h.Envelope[s];
            const long double a = (static_cast<long double>(i) * (2 * Pi) * f * h.Rank) / 44100 + h.Phase;
            sum += std::sin(a) * (e * h.Amplitude) / 255;
        }
        long long value = 0;
        if (sumOfAmplitudes != 0)
            value = std::llrint(10000 * sum / sumOfAmplitudes);  // halves to even
        const auto bits = static_cast<std::uint16_t>(static_cast<unsigned long long>(value));
        out[2 * i] = std::uint8_t(bits & 0xFF);
        out[2 * i + 1] = std::uint8_t(bits >> 8);
    }
}

void RenderSamples(const tmodele& model, std::uint8_t* out)
{
    RenderReference(model, out);
}
