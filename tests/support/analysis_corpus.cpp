#include "support/analysis_corpus.h"

#include <algorithm>
#include <cmath>
#include <random>
#include <set>

#include "analysis/decode.h"
#include "model/phase.h"

namespace analysis_corpus {

std::unique_ptr<tmodele> RandomModel(std::uint32_t seed)
{
    std::mt19937 random(seed);
    auto uniform = [&](double low, double high) {
        return std::uniform_real_distribution<double>(low, high)(random);
    };
    auto whole = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };

    auto model = std::make_unique<tmodele>();
    model->Duration = std::uint16_t(whole(1, 40));
    // Fundamentals spread evenly in octaves, as notes are.
    model->Fundamental = std::round(20 * std::pow(300.0, uniform(0, 1)) * 10) / 10;
    const int percent = whole(-50, 100);
    const int tenths = percent == -50 ? whole(-10, 0) : percent == 100 ? whole(0, 10) : whole(-9, 9);
    model->Glide = (percent + tenths / 10.0) / 100;
    const double widest = std::max(1.0, std::abs(1 + 2 * model->Glide));
    int highest = 1;
    while (highest < 50 && (highest + 1) * model->Fundamental * widest < 20000)
        ++highest;
    std::set<int> ranks{1};
    const int count = whole(0, std::min(highest - 1, 12));
    while (int(ranks.size()) < count + 1)
        ranks.insert(whole(2, highest));
    const bool firstOff = seed % 10 == 9 && highest >= 3;
    if (firstOff) {
        ranks.insert(2);
        ranks.insert(3);
    }
    for (int rank : ranks) {
        model->AddHarmonic(std::uint8_t(rank));
        tharmonique& h = model->Harmonics.back();
        for (auto& point : h.Envelope)
            point = std::uint8_t(whole(0, 255));
        h.Envelope[whole(0, 45)] = 255;
        h.Amplitude = std::round(uniform(0.01, 1) * 100) / 100;
        h.Phase = Radians(whole(0, 359));
    }
    if (firstOff)
        model->Harmonics[0].Active = 0;
    model->Render();
    return model;
}

analysis::Recording RecordingOf(const tmodele& model)
{
    std::vector<double> samples(model.SampleCount());
    for (std::size_t k = 0; k < samples.size(); ++k)
        samples[k] = model.Sample(k);
    return analysis::RecordingFromSamples(std::move(samples));
}

double WaveformSnrDb(const tmodele& original, const tmodele& imported)
{
    double signal = 0, noise = 0;
    for (std::size_t k = 0; k < original.SampleCount(); ++k) {
        const double x = original.Sample(k);
        const double y = k < imported.SampleCount() ? imported.Sample(k) : 0.0;
        signal += x * x;
        noise += (x - y) * (x - y);
    }
    return noise > 0 ? 10 * std::log10(signal / noise) : 200;
}

RoundTrip Import(const tmodele& model)
{
    RoundTrip trip;
    trip.result = analysis::Analyse(RecordingOf(model));
    tmodele imported;
    analysis::ApplyResult(trip.result, imported);
    imported.Render();
    trip.snrDb = WaveformSnrDb(model, imported);
    trip.fundamentalError = std::abs(trip.result.fundamental / model.Fundamental - 1);
    trip.glideError = std::abs(trip.result.glide - model.Glide);
    auto ranksOf = [](const tmodele& m) {
        std::set<int> ranks;
        for (const tharmonique& h : m.Harmonics)
            if (h.Active != 0 && h.Amplitude >= 0.01 - 1e-12)
                ranks.insert(h.Rank);
        return ranks;
    };
    trip.sameRanks = ranksOf(model) == ranksOf(imported);
    return trip;
}

}  // namespace analysis_corpus
