#pragma once

#include <vector>

#include "model/tmodele.h"

// The classic waves as Fourier series: the harmonic list that sums, rank by rank, towards each
// shape. Order of the values: the order of the recipe dialog's items.
enum class Recipe {
    Square,    // "Carré": odd ranks, 1/r
    Sawtooth,  // "Dent de scie": every rank, 1/r, even ranks inverted
    Triangle,  // "Triangle": odd ranks, 1/r², every other one inverted
    Pulse,     // "Impulsion": every rank, 1, all in sine phase
};

inline constexpr int RecipeLowestRank = 1;    // the fundamental is always part of a recipe
inline constexpr int RecipeHighestRank = 50;  // the highest rank the dialogs offer

// The recipe's harmonics up to `highestRank` (brought into 1..50), in ascending rank order, each
// active with the default envelope. Amplitudes are relative (rank 1 has 1), phases in radians.
std::vector<tharmonique> RecipeHarmonics(Recipe recipe, int highestRank);
