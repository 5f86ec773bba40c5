// The Fourier recipes driven through the real main window: "Édi&tion" > "Recette de &Fourier…"
// answered in its dialog, then the model, the page's controls and the views checked against
// what each recipe must build. Amplitudes and phases are compared bit for bit with values
// computed here from the recipes' definitions.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <bit>
#include <cstdint>
#include <numbers>

#include "model/tmodele.h"
#include "support/dialogs_modal.h"
#include "ui/picturebox.h"
#include "ui/sonvelia1.h"
#include "ui/sonvelia9.h"
#include "ui/updown.h"

using dialogs_test::Settle;

using namespace dialogs_test;

namespace {

const QRgb Marker = qRgb(1, 2, 3);  // a colour no view draws

std::uint64_t Bits(double value)
{
    return std::bit_cast<std::uint64_t>(value);
}

double Radians(int degrees)
{
    return double(degrees * std::numbers::pi_v<long double> / 180);
}

tenveloppe DefaultEnvelope()
{
    tenveloppe envelope;
    envelope.fill(255);
    envelope.front() = 0;
    envelope.back() = 0;
    return envelope;
}

// One harmonic a recipe must hold.
struct Expected {
    int rank;
    double amplitude;
    double phase;  // radians
};

// The recipes' definitions, written out rank by rank.
std::vector<Expected> ExpectedHarmonics(int recipe, int m)
{
    std::vector<Expected> list;
    for (int r = 1; r <= m; ++r) {
        const bool odd = r % 2 == 1;
        switch (recipe) {
            case 0:  // "Carré"
                if (odd)
                    list.push_back({r, 1.0 / r, 0.0});
                break;
            case 1:  // "Dent de scie"
                list.push_back({r, 1.0 / r, odd ? 0.0 : Radians(180)});
                break;
            case 2:  // "Triangle"
                if (odd)
                    list.push_back({r, 1.0 / (r * r), r % 4 == 1 ? 0.0 : Radians(180)});
                break;
            case 3:  // "Impulsion"
                list.push_back({r, 1.0, Radians(90)});
                break;
        }
    }
    return list;
}

// A click on an item's caption, where a user aims.
void PickItem(TForm9* dialog, int k)
{
    QAbstractButton* item = dialog->recetteItems->button(k);
    QTest::mouseClick(item, Qt::LeftButton, {}, QPoint(item->height() / 2, item->height() / 2));
}

const char* const RecipeNames[] = {"Carré", "Dent de scie", "Triangle", "Impulsion"};

bool AllMarker(const PictureBox* picture)
{
    const QImage& image = picture->Shown();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) | 0xff000000u) != (Marker | 0xff000000u))
                return false;
    return true;
}

class Recipes : public ::testing::Test {
protected:
    void SetUp() override
    {
        form = std::make_unique<TForm1>();
        form->show();
        Settle();
    }

    // Chooses "Édi&tion" > "Recette de &Fourier…" and lets `answer` work the dialog.
    void RunRecipe(std::function<void(TForm9*)> answer)
    {
        OnModalOf<TForm9>(answer);
        form->Recette1->trigger();
        Settle();
    }

    // Picks a recipe and a highest rank as a user would (a click, the rank typed), then OK.
    void Choose(int recipe, int m)
    {
        RunRecipe([=](TForm9* d) {
            PickItem(d, recipe);
            d->rangmaxEdit->selectAll();
            QTest::keyClicks(d->rangmaxEdit, QString::number(m));
            QTest::mouseClick(d->BitBtn1, Qt::LeftButton);
        });
    }

    void MarkViews()
    {
        for (PictureBox* p : {form->CourbeImg, form->SonogImg, form->SpectreImg})
            p->Picture().fill(Marker);
    }

    QStringList Entries() const
    {
        QStringList entries;
        for (int i = 0; i < form->ComboBox1->count(); ++i)
            entries << form->ComboBox1->itemText(i);
        return entries;
    }

    tmodele& Model() { return *form->CurrentModel; }

    std::unique_ptr<TForm1> form;
};

// A model the recipe replaces: three harmonics with edited fields, an unusual fundamental,
// glide and duration, the selector on its last entry.
void Prepare(TForm1& form)
{
    tmodele& model = *form.CurrentModel;
    model.AddHarmonic(3);
    model.AddHarmonic(7);
    model.Harmonics[1].Active = 0;
    model.Harmonics[2].Amplitude = 0.3;
    model.Harmonics[2].Envelope.fill(17);
    model.Fundamental = 261.63;
    model.Glide = 0.253;
    model.Duration = 7;
    form.ComboBox1->clear();
    form.ComboBox1->addItems({"1", "3", "7"});
    form.ComboBox1->setCurrentIndex(2);
}

}  // namespace

