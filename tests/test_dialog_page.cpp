// The model page's dialog commands driven through the real main window: each modal dialog is
// answered from its own event loop, as a user would, and the model, the selector and the
// pictures are checked afterwards. A picture filled with a marker colour before a command and
// still all marker afterwards was not redrawn.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <cmath>
#include <numbers>
#include <optional>

#include "model/tmodele.h"
#include "support/dialogs_modal.h"
#include "ui/Sonvelia3.h"
#include "ui/picturebox.h"
#include "ui/sonvelia1.h"
#include "ui/sonvelia2.h"
#include "ui/sonvelia4.h"
#include "ui/sonvelia5.h"
#include "ui/sonvelia6f.h"
#include "ui/updown.h"

using namespace dialogs_test;

namespace {

const QRgb Marker = qRgb(1, 2, 3);  // a colour no view draws

struct Redraws {
    bool waveform;
    bool graph;
    bool spectrum;
    bool operator==(const Redraws&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Redraws& r)
{
    return out << "{waveform " << r.waveform << ", graph " << r.graph << ", spectrum " << r.spectrum << "}";
}

bool Repainted(const PictureBox* picture)
{
    const QImage& image = picture->Shown();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) | 0xff000000u) != (Marker | 0xff000000u))
                return true;
    return false;
}

// Everything a command could change in a model, field by field.
bool SameModel(const tmodele& a, const tmodele& b)
{
    if (a.Fundamental != b.Fundamental || a.Glide != b.Glide || a.Duration != b.Duration ||
        a.Rendered != b.Rendered || a.Samples != b.Samples || a.Harmonics.size() != b.Harmonics.size())
        return false;
    for (std::size_t i = 0; i < a.Harmonics.size(); ++i) {
        const tharmonique &x = a.Harmonics[i], &y = b.Harmonics[i];
        if (x.Active != y.Active || x.Rank != y.Rank || x.Envelope != y.Envelope ||
            x.Amplitude != y.Amplitude || x.Phase != y.Phase)
            return false;
    }
    return true;
}

double Radians(int degrees)
{
    return double(degrees * std::numbers::pi_v<long double> / 180);
}

}  // namespace

class DialogCommands : public ::testing::Test {
protected:
    void SetUp() override
    {
        form = std::make_unique<TForm1>();
        form->show();
        for (int i = 0; i < 4; ++i)
            QCoreApplication::processEvents();
    }

    // Presses a page button and answers the dialog it opens with `answer`; reports the redraws.
    template <class Dialog>
    Redraws Run(QPushButton* button, std::function<void(Dialog*)> answer)
    {
        for (PictureBox* p : {form->CourbeImg, form->SonogImg, form->SpectreImg})
            p->Picture().fill(Marker);
        OnModalOf<Dialog>(answer);
        QTest::mouseClick(button, Qt::LeftButton);
        return {Repainted(form->CourbeImg), Repainted(form->SonogImg), Repainted(form->SpectreImg)};
    }

    // Adds a harmonic through the dialog: rank, amplitude text typed (or kept), phase.
    void Add(int rank, const QString& amplitude, int phase)
    {
        Run<TForm4>(form->AjHarmBtn, [=](TForm4* d) {
            const auto items = d->ListBox1->findItems(QString::number(rank), Qt::MatchExactly);
            ASSERT_EQ(items.size(), 1);
            d->ListBox1->setCurrentItem(items[0]);
            if (!amplitude.isEmpty()) {
                d->Edit1->selectAll();
                QTest::keyClicks(d->Edit1, amplitude);
            }
            d->UpDown1->setValue(phase);
            QTest::mouseClick(d->BitBtn1, Qt::LeftButton);
        });
    }

    void Pick(int index)
    {
        form->ComboBox1->setCurrentIndex(index);
        emit form->ComboBox1->activated(index);
    }

    QStringList Entries() const
    {
        QStringList entries;
        for (int i = 0; i < form->ComboBox1->count(); ++i)
            entries << form->ComboBox1->itemText(i);
        return entries;
    }

    // The sound the model's present fields give, rendered apart.
    std::vector<std::uint8_t> FreshSound() const { return form->CurrentModel->Copy()->Samples; }

    tmodele& Model() { return *form->CurrentModel; }

    std::unique_ptr<TForm1> form;
};

// ---- Add a harmonic --------------------------------------------------------------------

