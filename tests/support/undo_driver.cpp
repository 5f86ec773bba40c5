#include "support/undo_driver.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <random>
#include <sstream>

#include "files/modelfile.h"
#include "files/seriesfile.h"
#include "model/tmodele.h"
#include "models/sample_models.h"
#include "support/dialogs_modal.h"
#include "ui/Sonvelia3.h"
#include "ui/picturebox.h"
#include "ui/sonvelia1.h"
#include "ui/sonvelia2.h"
#include "ui/sonvelia4.h"
#include "ui/sonvelia5.h"
#include "ui/sonvelia6f.h"
#include "ui/sonvelia9.h"
#include "ui/updown.h"

namespace undo_test {

namespace {

constexpr int PollMs = 2;  // milliseconds between looks at the active modal window

void Settle()
{
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

void ChooseFile(QFileDialog* dialog, const QString& path)
{
    dialog->setDirectory(QFileInfo(path).absolutePath());
    dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(QFileInfo(path).fileName());
    if (auto* list = dialog->findChild<QListView*>(QStringLiteral("listView")))
        list->clearSelection();
    static_cast<QDialog*>(dialog)->accept();
}

template <class T>
std::function<bool(QWidget*)> Of()
{
    return [](QWidget* w) { return qobject_cast<T*>(w) != nullptr; };
}

}  // namespace

const char* CommandName(Command command)
{
    static const char* const names[CommandCount] = {
        "Duration",    "Percent",         "PerMille",   "Active",      "EnvelopeMode",
        "AddHarmonic", "DeleteHarmonic",  "Envelope",   "Frequency",   "Amplitudes",
        "Phase",       "NewModel",        "LoadModel",  "AddToSeries", "DeleteSeriesModel",
        "ClearSeries", "ClearSeriesPage", "LoadSeries", "Recipe"};
    return names[int(command)];
}

Observed Observe(const TForm1& form)
{
    Observed o;
    if (form.CurrentModel)
        o.model = ModelFileBytes(*form.CurrentModel);
    if (!form.Series.empty())
        o.series = SeriesFileBytes(form.Series);
    o.duration = form.dureeUD->value();
    o.percent = form.UpDown1->value();
    o.perMille = form.UpDown3->value();
    o.durationText = form.dureeEdit->text();
    o.percentText = form.Edit2->text();
    o.perMilleText = form.Edit3->text();
    o.frequency = form.frequedit->text();
    for (int i = 0; i < form.ComboBox1->count(); ++i)
        o.ranks << form.ComboBox1->itemText(i);
    o.selected = form.ComboBox1->currentIndex();
    o.active = form.CheckBox2->isChecked();
    o.separate = form.CheckBox1->isChecked();
    o.deleteEnabled = form.Supprharmbtn->isEnabled();
    o.amplitudes = form.ajustampliBtn->isVisibleTo(form.Panel1);
    o.phases = form.ajustphasebtn->isVisibleTo(form.Panel1);
    o.cursorTime = form.CursorTime;
    o.viewStart = form.ViewStart;
    o.viewEnd = form.ViewEnd;
    o.zoomFactor = form.ZoomFactor;
    o.zoom = form.Label8->text();
    o.cursorText = form.CurseurEdit->text();
    o.cursorLeft = form.CurseurTemps->x();
    return o;
}

std::string Difference(const Observed& e, const Observed& a)
{
    std::ostringstream out;
    auto field = [&out](const char* name, const auto& x, const auto& y) {
        if (out.tellp() == 0 && !(x == y))
            out << name << " differs";
    };
    auto text = [&out](const char* name, const QString& x, const QString& y) {
        if (out.tellp() == 0 && x != y)
            out << name << ": expected \"" << x.toStdString() << "\", got \"" << y.toStdString() << '"';
    };
    auto number = [&out](const char* name, double x, double y) {
        if (out.tellp() == 0 && !(x == y))
            out << name << ": expected " << x << ", got " << y;
    };
    field("model file", e.model, a.model);
    field("series file", e.series, a.series);
    number("dureeUD", e.duration, a.duration);
    number("UpDown1", e.percent, a.percent);
    number("UpDown3", e.perMille, a.perMille);
    text("dureeEdit", e.durationText, a.durationText);
    text("Edit2", e.percentText, a.percentText);
    text("Edit3", e.perMilleText, a.perMilleText);
    text("frequedit", e.frequency, a.frequency);
    text("ComboBox1 entries", e.ranks.join(' '), a.ranks.join(' '));
    number("ComboBox1 selection", e.selected, a.selected);
    number("CheckBox2", e.active, a.active);
    number("CheckBox1", e.separate, a.separate);
    number("Supprharmbtn enabled", e.deleteEnabled, a.deleteEnabled);
    number("ajustampliBtn shown", e.amplitudes, a.amplitudes);
    number("ajustphasebtn shown", e.phases, a.phases);
    number("CursorTime", e.cursorTime, a.cursorTime);
    number("ViewStart", e.viewStart, a.viewStart);
    number("ViewEnd", e.viewEnd, a.viewEnd);
    number("ZoomFactor", e.zoomFactor, a.zoomFactor);
    text("Label8", e.zoom, a.zoom);
    text("CurseurEdit", e.cursorText, a.cursorText);
    number("CurseurTemps left", e.cursorLeft, a.cursorLeft);
    return out.str();
}

bool ViewsShowTheModel(TForm1& form)
{
    if (!form.CurrentModel)
        return false;
    // A fresh model from the file bytes: the views must be those of the model, not of a leftover.
    std::unique_ptr<tmodele> fresh = ParseModelFile(ModelFileBytes(*form.CurrentModel));
    fresh->Render();
    QImage waveform = form.CourbeImg->Picture();
    QImage graph = form.SonogImg->Picture();
    QImage spectrum = form.SpectreImg->Picture();
    fresh->DrawWaveform(waveform, form.ViewStart, form.ViewEnd);
    if (form.GraphChoice() == 0)
        fresh->DrawSonogram(graph);
    else
        fresh->DrawComponents(graph, form.CursorTime);
    fresh->DrawSpectrum(spectrum, form.CursorTime);
    return fresh->Samples == form.CurrentModel->Samples && waveform == form.CourbeImg->Picture() &&
           graph == form.SonogImg->Picture() && spectrum == form.SpectreImg->Picture();
}

// ---- Answering the modal windows ----------------------------------------------------------------

struct Driver::State {
    bool active = true;
    bool yes = true;  // the answer to the questions
    std::function<bool(QWidget*)> match;
    std::function<void(QWidget*)> action;
    QStringList errors;
};

namespace {
// One look at the active modal window: answers it if a plan or the questions' answer claims it.
void Look(const std::shared_ptr<Driver::State>& state)
{
    if (!state->active)
        return;
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || !modal->isVisible() || modal->property("undoAnswered").toBool())
        return;
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        box->setProperty("undoAnswered", true);
        dialogs_test::AnswerBoxLater(box, state->yes, state->errors);
        return;
    }
    if (state->match && state->match(modal)) {
        modal->setProperty("undoAnswered", true);
        auto action = std::move(state->action);
        state->match = nullptr;
        state->action = nullptr;
        action(modal);
    }
}

void Poll(const std::shared_ptr<Driver::State>& state)
{
    if (!state->active)
        return;
    QTimer::singleShot(PollMs, [state] { Poll(state); });  // booked first: an answer may nest
    Look(state);
}

// A look as soon as the modal window's own loop turns, rather than up to PollMs later: a
// command booked it just before the click that opens the window.
void LookFirstThing(const std::shared_ptr<Driver::State>& state)
{
    QTimer::singleShot(0, [state] { Look(state); });
}
}  // namespace

