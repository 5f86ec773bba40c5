// The undo history measured through the real window: what recording a step adds to the worst
// edit (the duration step on the largest model, its handler run bare and run as a step), what
// an undo and a redo of it cost beside the edit itself, and the heap one step holds and the
// whole history holds after 10,000 random steps.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <memory>
#include <random>

#include "model/tmodele.h"
#include "tests/models/sample_models.h"
#include "ui/sonvelia1.h"
#include "ui/sonvelia4.h"
#include "ui/undohistory.h"
#include "ui/updown.h"

namespace {

constexpr int ScreenWidth = 1900;         // pixels
constexpr int ScreenHeight = 1000;        // pixels
constexpr int WorstDuration = 40;         // tenths of a second, the spinner's maximum
constexpr unsigned WorstSeed = 20261208;  // the model of bench_mainwindow's worst edit
constexpr int RandomSteps = 10000;
constexpr std::size_t SeriesCap = 8;  // models the random steps add to the series at most

void Settle()
{
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

std::unique_ptr<TForm1> OpenWindow()
{
    auto window = std::make_unique<TForm1>();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        window->setGeometry(screen->availableGeometry());
    window->showMaximized();
    Settle();
    return window;
}

// The window holding `model` as a loaded model leaves it: selector, spinners, view, pictures.
void Hold(TForm1& w, std::unique_ptr<tmodele> model)
{
    w.CurrentModel = std::move(model);
    w.ComboBox1->clear();
    for (const tharmonique& h : w.CurrentModel->Harmonics)
        w.ComboBox1->addItem(QString::number(h.Rank));
    w.ComboBox1->setCurrentIndex(0);
    w.dureeUD->setValue(w.CurrentModel->Duration);
    w.UpDown1->setValue(int(w.CurrentModel->Glide * 100));
    w.ResetView();
    w.RenderModel();
    w.RedrawWaveform();
    w.RedrawGraph();
    w.RedrawSpectrum();
    w.RefreshCursor();
    w.ShowHarmonicButtons();
    Settle();
}

// One window for the edits, with the worst model; `series` worst models in the series. Closed
// before the application object goes.
std::unique_ptr<TForm1> window;

TForm1& EditWindow(std::size_t series)
{
    static std::size_t held = std::size_t(-1);
    if (held != series) {
        window.reset();
        window = OpenWindow();
        Hold(*window, MakeWorstCaseModel(WorstSeed));
        for (std::size_t p = 0; p < series; ++p)
            window->Series.push_back(MakeWorstCaseModel(WorstSeed + unsigned(p) + 1));  // not rendered
        window->SeriesCount = std::int32_t(series);
        held = series;
    }
    return *window;
}

// The worst edit's handler, 39 → 40 tenths: bare, or run as one step of the history.
void BM_WorstEdit(benchmark::State& state, bool recorded)
{
    TForm1& w = EditWindow(std::size_t(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        w.dureeUD->setValue(WorstDuration - 1);
        w.dureeUDClick();
        w.dureeUD->setValue(WorstDuration);  // from code: no Click, as the arrow leaves it
        state.ResumeTiming();
        if (recorded)
            w.History->Record(undo::names::Duration, [&w] { w.dureeUDClick(); });
        else
            w.dureeUDClick();
    }
    // The history fills up to its limit as in a long session; the first step after an empty
    // history writes the whole state once (about 0.8 MB with the full series).
    if (recorded && w.History->Count() == 0)
        state.SkipWithError("the edit made no step");
    w.History->Clear();
    state.counters["series"] = double(w.Series.size());
}
BENCHMARK_CAPTURE(BM_WorstEdit, bare, false)->Arg(0)->Arg(256)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_WorstEdit, as_step, true)
    ->Arg(0)
    ->Arg(256)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// Only what recording adds: the states taken around a command that changes the duration alone.
void BM_RecordOnly(benchmark::State& state)
{
    TForm1& w = EditWindow(std::size_t(state.range(0)));
    std::uint16_t duration = WorstDuration;
    for (auto _ : state) {
        duration = duration == WorstDuration ? WorstDuration - 1 : WorstDuration;
        w.History->Record(undo::names::Duration, [&w, duration] { w.CurrentModel->Duration = duration; });
    }
    w.History->Clear();
    w.CurrentModel->Duration = WorstDuration;
    state.counters["series"] = double(w.Series.size());
}
BENCHMARK(BM_RecordOnly)->Arg(0)->Arg(256)->Unit(benchmark::kMicrosecond)->UseRealTime();

// An undo (and a redo) of the worst edit, beside the edit: each puts the state back, renders,
// redraws the three views (the edit redraws two) and places the cursor.
enum class Edit { Duration, Glide };
void BM_UndoOf(benchmark::State& state, Edit edit, bool redo)
{
    TForm1& w = EditWindow(0);
    undo::UndoHistory& stack = *w.History;
    for (auto _ : state) {
        state.PauseTiming();
        stack.Clear();
        if (edit == Edit::Duration) {
            w.dureeUD->setValue(WorstDuration - 1);
            w.dureeUDClick();
            w.dureeUD->stepBy(1);  // the step, through the window's connection
        } else {
            w.UpDown1->setValue(29);
            w.UpDown1Click();
            w.UpDown1->stepBy(1);
        }
        if (redo)
            stack.Undo();
        state.ResumeTiming();
        if (redo)
            stack.Redo();
        else
            stack.Undo();
    }
    if (stack.Count() != 1)
        state.SkipWithError("the edit made no step");
}
BENCHMARK_CAPTURE(BM_UndoOf, duration_undo, Edit::Duration, false)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_UndoOf, duration_redo, Edit::Duration, true)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_UndoOf, glide_undo, Edit::Glide, false)->Unit(benchmark::kMillisecond)->UseRealTime();

