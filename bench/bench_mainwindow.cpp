// The main window measured end to end, as the user meets it: the worst edit (a duration step of
// the spinner on the largest model: render, waveform, cursor, spectrum, then the repaint), each
// refresh step of that edit alone, and the start of the window up to its first painted frame,
// both inside this process and for the real executable started afresh.
//
// The screen is the offscreen platform's, made 1900 × 1000 by a configuration file, so that the
// window opens maximised at that size as the program opens it; --screen=3840x2160@2 makes it a
// 4K screen at 200 %, where every picture is drawn at twice its logical resolution. Run under another
// platform (QT_QPA_PLATFORM=xcb inside xvfb-run) the benchmark keeps that platform, and so does the
// executable it starts.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMouseEvent>
#include <QScreen>
#include <QSpinBox>
#include <QStyle>
#include <QStyleOptionSpinBox>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "model/tmodele.h"
#include "tests/models/sample_models.h"
#include "ui/picturebox.h"
#include "ui/sonvelia1.h"
#include "ui/updown.h"

extern char** environ;

namespace {

// The screen, in device pixels, and its device pixel ratio; --screen=WIDTHxHEIGHT@RATIO sets them
// (3840x2160@2: a 4K screen at 200 %, a 1920 x 1080 desktop in logical pixels).
int ScreenWidth = 1900;                   // pixels
int ScreenHeight = 1000;                  // pixels
double ScreenRatio = 1.0;                 // device pixels per logical pixel
constexpr int WorstDuration = 40;         // tenths of a second, the spinner's maximum
constexpr double WorstGlide = 0.3;        // relative frequency glide
constexpr unsigned WorstSeed = 20261208;  // fixed, so every run draws the same model
constexpr qint64 PaintTimeoutMs = 5000;   // ms: a paint that never comes fails the benchmark

// Counts the paint events every widget receives, to wait for a picture's repaint.
class PaintWatch : public QObject {
public:
    int Count(const QObject* widget) const
    {
        const auto found = counts_.find(widget);
        return found == counts_.end() ? 0 : found->second;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++counts_[watched];
        return false;
    }

private:
    std::unordered_map<const QObject*, int> counts_;
};

PaintWatch& Watch()
{
    static PaintWatch* watch = [] {
        auto* w = new PaintWatch;  // lives as long as the application, which owns it
        w->setParent(qApp);
        qApp->installEventFilter(w);
        return w;
    }();
    return *watch;
}

// Runs the event loop until every widget has been painted again, or the timeout. True: painted.
bool WaitForPaint(const std::vector<const QWidget*>& widgets)
{
    std::vector<int> before;
    for (const QWidget* w : widgets)
        before.push_back(Watch().Count(w));
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < PaintTimeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        bool all = true;
        for (std::size_t i = 0; i < widgets.size(); ++i)
            all = all && Watch().Count(widgets[i]) > before[i];
        if (all)
            return true;
    }
    return false;
}

