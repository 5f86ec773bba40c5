#include "support/fastrender_corpus.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <random>
#include <thread>

#include "model/render.h"

namespace {

constexpr double Pi = 3.141592653589793;

void RandomEnvelope(tenveloppe& envelope, std::mt19937& rng)
{
    std::uniform_int_distribution<int> byte(0, 255);
    switch (std::uniform_int_distribution<int>(0, 6)(rng)) {
        case 0:
            ResetEnvelope(envelope);
            break;
        case 1:  // flat at a random level
            envelope.fill(std::uint8_t(byte(rng)));
            break;
        case 2:  // silent
            envelope.fill(0);
            break;
        case 3:  // spiky: mostly silent with full-scale spikes
            envelope.fill(0);
            for (auto& point : envelope)
                if (std::uniform_int_distribution<int>(0, 3)(rng) == 0)
                    point = 255;
            break;
        case 4: {  // a ramp up or down
            const bool up = std::uniform_int_distribution<int>(0, 1)(rng) == 1;
            for (std::size_t p = 0; p < envelope.size(); ++p)
                envelope[p] = std::uint8_t(up ? p * 255 / 45 : 255 - p * 255 / 45);
            break;
        }
        default:
            for (auto& point : envelope)
                point = std::uint8_t(byte(rng));
            break;
    }
}

double RandomAmplitude(std::mt19937& rng)
{
    switch (std::uniform_int_distribution<int>(0, 5)(rng)) {
        case 0:
            return 0.0;
        case 1:
            return 1.0;
        case 2:  // the add dialog's logarithmic slider, 0.01..1
            return std::pow(10.0, std::uniform_real_distribution<double>(-2, 0)(rng));
        default:
            return std::uniform_real_distribution<double>(0, 1)(rng);
    }
}

}  // namespace

std::vector<std::unique_ptr<tmodele>> MakeRenderCorpus(std::uint32_t seed, int count, int maxHarmonics)
{
    std::mt19937 rng(seed);
    std::vector<std::unique_ptr<tmodele>> corpus;
    for (int m = 0; m < count; ++m) {
        auto model = std::make_unique<tmodele>();
        model->Duration = std::uint16_t(1 + m % 40);
        model->Fundamental = std::uniform_int_distribution<int>(0, 9)(rng) == 0
                                 ? 440.0
                                 : 20 * std::pow(1000.0, std::uniform_real_distribution<double>(0, 1)(rng));
        const int glideKind = std::uniform_int_distribution<int>(0, 4)(rng);
        model->Glide = glideKind == 0 ? 0.0 : std::uniform_real_distribution<double>(-0.51, 1.01)(rng);
        const int harmonicCount = std::uniform_int_distribution<int>(1, maxHarmonics)(rng);
        const int rankKind = std::uniform_int_distribution<int>(0, 3)(rng);
        for (int k = 0; k < harmonicCount; ++k) {
            tharmonique h;
            // In order 1..count, in order with gaps, or anything 1..50 in any order with repeats.
            const int rank = rankKind == 0   ? k + 1
                             : rankKind == 1 ? std::min(50, 1 + k + k / 2)
                                             : std::uniform_int_distribution<int>(1, 50)(rng);
            InitHarmonic(h, std::uint8_t(rank));
            RandomEnvelope(h.Envelope, rng);
            h.Active = std::uniform_int_distribution<int>(0, 7)(rng) == 0 ? 0 : 1;
            h.Amplitude = RandomAmplitude(rng);
            h.Phase = std::uniform_int_distribution<int>(-179, 180)(rng) * Pi / 180;
            model->Harmonics.push_back(h);
        }
        corpus.push_back(std::move(model));
    }
    return corpus;
}

std::vector<std::vector<std::uint8_t>> RenderReferences(const std::vector<std::unique_ptr<tmodele>>& models)
{
    std::vector<std::vector<std::uint8_t>> references(models.size());
    std::atomic<std::size_t> next{0};
    auto work = [&] {
        for (std::size_t m = next++; m < models.size(); m = next++) {
            references[m].resize(models[m]->SampleCount() * 2);
            RenderReference(*models[m], references[m].data());
        }
    };
    std::thread helper(work);
    work();
    helper.join();
    return references;
}

std::size_t CountMismatchingSamples(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b)
{
    if (a.size() != b.size())
        return std::max(a.size(), b.size()) / 2;
    std::size_t mismatches = 0;
    for (std::size_t k = 0; k + 1 < a.size(); k += 2)
        mismatches += a[k] != b[k] || a[k + 1] != b[k + 1];
    return mismatches;
}
