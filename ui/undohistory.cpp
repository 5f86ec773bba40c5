#include "ui/undohistory.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QUndoStack>
#include <bit>
#include <cstring>

#include "model/numfmt.h"
#include "ui/errorbox.h"
#include "ui/picturebox.h"
#include "ui/sonvelia1.h"
#include "ui/updown.h"

namespace undo {

namespace {

bool SameBits(double a, double b)
{
    return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

bool SameHarmonics(const std::vector<tharmonique>& a, const std::vector<tharmonique>& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const tharmonique& x = a[i];
        const tharmonique& y = b[i];
        if (x.Active != y.Active || x.Rank != y.Rank || !SameBits(x.Amplitude, y.Amplitude) ||
            !SameBits(x.Phase, y.Phase) || x.Envelope != y.Envelope)
            return false;
    }
    return true;
}

bool SameRecordPointer(const std::shared_ptr<const ModelRecord>& a,
                       const std::shared_ptr<const ModelRecord>& b)
{
    if (a == b)
        return true;
    return a && b && SameRecord(*a, *b);
}

// One command of the history: the states around it. The command itself has already run when
// the step is pushed, so the first redo, which QUndoStack::push makes, does nothing.
class Step : public QUndoCommand {
public:
    Step(UndoHistory& history, const QString& name, std::shared_ptr<const State> before,
         std::shared_ptr<const State> after)
        : QUndoCommand(name), history_(history), before_(std::move(before)), after_(std::move(after))
    {
    }

