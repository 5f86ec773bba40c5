// The pictures at a device pixel ratio above 1, as on a screen scaled to 150 % or 200 %: laid
// out in logical pixels, drawn at the device's resolution. A picture drawn at ratio r and
// reduced to its logical size (each logical pixel the mean of the device pixels it covers)
// must land where the ratio-1 picture does, and its text must be real device-resolution
// text rather than the ratio-1 glyphs blown up.
#include <gtest/gtest.h>

#include <QEvent>
#include <QImage>
#include <QPainter>
#include <QScreen>
#include <QSignalSpy>
#include <QString>
#include <algorithm>
#include <cmath>
#include <functional>
#include <ostream>
#include <vector>

#include "model/draw_waveform.h"
#include "model/drawing.h"
#include "model/tmodele.h"
#include "support/views_pictures.h"
#include "tests/models/sample_models.h"
#include "ui/Sonvelia3.h"
#include "ui/picturebox.h"
#include "ui/sonvelia2.h"
#include "ui/toolicons.h"

using namespace views_test;

namespace {

// ---------------------------------------------------------------------------------------------
// Comparing a high-resolution picture with the ratio-1 one

struct Rgb {
    double r = 0, g = 0, b = 0;
};

// Each logical pixel the area-weighted mean of the device pixels under it.
std::vector<Rgb> Reduce(const QImage& device, QSize logical)
{
    const QImage image = device.convertToFormat(QImage::Format_RGB32);
    const double ratio = device.devicePixelRatio();
    std::vector<Rgb> out(std::size_t(logical.width() * logical.height()));
    for (int y = 0; y < logical.height(); ++y) {
        for (int x = 0; x < logical.width(); ++x) {
            const double x0 = x * ratio, x1 = (x + 1) * ratio;
            const double y0 = y * ratio, y1 = (y + 1) * ratio;
            Rgb sum;
            double area = 0;
            for (int dy = int(std::floor(y0)); dy < std::min(int(std::ceil(y1)), image.height()); ++dy) {
                const double hy = std::min(y1, dy + 1.0) - std::max(y0, double(dy));
                for (int dx = int(std::floor(x0)); dx < std::min(int(std::ceil(x1)), image.width()); ++dx) {
                    const double w = hy * (std::min(x1, dx + 1.0) - std::max(x0, double(dx)));
                    const QRgb p = image.pixel(dx, dy);
                    sum.r += w * qRed(p);
                    sum.g += w * qGreen(p);
                    sum.b += w * qBlue(p);
                    area += w;
                }
            }
            out[std::size_t(y * logical.width() + x)] = {sum.r / area, sum.g / area, sum.b / area};
        }
    }
    return out;
}

// How the reduced picture R meets the ratio-1 picture A.
struct Landing {
    int pixels = 0;
    int exact = 0;       // |R - A| <= 3 in every channel
    int outOfReach = 0;  // R outside the colours of A's 3 x 3 neighbourhood (by more than 3)
    int unmatched = 0;   // A drawn (not background) with nothing drawn near it in R
    QPoint firstOutOfReach{-1, -1};
    QPoint firstUnmatched{-1, -1};
};

void PrintTo(const Landing& l, std::ostream* os)
{
    *os << l.pixels << " pixels, " << l.exact << " exact, " << l.outOfReach << " out of reach (first at "
        << l.firstOutOfReach.x() << "," << l.firstOutOfReach.y() << "), " << l.unmatched
        << " unmatched (first at " << l.firstUnmatched.x() << "," << l.firstUnmatched.y() << ")";
}

constexpr double RoundingSlack = 3;    // 0..255 per channel: rounding of the reduction
constexpr double SmoothingSlack = 64;  // 0..255: pictures smoothed at ratio 1 already (the icons)

// `reach`: how far around a pixel (in logical pixels) the other picture is searched.
Landing Compare(const QImage& reference, const QImage& device, QRgb background, int reach, double Slack)
{
    const QImage a = reference.convertToFormat(QImage::Format_RGB32);
    const QSize logical = a.size();
    const std::vector<Rgb> r = Reduce(device, logical);
    const auto at = [&](int x, int y) { return r[std::size_t(y * logical.width() + x)]; };
    Landing l;
    for (int y = 0; y < logical.height(); ++y) {
        for (int x = 0; x < logical.width(); ++x) {
            ++l.pixels;
            const QRgb p = a.pixel(x, y);
            const Rgb q = at(x, y);
            if (std::abs(q.r - qRed(p)) <= Slack && std::abs(q.g - qGreen(p)) <= Slack &&
                std::abs(q.b - qBlue(p)) <= Slack)
                ++l.exact;
            // A blend of what lies around in A is what the antialiasing of the reduction can give.
            int lo[3] = {255, 255, 255}, hi[3] = {0, 0, 0};
            double drawnNear = 0;  // the largest difference from the background in R's neighbourhood
            for (int dy = -reach; dy <= reach; ++dy) {
                for (int dx = -reach; dx <= reach; ++dx) {
                    const int nx = x + dx, ny = y + dy;
                    if (nx < 0 || ny < 0 || nx >= logical.width() || ny >= logical.height())
                        continue;
                    const QRgb n = a.pixel(nx, ny);
                    const int c[3] = {qRed(n), qGreen(n), qBlue(n)};
                    for (int i = 0; i < 3; ++i) {
                        lo[i] = std::min(lo[i], c[i]);
                        hi[i] = std::max(hi[i], c[i]);
                    }
                    const Rgb m = at(nx, ny);
                    drawnNear =
                        std::max({drawnNear, std::abs(m.r - qRed(background)),
                                  std::abs(m.g - qGreen(background)), std::abs(m.b - qBlue(background))});
                }
            }
            const double v[3] = {q.r, q.g, q.b};
            bool within = true;
            for (int i = 0; i < 3; ++i)
                within = within && v[i] >= lo[i] - Slack && v[i] <= hi[i] + Slack;
            if (!within && l.outOfReach++ == 0)
                l.firstOutOfReach = QPoint(x, y);
            // A drawn pixel of A, however thin, covers at least a quarter of its logical pixel in R.
            const double drawn =
                std::max({std::abs(qRed(p) - qRed(background)), std::abs(qGreen(p) - qGreen(background)),
                          std::abs(qBlue(p) - qBlue(background))});
            if (drawn > 0 && drawnNear < drawn / 4 && l.unmatched++ == 0)
                l.firstUnmatched = QPoint(x, y);
        }
    }
    return l;
}

// ---------------------------------------------------------------------------------------------
// The pictures

struct PictureCase {
    const char* name;
    QSize size;  // logical pixels
    std::function<void(QImage&)> draw;
    QRgb background;
    std::vector<QRect> labels;  // logical rectangles of text, for the resolution check
    double minExactPercent;     // of the pixels, at ratio 2 (slanted lines and text blend)
    double slack = RoundingSlack;
};

void PrintTo(const PictureCase& c, std::ostream* os)
{
    *os << c.name;
}

const tmodele& Worst()
{
    static const std::unique_ptr<tmodele> model = [] {
        auto m = MakeWorstCaseModel(20261208);
        m->Render();
        return m;
    }();
    return *model;
}

const tmodele& Mixed()
{
    static const std::unique_ptr<tmodele> model = [] {
        auto m = MakeModel(10, {{1, 1.0}, {2, 0.5, 1.0}, {3, 0.8, 2.0}, {5, 0.3}, {7, 0.6, 0.5}});
        return m;
    }();
    return *model;
}

QRect TextBox(int x, int y, const QString& text)
{
    return QRect(x, y, TextWidth(text), TextHeight());
}

// A tool-bar picture at the picture's own ratio, over the white of a button.
std::function<void(QImage&)> ToolPicture(int index, bool disabled)
{
    return [index, disabled](QImage& p) {
        const qreal ratio = p.devicePixelRatio();
        const QPixmap picture =
            (disabled ? toolicons::DisabledSet(ratio) : toolicons::NormalSet(ratio))[index];
        p.fill(Qt::white);
        QPainter(&p).drawPixmap(0, 0, picture);
    };
}

std::vector<PictureCase> Pictures()
{
    const QSize wave(600, 156), spectrum(152, 250), graph(420, 300);
    const QSize icon(toolicons::IconSize, toolicons::IconSize);
    return {
        {"icon_zoom_in", icon, ToolPicture(toolicons::ZoomIn, false), White, {}, 80, SmoothingSlack},
        {"icon_zoom_out_disabled",
         icon,
         ToolPicture(toolicons::ZoomOut, true),
         White,
         {},
         80,
         SmoothingSlack},
        {"icon_left", icon, ToolPicture(toolicons::Left, false), White, {}, 80, SmoothingSlack},
        {"icon_right_disabled", icon, ToolPicture(toolicons::Right, true), White, {}, 80, SmoothingSlack},
        {"icon_whole_sound",
         icon,
         ToolPicture(toolicons::WholeSound, false),
         White,
         {QRect(2, 13, 20, 10)},
         60,
         SmoothingSlack},
        {"icon_measurements",
         icon,
         ToolPicture(toolicons::Measurements, false),
         White,
         {},
         80,
         SmoothingSlack},
        {"waveform_worst",
         wave,
         [](QImage& p) { Worst().DrawWaveform(p, 0.0, 4.0); },
         Black,
         {TextBox(1, 78 + 12, QStringLiteral("0,00E+0"))},
         99},
        {"waveform_zoomed",
         wave,
         [](QImage& p) { Mixed().DrawWaveform(p, 0.1, 0.11); },
         Black,
         {TextBox(1, 78 + 12, QStringLiteral("1,00E-1"))},
         95.5},
        {"waveform_per_segment",
         wave,
         [](QImage& p) { DrawWaveformWith(Mixed(), p, 0.1, 0.13, TraceMethod::PerSegment); },
         Black,
         {},
         95},
        {"spectrum_worst",
         spectrum,
         [](QImage& p) { Worst().DrawSpectrum(p, 1.3); },
         Black,
         {TextBox(20, 250 - 14, QStringLiteral("à la date 1,3 s"))},
         98.5},
        {"spectrum_mixed",
         spectrum,
         [](QImage& p) { Mixed().DrawSpectrum(p, 0.5); },
         Black,
         {TextBox(15, 250 - 27, QStringLiteral("1"))},
         99},
        {"sonogram_worst", graph, [](QImage& p) { Worst().DrawSonogram(p); }, Black, {}, 99},
        {"sonogram_mixed",
         graph,
         [](QImage& p) { Mixed().DrawSonogram(p); },
         Black,
         {TextBox(1, 300 - 15 - 7 * ((300 - 30) / 7), QStringLiteral("7"))},
         99.5},
        {"components_worst", graph, [](QImage& p) { Worst().DrawComponents(p, 1.3); }, Black, {}, 98.5},
        {"components_mixed",
         graph,
         [](QImage& p) { Mixed().DrawComponents(p, 0.5); },
         Black,
         {TextBox(1, 300 - 40, QStringLiteral("1"))},
         98},
        {"envelope_editor",
         QSize(envelopedraw::AreaWidth, envelopedraw::AreaHeight),
         [](QImage& p) {
             tenveloppe e{};
             for (std::size_t k = 0; k < e.size(); ++k)
                 e[k] = std::uint8_t((k * 37) % 256);
             envelopedraw::PaintEnvelope(p, e);
         },
         Black,
         {},
         99.9},
        {"frequency_bar",
         QSize(selectorscale::BarWidth, selectorscale::BarHeight),
         [](QImage& p) { selectorscale::PaintBar(p); },
         Black,
         {},
         99.9},
    };
}

QImage Drawn(const PictureCase& c, qreal ratio)
{
    QImage picture = drawing::MakePicture(c.size, ratio);
    picture.fill(QColor(Sentinel));
    c.draw(picture);
    return picture;
}

class PictureAtRatio : public ::testing::TestWithParam<std::tuple<PictureCase, double>> {};

TEST_P(PictureAtRatio, LandsWhereTheRatioOnePictureDoes)
{
    const auto& [c, ratio] = GetParam();
    const QImage one = Drawn(c, 1);
    const QImage high = Drawn(c, ratio);
    ASSERT_EQ(drawing::LogicalSize(high), c.size);
    ASSERT_GE(high.width(), c.size.width() * ratio);
    // Every device pixel is painted: none keeps the colour the picture was filled with.
    EXPECT_EQ(CountColour(high, Sentinel), 0);

    // Within a pixel everywhere but for a few glyph pixels, whose shapes differ between the
    // font's sizes; within two pixels everywhere.
    const Landing l = Compare(one, high, c.background, 1, c.slack);
    EXPECT_LE(l.outOfReach, l.pixels / 2000) << ::testing::PrintToString(l);
    EXPECT_LE(l.unmatched, l.pixels / 2000) << ::testing::PrintToString(l);
    const Landing wide = Compare(one, high, c.background, 2, c.slack);
    EXPECT_EQ(wide.outOfReach, 0) << ::testing::PrintToString(wide);
    EXPECT_EQ(wide.unmatched, 0) << ::testing::PrintToString(wide);
    // Rectangles, frames and straight lines meet the device grid at ratio 2 and come out exact;
    // at 1.5 their edges fall inside device pixels, so only the whole-ratio case is held to it.
    if (ratio == 2) {
        EXPECT_GE(100.0 * l.exact / l.pixels, c.minExactPercent) << ::testing::PrintToString(l);
    }
}

// The label's device pixels: the text drawn at the device's resolution, not the ratio-1 glyphs
// blown up. At ratio 2 a blown-up label is made of uniform 2 x 2 blocks; at any ratio it would
// equal the ratio-1 label scaled up pixel by pixel.
class TextAtRatio : public PictureAtRatio {};

TEST_P(TextAtRatio, IsDrawnAtDeviceResolution)
{
    const auto& [c, ratio] = GetParam();
    ASSERT_FALSE(c.labels.empty());
    const QImage one = Drawn(c, 1);
    const QImage high = Drawn(c, ratio);
    for (const QRect& box : c.labels) {
        const QRect device(int(std::ceil(box.x() * ratio)), int(std::ceil(box.y() * ratio)),
                           int(std::floor(box.width() * ratio)), int(std::floor(box.height() * ratio)));
        const QImage label = high.copy(device).convertToFormat(QImage::Format_RGB32);
        const QImage blownUp = one.copy(box)
                                   .scaled(box.size() * ratio, Qt::IgnoreAspectRatio, Qt::FastTransformation)
                                   .copy(QRect(QPoint(0, 0), device.size()))
                                   .convertToFormat(QImage::Format_RGB32);
        int glyph = 0, drawnEither = 0, differing = 0;
        int top = label.height(), bottom = -1;
        for (int y = 0; y < label.height(); ++y) {
            for (int x = 0; x < label.width(); ++x) {
                const bool lit = label.pixel(x, y) != c.background;
                if (lit) {
                    ++glyph;
                    top = std::min(top, y);
                    bottom = std::max(bottom, y);
                }
                const bool blownLit = blownUp.pixel(x, y) != c.background;
                if (lit || blownLit)
                    ++drawnEither;
                if ((lit || blownLit) && blownUp.pixel(x, y) != label.pixel(x, y))
                    ++differing;
            }
        }
        ASSERT_GT(glyph, 0) << "no text at " << box.x() << "," << box.y();
        EXPECT_GT(differing, drawnEither / 5)
            << drawnEither << " glyph pixels, " << differing << " unlike the blown-up label";
        // The glyphs stand as tall in device pixels as the ratio says, within a pixel of hinting.
        int oneTop = box.height(), oneBottom = -1;
        const QImage small = one.copy(box).convertToFormat(QImage::Format_RGB32);
        for (int y = 0; y < small.height(); ++y)
            for (int x = 0; x < small.width(); ++x)
                if (small.pixel(x, y) != c.background) {
                    oneTop = std::min(oneTop, y);
                    oneBottom = std::max(oneBottom, y);
                }
        EXPECT_NEAR(bottom - top + 1, (oneBottom - oneTop + 1) * ratio, ratio + 1);
        if (ratio == 2) {
            int mixed = 0, blocks = 0;
            for (int y = 0; y + 1 < label.height(); y += 2)
                for (int x = 0; x + 1 < label.width(); x += 2) {
                    const QRgb p = label.pixel(x, y);
                    ++blocks;
                    if (label.pixel(x + 1, y) != p || label.pixel(x, y + 1) != p ||
                        label.pixel(x + 1, y + 1) != p)
                        ++mixed;
                }
            EXPECT_GT(mixed, blocks / 20) << mixed << " of " << blocks << " 2 x 2 blocks not uniform";
        }
    }
}

// The drawing the program uses and the segment-by-segment one give the same trace at device
// resolution, where a column's span becomes one line through the segments' rasteriser: the
// stroker's rounding of a long line and of its pieces differs in a few end pixels only.
class TraceAtRatio : public ::testing::TestWithParam<double> {};

TEST_P(TraceAtRatio, ColumnSpansMatchTheSegments)
{
    const qreal ratio = GetParam();
    struct Window {
        const tmodele& model;
        QSize size;
        double start, end;  // seconds
    };
    const Window windows[] = {
        {Worst(), QSize(600, 156), 0.0, 4.0},    {Worst(), QSize(1900, 156), 1.0, 1.5},
        {Mixed(), QSize(600, 156), 0.1, 0.13},   {Mixed(), QSize(301, 77), 0.0, 1.0},
        {Mixed(), QSize(600, 156), 0.2, 0.2005},
    };
    for (const Window& w : windows) {
        QImage spans = drawing::MakePicture(w.size, ratio);
        QImage segments = spans;
        DrawWaveformWith(w.model, spans, w.start, w.end, TraceMethod::ColumnSpans);
        DrawWaveformWith(w.model, segments, w.start, w.end, TraceMethod::PerSegment);
        int differing = 0;
        const int trace = CountColour(segments, Green);
        for (int y = 0; y < spans.height(); ++y)
            for (int x = 0; x < spans.width(); ++x)
                differing += spans.pixel(x, y) != segments.pixel(x, y) ? 1 : 0;
        ASSERT_GT(trace, 0);
        EXPECT_LE(differing, trace / 100) << trace << " trace pixels; " << w.size.width() << "x"
                                          << w.size.height() << " from " << w.start << " to " << w.end;
    }
}

INSTANTIATE_TEST_SUITE_P(Views, TraceAtRatio, ::testing::Values(1.5, 2.0),
                         [](const ::testing::TestParamInfo<double>& info) {
                             return std::string(info.param == 2 ? "at_200" : "at_150");
                         });

// The icons the buttons show: drawn afresh at the ratio asked for, each look at full resolution.
TEST(ToolIconsAtRatio, ButtonsGetPicturesOfTheScreensResolution)
{
    for (const qreal ratio : {1.0, 1.5, 2.0}) {
        const QList<QPixmap> normal = toolicons::NormalSet(ratio);
        for (int i = 0; i < toolicons::Count; ++i) {
            const QIcon icon = toolicons::Icon(i);
            for (const QIcon::Mode mode : {QIcon::Normal, QIcon::Disabled}) {
                const QPixmap shown =
                    icon.pixmap(QSize(toolicons::IconSize, toolicons::IconSize), ratio, mode);
                const int side = int(std::ceil(toolicons::IconSize * ratio));
                EXPECT_EQ(shown.size(), QSize(side, side)) << i << " at " << ratio;
                EXPECT_EQ(shown.devicePixelRatio(), ratio) << i;
                const QPixmap expected = mode == QIcon::Normal ? normal[i] : toolicons::DisabledSet(ratio)[i];
                EXPECT_EQ(shown.toImage().convertToFormat(QImage::Format_ARGB32),
                          expected.toImage().convertToFormat(QImage::Format_ARGB32))
                    << i << " at " << ratio << (mode == QIcon::Normal ? " normal" : " disabled");
            }
        }
    }
}

std::string CaseName(const ::testing::TestParamInfo<std::tuple<PictureCase, double>>& info)
{
    const double ratio = std::get<1>(info.param);
    return std::string(std::get<0>(info.param).name) + (ratio == 2 ? "_at_200" : "_at_150");
}

std::vector<PictureCase> LabelledPictures()
{
    std::vector<PictureCase> labelled;
    for (const PictureCase& c : Pictures())
        if (!c.labels.empty())
            labelled.push_back(c);
    return labelled;
}

INSTANTIATE_TEST_SUITE_P(Views, TextAtRatio,
                         ::testing::Combine(::testing::ValuesIn(LabelledPictures()),
                                            ::testing::Values(1.5, 2.0)),
                         CaseName);

INSTANTIATE_TEST_SUITE_P(Views, PictureAtRatio,
                         ::testing::Combine(::testing::ValuesIn(Pictures()), ::testing::Values(1.5, 2.0)),
                         CaseName);

}  // namespace
