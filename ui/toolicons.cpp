#include "ui/toolicons.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygon>

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

QPixmap Draw(int index)
{
    QImage image(IconSize, IconSize, QImage::Format_ARGB32_Premultiplied);
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
// over a white relief one pixel down and to the right.
QPixmap Disable(const QPixmap& normal)
{
    const QImage source = normal.toImage().convertToFormat(QImage::Format_ARGB32);
    QImage shape(source.size(), QImage::Format_ARGB32);
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
    result.fill(Qt::transparent);
    QPainter p(&result);
    p.drawImage(1, 1, relief);
    p.drawImage(0, 0, shape);
    p.end();
    return QPixmap::fromImage(result);
}

}  // namespace

QList<QPixmap> NormalSet()
{
    QList<QPixmap> set;
    for (int i = 0; i < Count; ++i)
        set.append(Draw(i));
    return set;
}

QList<QPixmap> DisabledSet()
{
    QList<QPixmap> set;
    for (int i = 0; i < Count; ++i)
        set.append(Disable(Draw(i)));
    return set;
}

QIcon Icon(int index)
{
    QIcon icon;
    const QPixmap normal = Draw(index);
    icon.addPixmap(normal, QIcon::Normal);
    icon.addPixmap(Disable(normal), QIcon::Disabled);
    return icon;
}

}  // namespace toolicons
