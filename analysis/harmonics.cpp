#include "analysis/harmonics.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "analysis/analyse.h"
#include "model/phase.h"

namespace analysis {

namespace {

// Whole degrees 0..359 of an angle in radians.
int WholeDegrees(double radians)
{
    const double degrees = radians * 180 / std::numbers::pi;
    int whole = int(std::lround(std::fmod(degrees, 360.0)));
    whole %= 360;
    return whole < 0 ? whole + 360 : whole;
}

}  // namespace

std::vector<tharmonique> ModelHarmonics(const std::vector<FoundHarmonic>& found)
{
    double strongest = 0;
    for (const FoundHarmonic& h : found)
        strongest = std::max(strongest, *std::max_element(h.envelope.begin(), h.envelope.end()));

    std::vector<const FoundHarmonic*> byRank;
    for (const FoundHarmonic& h : found)
        byRank.push_back(&h);
    std::stable_sort(byRank.begin(), byRank.end(), [](auto* a, auto* b) { return a->rank < b->rank; });

    std::vector<tharmonique> harmonics;
    tharmonique first;
    InitHarmonic(first, 1);
    first.Active = 0;
    harmonics.push_back(first);
    for (const FoundHarmonic* h : byRank) {
        const double peak = *std::max_element(h->envelope.begin(), h->envelope.end());
        const bool kept = strongest > 0 && peak >= LeftOutBelow * strongest;
        if (h->rank == 1) {
            if (!kept)
                continue;
        } else if (!kept || h->rank < 1 || h->rank > tmodele::MaxHarmonics) {
            continue;
        }
        tharmonique record;
        InitHarmonic(record, std::uint8_t(h->rank));
        for (std::size_t k = 0; k < record.Envelope.size(); ++k)
            record.Envelope[k] = std::uint8_t(std::clamp(std::lround(255 * h->envelope[k] / peak), 0L, 255L));
        record.Amplitude = peak / strongest;
        record.Phase = Radians(WholeDegrees(h->phase));
        if (h->rank == 1)
            harmonics[0] = record;
        else
            harmonics.push_back(record);
    }
    return harmonics;
}

}  // namespace analysis