// The glide edit's handler bare, 29 → 30 %: it redraws all three views, as an undo does.
void BM_GlideEditBare(benchmark::State& state)
{
    TForm1& w = EditWindow(0);
    for (auto _ : state) {
        state.PauseTiming();
        w.UpDown1->setValue(29);
        w.UpDown1Click();
        w.UpDown1->setValue(30);
        state.ResumeTiming();
        w.UpDown1Click();
    }
}
BENCHMARK(BM_GlideEditBare)->Unit(benchmark::kMillisecond)->UseRealTime();

long HeapApartFromSound(const TForm1& form)
{
    Settle();
    malloc_trim(0);
    const struct mallinfo2 info = mallinfo2();
    long sound = form.CurrentModel ? long(form.CurrentModel->Samples.capacity()) : 0;
    for (const auto& model : form.Series)
        sound += long(model->Samples.capacity());
    return long(info.uordblks + info.hblkhd) - sound;
}

// 10,000 random steps of the page's own commands (the spinners, the boxes, a harmonic added
// through its dialog or deleted after its question, the series grown), on the start model or
// on the worst one, with the history unlimited or at its limit.
void BM_RandomSteps(benchmark::State& state)
{
    const bool worst = state.range(0) != 0;
    const int limit = int(state.range(1));
    for (auto _ : state) {
        auto w = OpenWindow();
        if (worst)
            Hold(*w, MakeWorstCaseModel(WorstSeed));
        w->History->SetLimit(limit);
        std::mt19937 rng(42);
        auto pick = [&rng](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
        auto stepBy = [&](TUpDown* spinner) {
            const int direction = spinner->value() >= spinner->maximum()   ? -1
                                  : spinner->value() <= spinner->minimum() ? 1
                                  : pick(2) != 0                           ? 1
                                                                           : -1;
            spinner->stepBy(direction);
        };
        const long before = HeapApartFromSound(*w);
        int steps = 0;
        while (steps < RandomSteps) {
            const std::size_t made = w->History->StepsMade();
            switch (pick(8)) {
                case 0:
                case 1:
                    stepBy(w->dureeUD);
                    break;
                case 2:
                    stepBy(w->UpDown1);
                    break;
                case 3:
                    stepBy(w->UpDown3);
                    break;
                case 4: {
                    const int index = pick(w->ComboBox1->count());
                    w->ComboBox1->setCurrentIndex(index);
                    emit w->ComboBox1->activated(index);
                    w->CheckBox2->click();
                    break;
                }
                case 5:
                    w->CheckBox1->click();
                    break;
                case 6:
                    // Around 12 harmonics from the start model, around 50 from the worst one.
                    if (w->ComboBox1->count() < (worst ? 50 : 12)) {
                        QTimer::singleShot(0, [&w] { w->Form4->BitBtn1->click(); });
                        w->AjHarmBtn->click();
                    } else if (w->ComboBox1->count() > 1) {
                        const int last = w->ComboBox1->count() - 1;
                        w->ComboBox1->setCurrentIndex(last);
                        emit w->ComboBox1->activated(last);
                        QTimer::singleShot(0, [] {
                            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
                                box->button(QMessageBox::Ok)->click();
                        });
                        w->Supprharmbtn->click();
                    }
                    break;
                default:
                    if (w->Series.size() < SeriesCap)
                        w->AjListeBtn->click();
                    break;
            }
            if (w->History->StepsMade() != made)
                ++steps;
        }
        const long after = HeapApartFromSound(*w);
        const int kept = w->History->Count();
        state.counters["steps_kept"] = kept;
        state.counters["heap_growth_kB"] = double(after - before) / 1024.0;
        state.counters["heap_per_kept_step"] = double(after - before) / kept;
        state.counters["held_per_kept_step"] = double(w->History->BytesHeld()) / kept;
        state.counters["harmonics"] = double(w->CurrentModel->Harmonics.size());
        state.counters["series"] = double(w->Series.size());
        // Emptied, the history gives its memory back.
        w->History->Clear();
        state.counters["heap_after_clear_kB"] = double(HeapApartFromSound(*w) - before) / 1024.0;
        w.reset();
        Settle();
    }
}
BENCHMARK(BM_RandomSteps)
    ->ArgNames({"worst", "limit"})
    ->Args({0, 0})
    ->Args({0, undo::UndoHistory::DefaultLimit})
    ->Args({1, 0})
    ->Args({1, undo::UndoHistory::DefaultLimit})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The offscreen platform's screen, 1900 × 1000 without window frames, described in a file.
QByteArray OffscreenPlatform(const QTemporaryDir& dir)
{
    const QString path = dir.filePath(QStringLiteral("screen.json"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return "offscreen";
    file.write(
        QStringLiteral(R"({"windowFrameMargins": false, "screens": [{"name": "bench", "x": 0, "y": 0,)"
                       R"( "width": %1, "height": %2, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})")
            .arg(ScreenWidth)
            .arg(ScreenHeight)
            .toUtf8());
    return "offscreen:configfile=" + path.toUtf8();
}

}  // namespace

int main(int argc, char** argv)
{
    QTemporaryDir dir;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", OffscreenPlatform(dir));
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("sonvelia"));
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    window.reset();
    benchmark::Shutdown();
    return 0;
}
