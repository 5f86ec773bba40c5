// Undo and redo through the real window: every command that changes the model or the series is
// one step named in the "Édition" menu, undo puts back what the page showed before it (model
// file, controls, view, series) and redraws, redo puts back what it showed after; commands
// that change nothing add no step.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QKeySequence>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <functional>
#include <memory>

#include "files/modelfile.h"
#include "support/dialogs_modal.h"
#include "support/undo_driver.h"
#include "ui/picturebox.h"
#include "ui/sonvelia1.h"
#include "ui/undohistory.h"
#include "ui/updown.h"

using dialogs_test::Settle;

namespace {

using undo_test::Choice;
using undo_test::Command;
using undo_test::Driver;
using undo_test::Observe;

class Undo : public ::testing::Test {
protected:
    void SetUp() override
    {
        form = std::make_unique<TForm1>();
        form->show();
        Settle();
        driver = std::make_unique<Driver>(*form);
        ASSERT_TRUE(form->CurrentModel);
    }
    void TearDown() override
    {
        EXPECT_EQ(driver->Errors().size(), expectedErrors) << driver->Errors().join('\n').toStdString();
        driver.reset();
        form.reset();
        Settle();
    }

    int Steps() const { return form->History->Count(); }
    int Index() const { return form->History->Index(); }