Driver::Driver(TForm1& form, Weight weight) : form_(form), state_(std::make_shared<State>())
{
    auto state = state_;
    QTimer::singleShot(0, [state] { Poll(state); });
    // Files to load: the start model, a heavy one, a small chord; series of one and of three.
    auto chord = MakeStartModel();
    chord->AddHarmonic(3);
    chord->AddHarmonic(5);
    chord->Harmonics[1].Amplitude = 0.5;
    chord->Harmonics[2].Phase = 1.25;
    chord->Fundamental = 220.0;
    chord->Duration = 7;
    chord->Glide = -0.12;
    std::vector<std::unique_ptr<tmodele>> models;
    models.push_back(MakeStartModel());
    auto heavy = MakeWorstCaseModel(7);
    if (weight == Weight::Light) {
        heavy->Duration = 4;  // tenths of a second
        heavy->Harmonics.resize(8);
    }
    models.push_back(std::move(heavy));
    models.push_back(std::move(chord));
    for (std::size_t i = 0; i < models.size(); ++i) {
        ModelFiles << dir_.filePath(QStringLiteral("model%1.mdl").arg(i));
        SaveModelFile(ModelFiles.back(), *models[i]);
    }
    SeriesFiles << dir_.filePath(QStringLiteral("one.ssm")) << dir_.filePath(QStringLiteral("three.ssm"));
    SaveSeriesFile(SeriesFiles[0], std::span(models).subspan(2, 1));
    SaveSeriesFile(SeriesFiles[1], models);
}

