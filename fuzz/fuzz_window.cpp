// The main window and its undo history, driven by the input: each input is a short session of
// the model page's edits, its dialogs (answered as the input says), the series commands, undos
// and redos, on one window built once for the whole run. After every operation the window must be
// consistent, the history must hold one step per command that changed anything, and an undo or a
// redo must show exactly the state recorded for that point. The session ends by undoing all it
// did: the model file and the series must then be those it started from, which is also the state
// the next input starts from.
#include <fuzzer/FuzzedDataProvider.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLocale>
#include <QTabWidget>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "support/undo_driver.h"
#include "support/window_checks.h"
#include "ui/sonvelia1.h"
#include "ui/undohistory.h"

namespace {

constexpr int MaxOperations = 16;              // per input: enough to undo across loads and series
constexpr int Undo = undo_test::CommandCount;  // operation codes after the commands
constexpr int Redo = Undo + 1;
constexpr int MaxChoice = (1 << 20) - 1;  // the range of a command's second number, as drawn

struct Session {
    std::unique_ptr<TForm1> form;
    std::unique_ptr<undo_test::Driver> driver;
    undo_test::Observed first;  // the window as every input finds it
};
Session* session = nullptr;

struct Step {
    undo_test::Observed before, after;
};

// Stops the run with what differed, so that the report names the broken expectation.
void CheckSame(const undo_test::Observed& expected, const undo_test::Observed& actual, const char* what)
{
    const std::string difference = undo_test::Difference(expected, actual);
    if (!difference.empty())
        std::fprintf(stderr, "%s: %s\n", what, difference.c_str());
    fuzz::Check(difference.empty(), what);
}

void CheckWindow(int errorsBefore)
{
    const QString broken = window_checks::Inconsistency(*session->form, false);
    if (!broken.isEmpty())
        std::fprintf(stderr, "window inconsistent: %s\n", qPrintable(broken));
    fuzz::Check(broken.isEmpty(), "the window is consistent");
    const QStringList& errors = session->driver->Errors();
    if (errors.size() > errorsBefore)
        std::fprintf(stderr, "error box: %s\n", qPrintable(errors.back()));
    fuzz::Check(errors.size() == errorsBefore, "no command of the session is refused with an error box");
}

void CheckHistory(const std::vector<Step>& steps, std::size_t done)
{
    const TForm1& form = *session->form;
    fuzz::Check(form.History->Count() == int(steps.size()),
                "one step kept per command that changed anything");
    fuzz::Check(form.History->Index() == int(done), "the history stands after the steps done");
    fuzz::Check(form.Annuler1->isEnabled() == (done > 0), "\"Annuler\" is offered while a step is done");
    fuzz::Check(form.Retablir1->isEnabled() == (done < steps.size()),
                "\"Rétablir\" is offered while a step is undone");
}

// The state every input starts from: the model page, the first entry selected, no history.
void BackToStart()
{
    TForm1& form = *session->form;
    form.PageControl1->setCurrentWidget(form.ModelePage);
    form.ComboBox1->setCurrentIndex(0);
    emit form.ComboBox1->activated(0);
    form.History->Clear();
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // The offscreen platform warns at every dialog it cannot raise: thousands of lines a second
    // that would bury libFuzzer's report. Critical messages still go through.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type == QtCriticalMsg || type == QtFatalMsg)
            std::fprintf(stderr, "%s\n", qPrintable(text));
    });
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    // libFuzzer's options are no business of Qt's: the application sees the program name only.
    static int argc = 1;
    static char name[] = "sonvelia-fuzz-window";
    static char* argv[] = {name, nullptr};
    // Both live until the process ends, reachable from globals: no leak report.
    new QApplication(argc, argv);
    session = new Session;
    session->form = std::make_unique<TForm1>();
    session->form->resize(800, 572);
    session->form->show();
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
    session->driver = std::make_unique<undo_test::Driver>(*session->form, undo_test::Driver::Weight::Light);
    // Every dialog and chooser once, then undone: what the toolkit builds at a first showing and
    // keeps (dialogs, file lists, fonts) is made here, not charged as a leak to the first input.
    for (int c = 0; c < undo_test::CommandCount; ++c)
        session->driver->Run(undo_test::Command(c), undo_test::Choice{true, 1, c * 7919});
    while (session->form->History->CanUndo())
        session->driver->Undo();
    BackToStart();
    session->first = undo_test::Observe(*session->form);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    TForm1& form = *session->form;
    undo_test::Driver& driver = *session->driver;
    FuzzedDataProvider input(data, size);
    const int errors = int(driver.Errors().size());

    // 1. The operations the input asks for, each checked as the history says it must end.
    std::vector<Step> steps;  // the steps the history must hold, oldest first
    std::size_t done = 0;     // of which done: the window stands after steps[done - 1]
    for (int operation = 0; operation < MaxOperations && input.remaining_bytes() > 0; ++operation) {
        const int code = input.ConsumeIntegralInRange<int>(0, Redo);
        if (code == Undo) {
            const undo_test::Observed before = undo_test::Observe(form);
            driver.Undo();
            if (done == 0) {
                CheckSame(before, undo_test::Observe(form), "an undo of nothing changes nothing");
            } else {
                --done;
                CheckSame(steps[done].before, undo_test::Observe(form),
                          "an undo shows the state before the step");
            }
        } else if (code == Redo) {
            const undo_test::Observed before = undo_test::Observe(form);
            driver.Redo();
            if (done == steps.size()) {
                CheckSame(before, undo_test::Observe(form), "a redo of nothing changes nothing");
            } else {
                CheckSame(steps[done].after, undo_test::Observe(form),
                          "a redo shows the state after the step");
                ++done;
            }
        } else {
            undo_test::Choice choice;
            choice.accept = input.ConsumeBool();
            choice.a = input.ConsumeIntegralInRange<int>(-3, 3);
            if (choice.a == 0)
                choice.a = 1;  // a step of the spinners, as the random runs draw it
            choice.b = input.ConsumeIntegralInRange<int>(0, MaxChoice);
            const auto command = undo_test::Command(code);
            driver.Prepare(command, choice);
            const undo_test::Observed before = undo_test::Observe(form);
            driver.Act(command, choice);
            const undo_test::Observed after = undo_test::Observe(form);
            if (!(after == before)) {
                steps.resize(done);
                steps.push_back({before, after});
                ++done;
            }
        }
        CheckWindow(errors);
        CheckHistory(steps, done);
    }

    // 2. Everything undone, step by step: back to the model and the series the input found.
    while (done > 0) {
        driver.Undo();
        --done;
        CheckSame(steps[done].before, undo_test::Observe(form), "undoing all shows each state before");
    }
    CheckHistory(steps, done);
    const undo_test::Observed end = undo_test::Observe(form);
    fuzz::Check(end.model == session->first.model, "undoing all gives back the first model file");
    fuzz::Check(end.series == session->first.series, "undoing all gives back the first series");
    BackToStart();
    CheckSame(session->first, undo_test::Observe(form), "the next input finds the first state");
    return 0;
}