    std::unique_ptr<TForm1> form;
    std::unique_ptr<Driver> driver;
    int expectedErrors = 0;
};

// What a case does before the command it checks (commands too, so that the history is not empty).
using Setup = std::function<void(Driver&, TForm1&)>;

void Nothing(Driver&, TForm1&)
{
}
void AddTwoHarmonics(Driver& d, TForm1&)
{
    d.Run(Command::AddHarmonic, {true, 1, 1});  // rank 3: the second free rank
    d.Run(Command::AddHarmonic, {true, 1, 0});  // rank 2
}
void ZoomedAndGliding(Driver& d, TForm1& f)
{
    AddTwoHarmonics(d, f);
    d.Run(Command::Percent, {true, 4, 0});
    f.ZoomBtn->click();  // navigation: no step, but part of what is put back
    f.ZoomBtn->click();
}
void SeriesOfTwo(Driver& d, TForm1&)
{
    d.Run(Command::AddToSeries, {});
    d.Run(Command::Duration, {true, 3, 0});
    d.Run(Command::AddToSeries, {});
}
void SeriesOfOne(Driver& d, TForm1&)
{
    d.Run(Command::AddToSeries, {});
}
void SeparateEnvelopes(Driver& d, TForm1& f)
{
    AddTwoHarmonics(d, f);
    d.Run(Command::EnvelopeMode, {});
}
void DurationOne(Driver& d, TForm1&)
{
    d.Run(Command::Duration, {true, -9, 0});
}
void OnSeriesPage(Driver& d, TForm1& f)
{
    SeriesOfTwo(d, f);
    f.PageControl1->setCurrentWidget(f.PageSerie);
}

struct Case {
    const char* label;
    Setup setup;
    Command command;
    Choice choice;
    // The step's name as the menu must show it after the colon; empty: no step.
    std::function<QString(const TForm1&)> name;
};

std::function<QString(const TForm1&)> Fixed(const char* text)
{
    return [text](const TForm1&) { return QString::fromUtf8(text); };
}
const std::function<QString(const TForm1&)> NoStep;

const Case Cases[] = {
    {"duration up", Nothing, Command::Duration, {true, 1, 0}, Fixed("durée 11")},
    {"duration down three", ZoomedAndGliding, Command::Duration, {true, -3, 0}, Fixed("durée 7")},
    {"duration against its end", DurationOne, Command::Duration, {true, -1, 0}, NoStep},
    {"percent", ZoomedAndGliding, Command::Percent, {true, 1, 0}, Fixed("glissement 5 %")},
    {"per mille", Nothing, Command::PerMille, {true, -2, 0}, Fixed("glissement -0,2 %")},
    {"active off", AddTwoHarmonics, Command::Active, {true, 1, 2}, Fixed("désactivation de l'harmonique 3")},
    {"envelope mode", AddTwoHarmonics, Command::EnvelopeMode, {}, Fixed("enveloppes distinctes")},
    {"add a harmonic",
     ZoomedAndGliding,
     Command::AddHarmonic,
     {true, 1, 5},
     Fixed("ajout de l'harmonique 9")},
    {"add, cancelled", Nothing, Command::AddHarmonic, {false, 1, 5}, NoStep},
    {"delete a harmonic",
     AddTwoHarmonics,
     Command::DeleteHarmonic,
     {true, 1, 1},
     Fixed("suppression de l'harmonique 3")},
    {"delete, answered Cancel", AddTwoHarmonics, Command::DeleteHarmonic, {false, 1, 1}, NoStep},
    {"envelope of all",
     AddTwoHarmonics,
     Command::Envelope,
     {true, 1, 77},
     Fixed("enveloppe de toutes les harmoniques")},
    {"envelope of one",
     SeparateEnvelopes,
     Command::Envelope,
     {true, 1, 2},
     Fixed("enveloppe de l'harmonique 3")},
    {"envelope, cancelled", AddTwoHarmonics, Command::Envelope, {false, 1, 77}, NoStep},
    {"frequency",
     ZoomedAndGliding,
     Command::Frequency,
     {true, 1, 3 + 11 * 123},
     [](const TForm1& f) { return QStringLiteral("fréquence ") + f.frequedit->text(); }},
    {"frequency, cancelled", Nothing, Command::Frequency, {false, 1, 3 + 11 * 123}, NoStep},
    {"amplitudes", AddTwoHarmonics, Command::Amplitudes, {true, 1, 99}, Fixed("amplitudes relatives")},
    {"amplitudes, cancelled", AddTwoHarmonics, Command::Amplitudes, {false, 1, 99}, NoStep},
    {"phase", AddTwoHarmonics, Command::Phase, {true, 1, 1 + 7 * 200}, Fixed("phase de l'harmonique 3")},
    {"phase, cancelled", AddTwoHarmonics, Command::Phase, {false, 1, 1 + 7 * 200}, NoStep},
    {"new model", ZoomedAndGliding, Command::NewModel, {}, Fixed("nouveau modèle")},
    {"new model over a new model", Nothing, Command::NewModel, {}, NoStep},
    {"load a model", ZoomedAndGliding, Command::LoadModel, {true, 1, 2}, Fixed("chargement d'un modèle")},
    // The same record, shown as a loaded model shows its frequency ("440,0", not "440").
    {"load the model there already",
     Nothing,
     Command::LoadModel,
     {true, 1, 0},
     Fixed("chargement d'un modèle")},
    {"load, cancelled", Nothing, Command::LoadModel, {false, 1, 1}, NoStep},
    {"square wave recipe", ZoomedAndGliding, Command::Recipe, {true, 1, 4 * 24}, Fixed("recette de Fourier")},
    {"triangle recipe", AddTwoHarmonics, Command::Recipe, {true, 1, 2 + 4 * 49}, Fixed("recette de Fourier")},
    {"recipe, cancelled", AddTwoHarmonics, Command::Recipe, {false, 1, 1}, NoStep},
    {"add to the series", SeriesOfTwo, Command::AddToSeries, {}, Fixed("ajout à la série")},
    {"delete the selected model",
     SeriesOfTwo,
     Command::DeleteSeriesModel,
     {true, 1, 1},
     Fixed("effacement du modèle sélectionné")},
    {"delete the only model",
     SeriesOfOne,
     Command::DeleteSeriesModel,
     {true, 1, 0},
     Fixed("effacement du modèle sélectionné")},
    {"delete, answered No", SeriesOfTwo, Command::DeleteSeriesModel, {false, 1, 0}, NoStep},
    {"clear the series", SeriesOfTwo, Command::ClearSeries, {}, Fixed("effacement de la série")},
    {"clear an empty series", Nothing, Command::ClearSeries, {}, NoStep},
    {"clear, answered No", SeriesOfTwo, Command::ClearSeries, {false, 1, 0}, NoStep},
    {"clear on the series page", SeriesOfTwo, Command::ClearSeriesPage, {}, Fixed("effacement de la série")},
    {"load a series", SeriesOfOne, Command::LoadSeries, {true, 1, 1}, Fixed("chargement d'une série")},
    {"load a series, cancelled", SeriesOfOne, Command::LoadSeries, {false, 1, 1}, NoStep},
    {"add to the series from its page", OnSeriesPage, Command::AddToSeries, {}, Fixed("ajout à la série")},
};

// Whether the series page, when in front, lists the series as showing it does.
bool SeriesPageShowsTheSeries(const TForm1& f)
{
    if (f.PageControl1->currentWidget() != f.PageSerie)
        return true;
    if (f.CheckListBox1->count() != int(f.Series.size()))
        return false;
    return f.Series.empty() ? f.Label10->text().isEmpty() : f.CheckListBox1->currentRow() == 0;
}

TEST_F(Undo, EachCommandIsOneStepThatUndoAndRedoPutBack)
{
    for (const Case& c : Cases) {
        SCOPED_TRACE(c.label);
        driver.reset();
        form = std::make_unique<TForm1>();
        form->show();
        Settle();
        driver = std::make_unique<Driver>(*form);
        c.setup(*driver, *form);
        driver->Prepare(c.command, c.choice);
        const auto before = Observe(*form);
        const int steps = Steps();
        const QString undoText = form->Annuler1->text();

        driver->Act(c.command, c.choice);
        ASSERT_TRUE(driver->Errors().isEmpty()) << driver->Errors().join('\n').toStdString();
        const auto after = Observe(*form);
        if (!c.name) {
            EXPECT_EQ(Steps(), steps);
            EXPECT_EQ(form->Annuler1->text(), undoText);
            EXPECT_EQ(undo_test::Difference(before, after), "");
            continue;
        }
        const QString name = c.name(*form);
        ASSERT_EQ(Steps(), steps + 1);
        EXPECT_EQ(form->Annuler1->text(), QStringLiteral("&Annuler : ") + name);
        EXPECT_TRUE(form->Annuler1->isEnabled());
        EXPECT_EQ(form->Retablir1->text(), QStringLiteral("&Rétablir"));
        EXPECT_FALSE(form->Retablir1->isEnabled());
        EXPECT_NE(undo_test::Difference(before, after), "") << "the command changed nothing";

        driver->Undo();
        EXPECT_EQ(undo_test::Difference(before, Observe(*form)), "");
        EXPECT_TRUE(undo_test::ViewsShowTheModel(*form));
        EXPECT_TRUE(SeriesPageShowsTheSeries(*form));
        EXPECT_EQ(form->Retablir1->text(), QStringLiteral("&Rétablir : ") + name);
        EXPECT_TRUE(form->Retablir1->isEnabled());
        EXPECT_EQ(form->Annuler1->text(), undoText);

        driver->Redo();
        EXPECT_EQ(undo_test::Difference(after, Observe(*form)), "");
        EXPECT_TRUE(undo_test::ViewsShowTheModel(*form));
        EXPECT_TRUE(SeriesPageShowsTheSeries(*form));
        EXPECT_EQ(form->Annuler1->text(), QStringLiteral("&Annuler : ") + name);
        EXPECT_FALSE(form->Retablir1->isEnabled());
        EXPECT_EQ(Steps(), steps + 1);
    }
}

TEST_F(Undo, AnUndoThatEmptiesTheSeriesOffItsPageLeavesNoEntryToShow)
{
    // The series is listed on its page, then emptied by an undo from the model page.
    driver->Run(Command::LoadSeries, {true, 1, 1});
    form->PageControl1->setCurrentWidget(form->PageSerie);
    Settle();
    ASSERT_EQ(form->CheckListBox1->count(), 3);
    form->PageControl1->setCurrentWidget(form->ModelePage);
    driver->Undo();
    ASSERT_TRUE(form->Series.empty());
    form->PageControl1->setCurrentWidget(form->PageSerie);
    Settle();
    EXPECT_EQ(form->CheckListBox1->count(), 0);
    EXPECT_TRUE(SeriesPageShowsTheSeries(*form));
}

TEST_F(Undo, MenuStartsDisabledAndFollowsTheHistory)
{
    const QList<QAction*> menus = form->MainMenu1->actions();
    ASSERT_EQ(menus.size(), 3);
    EXPECT_EQ(menus[0]->menu(), form->Fichier1);
    EXPECT_EQ(menus[1]->menu(), form->Edition1);
    EXPECT_EQ(menus[2]->menu(), form->N1);
    EXPECT_EQ(form->Edition1->title(), QStringLiteral("Édi&tion"));
    const QList<QAction*> items = form->Edition1->actions();
    ASSERT_EQ(items.size(), 4);
    EXPECT_EQ(items[0], form->Annuler1);
    EXPECT_EQ(items[1], form->Retablir1);
    EXPECT_TRUE(items[2]->isSeparator());
    EXPECT_EQ(items[3], form->Recette1);
    EXPECT_EQ(form->Annuler1->objectName(), QStringLiteral("Annuler1"));
    EXPECT_EQ(form->Retablir1->objectName(), QStringLiteral("Retablir1"));
    EXPECT_EQ(form->Annuler1->shortcuts(), (QList<QKeySequence>{QKeySequence(Qt::CTRL | Qt::Key_Z)}));
    EXPECT_EQ(form->Retablir1->shortcuts(),
              (QList<QKeySequence>{QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z),
                                   QKeySequence(Qt::CTRL | Qt::Key_Y)}));
    EXPECT_GE(form->History->Limit(), 1000);

