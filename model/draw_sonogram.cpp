#include <algorithm>
#include <cfloat>
#include <cmath>
#include <vector>

#include <QImage>
#include <QPainter>
#include <QPen>
#include <QPoint>

#include "model/draw_components.h"
#include "model/drawing.h"
#include "model/tmodele.h"

using namespace drawing;

namespace {

constexpr int Margin = 15;            // pixels around the plot frame, on every side
constexpr int EnvelopePoints = 46;    // columns of the sonogram, one per envelope point
constexpr int MinSonogramWidth = 75;  // pixels
constexpr int RowSpacing = 50;        // pixels between the components' baselines
constexpr int LowestBaseline = 40;    // pixels from the bottom edge up to row 0's baseline
constexpr int ComponentSwing = 23;    // pixels of a component at full amplitude
constexpr int CaptionLift = 2;        // pixels between the captions and the bottom edge
constexpr long double Pi = 3.14159265358979323846264338327950288L;

// Sonogram colours: black to blue (0..84), blue through purple to red (85..169), red through
// orange to yellow (170..255).
QRgb LevelColour(int level)
{
    level = std::clamp(level, 0, 255);
    if (level < 85)
        return qRgb(0, 0, 3 * level);
    if (level < 170)
        return qRgb(3 * (level - 85), 0, 255 - 3 * (level - 85));
    return qRgb(255, 3 * (level - 170), 0);
}

// "temps >" from the middle and " rang" from the left, 2 pixels above the bottom edge.
void Captions(QPainter& painter, int W, int H)
{
    const QString time = QStringLiteral("temps >");
    const QString rank = QStringLiteral(" rang");
    TextTransparent(painter, W / 2, H - TextHeight(painter, time) - CaptionLift, time, White);
    TextTransparent(painter, 2, H - TextHeight(painter, rank) - CaptionLift, rank, White);
}

void StartPicture(QPainter& painter, int W, int H)
{
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::TextAntialiasing, false);
    ClearPicture(painter, W, H);
    painter.setFont(PictureFont());
}

// How far below a component's baseline the point of column x lies, as the reference computes it:
// the angle and the sine in extended precision, in this order of operations. The fast way falls
// back on this very function, so that both agree wherever double cannot decide.
int ReferenceOffset(int rank, double phase, long double height, int x, int pw)
{
    const long double angle = static_cast<long double>(rank) * (2 * Pi) * x / pw + phase;
    return RoundToPixel(height * std::sin(angle));
}

void ReferencePoints(std::vector<QPoint>& points, int pw, int baseline, int rank, double phase,
                     long double height, ComponentsCounts& counts)
{
    for (int x = 0; x < pw; ++x)
        points[std::size_t(x)] = QPoint(Margin + x, baseline - ReferenceOffset(rank, phase, height, x, pw));
    counts.points += std::uint64_t(pw);
}

constexpr int RestartColumns = 32;        // columns between fresh sines of the rotation
constexpr double FastLimit = 1e6;         // pixels of height, radians of phase: beyond, no fast way
constexpr double Unit = DBL_EPSILON / 2;  // relative rounding error of one double operation

// The same points with the sine in double: the angle of every 32nd column is computed and its
// sine and cosine taken, the columns in between turn by a fixed rotation. Error budget of the
// sine, in units of Unit, with A = rank x 2pi + |phase| the largest angle: the double angle
// against the extended one, 6 A; sin and cos of it, 2; the rounded step d = rank x 2pi / pw
// carried over the up to 31 columns since the restart, at most 3 rank x 2pi; the rotation's own
// rounding, about 8 per column since the restart. Doubled, plus the product by the height and its rounding to
// double. A scaled value farther than that from a half is rounded the same way in both precisions.
void FastPoints(std::vector<QPoint>& points, int pw, int baseline, int rank, double phase, long double height,
                ComponentsCounts& counts)
{
    const double h = double(height);  // pixels
    if (!std::isfinite(h) || !std::isfinite(phase) || std::fabs(h) > FastLimit ||
        std::fabs(phase) > FastLimit) {
        // Out of the range the bound was made for (only a damaged file gets there).
        ReferencePoints(points, pw, baseline, rank, phase, height, counts);
        counts.fallbacks += std::uint64_t(pw);
        return;
    }
    const double twoPi = double(2 * Pi);
    const double largest = std::fabs(rank * twoPi) + std::fabs(phase);  // radians
    const double sineError = 2 * Unit * (6 * largest + 2 + 3 * std::fabs(rank * twoPi) + 8 * RestartColumns);
    const double bound = std::fabs(h) * (sineError + 4 * Unit);  // pixels
    const double step = rank * twoPi / pw;                       // radians per column
    const double cosStep = std::cos(step);
    const double sinStep = std::sin(step);
    double c = 0;
    double s = 0;
    for (int x = 0; x < pw; ++x) {
        if (x % RestartColumns == 0) {
            const double angle = rank * twoPi * x / pw + phase;
            c = std::cos(angle);
            s = std::sin(angle);
        } else {
            const double turned = c * cosStep - s * sinStep;
            s = s * cosStep + c * sinStep;
            c = turned;
        }
        const double y = h * s;  // pixels
        int offset;
        if (std::fabs(y - std::floor(y) - 0.5) > bound) {
            offset = int(std::lrint(y));
        } else {
            offset = ReferenceOffset(rank, phase, height, x, pw);
            ++counts.fallbacks;
        }
        points[std::size_t(x)] = QPoint(Margin + x, baseline - offset);
    }
    counts.points += std::uint64_t(pw);
}

}  // namespace

