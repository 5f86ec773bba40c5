// The fast renderer against the reference synthesis on the large random corpus (320 models), byte
// for byte, on every kernel the processor has, with one thread and with two. Slow: the reference
// takes minutes, so the corpus is cut into shards that CTest runs (and times) separately.
#include <gtest/gtest.h>

#include "model/render_fast.h"
#include "support/fastrender_corpus.h"

namespace {

constexpr int CorpusSize = 320;  // models
constexpr int Shards = 4;        // model m belongs to shard m % Shards

class RenderFastIdentityFull : public ::testing::TestWithParam<int> {};

TEST_P(RenderFastIdentityFull, LargeRandomCorpusShard)
{
    auto all = MakeRenderCorpus(0x50E11A, CorpusSize, 50);
    std::vector<std::unique_ptr<tmodele>> corpus;
    for (std::size_t m = std::size_t(GetParam()); m < all.size(); m += Shards)
        corpus.push_back(std::move(all[m]));
    const auto references = RenderReferences(corpus);
    std::vector<RenderIsa> isas;
    for (RenderIsa isa : {RenderIsa::Sse2, RenderIsa::Avx2, RenderIsa::Avx512})
        if (RenderIsaSupported(isa))
            isas.push_back(isa);
    for (RenderIsa isa : isas) {
        for (unsigned threads : {1u, 2u}) {
            std::size_t samples = 0, recomputed = 0, mismatches = 0, sparseSegments = 0;
            for (std::size_t m = 0; m < corpus.size(); ++m) {
                std::vector<std::uint8_t> bytes(corpus[m]->SampleCount() * 2);
                const RenderFastReport report = RenderFast(*corpus[m], bytes.data(), {threads, isa});
                const std::size_t wrong = CountMismatchingSamples(bytes, references[m]);
                EXPECT_EQ(wrong, 0u) << "model " << GetParam() + Shards * m << ", kernel "
                                     << RenderIsaName(isa) << ", " << threads << " thread(s)";
                EXPECT_FALSE(report.usedReference) << "model " << GetParam() + Shards * m;
                mismatches += wrong;
                samples += corpus[m]->SampleCount();
                recomputed += report.recomputedSamples;
                sparseSegments += std::size_t(report.sparseSegments);
            }
            EXPECT_EQ(mismatches, 0u);
            EXPECT_LT(double(recomputed), 1e-4 * double(samples));
            EXPECT_GT(sparseSegments, 0u) << "the corpus should also take the gap-skipping steps";
            std::printf(
                "shard %d, kernel %s, %u thread(s): %zu samples, %zu mismatching, %zu left to the reference, "
                "%zu sparse segments\n",
                GetParam(), RenderIsaName(isa), threads, samples, mismatches, recomputed, sparseSegments);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Shards, RenderFastIdentityFull, ::testing::Range(0, Shards));

}  // namespace
