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

    std::vector<FoundHarmonic> byRank = found;
    std::sort(byRank.begin(), byRank.end(), [](const auto& a, const auto& b) { return a.rank < b.rank; });

    // Rank 1 holds index 0 whatever was found: switched off until it is found strong enough.
    std::vector<tharmonique> harmonics(1);
    InitHarmonic(harmonics[0], 1);
    harmonics[0].Active = 0;
    for (const FoundHarmonic& h : byRank) {
        const double peak = *std::max_element(h.envelope.begin(), h.envelope.end());
        if (!(strongest > 0 && peak >= LeftOutBelow * strongest) || h.rank < 1 ||
            h.rank > tmodele::MaxHarmonics)
            continue;
        tharmonique record;
        InitHarmonic(record, std::uint8_t(h.rank));
        for (std::size_t k = 0; k < record.Envelope.size(); ++k)
            record.Envelope[k] = std::uint8_t(std::clamp(std::lround(255 * h.envelope[k] / peak), 0L, 255L));
        record.Amplitude = peak / strongest;
        record.Phase = Radians(WholeDegrees(h.phase));
        if (h.rank == 1)
            harmonics[0] = record;
        else
            harmonics.push_back(record);
    }
    return harmonics;
}

}  // namespace analysis
