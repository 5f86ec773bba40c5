#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

#include "model/tmodele.h"
#include "ui/errorbox.h"

class QAction;
class QUndoStack;
class TForm1;

namespace undo {

// A model as its record: every field a model file holds, never the sample buffer (undo renders
// again). Shared between the states that hold the same record.
struct ModelRecord {
    std::vector<tharmonique> Harmonics;
    double Fundamental = 0.0;    // Hz
    double Glide = 0.0;          // relative
    std::uint16_t Duration = 0;  // tenths of a second
    std::uint8_t SpareFlag = 0;
};

// Bit for bit, as the model file would tell them apart.
bool SameRecord(const ModelRecord& a, const ModelRecord& b);
bool SameRecord(const ModelRecord& a, const tmodele& b);
std::shared_ptr<const ModelRecord> RecordOf(const tmodele& model);
std::unique_ptr<tmodele> ModelOf(const ModelRecord& record);   // not rendered
void AssignRecord(tmodele& model, const ModelRecord& record);  // left not rendered

// What the model page shows of the model and of the view besides the model itself.
struct PageState {
    int Duration = 0, Percent = 0, PerMille = 0;              // the spinners' positions
    QString DurationText, PercentText, PerMilleText;          // their fields
    QString Frequency;                                        // frequedit
    QStringList Ranks;                                        // ComboBox1's entries
    int Selected = -1;                                        // ComboBox1's selection
    QString SelectorText;                                     // ComboBox1's field
    bool Active = false;                                      // CheckBox2
    bool SeparateEnvelopes = false;                           // CheckBox1
    bool DeleteEnabled = false;                               // Supprharmbtn
    bool AmplitudesShown = false, PhasesShown = false;        // ajustampliBtn, ajustphasebtn
    double CursorTime = 0.0, ViewStart = 0.0, ViewEnd = 0.0;  // seconds
    std::uint16_t ZoomFactor = 0;                             // 1..128
    QString Zoom;                                             // Label8

    bool operator==(const PageState&) const = default;
};

// Everything a command can change: the current model, the series in order, the page.
struct State {
    std::shared_ptr<const ModelRecord> Model;  // null before the first model
    std::vector<std::shared_ptr<const ModelRecord>> Series;
    PageState Page;
};
bool SameState(const State& a, const State& b);

// Reads the state off the window: whole, or the page alone.
State Capture(const TForm1& form);
PageState CapturePage(const TForm1& form);

// The name of a step, given the states just before and just after the command.
using Naming = std::function<QString(const State& before, const State& after)>;
// A fixed name.
Naming Named(const QString& name);
// Corrects the page as taken before a command whose signal comes once a control has already
// changed (a box toggled, a spinner stepped): it puts back what the control showed.
using Adjust = std::function<void(PageState& before)>;

// The window's undo history: every command that changes the state becomes one step of a
// QUndoStack, holding the state before and after it. The menu's items follow the stack.
class UndoHistory : public QObject {
    Q_OBJECT
public:
    static constexpr int DefaultLimit = 1000;  // steps kept, the oldest dropped first

    explicit UndoHistory(TForm1& form);
    ~UndoHistory() override;

    // Runs `command` as one step named by `naming`: the state is taken before and after it
    // (also when it throws, which then goes on), and a step is pushed only if they differ.
    // Commands run inside another command, or while a step is put back, add no step of their own.
    void Record(const Naming& naming, const std::function<void()>& command, const Adjust& adjust = {});
    void Record(const QString& name, const std::function<void()>& command);
    // Runs `command` without a step, nor any for the commands it sets off (a new selection
    // setting the "Active" box runs the box's handler, which then finds nothing to do).
    void Untracked(const std::function<void()>& command);

    // The menu items "&Annuler" and "&Rétablir" with their shortcuts, owned by `parent`.
    QAction* CreateUndoAction(QObject* parent);
    QAction* CreateRedoAction(QObject* parent);

    QUndoStack& Stack() { return *stack_; }
    // Only while the history is empty (QUndoStack's rule); 0: no limit.
    void SetLimit(int steps);

    // Puts a state back on the window: model, series, controls, view, then renders and redraws.
    void Restore(const std::shared_ptr<const State>& state);

private:
    // The state now, sharing the records already held for what did not change.
    std::shared_ptr<const State> Take();
    // Pushes the step of a command that has run, unless it changed nothing.
    void Finish(const Naming& naming, const std::shared_ptr<const State>& before);
    // The menu items as the stack has them, or both off while a command runs.
    void SetActionsEnabled(bool enabled);

    TForm1& form_;
    QUndoStack* stack_ = nullptr;
    int depth_ = 0;                         // commands running
    bool restoring_ = false;                // a step being put back
    std::shared_ptr<const State> current_;  // the state the history last saw
    QAction* undoAction_ = nullptr;
    QAction* redoAction_ = nullptr;
    // The series models it last saw, with their records.
    std::unordered_map<const tmodele*, std::shared_ptr<const ModelRecord>> knownSeries_;
};

// A handler of the window as one undo step, for connect(): its errors reach the error box.
// For instance connect(action, &QAction::triggered, this, Recorded(this, &TForm1::Handler,
// Named(QStringLiteral("nom de l'étape")))).
template <class Form>
auto Recorded(Form* form, void (Form::*handler)(), Naming naming, Adjust adjust = {})
{
    return Guarded(form, [handler, naming = std::move(naming), adjust = std::move(adjust)](Form* f) {
        f->History->Record(
            naming, [f, handler] { (f->*handler)(); }, adjust);
    });
}

// A handler of the window that is no step, for connect().
template <class Form>
auto Unrecorded(Form* form, void (Form::*handler)())
{
    return Guarded(form, [handler](Form* f) { f->History->Untracked([f, handler] { (f->*handler)(); }); });
}

}  // namespace undo

// The names of the page's steps, each read from the states around the command.
namespace undo::names {
QString Duration(const State& before, const State& after);      // "durée 20"
QString Glide(const State& before, const State& after);         // "glissement 5,3 %"
QString Activity(const State& before, const State& after);      // "désactivation de l'harmonique 3"
QString EnvelopeMode(const State& before, const State& after);  // "enveloppes distinctes"
QString Envelope(const State& before, const State& after);      // "enveloppe de l'harmonique 3"
QString Added(const State& before, const State& after);         // "ajout de l'harmonique 3"
QString Deleted(const State& before, const State& after);       // "suppression de l'harmonique 3"
QString Frequency(const State& before, const State& after);     // "fréquence 440,0"
QString Phase(const State& before, const State& after);         // "phase de l'harmonique 3"
}  // namespace undo::names
