#include <gtest/gtest.h>

#include "model/tmodele.h"

namespace {

std::unique_ptr<tmodele> StartModel()
{
    auto model = std::make_unique<tmodele>();
    model->AddHarmonic(1);
    model->Render();
    return model;
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

}  // namespace
