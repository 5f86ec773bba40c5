// The components view's fast curves against the plain extended-precision ones: the same pixels
// over a corpus of random models and picture sizes, including the values that sit on a rounding
// boundary, where only the fallback can decide.
#include <gtest/gtest.h>

#include <QImage>
#include <cmath>
#include <limits>
#include <numbers>
#include <random>
#include <vector>

#include "model/draw_components.h"
#include "model/tmodele.h"

namespace {

constexpr QRgb Cyan = qRgb(0, 255, 255);
constexpr long double Pi = std::numbers::pi_v<long double>;

// Phases as the phase dialog makes them from whole degrees.
double Radians(int degrees)
{
    return double(static_cast<long double>(degrees) * Pi / 180);
}

struct Size {
    int W;
    int H;
};

// Tiny, no plot width, one column, the lowest picture with a row, the main window's sizes.
const std::vector<Size> Sizes{{12, 9},   {30, 300},   {31, 300},   {45, 80},    {400, 80},
                              {97, 131}, {1200, 500}, {1887, 993}, {1900, 1000}};

struct Drawings {
    QImage reference;
    QImage fast;
    ComponentsCounts counts;
};

Drawings DrawBoth(const tmodele& model, Size size, double t)
{
    Drawings d{
        QImage(size.W, size.H, QImage::Format_RGB32), QImage(size.W, size.H, QImage::Format_RGB32), {}};
    ComponentsCounts referenceCounts;
    DrawComponentsWith(model, d.reference, t, ComponentsMethod::Reference, &referenceCounts);
    DrawComponentsWith(model, d.fast, t, ComponentsMethod::Fast, &d.counts);
    EXPECT_EQ(referenceCounts.points, d.counts.points);
    return d;
}

::testing::AssertionResult SamePixels(const QImage& reference, const QImage& fast)
{
    if (reference == fast)
        return ::testing::AssertionSuccess();
    int differing = 0;
    QString first;
    for (int y = 0; y < reference.height(); ++y)
        for (int x = 0; x < reference.width(); ++x)
            if (reference.pixel(x, y) != fast.pixel(x, y) && differing++ == 0)
                first = QStringLiteral("(%1, %2)").arg(x).arg(y);
    if (differing == 0)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << differing << " pixels differ, the first at " << first.toStdString();
}

// The envelope value at t by linear interpolation between the two points around it, read
// straight from the description of the view (t inside the sound).
long double EnvelopeValue(const tenveloppe& envelope, int duration, double t)
{
    const long double d = duration;
    const long j = std::min(long(std::trunc(t * 450 / d)), 44L);
    return (t * 10 - j * d / 45) * (int(envelope[j + 1]) - int(envelope[j])) / (d / 45) + envelope[j];
}

// Where the formula puts a few well-conditioned points of each drawn curve, the fast picture
// is cyan within a pixel: both drawings being equal does not prove either is right.
void ExpectFormulaPoints(const tmodele& model, const QImage& fast, double t)
{
    const int W = fast.width();
    const int H = fast.height();
    const int pw = W - 30;
    if (pw < 8 || !(t >= 0 && t <= model.Duration / 10.0))
        return;
    const std::size_t k = std::min<std::size_t>((H - 30) / 50, model.Harmonics.size());
    for (std::size_t i = 0; i < k; ++i) {
        const tharmonique& h = model.Harmonics[i];
        const int m = *std::max_element(h.Envelope.begin(), h.Envelope.end());
        if (h.Active == 0 || m == 0)
            continue;
        const long double height = 23 * h.Amplitude * EnvelopeValue(h.Envelope, model.Duration, t) / m;
        for (int x : {pw / 7, pw / 3, pw / 2, pw - 2}) {  // pw - 1 lies under the frame
            const long double y = height * std::sin(h.Rank * 2 * Pi * x / pw + h.Phase);
            if (std::fabs(y - std::floor(y) - 0.5L) < 1e-6L)
                continue;  // a half: too close to call from here
            const int py = H - 40 - 50 * int(i) - int(std::llround(y));
            // The rasteriser may stop a pixel short of a sharp peak's vertex.
            const bool near = fast.pixel(15 + x, py - 1) == Cyan || fast.pixel(15 + x, py) == Cyan ||
                              fast.pixel(15 + x, py + 1) == Cyan;
            EXPECT_TRUE(near) << "rank " << int(h.Rank) << ", x " << x << ", y " << py;
        }
    }
}

enum class Shape { Random, Flat, Zero, Spiky, Default };

// A model of 1..50 harmonics with random ranks (repeats allowed, list order as drawn), random
// envelopes of several shapes, amplitudes 0..1 with 0, 1 and the halves of 23 pixels
// well represented, phases in whole degrees -179..180.
std::unique_ptr<tmodele> RandomModel(std::mt19937& random)
{
    auto pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    auto model = std::make_unique<tmodele>();
    model->Duration = std::uint16_t(pick(1, 40));
    model->Glide = pick(-51, 101) / 100.0;
    const int n = pick(1, 50);
    for (int i = 0; i < n; ++i) {
        tharmonique h;
        InitHarmonic(h, std::uint8_t(pick(1, 50)));
        h.Active = pick(0, 9) == 0 ? 0 : 1;
        switch (Shape(pick(0, 4))) {
            case Shape::Random:
                for (auto& p : h.Envelope)
                    p = std::uint8_t(pick(0, 255));
                break;
            case Shape::Flat:
                h.Envelope.fill(std::uint8_t(pick(1, 255)));
                break;
            case Shape::Zero:
                h.Envelope.fill(0);
                break;
            case Shape::Spiky:
                h.Envelope.fill(0);
                for (int s = pick(1, 3); s > 0; --s)
                    h.Envelope[std::size_t(pick(0, 45))] = std::uint8_t(pick(200, 255));
                break;
            case Shape::Default:
                break;
        }
        switch (pick(0, 4)) {
            case 0:
                h.Amplitude = 0;
                break;
            case 1:
                h.Amplitude = 1;
                break;
            case 2:
                h.Amplitude = (pick(0, 22) + 0.5) / 23;  // a half pixel at the top of the swing
                break;
            default:
                h.Amplitude = std::uniform_real_distribution<double>(0, 1)(random);
        }
        h.Phase = Radians(pick(-179, 180));
        model->Harmonics.push_back(h);
    }
    return model;
}

TEST(ComponentsFast, SamePixelsAsTheReferenceOverRandomModels)
{
    std::mt19937 random(20261208);
    ComponentsCounts total;
    for (int n = 0; n < 120; ++n) {
        const auto model = RandomModel(random);
        const double length = model->Duration / 10.0;  // seconds
        // Inside the sound, on an envelope point, at both ends and outside it.
        const std::vector<double> instants{std::uniform_real_distribution<double>(0, length)(random),
                                           std::uniform_int_distribution<int>(0, 45)(random) * length / 45,
                                           0.0,
                                           length,
                                           -0.7,
                                           length + 2};
        const double t = instants[std::size_t(n) % instants.size()];
        for (const Size size : Sizes) {
            SCOPED_TRACE(testing::Message()
                         << "model " << n << ", " << size.W << "x" << size.H << ", t " << t);
            const Drawings d = DrawBoth(*model, size, t);
            ASSERT_TRUE(SamePixels(d.reference, d.fast));
            ExpectFormulaPoints(*model, d.fast, t);
            total.points += d.counts.points;
            total.fallbacks += d.counts.fallbacks;
        }
    }
    // The fallback is for the rare point on a boundary; a fast way that gave up often would
    // be no faster than the reference.
    EXPECT_GT(total.points, 1'000'000u);
    EXPECT_LT(double(total.fallbacks), 1e-3 * double(total.points));
    RecordProperty("points", std::to_string(total.points));
    RecordProperty("fallbacks", std::to_string(total.fallbacks));
    std::printf("%llu points, %llu recomputed in extended precision\n", (unsigned long long)total.points,
                (unsigned long long)total.fallbacks);
}

// Values that are a whole number and a half in exact arithmetic: which way they round depends on
// the last bits of the extended sine, so only the fallback can get them right.
TEST(ComponentsFast, HalvesAreDecidedByTheFallback)
{
    struct Case {
        const char* what;
        int rank;
        int degrees;
        double amplitude;
        int W;  // pixels
    };
    const std::vector<Case> cases{
        {"top of the swing, phase 90", 1, 90, 10.5 / 23, 330},
        {"bottom of the swing, phase -90", 3, -90, 22.5 / 23, 330},
        {"sine of a half, phase 30", 2, 30, 1.0 / 23, 210},
        {"sine of a half, phase 150", 5, 150, 3.0 / 23, 210},
        {"quarter period on a column, phase 0", 4, 0, 0.5 / 23, 30 + 16 * 25},
        {"three quarters on a column, phase 180", 7, 180, 11.5 / 23, 30 + 28 * 9},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        tmodele model;
        model.Duration = 10;
        model.AddHarmonic(std::uint8_t(c.rank));
        tharmonique& h = model.Harmonics.front();
        h.Envelope.fill(255);
        h.Amplitude = c.amplitude;
        h.Phase = Radians(c.degrees);
        const Drawings d = DrawBoth(model, {c.W, 130}, 0.5);
        EXPECT_TRUE(SamePixels(d.reference, d.fast));
        EXPECT_GT(d.counts.fallbacks, 0u) << "no point was left to the fallback";
        EXPECT_LT(d.counts.fallbacks, d.counts.points);
    }
}

// What only a damaged file can hold: amplitudes and phases far outside the editors' ranges,
// not-a-number and infinities. The drawing stays the reference's, fast where the bound still
// holds, point by point in extended precision where it does not.
TEST(ComponentsFast, ValuesOutsideTheEditorsRanges)
{
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        double amplitude;
        double phase;  // radians
        bool fastRange;
    };
    const std::vector<Case> cases{
        {-1.0, 0.3, true},       {3.7, -2.0, true},  {4000.0, 1.0, true}, {1e7, 1.0, false},
        {0.8, 4.5e5, true},      {0.8, -3e6, false}, {nan, 0.5, false},   {inf, 0.5, false},
        {-inf, 0.5, false},      {0.6, nan, false},  {0.6, inf, false},   {1e300, 1e300, false},
        {-1e-300, 1e-300, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "amplitude " << c.amplitude << ", phase " << c.phase);
        tmodele model;
        model.Duration = 10;
        model.AddHarmonic(1);
        model.AddHarmonic(17);
        for (tharmonique& h : model.Harmonics) {
            h.Amplitude = c.amplitude;
            h.Phase = c.phase;
        }
        const Drawings d = DrawBoth(model, {640, 180}, 0.45);
        EXPECT_TRUE(SamePixels(d.reference, d.fast));
        if (c.fastRange)
            EXPECT_LT(d.counts.fallbacks, d.counts.points / 100);
        else
            EXPECT_EQ(d.counts.fallbacks, d.counts.points);
    }
}

}  // namespace