TEST_F(Recipes, EachRecipeReplacesTheHarmonicsAndRefreshesThePageAsALoadDoes)
{
    for (int recipe = 0; recipe < 4; ++recipe) {
        for (int m : {1, 2, 3, 25, 50}) {
            SCOPED_TRACE(std::string(RecipeNames[recipe]) + " up to rank " + std::to_string(m));
            Prepare(*form);
            form->ZoomBtn->click();  // the zoom is one thing a load leaves alone
            const std::uint16_t zoom = form->ZoomFactor;
            const QString zoomShown = form->Label8->text();
            MarkViews();
            Choose(recipe, m);

            // The model: the recipe's harmonics, every other field as it was.
            const std::vector<Expected> expected = ExpectedHarmonics(recipe, m);
            ASSERT_EQ(Model().Harmonics.size(), expected.size());
            QStringList ranks;
            for (std::size_t i = 0; i < expected.size(); ++i) {
                const tharmonique& h = Model().Harmonics[i];
                EXPECT_EQ(h.Rank, expected[i].rank) << "index " << i;
                EXPECT_EQ(Bits(h.Amplitude), Bits(expected[i].amplitude)) << "rank " << expected[i].rank;
                EXPECT_EQ(Bits(h.Phase), Bits(expected[i].phase)) << "rank " << expected[i].rank;
                EXPECT_EQ(h.Active, 1) << "rank " << expected[i].rank;
                EXPECT_EQ(h.Envelope, DefaultEnvelope()) << "rank " << expected[i].rank;
                ranks << QString::number(expected[i].rank);
            }
            EXPECT_EQ(Model().Fundamental, 261.63);
            EXPECT_EQ(Model().Glide, 0.253);
            EXPECT_EQ(Model().Duration, 7);

            // Rendered from the new list, and the page shows it.
            ASSERT_EQ(Model().Rendered, 1);
            EXPECT_EQ(Model().Samples, Model().Copy()->Samples);
            EXPECT_EQ(Entries(), ranks);
            EXPECT_EQ(form->ComboBox1->currentIndex(), 0);
            EXPECT_EQ(form->frequedit->text(), FrenchFixed(261.63, 1));
            EXPECT_EQ(form->dureeUD->value(), 7);
            EXPECT_EQ(form->UpDown1->value(), 25);
            EXPECT_EQ(form->UpDown3->value(), 3);
            EXPECT_EQ(form->ajustampliBtn->isVisible(), expected.size() > 1);
            EXPECT_EQ(form->ajustphasebtn->isVisible(), expected.size() > 1);
            EXPECT_EQ(form->CursorTime, 7 / 100.0);
            EXPECT_EQ(form->ViewStart, 0.0);
            EXPECT_EQ(form->ViewEnd, 7 / 10.0 - 7 / 1000.0);
            EXPECT_EQ(form->ZoomFactor, zoom);
            EXPECT_EQ(form->Label8->text(), zoomShown);

            // Every view redrawn, and drawn from the new model.
            EXPECT_FALSE(AllMarker(form->CourbeImg));
            EXPECT_FALSE(AllMarker(form->SonogImg));
            EXPECT_FALSE(AllMarker(form->SpectreImg));
            QImage wave(form->CourbeImg->Shown().size(), QImage::Format_RGB32);
            Model().DrawWaveform(wave, form->ViewStart, form->ViewEnd);
            EXPECT_EQ(wave, form->CourbeImg->Shown());
            QImage spectrum(form->SpectreImg->Shown().size(), QImage::Format_RGB32);
            Model().DrawSpectrum(spectrum, form->CursorTime);
            EXPECT_EQ(spectrum, form->SpectreImg->Shown());
            QImage graph(form->SonogImg->Shown().size(), QImage::Format_RGB32);
            Model().DrawComponents(graph, form->CursorTime);  // the page starts on "Composantes"
            EXPECT_EQ(graph, form->SonogImg->Shown());
        }
    }
}