    // Nothing yet: both disabled, and triggering them changes nothing.
    EXPECT_EQ(form->Annuler1->text(), QStringLiteral("&Annuler"));
    EXPECT_EQ(form->Retablir1->text(), QStringLiteral("&Rétablir"));
    EXPECT_FALSE(form->Annuler1->isEnabled());
    EXPECT_FALSE(form->Retablir1->isEnabled());
    const auto start = Observe(*form);
    driver->Undo();
    driver->Redo();
    EXPECT_EQ(undo_test::Difference(start, Observe(*form)), "");

    driver->Run(Command::Duration, {true, 1, 0});
    driver->Run(Command::AddHarmonic, {true, 1, 0});
    EXPECT_EQ(form->Annuler1->text(), QStringLiteral("&Annuler : ajout de l'harmonique 2"));
    driver->Undo();
    driver->Undo();
    EXPECT_FALSE(form->Annuler1->isEnabled());
    EXPECT_EQ(form->Annuler1->text(), QStringLiteral("&Annuler"));
    EXPECT_EQ(form->Retablir1->text(), QStringLiteral("&Rétablir : durée 11"));
    EXPECT_EQ(undo_test::Difference(start, Observe(*form)), "");

    // A new step after undos drops what could be redone.
    driver->Run(Command::Percent, {true, 2, 0});
    EXPECT_EQ(Steps(), 1);
    EXPECT_FALSE(form->Retablir1->isEnabled());
    EXPECT_EQ(form->Retablir1->text(), QStringLiteral("&Rétablir"));
    EXPECT_EQ(form->Annuler1->text(), QStringLiteral("&Annuler : glissement 2 %"));