Driver::~Driver()
{
    state_->active = false;
}

const QStringList& Driver::Errors() const
{
    return state_->errors;
}

void Driver::Plan(std::function<bool(QWidget*)> match, std::function<void(QWidget*)> action)
{
    if (match)
        LookFirstThing(state_);
    state_->match = std::move(match);
    state_->action = std::move(action);
    // The dialogs live on from one showing to the next: each showing gets its answer.
    for (QWidget* top : QApplication::topLevelWidgets())
        top->setProperty("undoAnswered", QVariant());
}

void Driver::ModelPage()
{
    if (form_.PageControl1->currentWidget() != form_.ModelePage)
        form_.PageControl1->setCurrentWidget(form_.ModelePage);
}

void Driver::SeriesPage()
{
    if (form_.PageControl1->currentWidget() != form_.PageSerie)
        form_.PageControl1->setCurrentWidget(form_.PageSerie);
}

void Driver::Select(int index)
{
    // As a pick in the list does: the selection, then the box set to match (no step).
    const int count = form_.ComboBox1->count();
    if (count == 0)
        return;
    index = std::abs(index) % count;
    form_.ComboBox1->setCurrentIndex(index);
    emit form_.ComboBox1->activated(index);
}

Choice Driver::Draw(const std::function<int(int)>& random)
{
    Choice c;
    c.accept = random(100) < 85;
    c.a = random(7) - 3;
    if (c.a == 0)
        c.a = 1;
    c.b = random(1 << 20);
    return c;
}

void Driver::Run(Command command, const Choice& choice)
{
    Prepare(command, choice);
    Act(command, choice);
}

void Driver::Prepare(Command command, const Choice& c)
{
    switch (command) {
        case Command::Active:
        case Command::Envelope:
            ModelPage();
            Select(c.b);
            break;
        case Command::DeleteHarmonic:
        case Command::Phase:
            ModelPage();
            if (form_.ComboBox1->count() > 1)
                Select(1 + c.b % (form_.ComboBox1->count() - 1));
            break;
        case Command::DeleteSeriesModel:
        case Command::ClearSeriesPage: {
            SeriesPage();
            QListWidget* list = form_.CheckListBox1;
            if (command == Command::DeleteSeriesModel && list->count() > 0) {
                const int row = c.b % list->count();
                list->setCurrentRow(row);
                emit list->itemClicked(list->item(row));
            }
            break;
        }
        case Command::LoadModel:
        case Command::LoadSeries:
            break;  // from the menu, whichever page is in front
        default:
            ModelPage();
            break;
    }
    Settle();
}

