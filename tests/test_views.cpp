// The four pictures of a model, checked pixel by pixel against the layout rules: waveform,
// spectrum, sonogram and components. Expected positions come from the layout formulas
// written out here; texts are compared with the same text drawn alone in the 8-pixel font.
#include <gtest/gtest.h>

#include <QImage>
#include <QString>
#include <algorithm>
#include <cmath>
#include <ostream>
#include <set>
#include <tuple>
#include <vector>

#include "model/tmodele.h"
#include "support/views_pictures.h"

using namespace views_test;

namespace {

constexpr long double Pi = 3.14159265358979323846264338327950288L;

// ---------------------------------------------------------------------------------------------
// Waveform

// Where the layout puts sample k and tick times for one picture and window.
struct WaveLayout {
    int W, H;
    double start, end;

    long double E() const { return std::nearbyint(static_cast<long double>(start) * 44100); }
    long double F() const { return std::nearbyint(static_cast<long double>(end) * 44100); }
    int X(long k) const
    {
        const long double xs = static_cast<long double>(W - 2) / (F() - E());
        return 1 + int(Round((k - E()) * xs));
    }
    int Y(int sample) const
    {
        const long double ys = static_cast<long double>(H - 2) / 20000;
        return H / 2 + 1 + int(Round(sample * ys));
    }
    // The tick times: the step is the largest power of ten up to 1 below the span, the
    // ticks are sums of that step from 0, in extended precision.
    std::vector<long double> Ticks() const
    {
        const long double span = static_cast<long double>(end) - start;
        long double step = 1;
        while (step >= span)
            step /= 10;
        long double q = 0;
        while (q < start)
            q += step;
        std::vector<long double> ticks;
        for (; q < end; q += step)
            ticks.push_back(q);
        return ticks;
    }
    int TickX(long double q) const
    {
        return int(Round((q - start) *
                         (static_cast<long double>(W - 2) / (static_cast<long double>(end) - start)))) +
               1;
    }
};

struct TickCase {
    const char* name;
    std::uint16_t duration;  // tenths
    double start, end;       // seconds
    std::vector<double> ticks;
    std::vector<const char*> labels;  // of the ticks, as shown
    const char* startLabel;
    const char* endLabel;
};

// Failure messages name the case rather than dump its bytes.
void PrintTo(const TickCase& c, std::ostream* os)
{
    *os << c.name;
}

class WaveformTicks : public ::testing::TestWithParam<TickCase> {};

TEST_P(WaveformTicks, TicksLabelsAndCaption)
{
    const TickCase& c = GetParam();
    const auto model = MakeModel(c.duration, {{1}});
    const WaveLayout layout{600, 156, c.start, c.end};
    QImage picture = Canvas(layout.W, layout.H);
    model->DrawWaveform(picture, c.start, c.end);
    const int axis = layout.H / 2;

    const std::vector<long double> ticks = layout.Ticks();
    ASSERT_EQ(ticks.size(), c.ticks.size());
    std::set<int> tickColumns;
    for (std::size_t i = 0; i < ticks.size(); ++i) {
        EXPECT_NEAR(double(ticks[i]), c.ticks[i], 1e-12);
        tickColumns.insert(layout.TickX(ticks[i]));
    }

    // Ticks run 3 pixels above and below the axis; in the row 3 pixels above it nothing else
    // is yellow, so that row shows exactly the tick columns.
    std::set<int> yellowAbove;
    for (int x = 0; x < layout.W; ++x)
        if ((picture.pixel(x, axis - 3) | 0xFF000000u) == Yellow)
            yellowAbove.insert(x);
    EXPECT_EQ(yellowAbove, tickColumns);
    for (const int x : tickColumns) {
        EXPECT_TRUE(AllOf(picture, x, axis - 3, x + 1, axis + 4, Yellow)) << "tick at x = " << x;
        EXPECT_NE(picture.pixel(x, axis - 4) | 0xFF000000u, Yellow) << "tick at x = " << x;
    }
    // The axis crosses the whole picture.
    EXPECT_TRUE(AllOf(picture, 0, axis, layout.W, axis + 1, Yellow));

    // Tick labels right-aligned on their tick, 12 pixels below the axis; those the end labels
    // cover are not looked at.
    const int labelTop = axis + 12;
    const int startRight = 1 + TextWidth(QString::fromUtf8(c.startLabel));
    const int endLeft = layout.W - TextWidth(QString::fromUtf8(c.endLabel));
    for (std::size_t i = 0; i < ticks.size(); ++i) {
        const QString label = QString::fromUtf8(c.labels[i]);
        const int x = layout.TickX(ticks[i]);
        if (x - TextWidth(label) >= startRight && x <= endLeft) {
            EXPECT_TRUE(OpaqueTextAt(picture, x - TextWidth(label), labelTop, label, Yellow));
        }
    }
    EXPECT_TRUE(OpaqueTextAt(picture, 1, labelTop, QString::fromUtf8(c.startLabel), Yellow));
    EXPECT_TRUE(OpaqueTextAt(picture, endLeft, labelTop, QString::fromUtf8(c.endLabel), Yellow));
    const QString caption = QStringLiteral("temps en secondes > ");
    EXPECT_TRUE(
        OpaqueTextAt(picture, layout.W - TextWidth(caption), layout.H - TextHeight(), caption, Yellow));
}

INSTANTIATE_TEST_SUITE_P(
    Windows, WaveformTicks,
    ::testing::Values(TickCase{"OneSecondWhole",
                               10,
                               0.0,
                               1.0,
                               {0, 0.1, 0.2, 0.3, 0.4, 0.5, 0.6, 0.7, 0.8, 0.9},
                               {"0,00E+0", "1,00E-1", "2,00E-1", "3,00E-1", "4,00E-1", "5,00E-1", "6,00E-1",
                                "7,00E-1", "8,00E-1", "9,00E-1"},
                               "0,00E+0",
                               "1,00E+0"},
                      TickCase{"FourSecondsWhole",
                               40,
                               0.0,
                               4.0,
                               {0, 1, 2, 3},
                               {"0,00E+0", "1,00E+0", "2,00E+0", "3,00E+0"},
                               "0,00E+0",
                               "4,00E+0"},
                      TickCase{"QuarterToThreeQuarters",
                               10,
                               0.25,
                               0.75,
                               {0.3, 0.4, 0.5, 0.6, 0.7},
                               {"3,00E-1", "4,00E-1", "5,00E-1", "6,00E-1", "7,00E-1"},
                               "2,50E-1",
                               "7,50E-1"},
                      TickCase{"FiftyMilliseconds",
                               10,
                               0.3,
                               0.35,
                               {0.3, 0.31, 0.32, 0.33, 0.34},
                               {"3,00E-1", "3,10E-1", "3,20E-1", "3,30E-1", "3,40E-1"},
                               "3,00E-1",
                               "3,50E-1"},
                      // Five sums of the step 0.01 stay just below the
                      // double nearest 0.05: a sixth tick on the end.
                      TickCase{"FiveHundredthsTickOnTheEnd",
                               10,
                               0.0,
                               0.05,
                               {0, 0.01, 0.02, 0.03, 0.04, 0.05},
                               {"0,00E+0", "1,00E-2", "2,00E-2", "3,00E-2", "4,00E-2", "5,00E-2"},
                               "0,00E+0",
                               "5,00E-2"}),
    [](const ::testing::TestParamInfo<TickCase>& info) { return std::string(info.param.name); });

// A silent model (its only harmonic switched off) renders zeros: a flat line one pixel below
// the axis from x = 1 to the last sample that exists. With the whole sound shown, f is one
// past the last sample; the trace stops at sample N - 1.
TEST(WaveformTrace, SilentModelIsFlatBelowTheAxis)
{
    const auto model = MakeModel(10, {{1, 1.0, 0.0, false}});
    for (const auto& [W, H, start, end] :
         std::vector<std::tuple<int, int, double, double>>{{300, 101, 0.0, 1.0},
                                                           {300, 100, -0.5, 1.5},
                                                           {64, 40, 0.2, 0.3},
                                                           {300, 90, 1.0 - 10 / 44100.0, 1.0}}) {
        SCOPED_TRACE(testing::Message() << W << "x" << H << " " << start << ".." << end);
        const WaveLayout layout{W, H, start, end};
        QImage picture = Canvas(W, H);
        model->DrawWaveform(picture, start, end);
        const long n = long(model->SampleCount());
        const long first = std::max(0L, long(layout.E()));
        const long last = std::min(n - 1, long(layout.F()));
        const int row = H / 2 + 1;
        int green = 0;
        for (int x = 0; x < W; ++x) {
            const QRgb c = picture.pixel(x, row) | 0xFF000000u;
            const bool inTrace = x >= layout.X(first) && x <= layout.X(last);
            if (inTrace)
                EXPECT_TRUE(c == Green || c == Yellow) << "x = " << x;  // ticks cross the trace
            else
                EXPECT_NE(c, Green) << "x = " << x;
            green += c == Green;
        }
        EXPECT_GT(green, 0);
        EXPECT_EQ(CountColour(picture, Green), green) << "green outside the flat line";
        EXPECT_EQ(CountColour(picture, Sentinel), 0);
    }
}

// A 11025 Hz sine samples its own peaks: on the plateau of the envelope every other sample
// is +10000 or -10000. +10000 lands on y = (H div 2) + 1 + round((H - 2) / 2), which is the
// bottom row or one past it; -10000 is the highest green row.
TEST(WaveformTrace, FullScaleSamplesReachTheEdges)
{
    const auto model = MakeModel(10, {{1}}, 11025.0);
    const long from = 2000;  // on the plateau of the default envelope
    ASSERT_EQ(model->Sample(from + 1), 10000);
    ASSERT_EQ(model->Sample(from + 3), -10000);
    for (const int H : {156, 103, 101, 40}) {
        SCOPED_TRACE(testing::Message() << "H = " << H);
        const WaveLayout layout{400, H, from / 44100.0, (from + 40) / 44100.0};
        ASSERT_EQ(layout.E(), from);
        QImage picture = Canvas(layout.W, H);
        model->DrawWaveform(picture, layout.start, layout.end);
        const int top = layout.Y(-10000);
        const int bottom = layout.Y(10000);
        // round((H - 2) / 2) when that is whole; for odd H the half falls either way, as
        // 10000 x ys lands just above or below it.
        EXPECT_LE(std::abs(bottom - (H / 2 + 1 + (H - 2) / 2.0)), 0.5);
        EXPECT_LE(std::abs(top - (H / 2 + 1 - (H - 2) / 2.0)), 0.5);
        EXPECT_GE(bottom, H - 1);
        int highest = H;
        int lowest = -1;
        for (int y = 0; y < H; ++y)
            if (CountIn(picture, 0, y, layout.W, y + 1, [](QRgb c) { return c == Green; }) > 0) {
                highest = std::min(highest, y);
                lowest = std::max(lowest, y);
            }
        EXPECT_EQ(highest, top);
        EXPECT_EQ(lowest, std::min(bottom, H - 1));
        // Every sample's own point is green wherever no axis, tick or text lies over it.
        for (long k = from; k <= from + 40; ++k) {
            const int x = layout.X(k);
            const int y = layout.Y(model->Sample(std::size_t(k)));
            const bool covered = (y >= H / 2 - 3 && y <= H / 2 + 3) ||
                                 (y >= H / 2 + 12 && y < H / 2 + 12 + TextHeight()) || y >= H - TextHeight();
            if (y < H && !covered) {
                EXPECT_EQ(picture.pixel(x, y) | 0xFF000000u, Green) << "sample " << k;
            }
        }
    }
}

// No drawing at all for an unrendered model, an empty or reversed window, or times that
// are not finite: the picture keeps what it showed.
TEST(WaveformUntouched, InvalidRequestsLeaveThePicture)
{
    const auto rendered = MakeModel(10, {{1}});
    const auto unrendered = MakeModel(10, {{1}}, 440.0, false);
    struct Request {
        const tmodele* model;
        double start, end;
    };
    const double nan = std::nan("");
    const double inf = HUGE_VAL;
    for (const Request& r : std::vector<Request>{{unrendered.get(), 0.0, 1.0},
                                                 {rendered.get(), 0.5, 0.5},
                                                 {rendered.get(), 0.7, 0.2},
                                                 {rendered.get(), nan, 1.0},
                                                 {rendered.get(), 0.0, nan},
                                                 {rendered.get(), -inf, 1.0},
                                                 {rendered.get(), 0.0, inf}}) {
        SCOPED_TRACE(testing::Message() << r.start << ".." << r.end);
        QImage picture = Canvas(120, 60);
        const QImage before = picture.copy();
        r.model->DrawWaveform(picture, r.start, r.end);
        EXPECT_EQ(picture, before);
    }
}

// Tiny pictures and windows shorter than a sample: painted, nothing left over, no crash.
TEST(WaveformTiny, SmallPicturesAndWindows)
{
    const auto model = MakeModel(10, {{1}, {3, 0.5}});
    QImage none;
    model->DrawWaveform(none, 0.0, 1.0);
    EXPECT_TRUE(none.isNull());
    for (const auto& [W, H] : std::vector<std::pair<int, int>>{{1, 1}, {2, 2}, {3, 1}, {1, 7}, {5, 5}}) {
        QImage picture = Canvas(W, H);
        model->DrawWaveform(picture, 0.0, 1.0);
        EXPECT_EQ(CountColour(picture, Sentinel), 0) << W << "x" << H;
    }
    // A window inside one sample period: f < e + 1, so no trace but the axis and labels.
    QImage picture = Canvas(200, 80);
    model->DrawWaveform(picture, 0.5, 0.5 + 0.2 / 44100);
    EXPECT_EQ(CountColour(picture, Green), 0);
    EXPECT_TRUE(AllOf(picture, 0, 40, 200, 41, Yellow));
    EXPECT_TRUE(OpaqueTextAt(picture, 1, 52, QStringLiteral("5,00E-1"), Yellow));
}

// ---------------------------------------------------------------------------------------------
// Spectrum

struct SpectrumLayout {
    int W, H;
    int highestRank;
    int wA() const { return 9 * W / 10; }
    int hA() const { return H - 45; }
    int s() const { return wA() / highestRank; }
    int bw() const { return s() < 3 ? s() : 3; }
    int Baseline() const { return H - 30; }
    int BarX(int rank) const { return 15 + (rank - 1) * s(); }
};

// The rows a bar covers: from baseline - height up to the row above the baseline.
::testing::AssertionResult BarIs(const QImage& picture, const SpectrumLayout& l, int rank, int height)
{
    const int x = l.BarX(rank);
    const int top = l.Baseline() - height;
    if (height > 0 && !AllOf(picture, x, top, x + l.bw(), l.Baseline(), LightGreen))
        return ::testing::AssertionFailure()
               << "rank " << rank << ": bar of height " << height << " not whole";
    // Above the bar: no light green in its columns.
    if (CountIn(picture, x, 0, x + l.bw(), top, [](QRgb c) { return c == LightGreen; }) != 0)
        return ::testing::AssertionFailure() << "rank " << rank << ": light green above height " << height;
    if (CountIn(picture, x, l.Baseline(), x + l.bw(), l.H, [](QRgb c) { return c == LightGreen; }) != 0)
        return ::testing::AssertionFailure() << "rank " << rank << ": light green below the baseline";
    return ::testing::AssertionSuccess();
}

// The envelope value at t, as the synthesis interpolates it.
long double EnvelopeValue(const tenveloppe& env, int D, double t)
{
    const long j = long(std::trunc(static_cast<long double>(t) * 450 / D));
    return (static_cast<long double>(t) * 10 - static_cast<long double>(j) * D / 45) *
               (int(env[std::size_t(j) + 1]) - int(env[std::size_t(j)])) /
               (static_cast<long double>(D) / 45) +
           env[std::size_t(j)];
}

TEST(SpectrumBars, DefaultModelFullHeightAtRankOne)
{
    const auto model = MakeModel(10, {{1}});
    const SpectrumLayout l{136, 250, 1};
    QImage picture = Canvas(l.W, l.H);
    model->DrawSpectrum(picture, 0.1);
    // j = 4, v = 255: the largest amplitude, so the bar reaches the frame's top at y = 15.
    EXPECT_EQ(l.Baseline() - l.hA(), 15);
    EXPECT_TRUE(BarIs(picture, l, 1, l.hA()));
    EXPECT_EQ(l.bw(), 3);
    EXPECT_EQ(CountColour(picture, LightGreen), 3 * l.hA());
    EXPECT_TRUE(OpaqueTextAt(picture, 15, l.H - 27, QStringLiteral("1"), White));
    EXPECT_TRUE(OpaqueTextAt(picture, 20, l.H - 14, QStringLiteral("à la date 0,1 s"), White));
    // The frame from (1, 15) to (W - 1, H - 30): its left, top and right sides.
    EXPECT_TRUE(AllOf(picture, 1, 15, 2, l.H - 30, White));
    EXPECT_TRUE(AllOf(picture, l.W - 2, 15, l.W - 1, l.H - 30, White));
    EXPECT_TRUE(AllOf(picture, 18, 15, l.W - 1, 16, White));
    EXPECT_TRUE(AllOf(picture, 0, 0, l.W, 15, Black));
    EXPECT_TRUE(AllOf(picture, l.W - 1, 0, l.W, l.H, Black));
}

TEST(SpectrumBars, HeightsFollowTheScaleOfAllHarmonics)
{
    // Ranks 1 and 2 at amplitudes 1 and 0.5 on the plateau, then with rank 1 switched off:
    // the scale still counts it, so rank 2 keeps its height.
    auto model = MakeModel(10, {{1}, {2, 0.5}});
    const SpectrumLayout l{136, 250, 2};
    const long double vs = l.hA() / 255.0L;
    const int half = int(Round(255 * 0.5L * vs));
    EXPECT_NEAR(half, l.hA() / 2.0, 0.5);
    QImage both = Canvas(l.W, l.H);
    model->DrawSpectrum(both, 0.5);
    EXPECT_TRUE(BarIs(both, l, 1, l.hA()));
    EXPECT_TRUE(BarIs(both, l, 2, half));
    EXPECT_EQ(l.BarX(2), 15 + 61);

    ByRank(*model, 1).Active = 0;
    QImage one = Canvas(l.W, l.H);
    model->DrawSpectrum(one, 0.5);
    EXPECT_TRUE(BarIs(one, l, 1, 0));
    EXPECT_TRUE(BarIs(one, l, 2, half));
    EXPECT_TRUE(AllOf(one, l.BarX(1), l.H - 27, l.BarX(1) + TextWidth(QStringLiteral("1")),
                      l.H - 27 + TextHeight(), Black))
        << "an inactive harmonic has no label";
    EXPECT_TRUE(OpaqueTextAt(one, l.BarX(2), l.H - 27, QStringLiteral("2"), White));
}

TEST(SpectrumBars, RisingEnvelopesInterpolate)
{
    auto model = MakeModel(10, {{1, 0.8}, {4, 0.6}});
    tharmonique& low = ByRank(*model, 1);
    tharmonique& high = ByRank(*model, 4);
    low.Envelope[10] = 40;
    low.Envelope[11] = 200;
    high.Envelope[10] = 10;
    high.Envelope[11] = 250;
    const SpectrumLayout l{300, 200, 4};
    for (const double t : {10.0 / 45, (10.3) / 45, 10.77 / 45}) {  // seconds, in segment 10
        SCOPED_TRACE(t);
        QImage picture = Canvas(l.W, l.H);
        model->DrawSpectrum(picture, t);
        const long double a1 = EnvelopeValue(low.Envelope, 10, t) * 0.8L;
        const long double a4 = EnvelopeValue(high.Envelope, 10, t) * 0.6L;
        const long double largest = std::max(a1, a4);
        const long double vs = l.hA() / largest;
        EXPECT_TRUE(BarIs(picture, l, 1, int(Round(a1 * vs))));
        EXPECT_TRUE(BarIs(picture, l, 4, int(Round(a4 * vs))));
        EXPECT_TRUE(BarIs(picture, l, 2, 0));
    }
}

TEST(SpectrumLabels, SparseLabelsOnANarrowPicture)
{
    const auto model = MakeModel(10, {{1}, {10, 0.5}, {25, 0.3}, {50, 0.7}});
    const SpectrumLayout l{136, 250, 50};
    ASSERT_EQ(l.wA(), 122);
    ASSERT_EQ(l.s(), 2);
    QImage picture = Canvas(l.W, l.H);
    model->DrawSpectrum(picture, 0.5);
    const int n = TextWidth(QStringLiteral("44")) / 2 + 1;
    ASSERT_GT(TextWidth(QStringLiteral("44")), l.s());
    for (int r = n; r <= 50; r += n)
        EXPECT_TRUE(OpaqueTextAt(picture, l.BarX(r), l.H - 27, QString::number(r), White)) << r;
    // Nothing else is written in the labels' band.
    int labelledWhite = 0;
    for (int r = n; r <= 50; r += n) {
        const int x = l.BarX(r);
        labelledWhite += CountIn(picture, x, l.H - 27, x + TextWidth(QString::number(r)),
                                 l.H - 27 + TextHeight(), [](QRgb c) { return c == White; });
    }
    EXPECT_EQ(
        CountIn(picture, 2, l.H - 27, l.W - 2, l.H - 27 + TextHeight(), [](QRgb c) { return c == White; }),
        labelledWhite);
    // Bars 2 pixels wide at 15 + (rank - 1) x 2.
    EXPECT_EQ(l.bw(), 2);
    for (const int rank : {1, 10, 25, 50})
        EXPECT_TRUE(LightGreen == (picture.pixel(l.BarX(rank), l.Baseline() - 1) | 0xFF000000u)) << rank;
    EXPECT_EQ(CountIn(picture, l.BarX(50) + 2, 0, l.W, l.H, [](QRgb c) { return c == LightGreen; }), 0);
}

TEST(SpectrumEdges, WhatIsDrawnWhenThereIsNoRoom)
{
    struct Case {
        const char* name;
        int W, H;
        std::vector<int> ranks;
        bool caption;
    };
    for (const Case& c : std::vector<Case>{
             {"too low for bars", 136, 45, {1}, false},
             {"fewer columns than harmonics", 3, 100, {1, 2, 3, 4}, false},
             {"ranks closer than a pixel (s = 0)", 40, 120, {1, 50}, true},
             {"no harmonic", 136, 250, {}, true},
         }) {
        SCOPED_TRACE(c.name);
        auto model = MakeModel(10, {});
        for (const int r : c.ranks)
            model->AddHarmonic(std::uint8_t(r));
        QImage picture = Canvas(c.W, c.H);
        model->DrawSpectrum(picture, 0.5);
        EXPECT_EQ(CountColour(picture, Sentinel), 0);
        EXPECT_EQ(CountColour(picture, LightGreen), 0);
        // The frame's ring of pixels, from (1, 15) to (W - 1, H - 30).
        const int w = std::max(c.W - 2, 0);
        const int h = std::max(c.H - 45, 0);
        const int frameWhite = (w <= 2 || h <= 2) ? w * h : 2 * w + 2 * h - 4;
        const int white = CountColour(picture, White);
        if (c.caption)
            EXPECT_TRUE(OpaqueTextAt(picture, 20, c.H - 14, QStringLiteral("à la date 0,5 s"), White));
        else
            EXPECT_EQ(white, frameWhite);
    }
    // Empty and one-pixel pictures.
    const auto model = MakeModel(10, {{1}});
    QImage none;
    model->DrawSpectrum(none, 0.5);
    EXPECT_TRUE(none.isNull());
    QImage dot = Canvas(1, 1);
    model->DrawSpectrum(dot, 0.5);
    EXPECT_EQ(dot.pixel(0, 0) | 0xFF000000u, Black);
}

// Instants outside the sound read the envelope's first or last point; the very end of the
// sound reads the last point through the last segment.
TEST(SpectrumEdges, InstantsAtAndBeyondTheEnds)
{
    auto model = MakeModel(10, {{1}, {2}});
    ByRank(*model, 1).Envelope[0] = 51;
    ByRank(*model, 1).Envelope[45] = 255;
    ByRank(*model, 2).Envelope[0] = 255;
    ByRank(*model, 2).Envelope[45] = 102;
    const SpectrumLayout l{200, 160, 2};
    struct Case {
        double t;
        int first, second;  // envelope values read
        const char* caption;
    };
    for (const Case& c : std::vector<Case>{{-1.0, 51, 255, "à la date -1 s"},
                                           {0.0, 51, 255, "à la date 0 s"},
                                           {1.0, 255, 102, "à la date 1 s"},
                                           {7.5, 255, 102, "à la date 7,5 s"}}) {
        SCOPED_TRACE(c.t);
        QImage picture = Canvas(l.W, l.H);
        model->DrawSpectrum(picture, c.t);
        const long double vs = l.hA() / static_cast<long double>(std::max(c.first, c.second));
        EXPECT_TRUE(BarIs(picture, l, 1, int(Round(c.first * vs))));
        EXPECT_TRUE(BarIs(picture, l, 2, int(Round(c.second * vs))));
        EXPECT_TRUE(OpaqueTextAt(picture, 20, l.H - 14, QString::fromUtf8(c.caption), White));
    }
}

// Where every envelope has fallen to 0 the instant is silent: no bar, whatever residue the
// interpolation leaves (about 1e-14 at the sound's end), and the silent scale of 255.
TEST(SpectrumEdges, SilentInstantsDrawNoBar)
{
    struct Case {
        int duration;  // tenths
        double t;      // seconds
    };
    for (const Case& c : std::vector<Case>{{10, 1.0}, {10, 0.0}, {7, 0.7}, {40, 4.0}, {3, 0.3}}) {
        SCOPED_TRACE(testing::Message() << c.duration << " tenths at " << c.t << " s");
        const auto model = MakeModel(c.duration, {{1}, {2}, {5}});
        const SpectrumLayout l{200, 160, 5};
        QImage picture = Canvas(l.W, l.H);
        model->DrawSpectrum(picture, c.t);
        EXPECT_EQ(CountColour(picture, LightGreen), 0);
    }
    // Just before the end the envelope is small but real: the bar still fills the frame.
    const auto model = MakeModel(10, {{1}});
    const SpectrumLayout l{200, 160, 1};
    QImage picture = Canvas(l.W, l.H);
    model->DrawSpectrum(picture, 0.999);
    EXPECT_TRUE(BarIs(picture, l, 1, l.hA()));
}

// ---------------------------------------------------------------------------------------------
// Sonogram

// The colour map of the sonogram's cells, level 0..255.
QRgb MapColour(int level)
{
    if (level <= 84)
        return qRgb(0, 0, 3 * level);
    if (level <= 169)
        return qRgb(3 * (level - 85), 0, 255 - 3 * (level - 85));
    return qRgb(255, 3 * (level - 170), 0);
}

struct SonogramLayout {
    int W, H, R;
    int colW() const { return (W - 30) / 45; }
    int rowH() const { return (H - 30) / R; }
    int RowTop(int rank) const { return H - 15 - rank * rowH(); }
    // A pixel well inside cell p of a rank's row, away from the frame and the labels.
    QRgb Cell(const QImage& picture, int p, int rank) const
    {
        return picture.pixel(15 + p * colW() + colW() / 2, RowTop(rank) + rowH() / 2) | 0xFF000000u;
    }
};

TEST(SonogramCells, DefaultModelOneRowOfYellow)
{
    const auto model = MakeModel(10, {{1}});
    const SonogramLayout l{600, 300, 1};
    QImage picture = Canvas(l.W, l.H);
    model->DrawSonogram(picture);
    EXPECT_EQ(l.rowH(), l.H - 30);
    EXPECT_EQ(l.Cell(picture, 0, 1), Black);
    EXPECT_EQ(l.Cell(picture, 45, 1), Black);
    for (int p = 1; p <= 44; ++p)
        EXPECT_EQ(l.Cell(picture, p, 1), Yellow) << "column " << p;
    // Cells exactly colW wide: column 1 starts at 15 + colW, column 44 ends at 15 + 45 colW.
    EXPECT_TRUE(AllOf(picture, 15 + l.colW(), 16, 15 + 45 * l.colW(), l.H - 16, Yellow));
    EXPECT_NE(picture.pixel(15 + l.colW() - 1, 100) | 0xFF000000u, Yellow);
    EXPECT_NE(picture.pixel(15 + 45 * l.colW(), 100) | 0xFF000000u, Yellow);
    // The frame from (15, 15) to (15 + 46 colW, H - 15), white on black margins.
    const int right = 15 + 46 * l.colW();
    EXPECT_TRUE(AllOf(picture, 15, 15, right, 16, White));
    EXPECT_TRUE(AllOf(picture, 15, l.H - 16, right, l.H - 15, White));
    EXPECT_TRUE(AllOf(picture, 15, 15, 16, l.H - 15, White));
    EXPECT_TRUE(AllOf(picture, right - 1, 15, right, l.H - 15, White));
    EXPECT_TRUE(AllOf(picture, right, 0, l.W, l.H - 20, Black));
    EXPECT_TRUE(OpaqueTextAt(picture, 1, l.RowTop(1), QStringLiteral("1"), White));
    const QString time = QStringLiteral("temps >");
    const QString rank = QStringLiteral(" rang");
    EXPECT_TRUE(TransparentTextAt(picture, l.W / 2, l.H - TextHeight() - 2, time, White));
    EXPECT_TRUE(TransparentTextAt(picture, 2, l.H - TextHeight() - 2, rank, White));
}

TEST(SonogramCells, ColourLevels)
{
    struct Case {
        double amplitude;
        QRgb colour;
    };
    for (const Case& c : std::vector<Case>{{1.0, qRgb(255, 255, 0)},
                                           {0.5, qRgb(129, 0, 126)},
                                           {0.1, qRgb(0, 0, 78)},
                                           {0.0, qRgb(0, 0, 0)},
                                           {0.33, MapColour(int(Round(255 * 0.33L)))},
                                           {0.34, MapColour(int(Round(255 * 0.34L)))},
                                           {0.667, MapColour(int(Round(255 * 0.667L)))},
                                           {0.8, MapColour(int(Round(255 * 0.8L)))}}) {
        SCOPED_TRACE(c.amplitude);
        const auto model = MakeModel(10, {{1, c.amplitude}});
        const SonogramLayout l{300, 120, 1};
        QImage picture = Canvas(l.W, l.H);
        model->DrawSonogram(picture);
        EXPECT_EQ(l.Cell(picture, 20, 1), c.colour | 0xFF000000u);
    }
    // Envelope points themselves set the level: a ramp through all three bands.
    auto ramp = MakeModel(10, {{1}});
    for (int p = 0; p < 46; ++p)
        ByRank(*ramp, 1).Envelope[std::size_t(p)] = std::uint8_t(p * 255 / 45);
    const SonogramLayout l{600, 200, 1};
    QImage picture = Canvas(l.W, l.H);
    ramp->DrawSonogram(picture);
    for (int p = 1; p < 45; ++p)
        EXPECT_EQ(l.Cell(picture, p, 1), MapColour(p * 255 / 45) | 0xFF000000u) << p;
}

TEST(SonogramRows, RowsByHighestRankAndLabels)
{
    // Ranks 1 and 5: five rows, 2..4 black, labels 1 and 5 only. Then rank 1 inactive: its row
    // empty but still labelled.
    for (const bool firstActive : {true, false}) {
        SCOPED_TRACE(firstActive);
        const auto model = MakeModel(10, {{1, 1.0, 0.0, firstActive}, {5, 0.5}});
        const SonogramLayout l{400, 230, 5};
        ASSERT_EQ(l.rowH(), 40);
        QImage picture = Canvas(l.W, l.H);
        model->DrawSonogram(picture);
        EXPECT_EQ(l.Cell(picture, 10, 1), firstActive ? Yellow : Black);
        for (int rank = 2; rank <= 4; ++rank)
            EXPECT_TRUE(
                AllOf(picture, 16, l.RowTop(rank), 15 + 46 * l.colW() - 1, l.RowTop(rank) + l.rowH(), Black))
                << rank;
        EXPECT_EQ(l.Cell(picture, 10, 5), qRgb(129, 0, 126) | 0xFF000000u);
        EXPECT_TRUE(OpaqueTextAt(picture, 1, l.RowTop(1), QStringLiteral("1"), White));
        EXPECT_TRUE(OpaqueTextAt(picture, 1, l.RowTop(5), QStringLiteral("5"), White));
        // In the label column only those two labels and the " rang" caption.
        const int band = CountIn(picture, 0, 0, 15, l.H - 15, [](QRgb c) { return c == White; });
        const int labels = CountIn(picture, 0, l.RowTop(1), 15, l.RowTop(1) + TextHeight(),
                                   [](QRgb c) { return c == White; }) +
                           CountIn(picture, 0, l.RowTop(5), 15, l.RowTop(5) + TextHeight(),
                                   [](QRgb c) { return c == White; });
        EXPECT_EQ(band, labels);
    }
}

TEST(SonogramRows, SparseLabelsWhenRowsAreLowerThanText)
{
    auto model = MakeModel(10, {});
    for (int r = 1; r <= 50; ++r)
        model->AddHarmonic(std::uint8_t(r));
    const SonogramLayout l{300, 300, 50};
    ASSERT_LT(l.rowH(), TextHeight());
    QImage picture = Canvas(l.W, l.H);
    model->DrawSonogram(picture);
    // Every n-th rank, n = height of "8" div rowH + 1, so labels never overlap.
    const int n = TextHeight() / l.rowH() + 1;
    int labelled = 0;
    for (int r = n; r <= 50; r += n) {
        EXPECT_TRUE(OpaqueTextAt(picture, 1, l.RowTop(r), QString::number(r), White)) << r;
        labelled += CountIn(picture, 0, l.RowTop(r), 15, l.RowTop(r) + TextHeight(),
                            [](QRgb c) { return c == White; });
    }
    EXPECT_EQ(CountIn(picture, 0, 0, 15, l.H - 15, [](QRgb c) { return c == White; }), labelled);
}

TEST(SonogramEdges, TooSmallOrNoRows)
{
    struct Case {
        const char* name;
        int W, H;
        std::vector<int> ranks;
        bool frame;
    };
    for (const Case& c : std::vector<Case>{{"narrower than 75", 74, 200, {1}, false},
                                           {"lower than harmonics + 30", 200, 32, {1, 2, 3}, false},
                                           {"rowH = 0", 200, 100, {1, 200}, true},
                                           {"no harmonic", 200, 100, {}, true},
                                           {"one pixel", 1, 1, {1}, false}}) {
        SCOPED_TRACE(c.name);
        auto model = MakeModel(10, {});
        for (const int r : c.ranks)
            model->AddHarmonic(std::uint8_t(r));
        QImage picture = Canvas(c.W, c.H);
        model->DrawSonogram(picture);
        EXPECT_EQ(CountColour(picture, Sentinel), 0);
        const int coloured =
            CountIn(picture, 0, 0, c.W, c.H, [](QRgb x) { return x != Black && x != White; });
        EXPECT_EQ(coloured, 0) << "no cell";
        if (c.frame) {
            const int colW = (c.W - 30) / 45;
            EXPECT_TRUE(AllOf(picture, 15, 15, 15 + 46 * colW, 16, White));
            EXPECT_TRUE(TransparentTextAt(picture, c.W / 2, c.H - TextHeight() - 2, QStringLiteral("temps >"),
                                          White));
            EXPECT_TRUE(AllOf(picture, 0, 16, 15, c.H - 15 - TextHeight(), Black)) << "no label";
        } else {
            EXPECT_EQ(CountColour(picture, Black), c.W * c.H);
        }
    }
    QImage none;
    MakeModel(10, {{1}})->DrawSonogram(none);
    EXPECT_TRUE(none.isNull());
}

// ---------------------------------------------------------------------------------------------
// Components

struct ComponentsLayout {
    int W, H;
    int pw() const { return W - 30; }
    int Baseline(int row) const { return H - 40 - 50 * row; }
    // The points of one curve, by the layout's formula.
    std::vector<int> Curve(int row, int rank, long double amplitude, long double e, long double phase) const
    {
        std::vector<int> y;
        for (int x = 0; x < pw(); ++x)
            y.push_back(Baseline(row) -
                        int(Round(23 * amplitude * e * std::sin(rank * (2 * Pi) * x / pw() + phase))));
        return y;
    }
};

// Each point of the curve is cyan, and in each column cyan lies only between the point and
// its neighbours' points (the polyline's joins). The first and last points lie on the frame's
// sides (x = 15 and x = W - 16), drawn after the curves, so those two columns are skipped.
::testing::AssertionResult CurveIs(const QImage& picture, const std::vector<int>& y, int bandTop,
                                   int bandBottom)
{
    for (std::size_t x = 1; x + 1 < y.size(); ++x) {
        const int px = 15 + int(x);
        if ((picture.pixel(px, y[x]) | 0xFF000000u) != Cyan)
            return ::testing::AssertionFailure() << "point x = " << x << ", y = " << y[x] << " not cyan";
        int low = y[x];
        int high = y[x];
        if (x > 0) {
            low = std::min(low, y[x - 1]);
            high = std::max(high, y[x - 1]);
        }
        if (x + 1 < y.size()) {
            low = std::min(low, y[x + 1]);
            high = std::max(high, y[x + 1]);
        }
        for (int py = bandTop; py < bandBottom; ++py)
            if ((picture.pixel(px, py) | 0xFF000000u) == Cyan && (py < low || py > high))
                return ::testing::AssertionFailure() << "stray cyan at x = " << x << ", y = " << py;
    }
    return ::testing::AssertionSuccess();
}

TEST(ComponentsCurves, DefaultModelOnePeriodFromTheBaseline)
{
    const auto model = MakeModel(10, {{1}});
    const ComponentsLayout l{330, 130};
    QImage picture = Canvas(l.W, l.H);
    model->DrawComponents(picture, 0.1);
    const std::vector<int> y = l.Curve(0, 1, 1, 1, 0);
    EXPECT_EQ(y[0], l.H - 40);
    EXPECT_EQ(*std::min_element(y.begin(), y.end()), l.H - 40 - 23);
    EXPECT_EQ(*std::max_element(y.begin(), y.end()), l.H - 40 + 23);
    EXPECT_LT(y[l.pw() / 4], l.H - 40) << "positive sine goes up";
    EXPECT_TRUE(CurveIs(picture, y, 16, l.H - 16));
    EXPECT_EQ(
        CountIn(picture, 0, 0, l.W, l.H, [](QRgb c) { return c == Cyan; }),
        CountIn(picture, 15, l.H - 40 - 23, 15 + l.pw(), l.H - 40 + 24, [](QRgb c) { return c == Cyan; }));
    EXPECT_TRUE(OpaqueTextAt(picture, 1, l.H - 40, QStringLiteral("1"), White));
    // The frame from (15, 15) to (W - 15, H - 15) and the captions.
    EXPECT_TRUE(AllOf(picture, 15, 15, l.W - 15, 16, White));
    EXPECT_TRUE(AllOf(picture, l.W - 16, 15, l.W - 15, l.H - 15, White));
    EXPECT_TRUE(AllOf(picture, 15, l.H - 16, l.W - 15, l.H - 15, White));
    EXPECT_TRUE(
        TransparentTextAt(picture, l.W / 2, l.H - TextHeight() - 2, QStringLiteral("temps >"), White));
    EXPECT_TRUE(TransparentTextAt(picture, 2, l.H - TextHeight() - 2, QStringLiteral(" rang"), White));
}

TEST(ComponentsCurves, RowsPhasesEnvelopesAndCount)
{
    // Five harmonics but room for three rows: ranks 1, 3 (phase pi/2, starting at the top),
    // 4 (inactive: empty row, no label); 6 and 7 get no row.
    auto model = MakeModel(10, {{1, 0.5}, {3, 1.0, double(Pi / 2)}, {4, 1.0, 0.0, false}, {6}, {7}});
    tharmonique& first = ByRank(*model, 1);
    for (std::size_t p = 0; p < 46; ++p)
        first.Envelope[p] = std::uint8_t(std::min<std::size_t>(200, p * 10));  // largest point 200
    const ComponentsLayout l{430, 190};
    ASSERT_EQ((l.H - 30) / 50, 3);
    const double t = 0.17;  // in a rising segment of the first harmonic's envelope
    QImage picture = Canvas(l.W, l.H);
    model->DrawComponents(picture, t);

    const long double e0 = EnvelopeValue(first.Envelope, 10, t) / 200;
    EXPECT_TRUE(CurveIs(picture, l.Curve(0, 1, 0.5L, e0, 0), l.Baseline(0) - 24, l.Baseline(0) + 25));
    const std::vector<int> third = l.Curve(1, 3, 1, 1, Pi / 2);
    EXPECT_EQ(third[0], l.Baseline(1) - 23);
    EXPECT_TRUE(CurveIs(picture, third, l.Baseline(1) - 24, l.Baseline(1) + 25));
    EXPECT_TRUE(OpaqueTextAt(picture, 1, l.Baseline(0), QStringLiteral("1"), White));
    EXPECT_TRUE(OpaqueTextAt(picture, 1, l.Baseline(1), QStringLiteral("3"), White));
    // Row 2 (rank 4, inactive) and everything above it: no curve, no label.
    EXPECT_EQ(CountIn(picture, 0, 0, l.W, l.Baseline(1) - 24, [](QRgb c) { return c == Cyan; }), 0);
    EXPECT_TRUE(AllOf(picture, 0, 16, 15, l.Baseline(1) - 1, Black));
}

TEST(ComponentsEdges, FlatEnvelopeNarrowAndTinyPictures)
{
    // An envelope that is 0 everywhere: its curve is the flat baseline.
    auto model = MakeModel(10, {{1}, {2}});
    ByRank(*model, 2).Envelope.fill(0);
    const ComponentsLayout l{200, 130};
    QImage picture = Canvas(l.W, l.H);
    model->DrawComponents(picture, 0.5);
    EXPECT_TRUE(AllOf(picture, 16, l.Baseline(1), 15 + l.pw() - 1, l.Baseline(1) + 1, Cyan));
    EXPECT_TRUE(AllOf(picture, 15, 15, 16, l.H - 15, White)) << "the frame covers the first point";
    EXPECT_EQ(
        CountIn(picture, 0, l.Baseline(1) - 24, l.W, l.Baseline(1) + 25, [](QRgb c) { return c == Cyan; }),
        l.pw() - 2);
    EXPECT_TRUE(OpaqueTextAt(picture, 1, l.Baseline(1), QStringLiteral("2"), White));

    // Plots with no width (W <= 30) or no row (H < 80), empty and one-pixel pictures.
    for (const auto& [W, H] :
         std::vector<std::pair<int, int>>{{30, 200}, {20, 200}, {200, 79}, {1, 1}, {0, 0}}) {
        SCOPED_TRACE(testing::Message() << W << "x" << H);
        QImage p = W > 0 ? Canvas(W, H) : QImage();
        model->DrawComponents(p, 0.5);
        EXPECT_EQ(CountColour(p, Cyan), 0);
        EXPECT_EQ(CountColour(p, Sentinel), 0);
    }
    // Instants outside the sound read the first or the last envelope point.
    auto ends = MakeModel(10, {{1}});
    ByRank(*ends, 1).Envelope[0] = 255;
    ByRank(*ends, 1).Envelope[45] = 0;
    for (const auto& [t, e] : std::vector<std::pair<double, long double>>{{-3.0, 1}, {1.0, 0}, {9.0, 0}}) {
        QImage p = Canvas(l.W, 80);
        ends->DrawComponents(p, t);
        const std::vector<int> y = ComponentsLayout{l.W, 80}.Curve(0, 1, 1, e, 0);
        EXPECT_TRUE(CurveIs(p, y, 16, 64)) << t;
    }
}

}  // namespace
