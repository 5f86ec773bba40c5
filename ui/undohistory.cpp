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
#include <bit>
#include <cstring>

#include "model/errors.h"
#include "model/numfmt.h"
#include "ui/errorbox.h"
#include "ui/picturebox.h"
#include "ui/sonvelia1.h"
#include "ui/updown.h"

namespace undo {

namespace {

using Bytes = std::vector<std::uint8_t>;

// ---- Writing a state out, and reading it back ---------------------------------------------------
// Layout, little-endian as the machine has it: the page's numbers, the current model's numbers,
// the page's texts, the current model's harmonics, then the series. The fields an edit changes
// most lie close together, so that the difference of a step stays short.

template <class T>
void Put(Bytes& out, T value)
{
    const auto at = out.size();
    out.resize(at + sizeof(T));
    std::memcpy(out.data() + at, &value, sizeof(T));
}

void PutText(Bytes& out, const QString& text)
{
    Put(out, std::uint32_t(text.size()));
    const auto at = out.size();
    const std::size_t bytes = std::size_t(text.size()) * sizeof(char16_t);
    out.resize(at + bytes);
    if (bytes > 0)
        std::memcpy(out.data() + at, text.utf16(), bytes);
}

void PutHeader(Bytes& out, double fundamental, double glide, std::uint16_t duration, std::uint8_t spare,
               std::size_t count)
{
    Put(out, fundamental);
    Put(out, glide);
    Put(out, duration);
    Put(out, spare);
    Put(out, std::uint32_t(count));
}

void PutHarmonics(Bytes& out, const std::vector<tharmonique>& harmonics)
{
    for (const tharmonique& h : harmonics) {
        Put(out, h.Active);
        Put(out, h.Rank);
        Put(out, h.Amplitude);
        Put(out, h.Phase);
        const auto at = out.size();
        out.resize(at + h.Envelope.size());
        std::memcpy(out.data() + at, h.Envelope.data(), h.Envelope.size());
    }
}

class Reader {
public:
    explicit Reader(const Bytes& bytes) : bytes_(bytes) {}
    template <class T>
    T Get()
    {
        T value;
        Need(sizeof(T));
        std::memcpy(&value, bytes_.data() + at_, sizeof(T));
        at_ += sizeof(T);
        return value;
    }
    QString Text()
    {
        const auto length = Get<std::uint32_t>();
        Need(std::size_t(length) * sizeof(char16_t));
        QString text(qsizetype(length), Qt::Uninitialized);
        if (length > 0)
            std::memcpy(text.data(), bytes_.data() + at_, std::size_t(length) * sizeof(char16_t));
        at_ += std::size_t(length) * sizeof(char16_t);
        return text;
    }
    void Harmonics(std::vector<tharmonique>& harmonics, std::size_t count)
    {
        harmonics.resize(count);
        for (tharmonique& h : harmonics) {
            h.Active = Get<std::uint8_t>();
            h.Rank = Get<std::uint8_t>();
            h.Amplitude = Get<double>();
            h.Phase = Get<double>();
            Need(h.Envelope.size());
            std::memcpy(h.Envelope.data(), bytes_.data() + at_, h.Envelope.size());
            at_ += h.Envelope.size();
        }
    }
    std::size_t At() const { return at_; }
    bool AtEnd() const { return at_ == bytes_.size(); }

private:
    void Need(std::size_t n) const
    {
        if (bytes_.size() - at_ < n)
            throw AppError(QStringLiteral("Historique des modifications illisible"));
    }
    const Bytes& bytes_;
    std::size_t at_ = 0;
};

// ---- Differences -----------------------------------------------------------------------------------
// A difference between two byte strings: the length p of their common start, then the middle
// part of each (what lies between the common start and the common end).

void PutDifference(Bytes& out, const Bytes& from, const Bytes& to)
{
    // Compared a block at a time, then byte by byte within the first block that differs: a
    // full series is a megabyte written out.
    constexpr std::size_t Block = 256;  // bytes
    const std::size_t shorter = std::min(from.size(), to.size());
    std::size_t prefix = 0;
    while (prefix + Block <= shorter && std::memcmp(from.data() + prefix, to.data() + prefix, Block) == 0)
        prefix += Block;
    while (prefix < shorter && from[prefix] == to[prefix])
        ++prefix;
    const std::size_t room = shorter - prefix;
    std::size_t suffix = 0;
    while (suffix + Block <= room && std::memcmp(from.data() + from.size() - suffix - Block,
                                                 to.data() + to.size() - suffix - Block, Block) == 0)
        suffix += Block;
    while (suffix < room && from[from.size() - 1 - suffix] == to[to.size() - 1 - suffix])
        ++suffix;
    const std::size_t fromMiddle = from.size() - prefix - suffix;
    const std::size_t toMiddle = to.size() - prefix - suffix;
    Put(out, std::uint32_t(prefix));
    Put(out, std::uint32_t(fromMiddle));
    Put(out, std::uint32_t(toMiddle));
    out.insert(out.end(), from.begin() + std::ptrdiff_t(prefix),
               from.begin() + std::ptrdiff_t(prefix + fromMiddle));
    out.insert(out.end(), to.begin() + std::ptrdiff_t(prefix),
               to.begin() + std::ptrdiff_t(prefix + toMiddle));
}

std::size_t DifferenceBytes(const std::uint8_t* at)
{
    std::uint32_t lengths[3];
    std::memcpy(lengths, at, sizeof lengths);
    return sizeof lengths + lengths[1] + lengths[2];
}

// `state` made from one side of the difference into the other, through `work`.
void ApplyDifference(const std::uint8_t* at, bool forward, Bytes& state, Bytes& work)
{
    std::uint32_t lengths[3];
    std::memcpy(lengths, at, sizeof lengths);
    const std::size_t prefix = lengths[0];
    const std::size_t fromMiddle = forward ? lengths[1] : lengths[2];
    const std::size_t toMiddle = forward ? lengths[2] : lengths[1];
    const std::uint8_t* middle = at + sizeof lengths + (forward ? lengths[1] : 0);
    if (state.size() < prefix + fromMiddle)
        throw AppError(QStringLiteral("Historique des modifications illisible"));
    work.clear();
    work.insert(work.end(), state.begin(), state.begin() + std::ptrdiff_t(prefix));
    work.insert(work.end(), middle, middle + toMiddle);
    work.insert(work.end(), state.begin() + std::ptrdiff_t(prefix + fromMiddle), state.end());
    state.swap(work);
}

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

ModelRecord RecordOf(const tmodele& model)
{
    ModelRecord record;
    record.Harmonics = model.Harmonics;
    record.Fundamental = model.Fundamental;
    record.Glide = model.Glide;
    record.Duration = model.Duration;
    record.SpareFlag = model.SpareFlag;
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

Naming Named(const QString& name)
{
    return [name](const State&, const State&) { return name; };
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

// ---- The history ---------------------------------------------------------------------------------

UndoHistory::UndoHistory(TForm1& form) : QObject(&form), form_(form)
{
    setObjectName(QStringLiteral("UndoHistory"));
    buffer_.reserve(BufferBytes);
    steps_.reserve(std::size_t(limit_) + 1);
}

UndoHistory::~UndoHistory() = default;

void UndoHistory::SetLimit(int steps)
{
    if (!steps_.empty())
        return;
    limit_ = steps;
    if (steps > 0)
        steps_.reserve(std::size_t(steps) + 1);
}

void UndoHistory::Clear()
{
    steps_.clear();
    buffer_.clear();
    start_ = 0;
    index_ = 0;
    beforeNext_ = false;
    knownValid_ = false;
    ShowTexts();
}

void UndoHistory::Write(const std::optional<ModelRecord>& model, const PageState& page, Bytes& out) const
{
    out.clear();
    Put(out, std::int32_t(page.Duration));
    Put(out, std::int32_t(page.Percent));
    Put(out, std::int32_t(page.PerMille));
    Put(out, std::int32_t(page.Selected));
    const std::uint8_t flags =
        std::uint8_t(int(page.Active) | (int(page.SeparateEnvelopes) << 1) | (int(page.DeleteEnabled) << 2) |
                     (int(page.AmplitudesShown) << 3) | (int(page.PhasesShown) << 4));
    Put(out, flags);
    Put(out, page.CursorTime);
    Put(out, page.ViewStart);
    Put(out, page.ViewEnd);
    Put(out, page.ZoomFactor);
    Put(out, std::uint8_t(model.has_value()));
    if (model)
        PutHeader(out, model->Fundamental, model->Glide, model->Duration, model->SpareFlag,
                  model->Harmonics.size());
    for (const QString* text : {&page.DurationText, &page.PercentText, &page.PerMilleText, &page.Frequency,
                                &page.SelectorText, &page.Zoom})
        PutText(out, *text);
    Put(out, std::uint32_t(page.Ranks.size()));
    for (const QString& rank : page.Ranks)
        PutText(out, rank);
    if (model)
        PutHarmonics(out, model->Harmonics);
    Put(out, std::uint32_t(form_.Series.size()));
    for (const auto& m : form_.Series) {
        PutHeader(out, m->Fundamental, m->Glide, m->Duration, m->SpareFlag, m->Harmonics.size());
        PutHarmonics(out, m->Harmonics);
    }
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
    State before;
    if (form_.CurrentModel)
        before.Model = RecordOf(*form_.CurrentModel);
    before.Page = CapturePage(form_);
    if (adjust)
        adjust(before.Page);
    Bytes beforeBytes;
    beforeBytes.swap(scratch_);  // the buffer keeps its room from one command to the next
    Write(before.Model, before.Page, beforeBytes);
    struct GiveBack {
        Bytes& bytes;
        Bytes& scratch;
        ~GiveBack() { scratch.swap(bytes); }
    } giveBack{beforeBytes, scratch_};
    // A command that throws half way has changed what it reached: that is a step like any other.
    // While it runs (its dialog may let queued events through) nothing is undone under it.
    ++depth_;
    SetActionsEnabled(false);
    try {
        command();
    } catch (...) {
        --depth_;
        Finish(naming, before, beforeBytes);
        throw;
    }
    --depth_;
    Finish(naming, before, beforeBytes);
}

void UndoHistory::Finish(const Naming& naming, const State& before, const Bytes& beforeBytes)
{
    SetActionsEnabled(true);
    State after;
    if (form_.CurrentModel)
        after.Model = RecordOf(*form_.CurrentModel);
    after.Page = CapturePage(form_);
    Bytes afterBytes;
    afterBytes.swap(scratch2_);
    struct GiveBack {
        Bytes& bytes;
        Bytes& scratch;
        ~GiveBack() { scratch.swap(bytes); }
    } giveBack{afterBytes, scratch2_};
    Write(after.Model, after.Page, afterBytes);
    if (afterBytes == beforeBytes)
        return;
    Push(naming(before, after), beforeBytes, afterBytes);
}

void UndoHistory::Push(const QString& name, const Bytes& before, const Bytes& after)
{
    // 1. From the state after the last step done: what was undone can no longer be redone.
    ToAfter();
    if (!knownValid_)
        known_.clear();
    const std::size_t end = index_ < steps_.size() ? steps_[index_].offset : buffer_.size();
    steps_.resize(index_);
    buffer_.resize(end);
    if (steps_.empty()) {
        buffer_.clear();
        start_ = 0;
    }

    // 2. Name, gap from the known state to the state before, the step itself.
    const std::size_t need = 4 + std::size_t(name.size()) * 2 + 12 + known_.size() + before.size() + 12 +
                             before.size() + after.size();
    if (buffer_.size() + need > buffer_.capacity() && start_ > 0) {
        // The dropped steps' room is taken back.
        std::memmove(buffer_.data(), buffer_.data() + start_, buffer_.size() - start_);
        buffer_.resize(buffer_.size() - start_);
        for (Step& step : steps_)
            step.offset -= start_;
        start_ = 0;
    }
    const std::size_t offset = buffer_.size();
    PutText(buffer_, name);
    PutDifference(buffer_, known_, before);
    PutDifference(buffer_, before, after);
    steps_.push_back({offset, buffer_.size() - offset});
    ++made_;
    index_ = steps_.size();
    known_ = after;
    knownValid_ = true;
    beforeNext_ = false;

    // 3. At the limit, the oldest step goes: the next one becomes the first.
    if (limit_ > 0 && steps_.size() > std::size_t(limit_)) {
        steps_.erase(steps_.begin());
        start_ = steps_.front().offset;
        --index_;
    }
    ShowTexts();
}

void UndoHistory::Apply(std::size_t step, int part, bool forward)
{
    const std::uint8_t* at = buffer_.data() + steps_[step].offset;
    std::uint32_t nameLength = 0;
    std::memcpy(&nameLength, at, sizeof nameLength);
    at += sizeof nameLength + std::size_t(nameLength) * 2;
    if (part == 1)
        at += DifferenceBytes(at);
    ApplyDifference(at, forward, known_, scratch_);
}

void UndoHistory::ToAfter()
{
    if (beforeNext_) {
        Apply(index_, 0, false);
        beforeNext_ = false;
    }
}

QString UndoHistory::UndoText() const
{
    if (!CanUndo())
        return {};
    const std::uint8_t* at = buffer_.data() + steps_[index_ - 1].offset;
    std::uint32_t length = 0;
    std::memcpy(&length, at, sizeof length);
    return QString(reinterpret_cast<const QChar*>(at + sizeof length), qsizetype(length));
}

QString UndoHistory::RedoText() const
{
    if (!CanRedo())
        return {};
    const std::uint8_t* at = buffer_.data() + steps_[index_].offset;
    std::uint32_t length = 0;
    std::memcpy(&length, at, sizeof length);
    return QString(reinterpret_cast<const QChar*>(at + sizeof length), qsizetype(length));
}

void UndoHistory::Undo()
{
    if (!CanUndo() || depth_ > 0 || restoring_)
        return;
    try {
        // 1. To the state after the step, then before it.
        ToAfter();
        Apply(index_ - 1, 1, false);
        --index_;
        beforeNext_ = true;
        ShowTexts();
        // 2. The window takes it.
        Restore();
    } catch (...) {
        ReportCurrentException(&form_);
    }
}

void UndoHistory::Redo()
{
    if (!CanRedo() || depth_ > 0 || restoring_)
        return;
    try {
        // 1. To the state before the step (the gap from the last one after), then after it.
        if (!beforeNext_)
            Apply(index_, 0, true);
        Apply(index_, 1, true);
        ++index_;
        beforeNext_ = false;
        ShowTexts();
        // 2. The window takes it.
        Restore();
    } catch (...) {
        ReportCurrentException(&form_);
    }
}

void UndoHistory::Restore()
{
    restoring_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{restoring_};
    TForm1& w = form_;

    // 1. Read the state whole before anything changes.
    Reader in(known_);
    PageState page;
    page.Duration = in.Get<std::int32_t>();
    page.Percent = in.Get<std::int32_t>();
    page.PerMille = in.Get<std::int32_t>();
    page.Selected = in.Get<std::int32_t>();
    const auto flags = in.Get<std::uint8_t>();
    page.Active = flags & 1;
    page.SeparateEnvelopes = flags & 2;
    page.DeleteEnabled = flags & 4;
    page.AmplitudesShown = flags & 8;
    page.PhasesShown = flags & 16;
    page.CursorTime = in.Get<double>();
    page.ViewStart = in.Get<double>();
    page.ViewEnd = in.Get<double>();
    page.ZoomFactor = in.Get<std::uint16_t>();
    const bool hasModel = in.Get<std::uint8_t>() != 0;
    ModelRecord model;
    std::uint32_t harmonics = 0;
    if (hasModel) {
        model.Fundamental = in.Get<double>();
        model.Glide = in.Get<double>();
        model.Duration = in.Get<std::uint16_t>();
        model.SpareFlag = in.Get<std::uint8_t>();
        harmonics = in.Get<std::uint32_t>();
    }
    for (QString* text : {&page.DurationText, &page.PercentText, &page.PerMilleText, &page.Frequency,
                          &page.SelectorText, &page.Zoom})
        *text = in.Text();
    const auto ranks = in.Get<std::uint32_t>();
    for (std::uint32_t i = 0; i < ranks; ++i)
        page.Ranks << in.Text();
    if (hasModel)
        in.Harmonics(model.Harmonics, harmonics);
    const std::size_t seriesAt = in.At();
    // The series is built again only when it changed.
    Bytes& present = scratch2_;
    {
        present.clear();
        Put(present, std::uint32_t(w.Series.size()));
        for (const auto& m : w.Series) {
            PutHeader(present, m->Fundamental, m->Glide, m->Duration, m->SpareFlag, m->Harmonics.size());
            PutHarmonics(present, m->Harmonics);
        }
    }
    const bool seriesChanged = present.size() != known_.size() - seriesAt ||
                               std::memcmp(present.data(), known_.data() + seriesAt, present.size()) != 0;
    std::vector<std::unique_ptr<tmodele>> series;
    if (seriesChanged) {
        const auto count = in.Get<std::uint32_t>();
        for (std::uint32_t p = 0; p < count; ++p) {
            auto m = std::make_unique<tmodele>();  // rendered when shown, played or exported
            m->Fundamental = in.Get<double>();
            m->Glide = in.Get<double>();
            m->Duration = in.Get<std::uint16_t>();
            m->SpareFlag = in.Get<std::uint8_t>();
            in.Harmonics(m->Harmonics, in.Get<std::uint32_t>());
            series.push_back(std::move(m));
        }
        if (!in.AtEnd())
            throw AppError(QStringLiteral("Historique des modifications illisible"));
    }

    // 2. The current model takes its record; the model in place keeps its sound buffer.
    if (!hasModel)
        w.CurrentModel.reset();
    else if (w.CurrentModel)
        AssignRecord(*w.CurrentModel, model);
    else {
        w.CurrentModel = std::make_unique<tmodele>();
        AssignRecord(*w.CurrentModel, model);
    }
    if (seriesChanged) {
        w.Series = std::move(series);
        w.SeriesCount = std::int32_t(w.Series.size());
    }

    // 3. The controls, without running their handlers.
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

    // 5. Render, every view of the model page, the cursor.
    w.RenderModel();
    w.RedrawWaveform();
    w.RedrawGraph();
    w.RedrawSpectrum();
    w.RefreshCursor();

    // 6. An empty series shows nothing, on whichever page is in front: showing the series page
    //    later rebuilds only a series that has models, so its old entries must go now. The series
    //    page in front is rebuilt as showing it does.
    if (seriesChanged && w.Series.empty()) {
        w.CheckListBox1->clear();
        for (PictureBox* picture : {w.seriecourbe, w.seriespectre, w.seriesonog}) {
            picture->Picture().fill(Qt::black);
            picture->update();
        }
        w.Label10->clear();
    } else if (seriesChanged && w.PageControl1->currentWidget() == w.PageSerie) {
        w.PageSerieShow();
    }
}

void UndoHistory::SetActionsEnabled(bool enabled)
{
    if (undoAction_)
        undoAction_->setEnabled(enabled && CanUndo());
    if (redoAction_)
        redoAction_->setEnabled(enabled && CanRedo());
}

void UndoHistory::ShowTexts()
{
    if (undoAction_) {
        const QString step = UndoText();
        undoAction_->setText(step.isEmpty() ? QStringLiteral("&Annuler")
                                            : QStringLiteral("&Annuler : ") + step);
    }
    if (redoAction_) {
        const QString step = RedoText();
        redoAction_->setText(step.isEmpty() ? QStringLiteral("&Rétablir")
                                            : QStringLiteral("&Rétablir : ") + step);
    }
    SetActionsEnabled(depth_ == 0);
}

QAction* UndoHistory::CreateUndoAction(QObject* parent)
{
    undoAction_ = new QAction(parent);
    undoAction_->setObjectName(QStringLiteral("Annuler1"));
    undoAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    connect(undoAction_, &QAction::triggered, this, &UndoHistory::Undo);
    ShowTexts();
    return undoAction_;
}

QAction* UndoHistory::CreateRedoAction(QObject* parent)
{
    redoAction_ = new QAction(parent);
    redoAction_->setObjectName(QStringLiteral("Retablir1"));
    redoAction_->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    connect(redoAction_, &QAction::triggered, this, &UndoHistory::Redo);
    ShowTexts();
    return redoAction_;
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
