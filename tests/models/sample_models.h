#pragma once

// Models that the tests and the benchmarks share, so that "the worst case" means one thing.

#include <cstdint>
#include <memory>
#include <numbers>
#include <random>

#include "model/tmodele.h"

// The heaviest model the pages can build: 40 tenths, 50 active harmonics of ranks 1..50 with
// random envelopes, amplitudes (0.01..1) and whole-degree phases (-179..180), glide 0.3. Not
// rendered. The same seed gives the same model.
inline std::unique_ptr<tmodele> MakeWorstCaseModel(std::uint32_t seed = 1)
{
    std::mt19937 rng(seed);
    auto model = std::make_unique<tmodele>();
    model->Duration = 40;  // tenths of a second
    model->Glide = 0.3;
    for (int rank = 1; rank <= 50; ++rank) {
        tharmonique h;
        InitHarmonic(h, std::uint8_t(rank));
        for (auto& point : h.Envelope)
            point = std::uint8_t(std::uniform_int_distribution<int>(0, 255)(rng));
        h.Amplitude = std::uniform_real_distribution<double>(0.01, 1)(rng);
        h.Phase = std::uniform_int_distribution<int>(-179, 180)(rng) * std::numbers::pi / 180;  // radians
        model->Harmonics.push_back(h);
    }
    return model;
}

// The model the program starts with: 440 Hz, 10 tenths, its rank-1 harmonic. Not rendered.
inline std::unique_ptr<tmodele> MakeStartModel()
{
    auto model = std::make_unique<tmodele>();
    model->AddHarmonic(1);
    return model;
}
