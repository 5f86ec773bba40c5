// The fast renderer against the reference synthesis, byte for byte, on every kernel the processor
// has, with one thread and with two.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "model/render.h"
#include "model/render_fast.h"
#include "support/fastrender_corpus.h"

namespace {

std::vector<RenderIsa> SupportedIsas()
{
    std::vector<RenderIsa> isas;
    for (RenderIsa isa : {RenderIsa::Sse2, RenderIsa::Avx2, RenderIsa::Avx512})
        if (RenderIsaSupported(isa))
            isas.push_back(isa);
    return isas;
}

std::vector<std::uint8_t> Reference(const tmodele& model)
{
    std::vector<std::uint8_t> bytes(model.SampleCount() * 2);
    RenderReference(model, bytes.data());
    return bytes;
}

std::vector<std::uint8_t> Fast(const tmodele& model, const RenderFastOptions& options,
                               RenderFastReport* report)
{
    // One byte past the end, to catch a write beyond the buffer.
    std::vector<std::uint8_t> bytes(model.SampleCount() * 2 + 1, 0xA5);
    *report = RenderFast(model, bytes.data(), options);
    EXPECT_EQ(bytes.back(), 0xA5) << "wrote past the buffer";
    bytes.pop_back();
    return bytes;
}

TEST(RenderFastIdentity, RandomCorpusOnEveryKernelAndThreadCount)
{
    const auto corpus = MakeRenderCorpus(20261208, 40, 20);
    const auto references = RenderReferences(corpus);
    for (RenderIsa isa : SupportedIsas()) {
        for (unsigned threads : {1u, 2u}) {
            std::size_t samples = 0, recomputed = 0;
            for (std::size_t m = 0; m < corpus.size(); ++m) {
                RenderFastReport report;
                const auto bytes = Fast(*corpus[m], {threads, isa}, &report);
                ASSERT_EQ(CountMismatchingSamples(bytes, references[m]), 0u)
                    << "model " << m << ", kernel " << RenderIsaName(isa) << ", " << threads << " thread(s)";
                EXPECT_FALSE(report.usedReference) << "model " << m;
                samples += corpus[m]->SampleCount();
                recomputed += report.recomputedSamples;
            }
            // The bound must stay narrow enough for the fast path to be worth its name.
            EXPECT_LT(double(recomputed), 1e-4 * double(samples)) << "kernel " << RenderIsaName(isa);
        }
    }
}

TEST(RenderFastIdentity, WorstCaseAndStartModel)
{
    const auto worst = MakeWorstCaseModel();
    const auto start = MakeStartModel();
    for (const tmodele* model : {worst.get(), start.get()}) {
        const auto reference = Reference(*model);
        for (RenderIsa isa : SupportedIsas()) {
            for (unsigned threads : {1u, 2u}) {
                RenderFastReport report;
                EXPECT_EQ(CountMismatchingSamples(Fast(*model, {threads, isa}, &report), reference), 0u);
                EXPECT_FALSE(report.usedReference);
                EXPECT_EQ(report.isa, isa);
            }
        }
    }
}

TEST(RenderFastIdentity, RenderGivesTheReferenceBytes)
{
    auto model = MakeWorstCaseModel(7);
    model->Duration = 12;
    model->Render();
    EXPECT_EQ(model->Samples, Reference(*model));
    model->Render();
    EXPECT_EQ(model->Samples, Reference(*model));
}

// Samples left to the reference: a bound widened on purpose sends most samples there, and the
// result must still be the reference's.
TEST(RenderFastIdentity, SamplesNearARoundingBoundaryGoToTheReference)
{
    auto model = MakeWorstCaseModel(3);
    model->Duration = 3;
    model->Harmonics.resize(12);
    const auto reference = Reference(*model);
    for (RenderIsa isa : SupportedIsas()) {
        RenderFastOptions options{1, isa};
        options.minimumBound = 0.3;
        RenderFastReport report;
        EXPECT_EQ(CountMismatchingSamples(Fast(*model, options, &report), reference), 0u);
        EXPECT_FALSE(report.usedReference);
        // About 60 % of uniformly spread fractions lie within 0.3 of a half.
        EXPECT_GT(report.recomputedSamples, model->SampleCount() / 2);
        EXPECT_LT(report.recomputedSamples, model->SampleCount() * 7 / 10);
    }
}

// Few ranks far apart: Horner's rule skips the silent ranks with powers of w.
TEST(RenderFastIdentity, SparseRankSets)
{
    const std::vector<std::vector<int>> rankSets = {
        {50},          {1, 50}, {40, 17, 3, 17}, {255}, {0, 128, 255}, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 200},
        {31, 63, 127},
    };
    for (const auto& ranks : rankSets) {
        auto model = MakeWorstCaseModel(5);
        model->Duration = 6;
        model->Glide = 0.8;
        model->Fundamental = 3000;
        model->Harmonics.resize(ranks.size());
        for (std::size_t k = 0; k < ranks.size(); ++k)
            model->Harmonics[k].Rank = std::uint8_t(ranks[k]);
        const auto reference = Reference(*model);
        for (RenderIsa isa : SupportedIsas()) {
            RenderFastReport report;
            EXPECT_EQ(CountMismatchingSamples(Fast(*model, {1, isa}, &report), reference), 0u)
                << "ranks from " << ranks.front() << ", kernel " << RenderIsaName(isa);
            EXPECT_FALSE(report.usedReference);
            EXPECT_GT(report.sparseSegments, 0) << "ranks from " << ranks.front();
        }
    }
}

