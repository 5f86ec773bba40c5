#include "support/views_pictures.h"

#include <QFontMetrics>
#include <QPainter>
#include <cmath>

namespace views_test {

std::unique_ptr<tmodele> MakeModel(std::uint16_t duration, std::initializer_list<Harmonic> harmonics,
                                   double fundamental, bool render)
{
    auto model = std::make_unique<tmodele>();
    model->Duration = duration;
    model->Fundamental = fundamental;
    for (const Harmonic& h : harmonics) {
        model->AddHarmonic(std::uint8_t(h.rank));
        tharmonique& record = ByRank(*model, h.rank);
        record.Amplitude = h.amplitude;
        record.Phase = h.phase;
        record.Active = h.active ? 1 : 0;
    }
    if (render)
        model->Render();
    return model;
}

tharmonique& ByRank(tmodele& model, int rank)
{
    for (tharmonique& h : model.Harmonics)
        if (h.Rank == rank)
            return h;
    ADD_FAILURE() << "no harmonic of rank " << rank;
    return model.Harmonics.front();
}

QImage Canvas(int width, int height)
{
    QImage picture(width, height, QImage::Format_RGB32);
    picture.fill(QColor(Sentinel));
    return picture;
}

QFont PictureFont()
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(8);
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

int TextWidth(const QString& text)
{
    return QFontMetrics(PictureFont()).horizontalAdvance(text);
}

int TextHeight()
{
    return QFontMetrics(PictureFont()).height();
}

namespace {

QImage TextAlone(const QString& text, QRgb colour)
{
    const QFontMetrics metrics(PictureFont());
    QImage image(metrics.horizontalAdvance(text), metrics.height(), QImage::Format_RGB32);
    image.fill(QColor(Black));
    QPainter painter(&image);
    painter.setFont(PictureFont());
    painter.setPen(QColor(colour));
    painter.drawText(0, metrics.ascent(), text);
    return image;
}

QString Describe(QRgb c)
{
    return QStringLiteral("(%1, %2, %3)").arg(qRed(c)).arg(qGreen(c)).arg(qBlue(c));
}

}  // namespace

::testing::AssertionResult OpaqueTextAt(const QImage& picture, int x, int y, const QString& text, QRgb colour)
{
    const QImage alone = TextAlone(text, colour);
    int glyphPixels = 0;
    for (int v = 0; v < alone.height(); ++v)
        for (int u = 0; u < alone.width(); ++u) {
            const int px = x + u;
            const int py = y + v;
            if (px < 0 || py < 0 || px >= picture.width() || py >= picture.height())
                continue;
            const QRgb want = alone.pixel(u, v) | 0xFF000000u;
            const QRgb got = picture.pixel(px, py) | 0xFF000000u;
            glyphPixels += want == (colour | 0xFF000000u);
            if (want != got)
                return ::testing::AssertionFailure()
                       << "\"" << text.toStdString() << "\" at (" << x << ", " << y << "): pixel (" << px
                       << ", " << py << ") is " << Describe(got).toStdString() << ", expected "
                       << Describe(want).toStdString();
        }
    if (glyphPixels == 0)
        return ::testing::AssertionFailure() << "\"" << text.toStdString() << "\" at (" << x << ", " << y
                                             << "): no glyph pixel inside the picture";
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult TransparentTextAt(const QImage& picture, int x, int y, const QString& text,
                                             QRgb colour)
{
    const QImage alone = TextAlone(text, colour);
    int glyphPixels = 0;
    for (int v = 0; v < alone.height(); ++v)
        for (int u = 0; u < alone.width(); ++u) {
            const int px = x + u;
            const int py = y + v;
            if (px < 0 || py < 0 || px >= picture.width() || py >= picture.height())
                continue;
            if ((alone.pixel(u, v) | 0xFF000000u) != (colour | 0xFF000000u))
                continue;
            ++glyphPixels;
            const QRgb got = picture.pixel(px, py) | 0xFF000000u;
            if (got != (colour | 0xFF000000u))
                return ::testing::AssertionFailure()
                       << "\"" << text.toStdString() << "\" at (" << x << ", " << y << "): glyph pixel ("
                       << px << ", " << py << ") is " << Describe(got).toStdString();
        }
    if (glyphPixels == 0)
        return ::testing::AssertionFailure() << "\"" << text.toStdString() << "\": no glyph pixel inside";
    return ::testing::AssertionSuccess();
}

int CountIn(const QImage& picture, int x1, int y1, int x2, int y2, const std::function<bool(QRgb)>& test)
{
    int count = 0;
    for (int y = std::max(y1, 0); y < std::min(y2, picture.height()); ++y)
        for (int x = std::max(x1, 0); x < std::min(x2, picture.width()); ++x)
            count += test(picture.pixel(x, y) | 0xFF000000u) ? 1 : 0;
    return count;
}

int CountColour(const QImage& picture, QRgb colour)
{
    return CountIn(picture, 0, 0, picture.width(), picture.height(),
                   [colour](QRgb c) { return c == (colour | 0xFF000000u); });
}

bool AllOf(const QImage& picture, int x1, int y1, int x2, int y2, QRgb colour)
{
    const int area = std::max(0, std::min(x2, picture.width()) - std::max(x1, 0)) *
                     std::max(0, std::min(y2, picture.height()) - std::max(y1, 0));
    return CountIn(picture, x1, y1, x2, y2, [colour](QRgb c) { return c == (colour | 0xFF000000u); }) == area;
}

long long Round(long double value)
{
    return std::llrint(value);
}

}  // namespace views_test
