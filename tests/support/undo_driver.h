#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <string>

class QWidget;
class TForm1;

// Drives the main window's commands the way a user does (buttons, spinner arrows, boxes, menu
// items, their dialogs and questions answered as planned), for the tests of undo and redo.
namespace undo_test {

// Every command that can change the model or the series.
enum class Command {
    Duration,           // a step of dureeUD
    Percent,            // a step of UpDown1
    PerMille,           // a step of UpDown3
    Active,             // an entry selected, then the "Active" box clicked
    EnvelopeMode,       // the box "Définir une enveloppe différente ..."
    AddHarmonic,        // "&Ajouter" and its dialog
    DeleteHarmonic,     // an entry selected, "&Supprimer" and its question
    Envelope,           // "&Définir l'enveloppe" and the editor
    Frequency,          // "Sé&lecteur" and the selector
    Amplitudes,         // "A&mplitudes relatives" and its sliders
    Phase,              // an entry selected, "&Phases" and its dialog
    NewModel,           // "&Nouveau"
    LoadModel,          // "Charger un modèle" and the file dialog
    AddToSeries,        // "A&jouter à la série"
    DeleteSeriesModel,  // "Effacer le modèle sélectionné" on the series page
    ClearSeries,        // "Effacer la série" on the model page
    ClearSeriesPage,    // "Effacer la série" on the series page
    LoadSeries,         // "Charger une série" and the file dialog
    Recipe,             // "Recette de &Fourier…" and its dialog
};
constexpr int CommandCount = int(Command::Recipe) + 1;
const char* CommandName(Command command);

// How a command is answered: accept or cancel its dialog or question, and two numbers from
// which it takes its values (a step, an entry, an amplitude, a file, a seed...).
struct Choice {
    bool accept = true;
    int a = 1;
    int b = 0;
};

// What the window shows of the state undo puts back, read off the widgets.
struct Observed {
    QByteArray model;   // the current model's file
    QByteArray series;  // the series file of the series, empty without models
    int duration = 0, percent = 0, perMille = 0;
    QString durationText, percentText, perMilleText, frequency;
    QStringList ranks;
    int selected = -1;
    bool active = false, separate = false, deleteEnabled = false, amplitudes = false, phases = false;
    double cursorTime = 0, viewStart = 0, viewEnd = 0;
    int zoomFactor = 0;
    QString zoom, cursorText;
    int cursorLeft = 0;

    bool operator==(const Observed&) const = default;
};
Observed Observe(const TForm1& form);
// The first field in which two observations differ, for failure messages; empty when equal.
std::string Difference(const Observed& expected, const Observed& actual);

// Whether the model page's three pictures show the current model as drawing it afresh gives.
bool ViewsShowTheModel(TForm1& form);

class Driver {
public:
    // What the load commands find beside the start model and a small chord: the heaviest model the
    // pages can build, or a light one (4 tenths, 8 harmonics) where each command must stay cheap
    // and rendering is not what is under test.
    enum class Weight { WorstCase, Light };
    explicit Driver(TForm1& form, Weight weight = Weight::WorstCase);
    ~Driver();

    // Runs one command on the page it belongs to, answering as the choice says: Prepare, Act.
    void Run(Command command, const Choice& choice);
    // What the user does before the command, no step: the page it is on, the entry it acts on.
    void Prepare(Command command, const Choice& choice);
    // The command itself.
    void Act(Command command, const Choice& choice);
    // A command and its answers drawn from `random` (a value below `bound` each).
    static Choice Draw(const std::function<int(int bound)>& random);
    void Undo();
    void Redo();

    // Error boxes seen since the start, with their texts.
    const QStringList& Errors() const;
    // Model and series files written at the start, for the load commands.
    QStringList ModelFiles, SeriesFiles;

    struct State;

private:
    void Plan(std::function<bool(QWidget*)> match, std::function<void(QWidget*)> action);
    void ModelPage();
    void SeriesPage();
    void Select(int index);

    TForm1& form_;
    QTemporaryDir dir_;
    std::shared_ptr<State> state_;
};

}  // namespace undo_test