    // Saving is no step.
    const QString saved = driver->ModelFiles[0] + QStringLiteral(".copie.mdl");
    SaveModelFile(saved, *form->CurrentModel);
    EXPECT_EQ(Steps(), 1);
}

TEST_F(Undo, ShortcutsUndoAndRedoFromTheKeyboard)
{
    QApplication::setActiveWindow(form.get());
    form->activateWindow();
    Settle();
    const auto start = Observe(*form);
    driver->Run(Command::Duration, {true, 2, 0});
    const auto after = Observe(*form);
    form->CourbeImg->setFocus();
    QTest::keyClick(form.get(), Qt::Key_Z, Qt::ControlModifier);
    Settle();
    EXPECT_EQ(undo_test::Difference(start, Observe(*form)), "");
    QTest::keyClick(form.get(), Qt::Key_Y, Qt::ControlModifier);
    Settle();
    EXPECT_EQ(undo_test::Difference(after, Observe(*form)), "");
    QTest::keyClick(form.get(), Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(form.get(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    Settle();
    EXPECT_EQ(undo_test::Difference(after, Observe(*form)), "");
}

// Alt+T opens the menu, and no letter of the menu bar is one a control of the model page takes.
TEST_F(Undo, MenuAcceleratorsLeaveThePageItsOwn)
{
    QSet<int> page;
    for (QAbstractButton* button : form->ModelePage->findChildren<QAbstractButton*>()) {
        const QKeySequence key = QKeySequence::mnemonic(button->text());
        if (!key.isEmpty())
            page.insert(key[0].key());
    }
    EXPECT_TRUE(page.contains(Qt::Key_A));  // "&Ajouter": the scan sees the page's letters
    for (QAction* menu : form->MainMenu1->actions()) {
        const QKeySequence key = QKeySequence::mnemonic(menu->text());
        if (!key.isEmpty()) {
            EXPECT_FALSE(page.contains(key[0].key())) << menu->text().toStdString();
        }
    }
    EXPECT_EQ(QKeySequence::mnemonic(form->Edition1->title()), QKeySequence(Qt::ALT | Qt::Key_T));

    QApplication::setActiveWindow(form.get());
    form->activateWindow();
    Settle();
    QTest::keyClick(form.get(), Qt::Key_T, Qt::AltModifier);
    Settle();
    EXPECT_TRUE(form->Edition1->isVisible());
    form->Edition1->close();
    Settle();
}

// A command stopped by an error is a step for what it changed before the error, and none when
// it changed nothing: a series of 256 models refuses one more.
TEST_F(Undo, ARefusedCommandAddsNoStep)
{
    for (int i = 0; i < 256; ++i)
        form->AjListeBtn->click();
    ASSERT_EQ(form->Series.size(), 256u);
    const int steps = Steps();
    form->AjListeBtn->click();
    Settle();
    expectedErrors = 1;
    EXPECT_EQ(driver->Errors().size(), 1);
    EXPECT_EQ(Steps(), steps);
    EXPECT_EQ(form->Series.size(), 256u);
    driver->Undo();
    EXPECT_EQ(form->Series.size(), 255u);
}

}  // namespace
