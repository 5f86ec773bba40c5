#include "model/drawing.h"

#include <algorithm>
#include <cmath>

#include <QColor>
#include <QFontMetrics>
#include <QLineF>
#include <QPaintDevice>
#include <QPainter>
#include <QPoint>
#include <QPointF>
#include <QRect>
#include <vector>

namespace drawing {

namespace {
constexpr long double PixelLimit = 16777216.0L;  // 2^24 pixels, far beyond any picture
constexpr qreal RatioSlack = 1e-6;               // pixels: rounding of logical size x ratio

// The centre of logical pixel (x, y).
QPointF Centre(int x, int y)
{
    return QPointF(x + 0.5, y + 0.5);
}
}  // namespace

bool AtOtherRatio(const QPainter& painter)
{
    return painter.device() != nullptr && painter.device()->devicePixelRatio() != 1;
}

QImage MakePicture(QSize logical, qreal ratio, QImage::Format format)
{
    if (!(ratio > 0))
        ratio = 1;
    const QSize device(int(std::ceil(logical.width() * ratio - RatioSlack)),
                       int(std::ceil(logical.height() * ratio - RatioSlack)));
    QImage picture(device, format);
    picture.setDevicePixelRatio(ratio);
    return picture;
}

QSize LogicalSize(const QImage& picture)
{
    const qreal ratio = picture.devicePixelRatio();
    if (ratio == 1)
        return picture.size();
    return QSize(int(std::floor(picture.width() / ratio + RatioSlack)),
                 int(std::floor(picture.height() / ratio + RatioSlack)));
}

QFont PictureFont()
{
    // A face every Debian desktop has; only the height is part of the pictures' layout.
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(FontPixelHeight);
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

void ClearPicture(QPainter& painter, int W, int H)
{
    if (!AtOtherRatio(painter)) {
        painter.fillRect(0, 0, W, H, QColor(Black));
        return;
    }
    // One fill over every device pixel: at 200 % a picture has four times the pixels.
    const QPaintDevice& device = *painter.device();
    const qreal ratio = device.devicePixelRatio();
    painter.fillRect(QRectF(0, 0, device.width() / ratio + 1, device.height() / ratio + 1), QColor(Black));
}

int TextWidth(const QPainter& painter, const QString& text)
{
    return painter.fontMetrics().horizontalAdvance(text);
}

int TextHeight(const QPainter& painter, const QString& /*text*/)
{
    // The height of a line of text: the same for every text in one font.
    return painter.fontMetrics().height();
}

void TextOpaque(QPainter& painter, int x, int y, const QString& text, QRgb colour)
{
    const QFontMetrics metrics = painter.fontMetrics();
    painter.fillRect(QRect(x, y, metrics.horizontalAdvance(text), metrics.height()), QColor(Black));
    painter.setPen(QColor(colour));
    painter.drawText(x, y + metrics.ascent(), text);
}

void TextTransparent(QPainter& painter, int x, int y, const QString& text, QRgb colour)
{
    painter.setPen(QColor(colour));
    painter.drawText(x, y + painter.fontMetrics().ascent(), text);
}

void FillBlock(QPainter& painter, int x1, int y1, int x2, int y2, QRgb colour)
{
    if (x2 < x1)
        std::swap(x1, x2);
    if (y2 < y1)
        std::swap(y1, y2);
    if (x2 == x1 || y2 == y1)
        return;
    painter.fillRect(QRect(x1, y1, x2 - x1, y2 - y1), QColor(colour));
}

void Frame(QPainter& painter, int x1, int y1, int x2, int y2, QRgb colour)
{
    if (x2 <= x1 || y2 <= y1)
        return;
    const QColor c(colour);
    painter.fillRect(QRect(x1, y1, x2 - x1, 1), c);      // top
    painter.fillRect(QRect(x1, y2 - 1, x2 - x1, 1), c);  // bottom
    painter.fillRect(QRect(x1, y1, 1, y2 - y1), c);      // left
    painter.fillRect(QRect(x2 - 1, y1, 1, y2 - y1), c);  // right
}

void Line(QPainter& painter, int x1, int y1, int x2, int y2)
{
    if (!AtOtherRatio(painter)) {
        painter.drawLine(x1, y1, x2, y2);
        return;
    }
    // A 1-wide pen with square caps around the centre line covers the end pixels whole.
    painter.drawLine(QLineF(Centre(x1, y1), Centre(x2, y2)));
}

void Polyline(QPainter& painter, const QPoint* points, int count)
{
    if (!AtOtherRatio(painter)) {
        painter.drawPolyline(points, count);
        return;
    }
    std::vector<QPointF> centres(std::size_t(std::max(count, 0)));
    for (int i = 0; i < count; ++i)
        centres[std::size_t(i)] = Centre(points[i].x(), points[i].y());
    painter.drawPolyline(centres.data(), count);
}

int RoundToPixel(long double value)
{
    if (std::isnan(value))
        return 0;
    value = std::clamp(value, -PixelLimit, PixelLimit);
    return int(std::llrint(value));  // default rounding mode: halves to even
}

long double EnvelopeAt(const tenveloppe& envelope, std::uint16_t duration, double t)
{
    if (duration == 0)
        return envelope[0];
    const long double d = duration;  // tenths of a second
    long double time = t;            // seconds
    if (!(time >= 0))                // before the start, or not a number
        time = 0;
    if (time > d / 10)
        time = d / 10;
    // The end of the sound lies on the last point, which closes segment 44.
    const long j = std::min(long(std::trunc(time * 450 / d)), long(tmodele::SegmentsPerEnvelope - 1));
    const int rise = int(envelope[std::size_t(j) + 1]) - int(envelope[std::size_t(j)]);
    return (time * 10 - static_cast<long double>(j) * d / 45) * rise / (d / 45) + envelope[std::size_t(j)];
}

}  // namespace drawing