TEST_F(DialogCommands, AddingRanksInOrderWithTheChosenValues)
{
    for (int k = 0; k < 46; ++k)
        Model().Harmonics[0].Envelope[k] = std::uint8_t(k * 5);
    Model().Render();

    Add(5, QString(), 45);  // amplitude left at "1"
    const Redraws all{true, true, true};
    Redraws seen = Run<TForm4>(form->AjHarmBtn, [](TForm4* d) {
        EXPECT_EQ(d->ListBox1->count(), 48);  // 2, 3, 4, 6 ... 50
        d->ListBox1->setCurrentRow(1);        // "3"
        d->TrackBar1->setValue(-3);           // 0,501
        d->Edit1->selectAll();
        QTest::keyClicks(d->Edit1, QStringLiteral("0,25"));  // the text counts, not the slider
        d->UpDown1->setFocus();
        for (int i = 0; i < 36; ++i)
            QTest::keyClick(d->UpDown1, Qt::Key_Down);  // ... -175, -179
        QTest::keyClick(d->ListBox1, Qt::Key_Return);
    });
    EXPECT_EQ(seen, all);

    EXPECT_EQ(Entries(), QStringList({"1", "3", "5"}));
    EXPECT_EQ(form->ComboBox1->currentIndex(), 1);
    ASSERT_EQ(Model().Harmonics.size(), 3u);
    EXPECT_EQ(Model().Harmonics[1].Rank, 3);
    EXPECT_EQ(Model().Harmonics[2].Rank, 5);
    for (int i : {1, 2})
        EXPECT_EQ(Model().Harmonics[i].Envelope, Model().Harmonics[0].Envelope);
    EXPECT_DOUBLE_EQ(Model().Harmonics[2].Amplitude, 1.0);
    EXPECT_EQ(Model().Harmonics[2].Phase, Radians(45));
    EXPECT_DOUBLE_EQ(Model().Harmonics[1].Amplitude, 0.25);
    EXPECT_EQ(Model().Harmonics[1].Phase, Radians(-179));
    EXPECT_TRUE(form->CheckBox2->isChecked());
    EXPECT_TRUE(form->Supprharmbtn->isEnabled());
    EXPECT_FALSE(form->ajustampliBtn->isHidden());
    EXPECT_FALSE(form->ajustphasebtn->isHidden());
    // Rendered after every field was set.
    EXPECT_EQ(Model().Samples, FreshSound());
}

TEST_F(DialogCommands, AddingWithTheSliderAmplitude)
{
    Run<TForm4>(form->AjHarmBtn, [](TForm4* d) {
        d->TrackBar1->setValue(-10);
        QTest::mouseClick(d->BitBtn1, Qt::LeftButton);
    });
    ASSERT_EQ(Model().Harmonics.size(), 2u);
    EXPECT_EQ(Model().Harmonics[1].Rank, 2);  // the first free rank, selected at opening
    EXPECT_DOUBLE_EQ(Model().Harmonics[1].Amplitude, 0.1);
    EXPECT_EQ(Model().Harmonics[1].Phase, 0.0);
}

TEST_F(DialogCommands, AnAmplitudeThatIsNoNumberAddsNothing)
{
    Model().Render();
    const auto before = Model().Copy();
    MessageBoxCatcher boxes;
    Run<TForm4>(form->AjHarmBtn, [](TForm4* d) {
        d->Edit1->selectAll();
        QTest::keyClicks(d->Edit1, QStringLiteral("x"));
        QTest::qWait(30);
        EXPECT_TRUE(d->isVisible()) << "the dialog stays open after the error";
        QTest::mouseClick(d->BitBtn1, Qt::LeftButton);
    });
    QTest::qWait(30);
    const QString text = QStringLiteral("'x' n'est pas une valeur en virgule flottante correcte.");
    EXPECT_EQ(boxes.Texts(), QStringList({text, text}));  // at the change, then at the page's conversion
    EXPECT_TRUE(SameModel(Model(), *before));
    EXPECT_EQ(Entries(), QStringList({"1"}));
    EXPECT_TRUE(form->ajustampliBtn->isHidden());
}