// Lets whatever is pending (repaints, queued resizes) run out.
void Settle()
{
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

// Opens a main window the way the program does: over the whole available screen, maximised.
std::unique_ptr<TForm1> OpenWindow()
{
    auto window = std::make_unique<TForm1>();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        window->setGeometry(screen->availableGeometry());
    window->showMaximized();
    return window;
}

// One window for the edits, shown, settled, holding the worst model as its current model.
TForm1& EditWindow()
{
    static const std::unique_ptr<TForm1> window = [] {
        auto w = OpenWindow();
        WaitForPaint({w->CourbeImg});
        Settle();
        w->CurrentModel = MakeWorstCaseModel(WorstSeed);
        // The selector mirrors the model's list, as after adding the harmonics one by one.
        w->ComboBox1->clear();
        for (const tharmonique& h : w->CurrentModel->Harmonics)
            w->ComboBox1->addItem(QString::number(h.Rank));
        w->ComboBox1->setCurrentIndex(0);
        w->dureeUD->setValue(WorstDuration);
        w->UpDown1->setValue(int(WorstGlide * 100));
        w->ResetView();
        w->RenderModel();
        w->RedrawWaveform();
        w->RedrawGraph();
        w->RedrawSpectrum();
        w->RefreshCursor();
        w->ShowHarmonicButtons();
        Settle();
        return w;
    }();
    return *window;
}

void ReportWindow(benchmark::State& state, const TForm1& w)
{
    state.counters["width"] = w.width();
    state.counters["height"] = w.height();
    state.counters["ratio"] = w.devicePixelRatioF();
    state.counters["samples"] = double(w.CurrentModel ? w.CurrentModel->SampleCount() : 0);
    state.counters["graph"] = w.GraphChoice();  // 0 sonogram, 1 components
}

// How the worst edit is made and how far the time runs.
enum class Edit {
    Handler,       // TUpDown::stepBy, as an arrow makes it: Click runs dureeUDClick; up to its return
    ToScreen,      // the same, then the event loop until the pictures are repainted and flushed
    MouseToScreen  // a press and release of the left button on the up arrow, then the repaint
};

// The spinner's up arrow, in its own coordinates.
QPoint UpArrow(QSpinBox* spinner)
{
    QStyleOptionSpinBox option;
    option.initFrom(spinner);
    option.subControls = QStyle::SC_SpinBoxUp;
    option.buttonSymbols = spinner->buttonSymbols();
    option.stepEnabled = QAbstractSpinBox::StepUpEnabled | QAbstractSpinBox::StepDownEnabled;
    option.frame = spinner->hasFrame();
    return spinner->style()
        ->subControlRect(QStyle::CC_SpinBox, &option, QStyle::SC_SpinBoxUp, spinner)
        .center();
}

void SendMouse(QWidget* widget, QEvent::Type type, QPoint pos)
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton;
    QMouseEvent event(type, QPointF(pos), QPointF(widget->mapToGlobal(pos)), Qt::LeftButton, held,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

// The worst edit: one step of the duration spinner, 39 → 40 tenths, so that every step renders
// and draws the 40-tenth model (setting 39 from code between steps raises nothing).
void BM_WorstDurationEdit(benchmark::State& state, Edit edit)
{
    TForm1& w = EditWindow();
    const QPoint arrow = UpArrow(w.dureeUD);
    for (auto _ : state) {
        state.PauseTiming();
        w.dureeUD->setValue(WorstDuration - 1);
        Settle();
        state.ResumeTiming();
        if (edit == Edit::MouseToScreen) {
            SendMouse(w.dureeUD, QEvent::MouseButtonPress, arrow);
            SendMouse(w.dureeUD, QEvent::MouseButtonRelease, arrow);
        } else {
            w.dureeUD->stepBy(1);
        }
        if (edit != Edit::Handler && !WaitForPaint({w.CourbeImg, w.SpectreImg}))
            state.SkipWithError("the pictures were not repainted");
        if (w.dureeUD->value() != WorstDuration) {
            state.SkipWithError("the spinner did not step");
            break;
        }
    }
    if (!w.CurrentModel || w.CurrentModel->Duration != WorstDuration || !w.CurrentModel->Rendered)
        state.SkipWithError("the step did not render the 40-tenth model");
    ReportWindow(state, w);
}
BENCHMARK_CAPTURE(BM_WorstDurationEdit, handler, Edit::Handler)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_WorstDurationEdit, to_screen, Edit::ToScreen)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_WorstDurationEdit, mouse_to_screen, Edit::MouseToScreen)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// For comparison, a glide step (percent spinner 29 → 30) on the same model: its handler also
// redraws the graph (the sonogram, the default choice), so it costs more than a duration step.
void BM_WorstGlideEdit(benchmark::State& state)
{
    TForm1& w = EditWindow();
    const int percent = int(WorstGlide * 100);  // %
    for (auto _ : state) {
        state.PauseTiming();
        w.UpDown1->setValue(percent - 1);
        Settle();
        state.ResumeTiming();
        w.UpDown1->stepBy(1);
        if (!WaitForPaint({w.CourbeImg, w.SonogImg, w.SpectreImg}))
            state.SkipWithError("the pictures were not repainted");
    }
    if (!w.CurrentModel || w.CurrentModel->Glide != percent / 100.0)
        state.SkipWithError("the step did not set the glide");
    ReportWindow(state, w);
}
BENCHMARK(BM_WorstGlideEdit)->Unit(benchmark::kMillisecond)->UseRealTime();

// The edit's refresh steps one by one, on the same window and model.
// The graph steps are not part of a duration edit; a glide edit redraws the graph as chosen.
enum class Step { Render, Waveform, Cursor, Spectrum, Sonogram, Components };

void BM_EditStep(benchmark::State& state, Step step)
{
    TForm1& w = EditWindow();
    for (auto _ : state) {
        switch (step) {
            case Step::Render:
                w.RenderModel();
                break;
            case Step::Waveform:
                w.RedrawWaveform();
                break;
            case Step::Cursor:
                w.RefreshCursor();
                break;
            case Step::Spectrum:
                w.RedrawSpectrum();
                break;
            case Step::Sonogram:
                w.CurrentModel->DrawSonogram(w.SonogImg->Picture());
                w.SonogImg->update();
                break;
            case Step::Components:
                w.CurrentModel->DrawComponents(w.SonogImg->Picture(), w.CursorTime);
                w.SonogImg->update();
                break;
        }
    }
    Settle();
    ReportWindow(state, w);
}
BENCHMARK_CAPTURE(BM_EditStep, render, Step::Render)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_EditStep, waveform, Step::Waveform)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_EditStep, cursor, Step::Cursor)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_EditStep, spectrum, Step::Spectrum)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_EditStep, sonogram, Step::Sonogram)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_EditStep, components, Step::Components)->Unit(benchmark::kMillisecond)->UseRealTime();

