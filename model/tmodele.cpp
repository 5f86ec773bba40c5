#include "model/tmodele.h"

#include "model/render.h"

void ResetEnvelope(tenveloppe& envelope)
{
    for (int k = 1; k <= 44; ++k)
        envelope[k] = 255;
    envelope[0] = 0;
    envelope[45] = 0;
}

void InitHarmonic(tharmonique& record, std::uint8_t rank)
{
    record.Active = 1;
    ResetEnvelope(record.Envelope);
    record.Phase = 0.0;
    record.Rank = rank;
    record.Amplitude = 1.0;
}

bool tmodele::AddHarmonic(std::uint8_t rank)
{
    if (Harmonics.size() >= MaxHarmonics)
        return false;
    tharmonique record;
    InitHarmonic(record, rank);
    // Never in front of the first entry: a duplicate rank, or one below the first, goes last.
    std::size_t position = Harmonics.size();
    for (std::size_t i = 1; i < Harmonics.size(); ++i) {
        if (Harmonics[i - 1].Rank < rank && Harmonics[i].Rank > rank) {
            position = i;
            break;
        }
    }
    Harmonics.insert(Harmonics.begin() + std::ptrdiff_t(position), record);
    return true;
}

void tmodele::DeleteHarmonic(std::size_t index)
{
    if (index >= Harmonics.size())
        return;
    Harmonics.erase(Harmonics.begin() + std::ptrdiff_t(index));
    Harmonics.shrink_to_fit();
}

void tmodele::Render()
{
    // The old buffer goes first: if the new one cannot be had, the model is left unrendered
    // rather than claiming a stale sound.
    Rendered = 0;
    Samples.clear();
    Samples.shrink_to_fit();
    Samples.resize(std::size_t(Duration) * BytesPerTenth);
    RenderSamples(*this, Samples.data());
    Rendered = 1;
}

std::unique_ptr<tmodele> tmodele::Copy() const
{
    auto copy = std::make_unique<tmodele>();
    copy->Glide = Glide;
    copy->Duration = Duration;
    copy->SpareFlag = SpareFlag;
    copy->Fundamental = Fundamental;
    copy->Rendered = 0;
    // Record for record rather than through AddHarmonic: a list out of rank order (possible
    // after deletions or from a file) would otherwise be reordered under fields filled by index.
    copy->Harmonics = Harmonics;
    copy->Render();
    return copy;
}
