#include "ui/toolicons.h"

#include <QIconEngine>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygon>
#include <algorithm>
#include <cmath>

namespace toolicons {

namespace {

const QColor Ink(0, 0, 0);          // outlines
const QColor Lens(224, 240, 255);   // magnifier glass
const QColor Handle(128, 64, 0);    // magnifier handle
const QColor Arrow(0, 0, 160);      // scrolling arrows
const QColor Marker1(255, 0, 255);  // measurement cursor 1 (as in the measurement window)
const QColor Marker2(0, 0, 255);    // measurement cursor 2
constexpr int DisabledDark = 110;   // grey level of black in the disabled look, 0..255
constexpr int DisabledLight = 235;  // grey level of white in the disabled look, 0..255

void DrawMagnifier(QPainter& p, bool plus)
{
    // 1. the glass, 2. the handle, 3. the sign inside the glass.
    p.setPen(QPen(Ink, 1.5));
    p.setBrush(Lens);
    p.drawEllipse(QRectF(2.5, 2.5, 13, 13));
    p.setPen(QPen(Handle, 3.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(14.5, 14.5), QPointF(21, 21));
    p.setPen(QPen(Ink, 2));
    p.drawLine(QPointF(5.5, 9), QPointF(12.5, 9));
    if (plus)
        p.drawLine(QPointF(9, 5.5), QPointF(9, 12.5));
}

void DrawArrow(QPainter& p, bool right)
{
    QPolygonF shape;
    shape << QPointF(3, 12) << QPointF(12, 3) << QPointF(12, 8) << QPointF(21, 8) << QPointF(21, 16)
          << QPointF(12, 16) << QPointF(12, 21);
    if (right) {
        for (QPointF& point : shape)
            point.setX(IconSize - point.x());
    }
    p.setPen(QPen(Ink, 1));
    p.setBrush(Arrow);
    p.drawPolygon(shape);
}

void DrawWholeSound(QPainter& p)
{
    // A frame with arrows out to both edges, and "100%" written under it.
    p.setPen(QPen(Ink, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(1.5, 2.5, 21, 9));
    p.setPen(QPen(Arrow, 1.5));
    p.drawLine(QPointF(4, 7), QPointF(20, 7));
    p.setBrush(Arrow);
    p.drawPolygon(QPolygonF() << QPointF(3, 7) << QPointF(7, 4.5) << QPointF(7, 9.5));
    p.drawPolygon(QPolygonF() << QPointF(21, 7) << QPointF(17, 4.5) << QPointF(17, 9.5));
    QFont font = p.font();
    font.setPixelSize(9);
    font.setBold(true);
    p.setFont(font);
    p.setPen(Ink);
    p.drawText(QRect(0, 12, IconSize, 12), Qt::AlignCenter, QStringLiteral("100%"));
}

void DrawMeasurements(QPainter& p)
{
    // Two cursors with a span between them.
    p.setPen(Qt::NoPen);
    p.setBrush(Marker1);
    p.drawRect(QRectF(4, 2, 3, 20));
    p.setBrush(Marker2);
    p.drawRect(QRectF(17, 2, 3, 20));
    p.setPen(QPen(Ink, 1));
    p.drawLine(QPointF(8, 12), QPointF(16, 12));
    p.setBrush(Ink);
    p.drawPolygon(QPolygonF() << QPointF(8, 12) << QPointF(11, 10) << QPointF(11, 14));
    p.drawPolygon(QPolygonF() << QPointF(16, 12) << QPointF(13, 10) << QPointF(13, 14));
}

// Picture `index` at `ratio` device pixels per logical pixel: the shapes are laid out in the
// 24 logical pixels and drawn at the device's resolution.
QPixmap Draw(int index, qreal ratio)
{
    const int side = int(std::ceil(IconSize * ratio - 1e-6));  // device pixels
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    switch (index) {
        case ZoomIn:
            DrawMagnifier(p, true);
            break;
        case ZoomOut:
            DrawMagnifier(p, false);
            break;
        case Left:
            DrawArrow(p, false);
            break;
        case Right:
            DrawArrow(p, true);
            break;
        case WholeSound:
            DrawWholeSound(p);
            break;
        case Measurements:
            DrawMeasurements(p);
            break;
        default:
            break;
    }
    p.end();
    return QPixmap::fromImage(image);
}

// The disabled look: the picture in light greys, its shapes kept apart by their brightness,
// over a white relief one (logical) pixel down and to the right.
QPixmap Disable(const QPixmap& normal)
{
    const QImage source = normal.toImage().convertToFormat(QImage::Format_ARGB32);
    QImage shape(source.size(), QImage::Format_ARGB32);
    shape.setDevicePixelRatio(source.devicePixelRatio());
    shape.fill(Qt::transparent);
    QImage relief = shape;
    for (int y = 0; y < source.height(); ++y) {
        for (int x = 0; x < source.width(); ++x) {
            const QRgb pixel = source.pixel(x, y);
            const int alpha = qAlpha(pixel);
            if (alpha == 0)
                continue;
            // Brightness 0..255 squeezed into DisabledDark..DisabledLight.
            const int grey = DisabledDark + qGray(pixel) * (DisabledLight - DisabledDark) / 255;
            shape.setPixel(x, y, qRgba(grey, grey, grey, alpha));
            relief.setPixel(x, y, qRgba(255, 255, 255, alpha));
        }
    }
    QImage result(source.size(), QImage::Format_ARGB32_Premultiplied);
    result.setDevicePixelRatio(source.devicePixelRatio());
    result.fill(Qt::transparent);
    QPainter p(&result);
    p.drawImage(1, 1, relief);
    p.drawImage(0, 0, shape);
    p.end();
    return QPixmap::fromImage(result);
}

// An icon drawn afresh at whatever size and ratio a button asks for, so that it stays sharp on
// every screen the window moves to.
class PictureEngine : public QIconEngine {
public:
    explicit PictureEngine(int index) : index_(index) {}

    QIconEngine* clone() const override { return new PictureEngine(index_); }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        const qreal ratio = painter->device() != nullptr ? painter->device()->devicePixelRatio() : 1;
        QPixmap picture = scaledPixmap(rect.size(), mode, state, ratio);
        painter->drawPixmap(rect.topLeft(), picture);
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        // A size asked in device pixels: the ratio that fills it.
        return scaledPixmap(QSize(IconSize, IconSize), mode, state,
                            qreal(std::min(size.width(), size.height())) / IconSize);
    }

    QPixmap scaledPixmap(const QSize& /*size*/, QIcon::Mode mode, QIcon::State /*state*/,
                         qreal scale) override
    {
        const qreal ratio = scale > 0 ? scale : 1;
        const QPixmap normal = Draw(index_, ratio);
        return mode == QIcon::Disabled ? Disable(normal) : normal;
    }

private:
    int index_;
};

}  // namespace

QList<QPixmap> NormalSet(qreal ratio)
{
    QList<QPixmap> set;
    for (int i = 0; i < Count; ++i)
        set.append(Draw(i, ratio));
    return set;
}

QList<QPixmap> DisabledSet(qreal ratio)
{
    QList<QPixmap> set;
    for (int i = 0; i < Count; ++i)
        set.append(Disable(Draw(i, ratio)));
    return set;
}

QIcon Icon(int index)
{
    return QIcon(new PictureEngine(index));
}

}  // namespace toolicons