void Driver::Act(Command command, const Choice& c)
{
    state_->yes = c.accept;
    const bool ok = c.accept;
    LookFirstThing(state_);  // for the questions some commands ask
    switch (command) {
        case Command::Duration:
            form_.dureeUD->stepBy(c.a);
            break;
        case Command::Percent:
            form_.UpDown1->stepBy(c.a);
            break;
        case Command::PerMille:
            form_.UpDown3->stepBy(c.a);
            break;
        case Command::Active:
            form_.CheckBox2->click();
            break;
        case Command::EnvelopeMode:
            form_.CheckBox1->click();
            break;
        case Command::AddHarmonic: {
            const int row = c.b;
            const QString amplitude = QStringLiteral("0,%1").arg(c.b % 1000, 3, 10, QLatin1Char('0'));
            const int phase = c.b % 360 - 179;  // degrees
            Plan(Of<TForm4>(), [=](QWidget* w) {
                auto* d = static_cast<TForm4*>(w);
                if (d->ListBox1->count() > 0)
                    d->ListBox1->setCurrentRow(row % d->ListBox1->count());
                d->Edit1->setText(amplitude);
                d->UpDown1->setValue(phase);
                (ok ? d->BitBtn1 : d->BitBtn2)->click();
            });
            form_.AjHarmBtn->click();
            break;
        }
        case Command::DeleteHarmonic:
            form_.Supprharmbtn->click();
            break;
        case Command::Envelope: {
            tenveloppe drawn{};
            std::mt19937 local(std::uint32_t(c.b));
            for (auto& point : drawn)
                point = std::uint8_t(std::uniform_int_distribution<int>(0, 255)(local));
            Plan(Of<TForm2>(), [=](QWidget* w) {
                auto* d = static_cast<TForm2*>(w);
                d->WorkEnvelope = drawn;
                (ok ? d->BitBtn1 : d->BitBtn2)->click();
            });
            form_.Button3->click();
            break;
        }
        case Command::Frequency: {
            const int range = c.b % 11;
            const int x = (c.b / 11) % 500;
            Plan(Of<TForm3>(), [=](QWidget* w) {
                auto* d = static_cast<TForm3*>(w);
                d->SpeedButton1Click(range);
                d->Drop(std::min(x, std::max(0, d->Shape1->width() - 1)));
                (ok ? d->BitBtn1 : d->BitBtn2)->click();
            });
            form_.Button2->click();
            break;
        }
        case Command::Amplitudes: {
            if (form_.ajustampliBtn->isHidden())
                break;
            const auto seed = std::uint32_t(c.b);
            Plan(Of<TForm5>(), [=](QWidget* w) {
                auto* d = static_cast<TForm5*>(w);
                std::mt19937 local(seed);
                for (QSlider* slider : d->AmplitudeSliders)
                    slider->setValue(
                        std::uniform_int_distribution<int>(slider->minimum(), slider->maximum())(local));
                (ok ? d->BitBtn1 : d->BitBtn2)->click();
            });
            form_.ajustampliBtn->click();
            break;
        }
        case Command::Phase: {
            if (form_.ajustphasebtn->isHidden() || form_.ComboBox1->currentIndex() < 1)
                break;
            const int degrees = (c.b / 7) % 360 - 179;
            Plan(Of<TForm6>(), [=](QWidget* w) {
                auto* d = static_cast<TForm6*>(w);
                d->UpDown1->setValue(degrees);
                (ok ? d->BitBtn1 : d->BitBtn2)->click();
            });
            form_.ajustphasebtn->click();
            break;
        }
        case Command::NewModel:
            form_.NvModeleBtn->click();
            break;
        case Command::LoadModel: {
            const QString path = ModelFiles[c.b % ModelFiles.size()];
            Plan(Of<QFileDialog>(), [=](QWidget* w) {
                if (ok)
                    ChooseFile(static_cast<QFileDialog*>(w), path);
                else
                    static_cast<QDialog*>(w)->reject();
            });
            form_.unmodle->trigger();
            break;
        }
        case Command::AddToSeries:
            form_.AjListeBtn->click();
            break;
        case Command::DeleteSeriesModel:
            form_.effaceEltSerieBtn->click();
            break;
        case Command::ClearSeries:
            form_.Effserie2Btn->click();
            break;
        case Command::ClearSeriesPage:
            form_.EffaceSerieBtn->click();
            break;
        case Command::LoadSeries: {
            const QString path = SeriesFiles[c.b % SeriesFiles.size()];
            Plan(Of<QFileDialog>(), [=](QWidget* w) {
                if (ok)
                    ChooseFile(static_cast<QFileDialog*>(w), path);
                else
                    static_cast<QDialog*>(w)->reject();
            });
            form_.Chargerunesrie1->trigger();
            break;
        }
        case Command::Recipe: {
            // b chooses the recipe and the highest rank, 1 to 50.
            const int recipe = c.b % 4;
            const int highest = 1 + (c.b / 4) % 50;
            Plan(Of<TForm9>(), [=](QWidget* w) {
                auto* d = static_cast<TForm9*>(w);
                d->recetteItems->button(recipe)->click();
                d->rangmaxUD->setValue(highest);
                (ok ? d->BitBtn1 : d->BitBtn2)->click();
            });
            form_.Recette1->trigger();
            break;
        }
    }
    Plan(nullptr, nullptr);  // a dialog that did not come up answers nothing later
    Settle();
}

void Driver::Undo()
{
    form_.Annuler1->trigger();
    Settle();
}

void Driver::Redo()
{
    form_.Retablir1->trigger();
    Settle();
}

}  // namespace undo_test
