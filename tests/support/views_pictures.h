#pragma once

// Helpers for the tests of the model's pictures: models built from a short list of
// harmonics, and checks of pixels and of text placed by its top-left corner.
#include <gtest/gtest.h>

#include <QFont>
#include <QImage>
#include <QRgb>
#include <QString>
#include <functional>
#include <initializer_list>
#include <memory>

#include "model/tmodele.h"

namespace views_test {

constexpr QRgb Black = qRgb(0, 0, 0);
constexpr QRgb White = qRgb(255, 255, 255);
constexpr QRgb Yellow = qRgb(255, 255, 0);
constexpr QRgb Green = qRgb(0, 255, 0);
constexpr QRgb LightGreen = qRgb(85, 255, 85);
constexpr QRgb Cyan = qRgb(0, 255, 255);
// Fills pictures before drawing, to tell untouched pixels from painted ones.
constexpr QRgb Sentinel = qRgb(200, 30, 170);

struct Harmonic {
    int rank = 1;
    double amplitude = 1.0;
    double phase = 0.0;  // radians
    bool active = true;
};

// A model of `duration` tenths at `fundamental` Hz with default envelopes; rendered unless
// asked not to be.
std::unique_ptr<tmodele> MakeModel(std::uint16_t duration, std::initializer_list<Harmonic> harmonics,
                                   double fundamental = 440.0, bool render = true);
// The harmonic record of a rank.
tharmonique& ByRank(tmodele& model, int rank);

// An RGB32 picture filled with Sentinel.
QImage Canvas(int width, int height);

// The pictures' font as the layout describes it: 8 pixels high, unsmoothed.
QFont PictureFont();
int TextWidth(const QString& text);
int TextHeight();

// Text written on an opaque black box: every pixel of the box that lies in the picture
// matches the text drawn alone.
::testing::AssertionResult OpaqueTextAt(const QImage& picture, int x, int y, const QString& text,
                                        QRgb colour);
// Text on a transparent background: every glyph pixel that lies in the picture has the colour.
::testing::AssertionResult TransparentTextAt(const QImage& picture, int x, int y, const QString& text,
                                             QRgb colour);

// Number of pixels of the rectangle x1 <= x < x2, y1 <= y < y2 (clipped to the picture)
// that satisfy a test.
int CountIn(const QImage& picture, int x1, int y1, int x2, int y2, const std::function<bool(QRgb)>& test);
int CountColour(const QImage& picture, QRgb colour);
// Whether every pixel of the rectangle (clipped) has the colour.
bool AllOf(const QImage& picture, int x1, int y1, int x2, int y2, QRgb colour);

// Nearest integer, halves to even, in the current (default) rounding mode.
long long Round(long double value);

}  // namespace views_test
