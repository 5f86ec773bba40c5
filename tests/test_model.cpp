// The model's own operations: defaults, the ordering rule of AddHarmonic, deletion, the
// series copy, and what happens with input the pages never send.
#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

#include "model/tmodele.h"

namespace {

std::vector<int> Ranks(const tmodele& model)
{
    std::vector<int> ranks;
    for (const tharmonique& h : model.Harmonics)
        ranks.push_back(h.Rank);
    return ranks;
}

// The default envelope written out point by point.
tenveloppe DefaultEnvelope()
{
    tenveloppe e{};
    for (int k = 0; k < 46; ++k)
        e[k] = (k == 0 || k == 45) ? 0 : 255;
    return e;
}

void ExpectDefaultRecord(const tharmonique& h, int rank)
{
    EXPECT_EQ(h.Active, 1);
    EXPECT_EQ(h.Rank, rank);
    EXPECT_EQ(h.Envelope, DefaultEnvelope());
    EXPECT_EQ(h.Amplitude, 1.0);
    EXPECT_EQ(h.Phase, 0.0);
}

TEST(ModelDefaults, NewModel)
{
    const tmodele model;
    EXPECT_EQ(model.Fundamental, 440.0);
    EXPECT_EQ(model.Glide, 0.0);
    EXPECT_EQ(model.Duration, 10);
    EXPECT_TRUE(model.Harmonics.empty());
    EXPECT_EQ(model.Rendered, 0);
    EXPECT_EQ(model.SpareFlag, 1);
    EXPECT_TRUE(model.Samples.empty());
}

TEST(ModelDefaults, AddHarmonicSevenOnANewModel)
{
    tmodele model;
    EXPECT_TRUE(model.AddHarmonic(7));
    ASSERT_EQ(model.Harmonics.size(), 1u);
    ExpectDefaultRecord(model.Harmonics[0], 7);
    EXPECT_EQ(model.Rendered, 0);  // adding doesn't render
}

TEST(ModelDefaults, ResetEnvelopeAndInitHarmonicOverwriteEverything)
{
    tharmonique h;
    h.Active = 0;
    h.Rank = 9;
    h.Envelope.fill(17);
    h.Amplitude = 0.25;
    h.Phase = 1.5;
    InitHarmonic(h, 42);
    ExpectDefaultRecord(h, 42);

    tenveloppe e;
    e.fill(3);
    ResetEnvelope(e);
    EXPECT_EQ(e, DefaultEnvelope());
}

struct OrderingCase {
    std::vector<int> before;
    int added;
    std::vector<int> after;
};

TEST(AddHarmonicOrdering, Table)
{
    const OrderingCase cases[] = {
        {{}, 5, {5}},
        {{}, 1, {1}},
        {{1}, 2, {1, 2}},
        {{1, 3, 5}, 4, {1, 3, 4, 5}},
        {{1, 3, 5}, 2, {1, 2, 3, 5}},
        {{1, 3, 5}, 7, {1, 3, 5, 7}},
        // A rank already present goes to the end...
        {{1, 3, 5}, 3, {1, 3, 5, 3}},
        {{1, 3, 5}, 1, {1, 3, 5, 1}},
        {{1, 3, 5}, 5, {1, 3, 5, 5}},
        // ...and so does one below the first entry: nothing goes in front of it.
        {{3, 5}, 1, {3, 5, 1}},
        {{3}, 2, {3, 2}},
        // The first gap that fits wins, even in a list that is no longer in order.
        {{1, 3, 5, 3}, 4, {1, 3, 4, 5, 3}},
        {{3, 5, 1}, 4, {3, 4, 5, 1}},
        {{1, 3, 5, 3}, 2, {1, 2, 3, 5, 3}},
        // Ranks compare as unsigned bytes.
        {{1, 254}, 255, {1, 254, 255}},
        {{1, 255}, 254, {1, 254, 255}},
        {{1, 255}, 0, {1, 255, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "added " << c.added << " to a list of " << c.before.size());
        tmodele model;
        for (int rank : c.before) {
            model.Harmonics.emplace_back();
            InitHarmonic(model.Harmonics.back(), std::uint8_t(rank));
        }
        EXPECT_TRUE(model.AddHarmonic(std::uint8_t(c.added)));
        EXPECT_EQ(Ranks(model), c.after);
    }
}

TEST(AddHarmonicOrdering, ExistingRecordsMoveWithTheirFields)
{
    tmodele model;
    for (int rank : {1, 3, 5})
        model.AddHarmonic(std::uint8_t(rank));
    // Tell the records apart by amplitude and phase.
    for (std::size_t i = 0; i < 3; ++i) {
        model.Harmonics[i].Amplitude = 0.1 * double(i + 1);
        model.Harmonics[i].Phase = double(i + 1);
        model.Harmonics[i].Envelope[10] = std::uint8_t(i);
        model.Harmonics[i].Active = 0;
    }
    model.AddHarmonic(4);
    ASSERT_EQ(Ranks(model), (std::vector<int>{1, 3, 4, 5}));
    ExpectDefaultRecord(model.Harmonics[2], 4);
    const std::size_t oldIndex[] = {0, 1, 3};  // where records 0, 1, 2 now are
    for (std::size_t i = 0; i < 3; ++i) {
        const tharmonique& h = model.Harmonics[oldIndex[i]];
        EXPECT_DOUBLE_EQ(h.Amplitude, 0.1 * double(i + 1));
        EXPECT_EQ(h.Phase, double(i + 1));
        EXPECT_EQ(h.Envelope[10], i);
        EXPECT_EQ(h.Active, 0);
    }
}

TEST(AddHarmonicOrdering, FullListRefusesMore)
{
    tmodele model;
    for (int i = 0; i < tmodele::MaxHarmonics; ++i)
        ASSERT_TRUE(model.AddHarmonic(std::uint8_t(i % 50 + 1))) << i;
    ASSERT_EQ(model.Harmonics.size(), 255u);
    const std::vector<int> ranks = Ranks(model);
    EXPECT_FALSE(model.AddHarmonic(7));
    EXPECT_FALSE(model.AddHarmonic(0));
    EXPECT_EQ(model.Harmonics.size(), 255u);
    EXPECT_EQ(Ranks(model), ranks);
}

TEST(DeleteHarmonic, Table)
{
    const struct {
        std::vector<int> before;
        std::size_t index;
        std::vector<int> after;
    } cases[] = {
        {{1, 3}, 0, {3}},
        {{1, 3}, 1, {1}},
        {{1, 3, 5}, 1, {1, 5}},
        {{4}, 0, {}},
        // Out of range: nothing changes.
        {{1, 3}, 2, {1, 3}},
        {{1, 3}, 255, {1, 3}},
        {{1, 3}, std::size_t(-1), {1, 3}},
        {{}, 0, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "index " << c.index << " of " << c.before.size());
        tmodele model;
        for (int rank : c.before)
            model.AddHarmonic(std::uint8_t(rank));
        model.DeleteHarmonic(c.index);
        EXPECT_EQ(Ranks(model), c.after);
    }
}

TEST(DeleteHarmonic, FirstOfTwoKeepsTheOthersFieldsAndTrimsTheList)
{
    tmodele model;
    model.AddHarmonic(1);
    model.AddHarmonic(3);
    model.Harmonics[1].Amplitude = 0.3;
    model.Harmonics[1].Phase = -0.5;
    model.Harmonics[1].Envelope[20] = 9;
    model.DeleteHarmonic(0);
    ASSERT_EQ(model.Harmonics.size(), 1u);
    EXPECT_EQ(model.Harmonics[0].Rank, 3);
    EXPECT_EQ(model.Harmonics[0].Amplitude, 0.3);
    EXPECT_EQ(model.Harmonics[0].Phase, -0.5);
    EXPECT_EQ(model.Harmonics[0].Envelope[20], 9);
    EXPECT_EQ(model.Harmonics.capacity(), 1u);
}

// A model with varied fields: three harmonics, one inactive, own envelopes and phases.
std::unique_ptr<tmodele> VariedModel()
{
    auto model = std::make_unique<tmodele>();
    model->Fundamental = 261.63;
    model->Glide = -0.2;
    model->Duration = 3;
    model->SpareFlag = 0;
    for (int rank : {1, 2, 5})
        model->AddHarmonic(std::uint8_t(rank));
    model->Harmonics[1].Active = 0;
    model->Harmonics[1].Amplitude = 0.4;
    model->Harmonics[2].Amplitude = 0.7;
    model->Harmonics[2].Phase = 1.2;
    for (int k = 0; k < 46; ++k)
        model->Harmonics[2].Envelope[k] = std::uint8_t(k * 5);
    model->Render();
    return model;
}

void ExpectSameHarmonics(const tmodele& a, const tmodele& b)
{
    ASSERT_EQ(a.Harmonics.size(), b.Harmonics.size());
    for (std::size_t i = 0; i < a.Harmonics.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(a.Harmonics[i].Active, b.Harmonics[i].Active);
        EXPECT_EQ(a.Harmonics[i].Rank, b.Harmonics[i].Rank);
        EXPECT_EQ(a.Harmonics[i].Envelope, b.Harmonics[i].Envelope);
        EXPECT_EQ(a.Harmonics[i].Amplitude, b.Harmonics[i].Amplitude);
        EXPECT_EQ(a.Harmonics[i].Phase, b.Harmonics[i].Phase);
    }
}

TEST(ModelCopy, EqualFieldsOwnRecordsOwnRendering)
{
    auto source = VariedModel();
    const auto copy = source->Copy();
    EXPECT_EQ(copy->Fundamental, source->Fundamental);
    EXPECT_EQ(copy->Glide, source->Glide);
    EXPECT_EQ(copy->Duration, source->Duration);
    EXPECT_EQ(copy->SpareFlag, 0);
    EXPECT_EQ(copy->Rendered, 1);
    ExpectSameHarmonics(*copy, *source);
    EXPECT_EQ(copy->Samples, source->Samples);
    EXPECT_NE(copy->Harmonics.data(), source->Harmonics.data());
    EXPECT_NE(copy->Samples.data(), source->Samples.data());

    // Changing the source afterwards leaves the copy as it was.
    const std::vector<std::uint8_t> samples = copy->Samples;
    source->Harmonics[0].Envelope[5] = 1;
    source->Harmonics[0].Amplitude = 0.01;
    source->Harmonics[2].Phase = 0;
    source->AddHarmonic(3);
    source->Fundamental = 100;
    source->Duration = 1;
    source->Render();
    EXPECT_EQ(copy->Harmonics.size(), 3u);
    EXPECT_EQ(copy->Harmonics[0].Envelope, DefaultEnvelope());
    EXPECT_EQ(copy->Harmonics[0].Amplitude, 1.0);
    EXPECT_EQ(copy->Harmonics[2].Phase, 1.2);
    EXPECT_EQ(copy->Fundamental, 261.63);
    EXPECT_EQ(copy->Samples, samples);
    EXPECT_EQ(copy->Samples.size(), 3u * 8820u);
}

TEST(ModelCopy, UnrenderedSourceGivesARenderedCopy)
{
    tmodele source;
    source.AddHarmonic(1);
    const auto copy = source.Copy();
    EXPECT_EQ(source.Rendered, 0);
    EXPECT_TRUE(source.Samples.empty());
    EXPECT_EQ(copy->Rendered, 1);
    EXPECT_EQ(copy->Samples.size(), 88200u);
}

TEST(ModelCopy, ListsOutOfRankOrderCopyAsTheyStand)
{
    // A duplicate rank, a rank below the first, and (after a deletion) a rank that falls
    // between two earlier ones: the copy must still hold the same records in the same order.
    tmodele source;
    for (int rank : {1, 3, 5, 3})
        source.AddHarmonic(std::uint8_t(rank));
    source.DeleteHarmonic(1);
    ASSERT_EQ(Ranks(source), (std::vector<int>{1, 5, 3}));
    source.AddHarmonic(0);
    ASSERT_EQ(Ranks(source), (std::vector<int>{1, 5, 3, 0}));
    for (std::size_t i = 0; i < source.Harmonics.size(); ++i) {
        source.Harmonics[i].Amplitude = 0.1 * double(i + 1);
        source.Harmonics[i].Envelope[1] = std::uint8_t(10 * i);
    }
    source.Render();
    const auto copy = source.Copy();
    ExpectSameHarmonics(*copy, source);
    EXPECT_EQ(copy->Samples, source.Samples);
}

TEST(ModelRender, NoHarmonicsGivesSilence)
{
    tmodele model;
    model.Render();
    EXPECT_EQ(model.Rendered, 1);
    ASSERT_EQ(model.Samples.size(), 88200u);
    for (std::uint8_t byte : model.Samples)
        ASSERT_EQ(byte, 0);
}

}  // namespace