struct OddModel {
    const char* name;
    void (*change)(tmodele&);
    bool toReference;  // the whole model is expected to go to the reference
};

// Inputs the fast path does not take, and unusual ones it does; either way, the reference's bytes.
TEST(RenderFastIdentity, OddModels)
{
    const OddModel table[] = {
        {"B = 0: every active amplitude 0",
         [](tmodele& m) {
             for (auto& h : m.Harmonics)
                 h.Amplitude = 0;
         },
         false},
        {"all inactive",
         [](tmodele& m) {
             for (auto& h : m.Harmonics)
                 h.Active = 0;
         },
         false},
        {"no harmonics", [](tmodele& m) { m.Harmonics.clear(); }, false},
        {"duration 0", [](tmodele& m) { m.Duration = 0; }, false},
        {"duration 1", [](tmodele& m) { m.Duration = 1; }, false},
        {"rank 0 and rank 255",
         [](tmodele& m) {
             m.Harmonics[0].Rank = 0;
             m.Harmonics[1].Rank = 255;
         },
         false},
        {"amplitudes above 1", [](tmodele& m) { m.Harmonics[2].Amplitude = 7.5; }, false},
        {"tiny amplitudes",
         [](tmodele& m) {
             for (auto& h : m.Harmonics)
                 h.Amplitude *= 1e-300;
         },
         false},
        {"glide -2", [](tmodele& m) { m.Glide = -2; }, false},
        {"fundamental 0", [](tmodele& m) { m.Fundamental = 0; }, false},
        {"NaN amplitude",
         [](tmodele& m) { m.Harmonics[3].Amplitude = std::numeric_limits<double>::quiet_NaN(); }, true},
        {"negative amplitude", [](tmodele& m) { m.Harmonics[3].Amplitude = -0.25; }, true},
        {"amplitudes cancelling",
         [](tmodele& m) {
             m.Harmonics[0].Amplitude = -m.Harmonics[1].Amplitude;
             for (std::size_t k = 2; k < m.Harmonics.size(); ++k)
                 m.Harmonics[k].Active = 0;
         },
         true},
        {"infinite amplitude",
         [](tmodele& m) { m.Harmonics[3].Amplitude = std::numeric_limits<double>::infinity(); }, true},
        {"negative fundamental", [](tmodele& m) { m.Fundamental = -440; }, true},
        {"huge fundamental", [](tmodele& m) { m.Fundamental = 1e15; }, true},
        {"NaN glide", [](tmodele& m) { m.Glide = std::numeric_limits<double>::quiet_NaN(); }, true},
        {"huge phase", [](tmodele& m) { m.Harmonics[1].Phase = 1e300; }, true},
        {"infinite phase, inactive",
         [](tmodele& m) {
             m.Harmonics[1].Phase = std::numeric_limits<double>::infinity();
             m.Harmonics[1].Active = 0;
         },
         false},
    };
    for (const OddModel& odd : table) {
        SCOPED_TRACE(odd.name);
        auto model = MakeWorstCaseModel(11);
        model->Duration = 2;
        model->Harmonics.resize(6);
        odd.change(*model);
        RenderFastReport report;
        EXPECT_EQ(CountMismatchingSamples(Fast(*model, {2, RenderIsa::Auto}, &report), Reference(*model)),
                  0u);
        EXPECT_EQ(report.usedReference, odd.toReference);
    }
}

}  // namespace
