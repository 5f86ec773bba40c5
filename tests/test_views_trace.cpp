// The waveform's fast trace (one span per pixel column, QPainter only for the segments that
// cross columns) against the plain one-line-per-segment drawing: the same pixels, always.
#include <gtest/gtest.h>

#include <QImage>
#include <cmath>
#include <random>
#include <sstream>
#include <vector>

#include "model/draw_waveform.h"
#include "model/tmodele.h"
#include "support/views_pictures.h"

using namespace views_test;

namespace {

::testing::AssertionResult SamePixels(const tmodele& model, int W, int H, double start, double end,
                                      QImage::Format format = QImage::Format_RGB32)
{
    QImage reference = Canvas(W, H).convertToFormat(format);
    QImage fast = reference.copy();
    DrawWaveformWith(model, reference, start, end, TraceMethod::PerSegment);
    DrawWaveformWith(model, fast, start, end, TraceMethod::ColumnSpans);
    int differing = 0;
    std::ostringstream first;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            if (reference.pixel(x, y) != fast.pixel(x, y)) {
                if (differing++ == 0)
                    first << "first at (" << x << ", " << y << "): reference " << std::hex
                          << reference.pixel(x, y) << ", fast " << fast.pixel(x, y) << std::dec;
            }
    if (differing != 0)
        return ::testing::AssertionFailure() << W << "x" << H << " window " << start << ".." << end << ": "
                                             << differing << " pixels differ, " << first.str();
    return ::testing::AssertionSuccess();
}

// The models: a rich 4-second sound with a glide, a sine sampled on its own peaks (whole
// columns from -10000 to +10000), a silent one, and the shortest sound.
struct Models {
    std::unique_ptr<tmodele> rich = MakeModel(40, {{1, 0.9}, {7, 0.6, 1.0}, {23, 0.4, -2.0}});
    std::unique_ptr<tmodele> peaks = MakeModel(10, {{1}}, 11025.0);
    std::unique_ptr<tmodele> silent = MakeModel(10, {{1, 1.0, 0.0, false}});
    std::unique_ptr<tmodele> shortest = MakeModel(1, {{1}, {2, 0.5}}, 3000.0);

    Models() { rich->Glide = 0.3, rich->Render(); }
    std::vector<const tmodele*> All() const
    {
        return {rich.get(), peaks.get(), silent.get(), shortest.get()};
    }
};

const Models& TheModels()
{
    static const Models models;
    return models;
}

TEST(WaveformFastTrace, WholeSoundAtManySizes)
{
    for (const tmodele* model : TheModels().All())
        for (const auto& [W, H] : std::vector<std::pair<int, int>>{{1900, 156},
                                                                   {1, 1},
                                                                   {2, 2},
                                                                   {3, 7},
                                                                   {17, 9},
                                                                   {75, 40},
                                                                   {640, 481},
                                                                   {1201, 300},
                                                                   {4000, 60}}) {
            const double end = model->Duration / 10.0;
            EXPECT_TRUE(SamePixels(*model, W, H, 0.0, end));
        }
}

TEST(WaveformFastTrace, ZoomedScrolledAndFewSamples)
{
    const int W = 1900;
    const int H = 156;
    for (const tmodele* model : TheModels().All()) {
        const double duration = model->Duration / 10.0;  // seconds
        for (const int zoom : {2, 3, 8, 32, 128}) {
            const double span = duration / zoom;
            for (const double offset : {0.0, 0.37, 1.0})
                EXPECT_TRUE(
                    SamePixels(*model, W, H, offset * (duration - span), offset * (duration - span) + span));
        }
        // Windows of a few samples, and of about one sample per pixel (W - 2 samples is exactly one).
        for (const int samples : {1, 2, 3, 5, 40, W - 3, W - 2, W - 1, 2 * (W - 2), 2 * (W - 2) + 1})
            EXPECT_TRUE(SamePixels(*model, W, H, 0.05, 0.05 + samples / 44100.0));
        // Windows reaching past either end of the sound.
        EXPECT_TRUE(SamePixels(*model, W, H, duration - 0.01, duration + 0.01));
        EXPECT_TRUE(SamePixels(*model, W, H, -0.02, 0.03));
        EXPECT_TRUE(SamePixels(*model, W, H, -1.0, duration + 1.0));
    }
}

TEST(WaveformFastTrace, OtherPictureFormats)
{
    const tmodele& model = *TheModels().rich;
    for (const QImage::Format format : {QImage::Format_ARGB32_Premultiplied, QImage::Format_ARGB32,
                                        QImage::Format_RGB888, QImage::Format_RGB16}) {
        EXPECT_TRUE(SamePixels(model, 900, 120, 0.0, 4.0, format)) << format;
        EXPECT_TRUE(SamePixels(model, 900, 120, 1.0, 1.01, format)) << format;
    }
}

// Random windows and sizes, from a fixed seed: zooms from the whole sound down to a handful
// of samples, picture sizes from tiny to wide.
TEST(WaveformFastTrace, RandomWindowsAndSizes)
{
    std::mt19937 random(20261208);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const std::vector<const tmodele*> models = TheModels().All();
    for (int i = 0; i < 240; ++i) {
        const tmodele& model = *models[std::size_t(i) % models.size()];
        const double duration = model.Duration / 10.0;
        const double span = duration * std::pow(10.0, -4.5 * unit(random));  // 1 .. 1/30000 of the sound
        const double start = (duration - span) * (unit(random) * 1.2 - 0.1);
        const int W = 1 + int(std::pow(2000.0, unit(random)));
        const int H = 1 + int(std::pow(400.0, unit(random)));
        EXPECT_TRUE(SamePixels(model, W, H, start, start + span)) << "case " << i;
    }
}

}  // namespace
