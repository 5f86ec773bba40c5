#include "fuzz/fuzz_support.h"

#include <QGuiApplication>
#include <QImage>
#include <QLocale>
#include <QSize>
#include <cstdio>
#include <cstdlib>

namespace fuzz {

namespace {

// Picture sizes, pixels: the main window's views at its design size, and
// small ones that leave no room for frames, ticks or text.
constexpr QSize WaveformNormal(796, 152);  // CourbeImg
constexpr QSize SpectrumNormal(136, 330);  // SpectreImg
constexpr QSize GraphNormal(660, 330);     // SonogImg
constexpr QSize Smalls[] = {QSize(1, 1), QSize(5, 3)};

}  // namespace

void StartParsing()
{
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
}

void StartApplication()
{
    if (QCoreApplication::instance())
        return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    // libFuzzer's own options are no business of Qt's: the application sees the program name only.
    static int argc = 1;
    static char name[] = "sonvelia-fuzz";
    static char* argv[] = {name, nullptr};
    // Lives until the process ends; reachable through the instance pointer, so no leak report.
    new QGuiApplication(argc, argv);
    // Fonts are found and loaded at the first text drawn, once for the process: done here, so
    // that the leak check run on each input sees only what the input itself allocates.
    tmodele warmUp;
    warmUp.AddHarmonic(1);
    warmUp.AddHarmonic(2);
    RenderAndDrawAll(warmUp);
}

void Check(bool condition, const char* what)
{
    if (condition)
        return;
    std::fprintf(stderr, "property broken: %s\n", what);
    std::abort();
}

void CheckRefusal(const QString& text, const QString& prefix)
{
    Check(text.startsWith(prefix), "a refusal names the kind of file");
    Check(text.size() > prefix.size(), "a refusal says what is wrong");
}

void RenderAndDrawAll(tmodele& model)
{
    if (model.Rendered == 0)
        model.Render();
    Check(model.Rendered == 1, "a rendered model says so");
    Check(model.Samples.size() == std::size_t(model.Duration) * tmodele::BytesPerTenth,
          "the rendering holds Duration x 8820 bytes");

    // 1. The view state a loaded model gets on the model page: cursor at D/100 s, the whole
    //    sound less a thousandth in the waveform; then a narrow window as the deepest zoom gives.
    const double d = model.Duration;               // tenths of a second
    const double cursor = d / 100.0;               // seconds
    const double viewEnd = d / 10.0 - d / 1000.0;  // seconds
    const double length = d / 10.0;                // seconds
    const double middle = d / 20.0;                // seconds, where the series page looks

    auto draw = [&](QSize size, auto&& paint) {
        QImage picture(size, QImage::Format_RGB32);
        paint(picture);
    };
    // 2. Each view into its usual picture, the waveform also at the deepest zoom, then each view
    //    into the small pictures. The series page draws with the same calls at other times.
    draw(WaveformNormal, [&](QImage& p) { model.DrawWaveform(p, 0.0, viewEnd); });
    draw(WaveformNormal, [&](QImage& p) { model.DrawWaveform(p, cursor, cursor + viewEnd / 128); });
    draw(SpectrumNormal, [&](QImage& p) { model.DrawSpectrum(p, cursor); });
    draw(GraphNormal, [&](QImage& p) { model.DrawSonogram(p); });
    draw(GraphNormal, [&](QImage& p) { model.DrawComponents(p, middle); });
    for (const QSize size : Smalls) {
        draw(size, [&](QImage& p) { model.DrawWaveform(p, 0.0, length); });
        draw(size, [&](QImage& p) { model.DrawSpectrum(p, middle); });
        draw(size, [&](QImage& p) { model.DrawSonogram(p); });
        draw(size, [&](QImage& p) { model.DrawComponents(p, cursor); });
    }
}

}  // namespace fuzz