    void undo() override { history_.Restore(before_); }
    void redo() override
    {
        if (pushed_)
            history_.Restore(after_);
        pushed_ = true;
    }

private:
    UndoHistory& history_;
    std::shared_ptr<const State> before_;
    std::shared_ptr<const State> after_;
    bool pushed_ = false;
};

// The rank of the entry selected in a state, as the selector shows it.
QString SelectedRank(const State& state)
{
    const PageState& page = state.Page;
    return page.Selected >= 0 && page.Selected < page.Ranks.size() ? page.Ranks[page.Selected] : QString();
}

// Where the spinner stood; its field may show text it was typed and not yet taken.
void SetSpinner(TUpDown* spinner, int value, const QString& text)
{
    spinner->setValue(value);  // from code: no Click
    if (spinner->Field()->text() != text)
        spinner->Field()->setText(text);
}

}  // namespace

bool SameRecord(const ModelRecord& a, const ModelRecord& b)
{
    return a.Duration == b.Duration && a.SpareFlag == b.SpareFlag && SameBits(a.Fundamental, b.Fundamental) &&
           SameBits(a.Glide, b.Glide) && SameHarmonics(a.Harmonics, b.Harmonics);
}

bool SameRecord(const ModelRecord& a, const tmodele& b)
{
    return a.Duration == b.Duration && a.SpareFlag == b.SpareFlag && SameBits(a.Fundamental, b.Fundamental) &&
           SameBits(a.Glide, b.Glide) && SameHarmonics(a.Harmonics, b.Harmonics);
}

std::shared_ptr<const ModelRecord> RecordOf(const tmodele& model)
{
    auto record = std::make_shared<ModelRecord>();
    record->Harmonics = model.Harmonics;
    record->Fundamental = model.Fundamental;
    record->Glide = model.Glide;
    record->Duration = model.Duration;
    record->SpareFlag = model.SpareFlag;
    return record;
}

void AssignRecord(tmodele& model, const ModelRecord& record)
{
    model.Harmonics = record.Harmonics;
    model.Fundamental = record.Fundamental;
    model.Glide = record.Glide;
    model.Duration = record.Duration;
    model.SpareFlag = record.SpareFlag;
    model.Rendered = 0;
}

std::unique_ptr<tmodele> ModelOf(const ModelRecord& record)
{
    auto model = std::make_unique<tmodele>();
    AssignRecord(*model, record);
    return model;
}

bool SameState(const State& a, const State& b)
{
    if (!(a.Page == b.Page) || !SameRecordPointer(a.Model, b.Model) || a.Series.size() != b.Series.size())
        return false;
    for (std::size_t p = 0; p < a.Series.size(); ++p) {
        if (!SameRecordPointer(a.Series[p], b.Series[p]))
            return false;
    }
    return true;
}

State Capture(const TForm1& form)
{
    State state;
    if (form.CurrentModel)
        state.Model = RecordOf(*form.CurrentModel);
    for (const auto& model : form.Series)
        state.Series.push_back(RecordOf(*model));
    state.Page = CapturePage(form);
    return state;
}

PageState CapturePage(const TForm1& form)
{
    PageState page;
    page.Duration = form.dureeUD->value();
    page.Percent = form.UpDown1->value();
    page.PerMille = form.UpDown3->value();
    page.DurationText = form.dureeEdit->text();
    page.PercentText = form.Edit2->text();
    page.PerMilleText = form.Edit3->text();
    page.Frequency = form.frequedit->text();
    for (int i = 0; i < form.ComboBox1->count(); ++i)
        page.Ranks << form.ComboBox1->itemText(i);
    page.Selected = form.ComboBox1->currentIndex();
    page.SelectorText = form.ComboBox1->currentText();
    page.Active = form.CheckBox2->isChecked();
    page.SeparateEnvelopes = form.CheckBox1->isChecked();
    page.DeleteEnabled = form.Supprharmbtn->isEnabled();
    // Shown on the page, whether or not the window itself is on the screen.
    page.AmplitudesShown = !form.ajustampliBtn->isHidden();
    page.PhasesShown = !form.ajustphasebtn->isHidden();
    page.CursorTime = form.CursorTime;
    page.ViewStart = form.ViewStart;
    page.ViewEnd = form.ViewEnd;
    page.ZoomFactor = form.ZoomFactor;
    page.Zoom = form.Label8->text();
    return page;
}

// ---- The history ---------------------------------------------------------------------------

UndoHistory::UndoHistory(TForm1& form) : QObject(&form), form_(form), stack_(new QUndoStack(this))
{
    stack_->setObjectName(QStringLiteral("UndoStack"));
    stack_->setUndoLimit(DefaultLimit);
}

UndoHistory::~UndoHistory() = default;

void UndoHistory::SetLimit(int steps)
{
    stack_->setUndoLimit(steps);
}

std::shared_ptr<const State> UndoHistory::Take()
{
    // 1. The page as it stands, read without the models.
    auto state = std::make_shared<State>();
    state->Page = CapturePage(form_);
    if (current_ && state->Page.Ranks == current_->Page.Ranks)
        state->Page.Ranks = current_->Page.Ranks;  // one shared list while the entries stay
    // 2. The current model: the record already held when it is the same.
    if (form_.CurrentModel) {
        const tmodele& model = *form_.CurrentModel;
        if (current_ && current_->Model && SameRecord(*current_->Model, model))
            state->Model = current_->Model;
        else
            state->Model = RecordOf(model);
    }
    // 3. The series: its models are never edited where they stand, so a model seen before keeps
    //    its record (checked, since a freed model's address may come back for a new one).
    std::unordered_map<const tmodele*, std::shared_ptr<const ModelRecord>> seen;
    state->Series.reserve(form_.Series.size());
    for (const auto& model : form_.Series) {
        const auto known = knownSeries_.find(model.get());
        std::shared_ptr<const ModelRecord> record;
        if (known != knownSeries_.end() && SameRecord(*known->second, *model))
            record = known->second;
        else
            record = RecordOf(*model);
        seen.emplace(model.get(), record);
        state->Series.push_back(std::move(record));
    }
    knownSeries_ = std::move(seen);
    // 4. The state just seen, when nothing changed since: one copy for both sides of two steps.
    if (current_ && SameState(*current_, *state))
        return current_;
    return state;
}

Naming Named(const QString& name)
{
    return [name](const State&, const State&) { return name; };
}

void UndoHistory::Record(const QString& name, const std::function<void()>& command)
{
    Record(Named(name), command);
}

void UndoHistory::Untracked(const std::function<void()>& command)
{
    ++depth_;
    struct Leave {
        int& depth;
        ~Leave() { --depth; }
    } leave{depth_};
    command();
}

void UndoHistory::Record(const Naming& naming, const std::function<void()>& command, const Adjust& adjust)
{
    if (depth_ > 0 || restoring_) {
        command();
        return;
    }
    std::shared_ptr<const State> before = Take();
    current_ = before;
    if (adjust) {
        auto corrected = std::make_shared<State>(*before);
        adjust(corrected->Page);
        before = std::move(corrected);
    }
    // A command that throws half way has changed what it reached: that is a step like any other.
    // While it runs (its dialog may let queued events through) nothing is undone under it.
    ++depth_;
    SetActionsEnabled(false);
    try {
        command();
    } catch (...) {
        --depth_;
        Finish(naming, before);
        throw;
    }
    --depth_;
    Finish(naming, before);
}

void UndoHistory::SetActionsEnabled(bool enabled)
{
    if (undoAction_)
        undoAction_->setEnabled(enabled && stack_->canUndo());
    if (redoAction_)
        redoAction_->setEnabled(enabled && stack_->canRedo());
}

void UndoHistory::Finish(const Naming& naming, const std::shared_ptr<const State>& before)
{
    SetActionsEnabled(true);
    std::shared_ptr<const State> after = Take();
    current_ = after;
    if (after == before || SameState(*before, *after))
        return;
    const QString name = naming(*before, *after);
    stack_->push(new Step(*this, name, before, std::move(after)));
}

void UndoHistory::Restore(const std::shared_ptr<const State>& state)
{
    // Undo and redo come from the menu, through the stack: an error is reported here.
    try {
        restoring_ = true;
        struct Done {
            bool& flag;
            ~Done() { flag = false; }
        } done{restoring_};
        TForm1& w = form_;

        // 1. The current model, from its record. The model in place takes it, so that rendering
        //    again reuses its sound buffer.
        if (!state->Model) {
            w.CurrentModel.reset();
        } else if (w.CurrentModel) {
            AssignRecord(*w.CurrentModel, *state->Model);
        } else {
            w.CurrentModel = ModelOf(*state->Model);
        }

        // 2. The series, keeping the models that are still the same records at their places.
        bool seriesChanged = w.Series.size() != state->Series.size();
        for (std::size_t p = 0; !seriesChanged && p < w.Series.size(); ++p) {
            const auto known = knownSeries_.find(w.Series[p].get());
            seriesChanged = known == knownSeries_.end() || known->second != state->Series[p];
        }
        if (seriesChanged) {
            std::unordered_map<const ModelRecord*, std::unique_ptr<tmodele>> kept;
            for (auto& model : w.Series) {
                const auto known = knownSeries_.find(model.get());
                if (known != knownSeries_.end())
                    kept.emplace(known->second.get(), std::move(model));
            }
            std::vector<std::unique_ptr<tmodele>> series;
            series.reserve(state->Series.size());
            knownSeries_.clear();
            for (const auto& record : state->Series) {
                auto found = kept.find(record.get());
                std::unique_ptr<tmodele> model;
                if (found != kept.end() && found->second) {
                    model = std::move(found->second);
                } else {
                    model = ModelOf(*record);  // rendered when shown, played or exported
                }
                knownSeries_.emplace(model.get(), record);
                series.push_back(std::move(model));
            }
            w.Series = std::move(series);
            w.SeriesCount = std::int32_t(w.Series.size());
        }

        // 3. The controls, without running their handlers.
        const PageState& page = state->Page;
        SetSpinner(w.dureeUD, page.Duration, page.DurationText);
        SetSpinner(w.UpDown1, page.Percent, page.PercentText);
        SetSpinner(w.UpDown3, page.PerMille, page.PerMilleText);
        w.frequedit->setText(page.Frequency);
        {
            const QSignalBlocker blockSelector(w.ComboBox1);
            // Built again only when its entries differ (255 entries take a while to build).
            bool sameEntries = w.ComboBox1->count() == page.Ranks.size();
            for (int i = 0; sameEntries && i < page.Ranks.size(); ++i)
                sameEntries = w.ComboBox1->itemText(i) == page.Ranks[i];
            if (!sameEntries) {
                w.ComboBox1->clear();
                w.ComboBox1->addItems(page.Ranks);
            }
            w.ComboBox1->setCurrentIndex(page.Selected);
            if (w.ComboBox1->currentText() != page.SelectorText)
                w.ComboBox1->setEditText(page.SelectorText);
        }
        {
            const QSignalBlocker blockActive(w.CheckBox2);
            const QSignalBlocker blockEnvelopes(w.CheckBox1);
            w.CheckBox2->setChecked(page.Active);
            w.CheckBox1->setChecked(page.SeparateEnvelopes);
        }
        w.Supprharmbtn->setEnabled(page.DeleteEnabled);
        w.ajustampliBtn->setVisible(page.AmplitudesShown);
        w.ajustphasebtn->setVisible(page.PhasesShown);

        // 4. The view state.
        w.CursorTime = page.CursorTime;
        w.ViewStart = page.ViewStart;
        w.ViewEnd = page.ViewEnd;
        w.ZoomFactor = page.ZoomFactor;
        w.Label8->setText(page.Zoom);
        current_ = state;

        // 5. Render, every view of the model page, the cursor.
        w.RenderModel();
        w.RedrawWaveform();
        w.RedrawGraph();
        w.RedrawSpectrum();
        w.RefreshCursor();

        // 6. The series page in front is rebuilt as showing it does; an empty series shows nothing.
        if (seriesChanged && w.PageControl1->currentWidget() == w.PageSerie) {
            if (w.Series.empty()) {
                w.CheckListBox1->clear();
                for (PictureBox* picture : {w.seriecourbe, w.seriespectre, w.seriesonog}) {
                    picture->Picture().fill(Qt::black);
                    picture->update();
                }
                w.Label10->clear();
            } else {
                w.PageSerieShow();
            }
        }
    } catch (...) {
        ReportCurrentException(&form_);
    }
}

QAction* UndoHistory::CreateUndoAction(QObject* parent)
{
    QAction* action = stack_->createUndoAction(parent, QStringLiteral("&Annuler"));
    action->setObjectName(QStringLiteral("Annuler1"));
    undoAction_ = action;
    action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    // The toolkit puts a bare space between the word and the step; the menu says "word : step".
    auto name = [action](const QString& step) {
        action->setText(step.isEmpty() ? QStringLiteral("&Annuler") : QStringLiteral("&Annuler : ") + step);
    };
    connect(stack_, &QUndoStack::undoTextChanged, action, name);
    name(stack_->undoText());
    return action;
}

QAction* UndoHistory::CreateRedoAction(QObject* parent)
{
    QAction* action = stack_->createRedoAction(parent, QStringLiteral("&Rétablir"));
    action->setObjectName(QStringLiteral("Retablir1"));
    redoAction_ = action;
    action->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    auto name = [action](const QString& step) {
        action->setText(step.isEmpty() ? QStringLiteral("&Rétablir") : QStringLiteral("&Rétablir : ") + step);
    };
    connect(stack_, &QUndoStack::redoTextChanged, action, name);
    name(stack_->redoText());
    return action;
}

}  // namespace undo