TEST_F(DialogCommands, AFullModelOffersNoRankAndAddsNothing)
{
    for (int r = 2; r <= 50; ++r) {
        Model().AddHarmonic(std::uint8_t(r));
        form->ComboBox1->addItem(QString::number(r));
    }
    Model().Render();
    const auto before = Model().Copy();
    const Redraws seen = Run<TForm4>(form->AjHarmBtn, [](TForm4* d) {
        EXPECT_EQ(d->ListBox1->count(), 0);
        QTest::mouseClick(d->BitBtn1, Qt::LeftButton);
    });
    EXPECT_EQ(seen, (Redraws{false, false, false}));
    EXPECT_TRUE(SameModel(Model(), *before));
    EXPECT_EQ(form->ComboBox1->count(), 50);
}

// ---- Envelope editor -------------------------------------------------------------------

TEST_F(DialogCommands, EnvelopeScaledIntoEveryHarmonicOrTheSelectedOne)
{
    Add(3, QString(), 0);
    Add(5, QString(), 0);
    for (bool perHarmonic : {false, true}) {
        form->CheckBox1->setChecked(perHarmonic);
        Pick(1);
        const std::vector<tenveloppe> before{Model().Harmonics[0].Envelope, Model().Harmonics[1].Envelope,
                                             Model().Harmonics[2].Envelope};
        tenveloppe drawn{};
        const Redraws seen = Run<TForm2>(form->Button3, [&](TForm2* d) {
            EXPECT_TRUE(d->Button2->isEnabled());
            EXPECT_EQ(d->WorkEnvelope, before[1]);
            for (int k = 0; k < 46; ++k)
                d->WorkEnvelope[k] = std::uint8_t(k % 3 == 0 ? 17 : 34 + k % 2);
            d->PaintBox1Paint();
            Click(d->PaintBox1, Qt::LeftButton, QPoint(7 * 20 + 3, 265 - 51));  // the peak: 51
            drawn = d->WorkEnvelope;
            QTest::mouseClick(d->BitBtn1, Qt::LeftButton);
        });
        EXPECT_EQ(seen, (Redraws{true, true, true}));
        tenveloppe scaled{};
        for (int k = 0; k < 46; ++k)
            scaled[k] = std::uint8_t(std::nearbyint(drawn[k] / 51.0 * 255));
        EXPECT_EQ(scaled[20], 255);
        EXPECT_EQ(scaled[3], 85);  // 17 x 5
        EXPECT_EQ(form->Form2->WorkEnvelope, drawn) << "the editor keeps the drawing as drawn";
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(Model().Harmonics[i].Envelope, (i == 1 || !perHarmonic) ? scaled : before[i])
                << "harmonic " << i << (perHarmonic ? " per harmonic" : " shared");
        EXPECT_EQ(Model().Samples, FreshSound());
    }
}

TEST_F(DialogCommands, FundamentalEnvelopeButtonOnlyForOtherHarmonics)
{
    Add(2, QString(), 0);
    form->CheckBox1->setChecked(true);
    for (int k = 0; k < 46; ++k)
        Model().Harmonics[0].Envelope[k] = std::uint8_t(255 - k);
    for (int index : {0, 1}) {
        Pick(index);
        Run<TForm2>(form->Button3, [index, this](TForm2* d) {
            EXPECT_EQ(d->Button2->isEnabled(), index != 0);
            if (index != 0) {
                QTest::mouseClick(d->Button2, Qt::LeftButton);
                EXPECT_EQ(d->WorkEnvelope, Model().Harmonics[0].Envelope);
            }
            QTest::mouseClick(d->BitBtn2, Qt::LeftButton);
        });
    }
}

TEST_F(DialogCommands, AnAllZeroEnvelopeIsRefusedAndChangesNothing)
{
    Add(4, QString(), 30);
    Model().Render();
    const auto before = Model().Copy();
    MessageBoxCatcher boxes;
    const Redraws seen = Run<TForm2>(form->Button3, [](TForm2* d) {
        for (int x = 1; x < 322; x += 7)
            Click(d->PaintBox1, Qt::RightButton, QPoint(x, 300));
        QTest::keyClick(d, Qt::Key_Return);
    });
    QTest::qWait(30);
    EXPECT_EQ(boxes.Texts(), QStringList({QStringLiteral("Opération en virgule flottante incorrecte.")}));
    EXPECT_EQ(seen, (Redraws{false, false, false}));
    EXPECT_TRUE(SameModel(Model(), *before));
    tenveloppe zeros{};
    EXPECT_EQ(form->Form2->WorkEnvelope, zeros);
}

