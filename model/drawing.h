#pragma once

#include <cstdint>

#include <QFont>
#include <QImage>
#include <QRgb>
#include <QSize>
#include <QString>

#include "model/tmodele.h"

class QPainter;
class QPoint;

// What the four views of a model share: their font, their colours, text placed by its
// top-left corner, rectangles given by two corners, and the envelope read at an instant.
//
// Rectangles follow one rule everywhere: the rectangle from (x1, y1) to (x2, y2) covers the
// pixels x1 <= x < x2, y1 <= y < y2, so a frame from (15, 15) to (W - 15, H - 15) leaves
// 15 pixels of margin on each side. Lines, on the other hand, include both end points.
//
// A picture may be drawn at a device pixel ratio above 1 (a QImage whose devicePixelRatio is
// set, sized logical size x ratio): every coordinate below stays in logical pixels, and the
// painter lays it out at the device's full resolution. At ratio 1 nothing differs from a plain
// image, pixel for pixel.
namespace drawing {

// Colours of the pictures, as (red, green, blue).
constexpr QRgb Black = qRgb(0, 0, 0);
constexpr QRgb White = qRgb(255, 255, 255);
constexpr QRgb Yellow = qRgb(255, 255, 0);
constexpr QRgb Green = qRgb(0, 255, 0);         // waveform trace
constexpr QRgb LightGreen = qRgb(85, 255, 85);  // spectrum bars
constexpr QRgb Cyan = qRgb(0, 255, 255);        // component curves

constexpr int FontPixelHeight = 8;  // pixels, all text of the pictures

// The pictures' font: 8 pixels high, drawn without smoothing so that text keeps its one colour.
QFont PictureFont();

// A picture of `logical` size drawn at `ratio` device pixels per logical pixel: its device size
// is the logical size times the ratio, rounded up, so that it always covers the logical size.
QImage MakePicture(QSize logical, qreal ratio, QImage::Format format = QImage::Format_RGB32);
// The size a picture lays its drawing out in: its size in logical pixels, whole.
QSize LogicalSize(const QImage& picture);

// Whether the painter draws into a picture whose device pixel ratio is not 1.
bool AtOtherRatio(const QPainter& painter);

// Fills the picture with black: the rectangle (0, 0)-(W, H), and at a ratio above 1 every
// device pixel, including a last one that the logical size covers only in part.
void ClearPicture(QPainter& painter, int W, int H);

// Width and height of a text in the painter's current font.
int TextWidth(const QPainter& painter, const QString& text);
int TextHeight(const QPainter& painter, const QString& text);

// Text with its top-left corner at (x, y), on an opaque black box of the text's size.
void TextOpaque(QPainter& painter, int x, int y, const QString& text, QRgb colour);
// Text with its top-left corner at (x, y), leaving what lies behind the glyphs.
void TextTransparent(QPainter& painter, int x, int y, const QString& text, QRgb colour);

// Fills the rectangle from (x1, y1) to (x2, y2); corners given in either order.
void FillBlock(QPainter& painter, int x1, int y1, int x2, int y2, QRgb colour);
// Outlines the rectangle from (x1, y1) to (x2, y2) with a 1-pixel border, inside unchanged.
// An empty or inverted rectangle draws nothing.
void Frame(QPainter& painter, int x1, int y1, int x2, int y2, QRgb colour);

// A line 1 pixel wide in the painter's pen colour covering both end points. At ratio 1 it is
// the painter's own 1-pixel line; above, the line through the centres of the end pixels, one
// logical pixel wide, so that it covers at device resolution what it covers at ratio 1.
void Line(QPainter& painter, int x1, int y1, int x2, int y2);
// The polyline through `count` points, drawn as Line draws each of its segments.
void Polyline(QPainter& painter, const QPoint* points, int count);

// Nearest integer, halves to the even neighbour, held within +-2^24 so that no pixel
// coordinate overflows; a value that is not a number gives 0.
int RoundToPixel(long double value);

// A harmonic's envelope at t seconds for a model of `duration` tenths: the linear
// interpolation between the two envelope points around t, in the synthesis's own arithmetic.
// An instant before the start or after the end reads the first or the last point, so the
// segment index always stays within 0..44; a model of no duration reads the first point.
long double EnvelopeAt(const tenveloppe& envelope, std::uint16_t duration, double t);

}  // namespace drawing
