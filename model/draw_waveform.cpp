#include "model/draw_waveform.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include <QImage>
#include <QLine>
#include <QPainter>
#include <QPen>

#include "model/drawing.h"
#include "model/numfmt.h"
#include "model/tmodele.h"

using namespace drawing;

namespace {

constexpr int TickHalfLength = 3;              // pixels above and below the axis
constexpr int LabelOffset = 12;                // pixels from the axis line down to the labels' top
constexpr long double FirstTickStep = 1.0L;    // seconds, divided by 10 until below the span
constexpr long double MaxTickAdditions = 1e7;  // steps from 0 to the window's start, 1..1e7
constexpr long double MaxTicks = 1e4;          // ticks in one window, 1..1e4
constexpr int LabelDigits = 3;                 // significant digits of the time labels
constexpr int LabelExponentDigits = 1;         // minimum digits of their exponent

QString TimeLabel(long double seconds)
{
    return numfmt::Scientific(seconds, LabelDigits, LabelExponentDigits);
}

// Where sample k of the window lands: x(k) = 1 + round((k - e) xs), y(k) = (H div 2) + 1 +
// round(s(k) ys). Every x lies within 1..W-1 and every |s| <= 32768, so the products stay far
// inside the range of a long long and need no clamping on this hot path.
struct TraceScale {
    long double e;   // sample index of the window's start
    long double xs;  // pixels per sample
    long double ys;  // pixels per unit of sample value
    int belowAxis;   // (H div 2) + 1, the row of a zero sample

    int X(long k) const { return 1 + int(std::llrint((k - e) * xs)); }
    int Y(int sample) const { return belowAxis + int(std::llrint(sample * ys)); }
};

// A separate move-to and line-to for every pair of neighbouring samples.
void TracePerSegment(QPainter& painter, const tmodele& model, const TraceScale& scale, long first, long last)
{
    int x0 = scale.X(first);
    int y0 = scale.Y(model.Sample(std::size_t(first)));
    for (long k = first; k < last; ++k) {
        const int x1 = scale.X(k + 1);
        const int y1 = scale.Y(model.Sample(std::size_t(k + 1)));
        Line(painter, x0, y0, x1, y1);
        x0 = x1;
        y0 = y1;
    }
}

// The lowest and highest sample values of samples from..to (inclusive). The buffer is
// little-endian; on such machines the values are read as they lie, which lets the compiler
// scan them many at a time.
void SampleRange(const tmodele& model, long from, long to, int& lowest, int& highest)
{
    const std::uint8_t* bytes = model.Samples.data() + 2 * from;
    std::int16_t low = INT16_MAX;
    std::int16_t high = INT16_MIN;
    for (long k = 0; k <= to - from; ++k) {
        std::int16_t value;
        if constexpr (std::endian::native == std::endian::little)
            std::memcpy(&value, bytes + 2 * k, sizeof value);
        else
            value = std::int16_t(std::uint16_t(bytes[2 * k] | (bytes[2 * k + 1] << 8)));
        low = std::min(low, value);
        high = std::max(high, value);
    }
    lowest = low;
    highest = high;
}

// The same pixels as TracePerSegment, far fewer calls. A 1-pixel line between two points of
// one column sets exactly the column's pixels between and including its end points (a lone
// pixel when they coincide), clipped to the picture. Consecutive segments share their end
// points, so the segments between the points k..kEnd of one column together set one unbroken
// span from the highest to the lowest of those points: one fill. As y(k) only grows (or only
// shrinks) with the sample value, those two points are the ones of the lowest and highest
// sample. Segments from one column to the next keep their own line through QPainter, so their
// slanted pixels come from the very same rasteriser; there are fewer of them than columns.
// At a device pixel ratio other than 1 the span is drawn as one line of the segments' own kind,
// a logical pixel wide, so that it covers the device pixels the segments' union covers.
void TraceColumnSpans(QPainter& painter, const tmodele& model, const TraceScale& scale, long first, long last)
{
    if (!(scale.xs > 0)) {
        // A picture at most 2 pixels wide: every point in one or two columns.
        TracePerSegment(painter, model, scale, first, last);
        return;
    }
    const QColor colour(Green);
    const bool highResolution = AtOtherRatio(painter);
    long k = first;
    int x = scale.X(k);
    while (true) {
        // x(k) never decreases, so the column's points are k..kEnd. The estimate from the
        // column's right edge is off by at most a sample; the exact rounding settles it.
        long kEnd = last;
        const long double edge = scale.e + (x - 0.5L) / scale.xs;
        if (edge < static_cast<long double>(last))
            kEnd = std::max(k, long(edge));
        while (kEnd < last && scale.X(kEnd + 1) == x)
            ++kEnd;
        while (scale.X(kEnd) != x)
            --kEnd;
        if (kEnd > k) {
            int lowest = 0;
            int highest = 0;
            SampleRange(model, k, kEnd, lowest, highest);
            const int y1 = scale.Y(lowest);
            const int y2 = scale.Y(highest);
            if (highResolution)
                Line(painter, x, y1, x, y2);  // the rasteriser of the segments it stands for
            else
                painter.fillRect(x, std::min(y1, y2), 1, std::abs(y2 - y1) + 1, colour);
        }
        if (kEnd == last)
            break;
        const int nextX = scale.X(kEnd + 1);
        Line(painter, x, scale.Y(model.Sample(std::size_t(kEnd))), nextX,
             scale.Y(model.Sample(std::size_t(kEnd + 1))));
        k = kEnd + 1;
        x = nextX;
    }
}

}  // namespace

