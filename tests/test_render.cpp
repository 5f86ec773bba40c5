// The synthesis: the reference samples, the sizes and envelope timing, normalisation,
// rounding and storage, and a sample-by-sample check against the definition written out here.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>

#include "model/tmodele.h"

namespace {

std::unique_ptr<tmodele> StartModel()
{
    auto model = std::make_unique<tmodele>();
    model->AddHarmonic(1);
    model->Render();
    return model;
}

constexpr double HalfPi = 1.57079632679489661923;  // radians

// The synthesis written out from its definition, one sample at a time, in extended precision.
std::int16_t ExpectedSample(const tmodele& model, long i)
{
    const long n = long(model.Duration) * 4410;  // samples
    const long segmentLength = long(model.Duration) * 98;
    const long s = i / segmentLength;
    const long r = i % segmentLength;
    const long double twoPi = 2 * 3.14159265358979323846264338327950288L;
    long double b = 0;
    for (const tharmonique& h : model.Harmonics)
        if (h.Active)
            b += h.Amplitude;
    const long double f = ((static_cast<long double>(i) * model.Glide) / n + 1) * model.Fundamental;
    long double sum = 0;
    for (const tharmonique& h : model.Harmonics) {
        if (!h.Active)
            continue;
        const long product = r * (long(h.Envelope[s + 1]) - long(h.Envelope[s]));  // in integers
        const long double e = static_cast<long double>(product) / segmentLength + h.Envelope[s];
        long double a = static_cast<long double>(i) * twoPi;
        a = a * f;
        a = a * h.Rank;
        a = a / 44100 + h.Phase;
        sum += sinl(a) * (e * h.Amplitude) / 255;
    }
    if (b == 0)
        return 0;
    const long double scaled = 10000 * sum / b;
    // Nearest integer, halves to even, then the low 16 bits.
    long double whole = floorl(scaled);
    const long double fraction = scaled - whole;
    if (fraction > 0.5L || (fraction == 0.5L && fmodl(whole, 2) != 0))
        whole += 1;
    return std::int16_t(std::uint16_t(static_cast<long long>(whole) & 0xFFFF));
}

TEST(RenderReferenceSamples, StartModel)
{
    auto model = StartModel();
    ASSERT_EQ(model->Samples.size(), 88200u);
    EXPECT_EQ(model->Sample(0), 0);
    EXPECT_EQ(model->Sample(25), 255);
    EXPECT_EQ(model->Sample(490), -3214);
    EXPECT_EQ(model->Sample(1000), -1420);
    EXPECT_EQ(model->Sample(43119), 9720);
    EXPECT_EQ(model->Sample(44099), -1);
    EXPECT_EQ(model->Samples[980], 0x72);
    EXPECT_EQ(model->Samples[981], 0xF3);
}

TEST(RenderReferenceSamples, Glide)
{
    auto model = StartModel();
    model->Glide = 0.5;
    model->Render();
    EXPECT_EQ(model->Sample(1000), 5382);
    EXPECT_EQ(model->Sample(40000), 5226);
}

TEST(RenderReferenceSamples, SecondHarmonic)
{
    auto model = StartModel();
    model->AddHarmonic(2);
    model->Harmonics[1].Amplitude = 0.5;
    model->Render();
    EXPECT_EQ(model->Sample(1000), -1884);
    EXPECT_EQ(model->Sample(5000), -7655);
}

TEST(RenderReferenceSamples, TheDefinitionWrittenHereAgrees)
{
    // Keeps ExpectedSample honest before the tests below lean on it.
    auto model = StartModel();
    const long indices[] = {0, 25, 490, 1000, 43119, 44099};
    const int values[] = {0, 255, -3214, -1420, 9720, -1};
    for (std::size_t k = 0; k < std::size(indices); ++k)
        EXPECT_EQ(ExpectedSample(*model, indices[k]), values[k]) << indices[k];
}

// A model whose sample i is 10000 x E(i) / 255: frequency 0 leaves the argument at the
// phase, and sin(π/2) is exactly 1 in extended precision. It shows the envelope directly.
std::unique_ptr<tmodele> EnvelopeProbe(std::uint16_t duration)
{
    auto model = std::make_unique<tmodele>();
    model->Duration = duration;
    model->Fundamental = 0;
    model->AddHarmonic(1);
    model->Harmonics[0].Phase = HalfPi;
    return model;
}

TEST(RenderEnvelope, SizesAndSegmentLengths)
{
    for (std::uint16_t d : {1, 10, 40}) {
        SCOPED_TRACE(d);
        auto model = EnvelopeProbe(d);
        model->Render();
        const long n = long(d) * 4410;  // samples
        const long l = long(d) * 98;    // samples per segment
        EXPECT_EQ(model->Rendered, 1);
        ASSERT_EQ(model->Samples.size(), std::size_t(d) * 8820);
        EXPECT_EQ(model->SampleCount(), std::size_t(n));
        // Rise over the first segment, plateau from point 1, fall over the last one.
        EXPECT_EQ(model->Sample(0), 0);
        EXPECT_EQ(model->Sample(std::size_t(l / 2)), 5000);
        EXPECT_EQ(model->Sample(std::size_t(l - 1)), std::lround(10000.0 * double(l - 1) / double(l)));
        EXPECT_EQ(model->Sample(std::size_t(l)), 10000);
        EXPECT_EQ(model->Sample(std::size_t(44 * l)), 10000);
        EXPECT_EQ(model->Sample(std::size_t(44 * l + l / 2)), 5000);
        // The last point is only the end of the last segment: the last sample is 255 / L above 0.
        EXPECT_EQ(model->Sample(std::size_t(n - 1)), std::lround(10000.0 / double(l)));
        EXPECT_GT(model->Sample(std::size_t(n - 1)), 0);
    }
}

TEST(RenderEnvelope, DecreasingSegmentsUseTheSignedProduct)
{
    auto model = EnvelopeProbe(2);
    tenveloppe& e = model->Harmonics[0].Envelope;
    for (int k = 0; k < 46; ++k)
        e[k] = std::uint8_t(k % 2 == 0 ? 255 : 51);
    model->Render();
    const long l = 2 * 98;
    for (long i : {0L, 1L, l / 4, l / 2, l - 1, l, l + 7, 2 * l - 1, 2 * l}) {
        SCOPED_TRACE(i);
        const bool even = (i / l) % 2 == 0;
        const long from = even ? 255 : 51, to = even ? 51 : 255;
        const double e255 = double((i % l) * (to - from)) / double(l) + double(from);
        EXPECT_EQ(model->Sample(std::size_t(i)), std::lround(10000.0 * e255 / 255.0));
    }
}

TEST(RenderRounding, HalvesGoToTheEvenNeighbour)
{
    // Harmonic 1 contributes exactly m/32 of full scale, harmonic 2 (sine of 0) only to B = 1:
    // 10000 x m / 32 ends in .5 for odd m.
    const struct {
        int m;
        double phase;
        int expected;
    } cases[] = {
        {1, HalfPi, 312},  {3, HalfPi, 938},   {5, HalfPi, 1562},
        {7, HalfPi, 2188}, {1, -HalfPi, -312}, {3, -HalfPi, -938},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.m << "/32, phase " << c.phase);
        tmodele model;
        model.Fundamental = 0;
        model.AddHarmonic(1);
        model.AddHarmonic(2);
        model.Harmonics[0].Envelope.fill(255);
        model.Harmonics[0].Amplitude = c.m / 32.0;
        model.Harmonics[0].Phase = c.phase;
        model.Harmonics[1].Amplitude = (32 - c.m) / 32.0;
        model.Render();
        EXPECT_EQ(model.Sample(0), c.expected);
    }
}