// Construction of the main window (with its hidden dialogs), showing it maximised, the first
// model, and the event loop until the three pictures of the model page have been painted.
// The application object exists already: see BM_ExecutableToFirstPaint for a whole start.
void BM_WindowToFirstPaint(benchmark::State& state)
{
    for (auto _ : state) {
        auto w = OpenWindow();
        if (!WaitForPaint({w->CourbeImg, w->SpectreImg, w->SonogImg}))
            state.SkipWithError("the window was not painted");
        state.PauseTiming();
        w.reset();
        Settle();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_WindowToFirstPaint)->Unit(benchmark::kMillisecond)->UseRealTime();

// The real executable, started afresh each time: from just before posix_spawn to the moment
// the toolkit reports flushing the window's first painted frame (its painting log, on stderr,
// is the only thing added to the environment). The program is then killed.
std::filesystem::path ProgramPath()
{
    // bench/bench_mainwindow lives one directory below the program in the build tree.
    return std::filesystem::read_symlink("/proc/self/exe").parent_path().parent_path() / "sonvelia";
}

double SecondsToFirstFlush(const std::filesystem::path& program, std::string& error)
{
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) {
        error = "pipe";
        return 0;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDERR_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);

    std::vector<std::string> envText;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        if (entry.rfind("QT_LOGGING_RULES=", 0) != 0 && entry.rfind("QT_MESSAGE_PATTERN=", 0) != 0)
            envText.push_back(entry);
    }
    envText.push_back("QT_LOGGING_RULES=qt.widgets.painting=true");
    envText.push_back("QT_MESSAGE_PATTERN=%{message}");
    std::vector<char*> envp;
    for (auto& e : envText)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string path = program.string();
    char* argv[] = {path.data(), nullptr};

    const auto start = std::chrono::steady_clock::now();
    pid_t child = 0;
    const int spawned = posix_spawn(&child, path.c_str(), &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    if (spawned != 0) {
        close(pipeFds[0]);
        error = "cannot start " + path;
        return 0;
    }
    // Read the log until the first flush of the top level.
    std::string log;
    char buffer[65536];
    double seconds = 0;
    bool found = false;
    while (!found) {
        const ssize_t n = read(pipeFds[0], buffer, sizeof buffer);
        if (n <= 0)
            break;
        log.append(buffer, std::size_t(n));
        if (log.find("Flushing top level") != std::string::npos) {
            seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            found = true;
        }
    }
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    close(pipeFds[0]);
    if (!found)
        error = "the program ended without painting its window";
    return seconds;
}

void BM_ExecutableToFirstPaint(benchmark::State& state)
{
    const std::filesystem::path program = ProgramPath();
    for (auto _ : state) {
        std::string error;
        const double seconds = SecondsToFirstFlush(program, error);
        if (!error.empty()) {
            state.SkipWithError(error.c_str());
            break;
        }
        state.SetIterationTime(seconds);
    }
}
BENCHMARK(BM_ExecutableToFirstPaint)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(10);

// The offscreen platform's screen, 1900 × 1000 (or as --screen says) without window frames,
// described in a file.
QByteArray OffscreenPlatform(const QTemporaryDir& dir)
{
    const QString path = dir.filePath(QStringLiteral("screen.json"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return "offscreen";
    file.write(
        QStringLiteral(R"({"windowFrameMargins": false, "screens": [{"name": "bench", "x": 0, "y": 0,)"
                       R"( "width": %1, "height": %2, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": %3}]})")
            .arg(int(ScreenWidth / ScreenRatio))  // the platform's geometry is in logical pixels
            .arg(int(ScreenHeight / ScreenRatio))
            .arg(ScreenRatio)
            .toUtf8());
    return "offscreen:configfile=" + path.toUtf8();
}

}  // namespace

// Takes --screen=WIDTHxHEIGHT@RATIO out of the arguments; false if it is malformed.
bool TakeScreenArgument(int& argc, char** argv)
{
    int kept = 1;
    bool ok = true;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const std::string prefix = "--screen=";
        if (arg.rfind(prefix, 0) != 0) {
            argv[kept++] = argv[i];
            continue;
        }
        int w = 0, h = 0;
        double r = 0;
        if (std::sscanf(arg.c_str() + prefix.size(), "%dx%d@%lf", &w, &h, &r) == 3 && w > 0 && h > 0 &&
            r > 0) {
            ScreenWidth = w;
            ScreenHeight = h;
            ScreenRatio = r;
        } else {
            ok = false;
        }
    }
    argc = kept;
    argv[argc] = nullptr;
    return ok;
}

int main(int argc, char** argv)
{
    if (!TakeScreenArgument(argc, argv)) {
        std::fprintf(stderr, "--screen=WIDTHxHEIGHT@RATIO, for example --screen=3840x2160@2\n");
        return 1;
    }
    QTemporaryDir dir;
    // The executable started by BM_ExecutableToFirstPaint inherits the same platform.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", OffscreenPlatform(dir));
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("sonvelia"));
    Watch();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