void tmodele::DrawSonogram(QImage& picture) const
{
    // Plan:
    // 1. Black background.
    // 2. Stop there if the picture is narrower than 75 pixels or has fewer than 30 rows more
    //    than there are harmonics.
    // 3. Column width from the width divided into 45, row height from the highest rank.
    // 4. For each active harmonic, 46 cells in its rank's row coloured by envelope x amplitude;
    //    in per-rank label mode every harmonic's rank beside its row.
    // 5. Otherwise every n-th rank. With no row of at least a pixel (rowH = 0) or no rank at
    //    all there is no row to label and no cell to see: both are skipped.
    // 6. The frame around the 46 columns, which may reach into the right margin.
    // 7. The captions, on a transparent background.
    if (picture.isNull())
        return;
    const QSize size = LogicalSize(picture);
    const int W = size.width();
    const int H = size.height();
    QPainter painter(&picture);
    StartPicture(painter, W, H);
    if (W < MinSonogramWidth || std::size_t(std::max(H - 2 * Margin, 0)) < Harmonics.size() || H < 2 * Margin)
        return;

    const int colW = (W - 2 * Margin) / (EnvelopePoints - 1);
    int highestRank = 0;
    for (const tharmonique& h : Harmonics)
        highestRank = std::max(highestRank, int(h.Rank));
    const int rowH = highestRank > 0 ? (H - 2 * Margin) / highestRank : 0;
    const int bottom = H - Margin;

    if (rowH > 0) {
        const int eight = TextHeight(painter, QStringLiteral("8"));
        const bool perRank = eight <= rowH;
        for (const tharmonique& h : Harmonics) {
            const int rowTop = bottom - int(h.Rank) * rowH;
            if (h.Active != 0) {
                for (int p = 0; p < EnvelopePoints; ++p) {
                    const int level =
                        RoundToPixel(static_cast<long double>(h.Envelope[std::size_t(p)]) * h.Amplitude);
                    FillBlock(painter, Margin + p * colW, rowTop, Margin + (p + 1) * colW, rowTop + rowH,
                              LevelColour(level));
                }
            }
            if (perRank)
                TextOpaque(painter, 1, rowTop, QString::number(int(h.Rank)), White);
        }
        if (!perRank) {
            const int n = eight / rowH + 1;
            for (int r = n; r <= highestRank; r += n)
                TextOpaque(painter, 1, bottom - r * rowH, QString::number(r), White);
        }
    }

    Frame(painter, Margin, Margin, Margin + EnvelopePoints * colW, bottom, White);
    Captions(painter, W, H);
}

std::size_t ComponentsRows(const tmodele& model, int height)
{
    return std::min(std::size_t(std::max((height - 2 * Margin) / RowSpacing, 0)), model.Harmonics.size());
}

void DrawComponentsWith(const tmodele& model, QImage& picture, double t, ComponentsMethod method,
                        ComponentsCounts* counts)
{
    // Plan:
    // 1. Black background.
    // 2. Rows 50 pixels apart from H - 40 upwards, as many as fit, at most one per harmonic;
    //    only the first harmonics of the list get a row.
    // 3-4. For each active one, a sine of `Rank` periods across the plot, shifted by its phase,
    //    23 pixels x amplitude x (envelope at t / largest envelope point) high, positive values
    //    upwards, as one cyan polyline, and its rank at the left of the baseline. An envelope
    //    that is 0 everywhere has no shape to scale by: its curve is the flat baseline. A plot
    //    with no width (W <= 30) has no point to draw, the labels still stand.
    // 5. The frame around the plot.
    // 6. The captions, as in the sonogram.
    if (picture.isNull())
        return;
    ComponentsCounts local;
    ComponentsCounts& counted = counts != nullptr ? *counts : local;
    const QSize size = LogicalSize(picture);
    const int W = size.width();
    const int H = size.height();
    QPainter painter(&picture);
    StartPicture(painter, W, H);

    const int pw = W - 2 * Margin;
    const std::size_t k = ComponentsRows(model, H);
    std::vector<QPoint> points(std::size_t(std::max(pw, 0)));
    for (std::size_t i = 0; i < k; ++i) {
        const tharmonique& h = model.Harmonics[i];
        if (h.Active == 0)
            continue;
        const int baseline = H - LowestBaseline - RowSpacing * int(i);
        const long double m = *std::max_element(h.Envelope.begin(), h.Envelope.end());
        const long double e = m == 0 ? 0 : EnvelopeAt(h.Envelope, model.Duration, t) / m;
        const long double height = ComponentSwing * h.Amplitude * e;  // pixels
        if (pw > 0) {
            if (method == ComponentsMethod::Reference)
                ReferencePoints(points, pw, baseline, int(h.Rank), h.Phase, height, counted);
            else
                FastPoints(points, pw, baseline, int(h.Rank), h.Phase, height, counted);
            painter.setPen(QPen(QColor(Cyan), 1, Qt::SolidLine));  // the labels leave theirs
            Polyline(painter, points.data(), pw);
        }
        TextOpaque(painter, 1, baseline, QString::number(int(h.Rank)), White);
    }

    Frame(painter, Margin, Margin, W - Margin, H - Margin, White);
    Captions(painter, W, H);
}

void tmodele::DrawComponents(QImage& picture, double t) const
{
    DrawComponentsWith(*this, picture, t, ComponentsMethod::Fast);
}
