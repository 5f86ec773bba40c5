#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "model/tmodele.h"
#include "models/sample_models.h"

// Random models for checking the fast renderer against the reference: every duration 1..40 in turn,
// 1..maxHarmonics (at most 50) harmonic records with random ranks (duplicates and lists out of order
// included, as files can hold them), some inactive, envelopes flat, all-zero, spiky, ramps or random,
// amplitudes 0..1 with 0 and exactly 1 often, whole-degree phases -179..180, glides -0.51..1.01, fundamentals
// 20 Hz..20 kHz. The same seed gives the same models.
std::vector<std::unique_ptr<tmodele>> MakeRenderCorpus(std::uint32_t seed, int count, int maxHarmonics);

// RenderReference of each model, computed on two threads.
std::vector<std::vector<std::uint8_t>> RenderReferences(const std::vector<std::unique_ptr<tmodele>>& models);

// Samples (not bytes) at which two renderings differ.
std::size_t CountMismatchingSamples(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b);