TEST_F(DialogCommands, PendingEventsRunBeforeTheEnvelopeIsApplied)
{
    // An event queued as the editor closes is handled before the new envelope reaches the model.
    std::optional<tenveloppe> seenByQueued;
    Run<TForm2>(form->Button3, [&](TForm2* d) {
        QTest::mouseClick(d->Button1, Qt::LeftButton);
        d->WorkEnvelope[10] = 100;
        d->done(QDialog::Accepted);
        QTimer::singleShot(0, form.get(), [&] { seenByQueued = Model().Harmonics[0].Envelope; });
    });
    ASSERT_TRUE(seenByQueued.has_value()) << "the queued event did not run inside the command";
    EXPECT_EQ((*seenByQueued)[10], 255);
    EXPECT_EQ(Model().Harmonics[0].Envelope[10], 100);
}

// ---- Frequency selector ----------------------------------------------------------------

TEST_F(DialogCommands, SelectorStoresTheFrequencyAndRecomputesTheGlide)
{
    // Spinners set without their handler: the command itself reads them again.
    form->UpDown1->setValue(5);
    form->UpDown3->setValue(-3);
    ASSERT_EQ(Model().Glide, 0.0);
    const Redraws seen = Run<TForm3>(form->Button2, [](TForm3* d) {
        EXPECT_EQ(d->CursorLeft(), 508);
        Click(d->Shape1, Qt::LeftButton, QPoint(0, 20));
        QTest::mouseClick(d->BitBtn1, Qt::LeftButton);
    });
    EXPECT_EQ(seen, (Redraws{true, false, false}));
    EXPECT_EQ(Model().Fundamental, 75.0);
    EXPECT_EQ(form->frequedit->text(), QStringLiteral("75,0"));
    EXPECT_DOUBLE_EQ(Model().Glide, 5 / 100.0 - 3 / 1000.0);
    EXPECT_EQ(Model().Samples, FreshSound());

    // OK without any change returns the model's own frequency.
    Run<TForm3>(form->Button2, [](TForm3* d) { QTest::keyClick(d, Qt::Key_Return); });
    EXPECT_EQ(Model().Fundamental, 75.0);

    Run<TForm3>(form->Button2, [](TForm3* d) {
        QTest::mouseClick(d->SpeedButtons[1], Qt::LeftButton);
        QTest::mouseClick(d->BitBtn1, Qt::LeftButton);
    });
    EXPECT_DOUBLE_EQ(Model().Fundamental, 490 + 0 * 520.0 / 606);
    EXPECT_EQ(form->frequedit->text(), QStringLiteral("490,0"));
}

// ---- Relative amplitudes ---------------------------------------------------------------

TEST_F(DialogCommands, AmplitudesReadFromTheSlidersAndReleased)
{
    Add(2, QStringLiteral("0,75"), 0);
    Add(7, QStringLiteral("0,01"), 0);
    const Redraws seen = Run<TForm5>(form->ajustampliBtn, [](TForm5* d) {
        ASSERT_EQ(d->AmplitudeSliders.size(), 3u);
        EXPECT_EQ(d->AmplitudeLabels[2]->text(), QStringLiteral("7f"));
        d->AmplitudeSliders[2]->setFocus();
        QTest::keyClick(d->AmplitudeSliders[2], Qt::Key_PageDown);  // 50 further down
        QTest::mouseClick(d->BitBtn1, Qt::LeftButton);
    });
    EXPECT_EQ(seen, (Redraws{true, true, true}));
    auto expected = [](double a) {
        return (250.0 - std::clamp(int(std::trunc(250 - 250 * a)), 1, 250)) / 250;
    };
    EXPECT_DOUBLE_EQ(Model().Harmonics[0].Amplitude, expected(1.0));
    EXPECT_DOUBLE_EQ(Model().Harmonics[0].Amplitude, 0.996);
    EXPECT_DOUBLE_EQ(Model().Harmonics[1].Amplitude, 0.752);
    const int p7 = std::clamp(int(std::trunc(250 - 250 * 0.01)), 1, 250) + 50;
    EXPECT_DOUBLE_EQ(Model().Harmonics[2].Amplitude, (250.0 - std::min(p7, 250)) / 250);
    EXPECT_TRUE(form->Form5->AmplitudeSliders.empty());
    EXPECT_TRUE(form->Form5->findChildren<QSlider*>().isEmpty());
    EXPECT_EQ(Model().Samples, FreshSound());
}

