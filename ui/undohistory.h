#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "model/tmodele.h"
#include "ui/errorbox.h"

class QAction;
class TForm1;

namespace undo {

// A model as its record: every field a model file holds, never the sample buffer (undo renders
// again).
struct ModelRecord {
    std::vector<tharmonique> Harmonics;
    double Fundamental = 0.0;    // Hz
    double Glide = 0.0;          // relative
    std::uint16_t Duration = 0;  // tenths of a second
    std::uint8_t SpareFlag = 0;
};
ModelRecord RecordOf(const tmodele& model);
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
PageState CapturePage(const TForm1& form);

// The page and the current model around a command, as the step's name reads them.
struct State {
    std::optional<ModelRecord> Model;  // none before the first model
    PageState Page;
};

// The name of a step, given the states just before and just after the command.
using Naming = std::function<QString(const State& before, const State& after)>;
// A fixed name.
Naming Named(const QString& name);
// Corrects the page as taken before a command whose signal comes once a control has already
// changed (a box toggled, a spinner stepped): it puts back what the control showed.
using Adjust = std::function<void(PageState& before)>;

// The window's undo history. Every command that changes the model, the series or the page
// becomes one step; a step holds what changed between the states before and after it (and
// between the state after the step before it and its own start, when the selection or the view
// moved in between), as byte differences of the states written out whole: the current model's
// and the series models' records, never their sound. The steps live in one buffer made with
// the history, so that a long session of small edits allocates nothing per step.
//
// QUndoStack was measured unfit here: each QUndoCommand lives on as at least two allocations
// (the command and its private part, plus its text), 6 blocks and 1.3 kB per step with the
// states, and 1,000 edits must leave the process as it was after 100 of them.
class UndoHistory : public QObject {
    Q_OBJECT
public:
    static constexpr int DefaultLimit = 1000;            // steps kept, the oldest dropped first
    static constexpr std::size_t BufferBytes = 4 << 20;  // made at once; grows for huge steps only

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

    // Puts back the state before the last step done, or after the next one undone; an error
    // is reported by the error box.
    void Undo();
    void Redo();

    int Count() const { return int(steps_.size()); }  // steps kept
    int Index() const { return int(index_); }         // steps done: undo takes back step Index()
    bool CanUndo() const { return index_ > 0; }
    bool CanRedo() const { return index_ < steps_.size(); }
    QString UndoText() const;  // the name of the step Undo takes back, empty if none
    QString RedoText() const;
    int Limit() const { return limit_; }
    // Steps made since the start, the dropped ones included.
    std::size_t StepsMade() const { return made_; }
    // Only while the history is empty; 0: no limit.
    void SetLimit(int steps);
    // Forgets every step.
    void Clear();
    // Bytes the kept steps take in the buffer and the step table.
    std::size_t BytesHeld() const { return buffer_.size() - start_ + steps_.size() * sizeof(Step); }

private:
    struct Step {
        std::size_t offset = 0;  // in buffer_: name, then the gap's difference, then the step's
        std::size_t bytes = 0;
    };
    // The whole state, written out.
    void Write(const std::optional<ModelRecord>& model, const PageState& page,
               std::vector<std::uint8_t>& out) const;
    void Finish(const Naming& naming, const State& before, const std::vector<std::uint8_t>& beforeBytes);
    void Push(const QString& name, const std::vector<std::uint8_t>& before,
              const std::vector<std::uint8_t>& after);
    // Applies the gap's (0) or the step's (1) difference of a step, forward or back, to known_.
    void Apply(std::size_t step, int part, bool forward);
    // The window put in the state known_ holds.
    void Restore();
    void SetActionsEnabled(bool enabled);
    void ShowTexts();
    // known_ moved to the state after step index_ (or the start) when it stands before the next.
    void ToAfter();

    TForm1& form_;
    int depth_ = 0;           // commands running
    bool restoring_ = false;  // a step being put back
    int limit_ = DefaultLimit;
    std::vector<std::uint8_t> buffer_;  // the steps, oldest first, from start_
    std::size_t start_ = 0;
    std::vector<Step> steps_;
    std::size_t index_ = 0;
    std::size_t made_ = 0;
    // The state the window was last seen in or put in: after step index_ (or the start), or,
    // when beforeNext_, before step index_ + 1 (just undone).
    std::vector<std::uint8_t> known_;
    bool beforeNext_ = false;
    bool knownValid_ = false;
    std::vector<std::uint8_t> scratch_, scratch2_;
    QAction* undoAction_ = nullptr;
    QAction* redoAction_ = nullptr;
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