TEST(RenderRounding, StoresTheLowSixteenBitsLittleEndian)
{
    // Amplitudes outside 0..1 (possible in a file) can push a value past 16 bits: B = 0.25 makes
    // full scale 40000 = 0x9C40, stored as is, read back as -25536.
    tmodele model;
    model.Fundamental = 0;
    model.AddHarmonic(1);
    model.AddHarmonic(2);
    model.Harmonics[0].Envelope.fill(255);
    model.Harmonics[0].Phase = HalfPi;
    model.Harmonics[1].Amplitude = -0.75;
    model.Render();
    EXPECT_EQ(model.Samples[0], 0x40);
    EXPECT_EQ(model.Samples[1], 0x9C);
    EXPECT_EQ(model.Sample(0), 40000 - 65536);
}

TEST(RenderNormalisation, DeactivatingRescalesTheRest)
{
    tmodele both;
    both.AddHarmonic(1);
    both.AddHarmonic(3);
    both.Harmonics[1].Amplitude = 0.5;
    both.Harmonics[0].Active = 0;
    both.Render();

    tmodele alone;
    alone.AddHarmonic(3);
    alone.Render();
    // Rank 3 at 0.5 alone is scaled to the same peak as at 1.0: B counts active harmonics only.
    EXPECT_EQ(both.Samples, alone.Samples);
    int peak = 0;
    for (std::size_t i = 0; i < both.SampleCount(); ++i)
        peak = std::max(peak, std::abs(int(both.Sample(i))));
    EXPECT_GE(peak, 9990);
    EXPECT_LE(peak, 10000);
}

TEST(RenderNormalisation, TwoPeaksTogetherReachFullScale)
{
    tmodele model;
    model.AddHarmonic(1);
    model.AddHarmonic(2);
    model.Harmonics[1].Amplitude = 0.5;
    for (tharmonique& h : model.Harmonics) {
        h.Envelope.fill(255);
        h.Phase = HalfPi;
    }
    model.Render();
    EXPECT_EQ(model.Sample(0), 10000);
}