// ---- Phase -----------------------------------------------------------------------------

TEST_F(DialogCommands, PhaseKeptByOkAndEditedForTheSelectedHarmonic)
{
    Add(3, QString(), 45);
    ASSERT_EQ(form->ComboBox1->currentIndex(), 1);
    Redraws seen = Run<TForm6>(form->ajustphasebtn, [](TForm6* d) {
        EXPECT_EQ(d->Label1->text(), QStringLiteral("Phase à l'origine de l'harmonique3"));
        EXPECT_EQ(d->Edit1->text(), QStringLiteral("45"));
        QTest::mouseClick(d->BitBtn1, Qt::LeftButton);
    });
    EXPECT_EQ(Model().Harmonics[1].Phase, Radians(45));
    EXPECT_EQ(seen, (Redraws{true, true, false}));

    Run<TForm6>(form->ajustphasebtn, [](TForm6* d) {
        d->Edit1->selectAll();
        QTest::keyClicks(d->Edit1, QStringLiteral("-90"));
        QTest::keyClick(d->Edit1, Qt::Key_Return);
    });
    EXPECT_EQ(Model().Harmonics[1].Phase, Radians(-90));
    EXPECT_EQ(Model().Samples, FreshSound());
}

TEST_F(DialogCommands, PhaseOfTheFundamentalOpensNothing)
{
    Add(2, QString(), 10);
    Pick(0);
    bool opened = false;
    OnModalOf<TForm6>(
        [&](TForm6* d) {
            opened = true;
            d->reject();
        },
        200);
    const auto before = Model().Copy();
    QTest::mouseClick(form->ajustphasebtn, Qt::LeftButton);
    QTest::qWait(250);
    EXPECT_FALSE(opened);
    EXPECT_TRUE(SameModel(Model(), *before));
}

// ---- Cancel changes nothing anywhere ---------------------------------------------------

TEST_F(DialogCommands, CancelChangesNothingAnywhere)
{
    Add(3, QStringLiteral("0,5"), 20);
    Model().Render();
    const auto before = Model().Copy();
    const QStringList entries = Entries();
    const QString frequency = form->frequedit->text();
    const QString cursor = form->CurseurEdit->text();
    const Redraws none{false, false, false};

    EXPECT_EQ(Run<TForm4>(form->AjHarmBtn,
                          [](TForm4* d) {
                              d->TrackBar1->setValue(-5);
                              QTest::mouseClick(d->BitBtn2, Qt::LeftButton);
                          }),
              none);
    EXPECT_EQ(Run<TForm2>(form->Button3,
                          [](TForm2* d) {
                              Click(d->PaintBox1, Qt::LeftButton, QPoint(50, 50));
                              QTest::keyClick(d, Qt::Key_Escape);
                          }),
              none);
    EXPECT_EQ(Run<TForm3>(form->Button2,
                          [](TForm3* d) {
                              Click(d->Shape1, Qt::LeftButton, QPoint(100, 20));
                              QTest::mouseClick(d->BitBtn2, Qt::LeftButton);  // "Abandon"
                          }),
              none);
    EXPECT_EQ(Run<TForm3>(form->Button2, [](TForm3* d) { d->close(); }), none);
    EXPECT_EQ(Run<TForm5>(form->ajustampliBtn,
                          [](TForm5* d) {
                              d->AmplitudeSliders[0]->setValue(200);
                              QTest::mouseClick(d->BitBtn2, Qt::LeftButton);
                          }),
              none);
    EXPECT_TRUE(form->Form5->findChildren<QSlider*>().isEmpty()) << "released after Cancel too";
    EXPECT_EQ(Run<TForm6>(form->ajustphasebtn,
                          [](TForm6* d) {
                              d->UpDown1->setValue(-100);
                              QTest::keyClick(d, Qt::Key_Escape);
                          }),
              none);

    EXPECT_TRUE(SameModel(Model(), *before));
    EXPECT_EQ(Entries(), entries);
    EXPECT_EQ(form->ComboBox1->currentIndex(), 1);
    EXPECT_EQ(form->frequedit->text(), frequency);
    EXPECT_EQ(form->CurseurEdit->text(), cursor);
}