void DrawWaveformWith(const tmodele& model, QImage& picture, double start, double end, TraceMethod method)
{
    // Plan:
    // 1. Leave the picture as it is for an unrendered model or a window that is empty, reversed
    //    or not made of finite times (and for a picture with no pixels).
    // 2. Black background.
    // 3. The green trace, sample e to sample f, one segment per pair of neighbours, positive
    //    values below the axis; only samples that exist in the buffer are read.
    // 4. The yellow axis across the middle.
    // 5. A tick step: the largest power of ten up to 1 s strictly below the span.
    // 6. The first tick: repeated additions of the step from 0 until not below the start.
    // 7. Each tick before the end: its line, its label right-aligned on it, the caption.
    // 8. The start and end labels at the two edges.
    if (model.Rendered == 0 || !(start < end) || !std::isfinite(start) || !std::isfinite(end) ||
        picture.isNull())
        return;
    const QSize size = LogicalSize(picture);
    const int W = size.width();
    const int H = size.height();

    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::TextAntialiasing, false);
    ClearPicture(painter, W, H);

    const long double e = std::nearbyint(static_cast<long double>(start) * tmodele::SampleRate);
    const long double f = std::nearbyint(static_cast<long double>(end) * tmodele::SampleRate);
    if (f >= e + 1) {
        TraceScale scale;
        scale.e = e;
        scale.xs = static_cast<long double>(W - 2) / (f - e);
        scale.ys = static_cast<long double>(H - 2) / (2 * tmodele::AmplitudeScale);
        scale.belowAxis = H / 2 + 1;
        // Samples that exist: the window may end on N, one past the buffer (the whole sound
        // shown), where the trace stops at N - 1 rather than read beyond it.
        const long n = long(std::min(model.SampleCount(), model.Samples.size() / 2));
        const long first = e <= 0 ? 0 : (e >= n ? n : long(e));
        const long last = f >= n - 1 ? n - 1 : long(f);
        if (first < last) {
            painter.setPen(QPen(QColor(Green), 1, Qt::SolidLine));
            if (method == TraceMethod::PerSegment)
                TracePerSegment(painter, model, scale, first, last);
            else
                TraceColumnSpans(painter, model, scale, first, last);
        }
    }

    const int axis = H / 2;
    painter.setPen(QPen(QColor(Yellow), 1, Qt::SolidLine));
    Line(painter, 0, axis, W, axis);
    painter.setFont(PictureFont());

    const long double from = start;
    const long double to = end;
    const long double span = to - from;
    long double step = FirstTickStep;
    while (step >= span)
        step /= 10;
    // Only absurd windows (hours long, or far from 0 in tiny steps) could take longer to
    // tick than to draw; they get no ticks rather than a frozen window.
    if (from / step <= MaxTickAdditions && span / step <= MaxTicks) {
        long double q = 0;
        while (q < from)
            q += step;
        const long double xt = static_cast<long double>(W - 2) / span;
        const QString caption = QStringLiteral("temps en secondes > ");
        while (q < to) {
            const int x = RoundToPixel((q - from) * xt) + 1;
            painter.setPen(QPen(QColor(Yellow), 1, Qt::SolidLine));
            Line(painter, x, axis - TickHalfLength, x, axis + TickHalfLength);
            const QString label = TimeLabel(q);
            TextOpaque(painter, x - TextWidth(painter, label), axis + LabelOffset, label, Yellow);
            TextOpaque(painter, W - TextWidth(painter, caption), H - TextHeight(painter, caption), caption,
                       Yellow);
            q += step;
        }
    }

    TextOpaque(painter, 1, axis + LabelOffset, TimeLabel(from), Yellow);
    const QString endLabel = TimeLabel(to);
    TextOpaque(painter, W - TextWidth(painter, endLabel), axis + LabelOffset, endLabel, Yellow);
}

void tmodele::DrawWaveform(QImage& picture, double start, double end) const
{
    DrawWaveformWith(*this, picture, start, end, TraceMethod::ColumnSpans);
}
