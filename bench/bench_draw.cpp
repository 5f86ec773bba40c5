// The four views at the sizes the main window gives them, and the waveform's trace drawn
// segment by segment against the column-span drawing that replaces it.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QLocale>
#include <memory>
#include <random>

#include "model/draw_components.h"
#include "model/draw_waveform.h"
#include "model/tmodele.h"
#include "tests/models/sample_models.h"

namespace {

const tmodele& FourSecondModel()
{
    static const std::unique_ptr<tmodele> model = [] {
        auto worst = MakeWorstCaseModel(12345);
        worst->Render();
        return worst;
    }();
    return *model;
}

void BM_DrawWaveformWhole(benchmark::State& state, TraceMethod method)
{
    const tmodele& model = FourSecondModel();
    QImage picture(1900, 156, QImage::Format_RGB32);
    for (auto _ : state) {
        DrawWaveformWith(model, picture, 0.0, model.Duration / 10.0, method);
        benchmark::DoNotOptimize(picture.constBits());
    }
    state.counters["segments"] = double(model.SampleCount() - 1);
}
BENCHMARK_CAPTURE(BM_DrawWaveformWhole, ColumnSpans, TraceMethod::ColumnSpans)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DrawWaveformWhole, PerSegment, TraceMethod::PerSegment)->Unit(benchmark::kMillisecond);

// The model page's DrawWaveform as the user sees it, through the public operation.
void BM_DrawWaveformZoomed(benchmark::State& state)
{
    const tmodele& model = FourSecondModel();
    QImage picture(1900, 156, QImage::Format_RGB32);
    const double span = 4.0 / double(state.range(0));  // seconds at this zoom factor
    for (auto _ : state) {
        model.DrawWaveform(picture, 1.0, 1.0 + span);
        benchmark::DoNotOptimize(picture.constBits());
    }
}
BENCHMARK(BM_DrawWaveformZoomed)->Arg(1)->Arg(8)->Arg(128)->Unit(benchmark::kMillisecond);

void BM_DrawSonogram(benchmark::State& state)
{
    const tmodele& model = FourSecondModel();
    QImage picture(1200, 500, QImage::Format_RGB32);
    for (auto _ : state) {
        model.DrawSonogram(picture);
        benchmark::DoNotOptimize(picture.constBits());
    }
}
BENCHMARK(BM_DrawSonogram)->Unit(benchmark::kMillisecond);

void BM_DrawComponents(benchmark::State& state)
{
    const tmodele& model = FourSecondModel();
    QImage picture(1200, 500, QImage::Format_RGB32);
    for (auto _ : state) {
        model.DrawComponents(picture, 1.5);
        benchmark::DoNotOptimize(picture.constBits());
    }
}
BENCHMARK(BM_DrawComponents)->Unit(benchmark::kMillisecond);

// The components' curves computed the plain way and the fast way, at the size of the benchmark
// above and at the main window's 1900 x 1000; "fallbacks" counts the points per drawing that the
// fast way left to extended precision.
void BM_DrawComponentsWith(benchmark::State& state, ComponentsMethod method)
{
    const tmodele& model = FourSecondModel();
    QImage picture(int(state.range(0)), int(state.range(1)), QImage::Format_RGB32);
    ComponentsCounts counts;
    for (auto _ : state) {
        DrawComponentsWith(model, picture, 1.5, method, &counts);
        benchmark::DoNotOptimize(picture.constBits());
    }
    state.counters["points"] = double(counts.points) / double(state.iterations());
    state.counters["fallbacks"] = double(counts.fallbacks) / double(state.iterations());
}
BENCHMARK_CAPTURE(BM_DrawComponentsWith, Reference, ComponentsMethod::Reference)
    ->Args({1200, 500})
    ->Args({1900, 1000})
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DrawComponentsWith, Fast, ComponentsMethod::Fast)
    ->Args({1200, 500})
    ->Args({1900, 1000})
    ->Unit(benchmark::kMillisecond);

void BM_DrawSpectrum(benchmark::State& state)
{
    const tmodele& model = FourSecondModel();
    QImage picture(136, 250, QImage::Format_RGB32);
    for (auto _ : state) {
        model.DrawSpectrum(picture, 1.5);
        benchmark::DoNotOptimize(picture.constBits());
    }
}
BENCHMARK(BM_DrawSpectrum)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv)
{
    // Text needs a GUI application for its fonts; no window is ever shown.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
