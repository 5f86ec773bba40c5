#include "model/recipes.h"

#include <algorithm>

#include "model/phase.h"

namespace {

constexpr int InPhase = 0;     // degrees
constexpr int Inverted = 180;  // degrees
constexpr int SinePhase = 90;  // degrees

bool Odd(int rank)
{
    return rank % 2 == 1;
}

// Whether the recipe holds rank r, and with which amplitude and phase (degrees).
struct Term {
    bool present;
    double amplitude;
    int degrees;
};

Term TermOf(Recipe recipe, int r)
{
    switch (recipe) {
        case Recipe::Square:
            return {Odd(r), 1.0 / r, InPhase};
        case Recipe::Sawtooth:
            return {true, 1.0 / r, Odd(r) ? InPhase : Inverted};
        case Recipe::Triangle:
            return {Odd(r), 1.0 / (double(r) * r), r % 4 == 1 ? InPhase : Inverted};
        case Recipe::Pulse:
            return {true, 1.0, SinePhase};
    }
    return {false, 0.0, InPhase};
}

}  // namespace

std::vector<tharmonique> RecipeHarmonics(Recipe recipe, int highestRank)
{
    const int highest = std::clamp(highestRank, RecipeLowestRank, RecipeHighestRank);
    std::vector<tharmonique> harmonics;
    for (int r = RecipeLowestRank; r <= highest; ++r) {
        const Term term = TermOf(recipe, r);
        if (!term.present)
            continue;
        tharmonique harmonic;
        InitHarmonic(harmonic, std::uint8_t(r));
        harmonic.Amplitude = term.amplitude;
        harmonic.Phase = Radians(term.degrees);
        harmonics.push_back(harmonic);
    }
    return harmonics;
}