TEST(RenderNormalisation, SilentModels)
{
    const struct {
        const char* name;
        bool active;
        double amplitude;
    } cases[] = {{"all inactive", false, 1.0}, {"all amplitudes 0", true, 0.0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        tmodele model;
        for (int rank : {1, 2, 7}) {
            model.AddHarmonic(std::uint8_t(rank));
            model.Harmonics.back().Active = c.active ? 1 : 0;
            model.Harmonics.back().Amplitude = c.amplitude;
            model.Harmonics.back().Phase = HalfPi;
            model.Harmonics.back().Envelope.fill(255);
        }
        model.Render();
        ASSERT_EQ(model.Samples.size(), 88200u);
        EXPECT_EQ(std::count(model.Samples.begin(), model.Samples.end(), 0), 88200);
    }
}

TEST(RenderPhase, QuarterTurnWithAFlatStart)
{
    auto model = StartModel();
    model->Harmonics[0].Phase = HalfPi;
    model->Harmonics[0].Envelope[0] = 255;
    model->Render();
    EXPECT_EQ(model->Sample(0), 10000);

    // With the default envelope the first sample is silent whatever the phase.
    for (double phase : {HalfPi, -HalfPi, 3.14159265358979, 1.0, -3.0}) {
        model->Harmonics[0].Phase = phase;
        model->Harmonics[0].Envelope[0] = 0;
        model->Render();
        EXPECT_EQ(model->Sample(0), 0) << phase;
    }
}

TEST(RenderLifecycle, RendersAreRepeatableAndFollowTheDuration)
{
    auto model = StartModel();
    model->AddHarmonic(5);
    model->Harmonics[1].Phase = 0.3;
    model->Glide = 0.25;
    model->Render();
    const std::vector<std::uint8_t> first = model->Samples;
    model->Render();
    EXPECT_EQ(model->Samples, first);

    model->Duration = 1;
    model->Render();
    EXPECT_EQ(model->Samples.size(), 8820u);

    // Duration 0: no samples, yet rendered.
    model->Duration = 0;
    model->Render();
    EXPECT_TRUE(model->Samples.empty());
    EXPECT_EQ(model->Rendered, 1);
    EXPECT_EQ(model->SampleCount(), 0u);

    model->Duration = 10;
    model->Render();
    EXPECT_EQ(model->Samples, first);
}

// Models that exercise every term of the definition.
std::vector<std::unique_ptr<tmodele>> VariedModels()
{
    std::vector<std::unique_ptr<tmodele>> models;
    models.push_back(StartModel());

    auto glide = StartModel();
    glide->Glide = 0.5;  // F = 440 at i = 0, 440 x (1 + 0.5 x 44099 / 44100) at the last sample
    models.push_back(std::move(glide));

    auto rich = std::make_unique<tmodele>();
    rich->Fundamental = 123.4;
    rich->Glide = -0.3;
    rich->Duration = 7;
    for (int rank : {1, 2, 5, 9})
        rich->AddHarmonic(std::uint8_t(rank));
    for (std::size_t h = 0; h < rich->Harmonics.size(); ++h) {
        tharmonique& harmonic = rich->Harmonics[h];
        harmonic.Amplitude = 1.0 / double(h + 1);
        harmonic.Phase = -2.0 + 1.3 * double(h);
        for (int k = 0; k < 46; ++k)
            harmonic.Envelope[k] = std::uint8_t((k * 37 + int(h) * 91) % 256);
    }
    rich->Harmonics[2].Active = 0;
    models.push_back(std::move(rich));

    auto longest = std::make_unique<tmodele>();
    longest->Duration = 40;
    longest->Fundamental = 27.5;
    longest->Glide = 1.0;
    for (int rank = 1; rank <= 50; rank += 7)
        longest->AddHarmonic(std::uint8_t(rank));
    models.push_back(std::move(longest));
    return models;
}

TEST(RenderDefinition, SamplesMatchTheFormula)
{
    for (auto& model : VariedModels()) {
        model->Render();
        const long n = long(model->SampleCount());
        const long l = long(model->Duration) * 98;
        SCOPED_TRACE(testing::Message()
                     << "duration " << model->Duration << ", " << model->Harmonics.size() << " harmonics");
        std::vector<long> indices;
        for (long i = 0; i < n; i += 37)
            indices.push_back(i);
        for (long s = 1; s < 45; ++s) {
            indices.push_back(s * l - 1);
            indices.push_back(s * l);
        }
        indices.push_back(n - 1);
        int mismatches = 0;
        for (long i : indices) {
            if (model->Sample(std::size_t(i)) != ExpectedSample(*model, i) && ++mismatches <= 5)
                ADD_FAILURE() << "sample " << i << ": " << model->Sample(std::size_t(i))
                              << " != " << ExpectedSample(*model, i);
        }
        EXPECT_EQ(mismatches, 0);
    }
}

}  // namespace