// ---- Names of the page's steps ---------------------------------------------------------------

namespace undo::names {

QString Duration(const State&, const State& after)
{
    return QStringLiteral("durée ") + QString::number(after.Model ? after.Model->Duration : 0);
}

QString Glide(const State&, const State& after)
{
    const double percent = after.Model ? after.Model->Glide * 100.0 : 0.0;
    return QStringLiteral("glissement ") + numfmt::General(percent, 12) + QStringLiteral(" %");
}

QString Activity(const State& before, const State& after)
{
    return (after.Page.Active ? QStringLiteral("activation de l'harmonique ")
                              : QStringLiteral("désactivation de l'harmonique ")) +
           SelectedRank(before);
}

QString EnvelopeMode(const State&, const State& after)
{
    return after.Page.SeparateEnvelopes ? QStringLiteral("enveloppes distinctes")
                                        : QStringLiteral("enveloppe commune");
}

QString Envelope(const State& before, const State&)
{
    return before.Page.SeparateEnvelopes ? QStringLiteral("enveloppe de l'harmonique ") + SelectedRank(before)
                                         : QStringLiteral("enveloppe de toutes les harmoniques");
}

QString Added(const State&, const State& after)
{
    return QStringLiteral("ajout de l'harmonique ") + SelectedRank(after);
}

QString Deleted(const State& before, const State&)
{
    return QStringLiteral("suppression de l'harmonique ") + SelectedRank(before);
}

QString Frequency(const State&, const State& after)
{
    return QStringLiteral("fréquence ") + after.Page.Frequency;
}

QString Phase(const State& before, const State&)
{
    return QStringLiteral("phase de l'harmonique ") + SelectedRank(before);
}

}  // namespace undo::names