TEST_F(Recipes, TheDialogStartsOnTheSquareUpToRank25ThenRemembersTheLastConfirmedChoice)
{
    struct Seen {
        int recipe = -1;
        int rank = -1;
        QString note;
    };
    auto look = [](Seen* seen) {
        return [seen](TForm9* d) {
            seen->recipe = d->recetteItems->checkedId();
            seen->rank = d->rangmaxUD->value();
            seen->note = d->Label2->text();
        };
    };

    Seen first;
    QStringList notes;
    RunRecipe([&](TForm9* d) {
        look (&first)(d);
        EXPECT_EQ(d->windowTitle(), "Recette de Fourier");
        EXPECT_EQ(d->rangmaxUD->minimum(), 1);
        EXPECT_EQ(d->rangmaxUD->maximum(), 50);
        EXPECT_EQ(d->rangmaxUD->singleStep(), 1);
        EXPECT_EQ(d->Label1->text(), "Rang le plus élevé");
        EXPECT_TRUE(d->BitBtn1->isDefault());
        EXPECT_EQ(d->BitBtn1->text(), "OK");
        EXPECT_EQ(d->BitBtn2->text(), "Annuler");
        QStringList captions;
        for (QAbstractButton* b : d->recetteItems->buttons())
            captions << b->text();
        EXPECT_EQ(captions, (QStringList{"Carré", "Dent de scie", "Triangle", "Impulsion"}));
        // A screen reader names the field by its label.
        EXPECT_EQ(QAccessible::queryAccessibleInterface(d->rangmaxUD)->text(QAccessible::Name),
                  "Rang le plus élevé");
        // The note follows the choice and stays on one line that fits.
        for (int k = 0; k < 4; ++k) {
            PickItem(d, k);
            notes << d->Label2->text();
            EXPECT_FALSE(d->Label2->wordWrap());
            EXPECT_LE(d->Label2->fontMetrics().horizontalAdvance(d->Label2->text()), d->Label2->width())
                << d->Label2->text().toStdString();
        }
        EXPECT_EQ(QSet<QString>(notes.begin(), notes.end()).size(), 4) << "one note per recipe";
        d->rangmaxUD->setValue(9);
        QTest::mouseClick(d->BitBtn2, Qt::LeftButton);
    });
    EXPECT_EQ(first.recipe, 0);
    EXPECT_EQ(first.rank, 25);

    // Cancelled: the next showing starts from the first choice again.
    Seen afterCancel;
    RunRecipe([&](TForm9* d) {
        look (&afterCancel)(d);
        PickItem(d, 2);
        d->rangmaxUD->setValue(7);
        QTest::mouseClick(d->BitBtn1, Qt::LeftButton);
    });
    EXPECT_EQ(afterCancel.recipe, 0);
    EXPECT_EQ(afterCancel.rank, 25);
    EXPECT_EQ(Entries(), (QStringList{"1", "3", "5", "7"}));

    Seen afterOk;
    RunRecipe([&](TForm9* d) {
        look (&afterOk)(d);
        QTest::mouseClick(d->BitBtn2, Qt::LeftButton);
    });
    EXPECT_EQ(afterOk.recipe, 2);
    EXPECT_EQ(afterOk.rank, 7);
    ASSERT_EQ(notes.size(), 4);
    EXPECT_EQ(first.note, notes[0]);
    EXPECT_EQ(afterOk.note, notes[2]) << "the note shown is the remembered recipe's";
}

TEST_F(Recipes, CancelChangesNothing)
{
    Prepare(*form);
    form->CurrentModel->Render();
    const std::unique_ptr<tmodele> before = Model().Copy();
    const QStringList entries = Entries();
    MarkViews();
    RunRecipe([](TForm9* d) {
        PickItem(d, 3);
        d->rangmaxUD->setValue(50);
        QTest::mouseClick(d->BitBtn2, Qt::LeftButton);
    });
    ASSERT_EQ(Model().Harmonics.size(), before->Harmonics.size());
    for (std::size_t i = 0; i < before->Harmonics.size(); ++i) {
        EXPECT_EQ(Model().Harmonics[i].Rank, before->Harmonics[i].Rank);
        EXPECT_EQ(Model().Harmonics[i].Active, before->Harmonics[i].Active);
        EXPECT_EQ(Bits(Model().Harmonics[i].Amplitude), Bits(before->Harmonics[i].Amplitude));
        EXPECT_EQ(Model().Harmonics[i].Envelope, before->Harmonics[i].Envelope);
    }
    EXPECT_EQ(Model().Samples, before->Samples);
    EXPECT_EQ(Entries(), entries);
    EXPECT_EQ(form->ComboBox1->currentIndex(), 2);
    EXPECT_TRUE(AllMarker(form->CourbeImg));
    EXPECT_TRUE(AllMarker(form->SonogImg));
    EXPECT_TRUE(AllMarker(form->SpectreImg));
}

TEST_F(Recipes, TheCommandStandsInItsOwnMenuBetweenFileAndHelp)
{
    const QList<QAction*> bar = form->MainMenu1->actions();
    ASSERT_EQ(bar.size(), 3);
    EXPECT_EQ(bar[0]->menu(), form->Fichier1);
    EXPECT_EQ(bar[1]->menu(), form->Edition1);
    EXPECT_EQ(bar[2]->menu(), form->N1);
    EXPECT_EQ(form->Edition1->title(), "Édi&tion");
    EXPECT_EQ(form->Edition1->objectName(), "Edition1");
    EXPECT_EQ(form->Recette1->text(), "Recette de &Fourier…");
    EXPECT_TRUE(form->Edition1->actions().contains(form->Recette1));
}
