// What a screen reader is told and what the keyboard does, through the toolkit's accessibility
// interfaces: names, labels tied to their fields, picture descriptions, the keys of the time
// cursor and of the envelope editor, the tab order.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTextEdit>
#include <QToolButton>

#include "model/tmodele.h"
#include "support/dialogs_modal.h"
#include "ui/Sonvelia3.h"
#include "ui/Sonvelia6.h"
#include "ui/errorbox.h"
#include "ui/picturebox.h"
#include "ui/picturetext.h"
#include "ui/sonvelia1.h"
#include "ui/sonvelia2.h"
#include "ui/sonvelia4.h"
#include "ui/sonvelia5.h"
#include "ui/sonvelia6f.h"
#include "ui/sonvelia7.h"
#include "ui/sonvelia8.h"
#include "ui/updown.h"

using dialogs_test::Settle;

namespace {

using dialogs_test::OnModal;
using dialogs_test::OnModalOf;

QString NameOf(QObject* object)
{
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(object);
    return iface ? iface->text(QAccessible::Name) : QStringLiteral("<none>");
}

// A model of the fundamental and rank 3 at 0,5, both with the default envelope.
std::unique_ptr<tmodele> FundamentalAndThird(double third = 0.5)
{
    auto model = std::make_unique<tmodele>();
    model->AddHarmonic(1);
    model->AddHarmonic(3);
    model->Harmonics[1].Amplitude = third;
    return model;
}

// Every control the Tab key stops at inside `window`, and every button, has a name.
void ExpectEveryControlNamed(QWidget* window, const char* where)
{
    int count = 0;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (w->window() != window)
            continue;
        const bool stop = (w->focusPolicy() & Qt::TabFocus) && w->focusProxy() == nullptr;
        if (!stop && !qobject_cast<QAbstractButton*>(w))
            continue;
        ++count;
        EXPECT_FALSE(NameOf(w).trimmed().isEmpty())
            << where << ": " << w->metaObject()->className() << " " << w->objectName().toStdString();
    }
    EXPECT_GT(count, 0) << where;
}

class Accessibility : public ::testing::Test {
protected:
    void SetUp() override
    {
        form = std::make_unique<TForm1>();
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        Settle();
    }

    // Adds a harmonic through the real dialog, as the user would.
    void AddHarmonic(const QString& rank, const QString& amplitude)
    {
        OnModalOf<TForm4>([=](TForm4* d) {
            d->ListBox1->setCurrentItem(d->ListBox1->findItems(rank, Qt::MatchExactly).value(0));
            d->Edit1->setText(amplitude);
            d->BitBtn1->click();
        });
        form->AjHarmBtn->click();
        Settle();
    }

    std::unique_ptr<TForm1> form;
};

// ---- Names -------------------------------------------------------------------------------

TEST_F(Accessibility, ControlsAreNamedAfterTheirCaptionsLabelsAndHints)
{
    struct Case {
        const char* window;  // objectName of the window, "" for the main window
        const char* control;
        const char* name;
        const char* label;  // the label tied to the control, "" for none
    };
    const Case cases[] = {
        {"", "NvModeleBtn", "Nouveau", ""},
        {"", "RecWavBtn", ".wav", ""},
        {"", "Button6", "Ecouter le modèle actif ", ""},
        {"", "frequedit", "Fréquence (Hz)", "Label2"},
        {"", "dureeUD", "Durée (en s/10)", "Label9"},
        {"", "dureeEdit", "Durée (en s/10)", ""},
        {"", "Edit2", "Glissement en fréquence, pour cent", ""},
        {"", "UpDown1", "Glissement en fréquence, pour cent", "Label6"},
        {"", "Edit3", "Glissement en fréquence, pour mille", ""},
        {"", "ComboBox1", "", "Label4"},  // a combo box says its entry; the label names it
        {"", "CurseurEdit", "Curseur à", "Label7"},
        {"", "ZoomBtn", "zoom avant", ""},
        {"", "AnnZoomBtn", "zoom arrière", ""},
        {"", "ToolButton1", "100%", ""},
        {"", "ToolButton4", "voir plus à gauche", ""},
        {"", "ToolButton5", "voir plus à droite", ""},
        {"", "ToolButton7", "mesures de durée", ""},
        {"", "CourbeImg", "Forme d'onde", ""},
        {"", "SpectreImg", "Spectre", ""},
        {"", "SonogImg", "Composantes", ""},
        {"", "seriecourbe", "Forme d'onde de la série", ""},
        {"", "seriespectre", "Spectre de la série", ""},
        {"", "seriesonog", "Composantes de la série", ""},
        {"", "CheckListBox1", "Modèles de la série", ""},
        {"Form2", "PaintBox1", "Enveloppe", ""},
        {"Form2", "Button1", "Réinitialiser", ""},
        {"Form3", "BitBtn2", "Abandon", ""},
        {"Form3", "SpeedButton2", "gamme 500..1000", ""},
        {"Form4", "ListBox1", "Rang", "Label1"},
        {"Form4", "Edit1", "amplitude relative", "Label2"},
        {"Form4", "TrackBar1", "amplitude relative", ""},
        {"Form4", "Edit2", "Phase", ""},
        {"Form4", "UpDown1", "Phase", "Label6"},
        {"Form6", "Edit1", "Phase", ""},
        {"Form6", "UpDown1", "Phase", "Label1"},
        {"Form7", "papier", "Caractéristiques spectrales", ""},
        {"Form7", "Copbtn", "Copier", ""},
        {"AboutBox", "OKButton", "OK", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.window) + " " + c.control);
        QWidget* window = *c.window ? form->findChild<QWidget*>(QLatin1String(c.window)) : form.get();
        ASSERT_NE(window, nullptr);
        auto* control = window->findChild<QWidget*>(QLatin1String(c.control));
        ASSERT_NE(control, nullptr);
        if (*c.name) {
            EXPECT_EQ(NameOf(control), QString::fromUtf8(c.name));
        }
        if (*c.label) {
            auto* label = window->findChild<QLabel*>(QLatin1String(c.label));
            ASSERT_NE(label, nullptr);
            EXPECT_EQ(label->buddy(), control);
            // The toolkit's "labelled by" link, which a screen reader follows from the field. The
            // toolkit gives it to the list's interface no link: that one is named directly.
            if (qobject_cast<QAbstractItemView*>(control))
                continue;
            bool labelled = false;
            for (const auto& [other, relation] :
                 QAccessible::queryAccessibleInterface(control)->relations(QAccessible::Label))
                labelled = labelled || other->object() == label;
            EXPECT_TRUE(labelled);
        }
    }
}

TEST_F(Accessibility, EveryControlOfEveryWindowHasAName)
{
    ExpectEveryControlNamed(form.get(), "Form1");
    for (const char* dialog : {"Form2", "Form3", "Form4", "Form5", "Form6", "Form7", "AboutBox"})
        ExpectEveryControlNamed(form->findChild<QWidget*>(QLatin1String(dialog)), dialog);
    MeasureTarget target;
    target.Panel5 = form->Panel5;
    target.CourbeImg = form->CourbeImg;
    target.CurseurTemps = form->CurseurTemps;
    target.CurseurEdit = form->CurseurEdit;
    TForm8 measures(target, form.get());
    ExpectEveryControlNamed(&measures, "Form8");
    EXPECT_EQ(NameOf(measures.Edit_t1), "t1");
    EXPECT_EQ(NameOf(measures.UpDown2->Right), "Curseur 2 vers la droite");

    // The question before a deletion, and the error box.
    AddHarmonic(QStringLiteral("3"), QStringLiteral("0,5"));
    int boxes = 0;
    auto named = [&boxes](QWidget* box) {
        ExpectEveryControlNamed(box, "message box");
        ++boxes;
        static_cast<QDialog*>(box)->reject();
    };
    OnModal([](QWidget* w) { return qobject_cast<QMessageBox*>(w) != nullptr; }, named);
    form->Supprharmbtn->click();
    OnModal([](QWidget* w) { return qobject_cast<QMessageBox*>(w) != nullptr; }, named);
    ShowErrorBox(form.get(), QStringLiteral("Fichier introuvable"));
    EXPECT_EQ(boxes, 2);
}

TEST_F(Accessibility, AmplitudeSlidersAreNamedAfterTheirHarmonicsAndGiveTheirAmplitudes)
{
    AddHarmonic(QStringLiteral("3"), QStringLiteral("0,5"));
    AddHarmonic(QStringLiteral("7"), QStringLiteral("0,25"));
    bool seen = false;
    OnModalOf<TForm5>([&seen](TForm5* d) {
        const char* names[] = {"amplitude du fondamental", "amplitude de l'harmonique 3",
                               "amplitude de l'harmonique 7"};
        const double amplitudes[] = {0.996, 0.5, 0.252};  // as the 250 positions can show them
        ASSERT_EQ(d->AmplitudeSliders.size(), 3u);
        for (std::size_t i = 0; i < 3; ++i) {
            QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(d->AmplitudeSliders[i]);
            ASSERT_NE(iface, nullptr);
            EXPECT_EQ(iface->text(QAccessible::Name), QString::fromUtf8(names[i]));
            EXPECT_EQ(iface->role(), QAccessible::Slider);
            QAccessibleValueInterface* value = iface->valueInterface();
            ASSERT_NE(value, nullptr);
            EXPECT_DOUBLE_EQ(value->currentValue().toDouble(), d->AmplitudeOf(i));
            EXPECT_NEAR(value->currentValue().toDouble(), amplitudes[i], 1e-12);
            EXPECT_DOUBLE_EQ(value->minimumValue().toDouble(), 0.0);
            // Setting the value from the reader moves the slider to the position of that amplitude.
            value->setCurrentValue(0.5);
            EXPECT_EQ(d->AmplitudeSliders[i]->value(), amplitudelayout::PositionFor(0.5));
        }
        seen = true;
        d->reject();
    });
    form->ajustampliBtn->click();
    EXPECT_TRUE(seen);
}

TEST_F(Accessibility, TheTabInFrontIsSelected)
{
    QAccessibleInterface* tabs = QAccessible::queryAccessibleInterface(form->PageControl1->tabBar());
    ASSERT_NE(tabs, nullptr);
    ASSERT_GE(tabs->childCount(), 2);
    const struct {
        QWidget* page;
        bool modelSelected;
    } cases[] = {{form->PageSerie, false}, {form->ModelePage, true}};
    EXPECT_TRUE(tabs->child(0)->state().selected);
    EXPECT_FALSE(tabs->child(1)->state().selected);
    for (const auto& c : cases) {
        form->PageControl1->setCurrentWidget(c.page);
        Settle();
        EXPECT_EQ(tabs->child(0)->state().selected, c.modelSelected);
        EXPECT_EQ(tabs->child(1)->state().selected, !c.modelSelected);
        EXPECT_EQ(tabs->child(0)->text(QAccessible::Name), "Modèle");
        EXPECT_EQ(tabs->child(1)->text(QAccessible::Name), "Série");
        EXPECT_EQ(tabs->child(0)->role(), QAccessible::PageTab);
    }
}

// ---- Descriptions ------------------------------------------------------------------------

TEST(PictureText, DescriptionsFollowTheModel)
{
    const auto model = FundamentalAndThird();
    auto silent = FundamentalAndThird();
    silent->Harmonics[1].Active = 0;
    silent->Harmonics[0].Active = 0;
    auto third = FundamentalAndThird();
    third->Harmonics[0].Active = 0;
    const struct {
        QString text;
        QString expected;
    } cases[] = {
        {picturetext::Waveform(0, 0.99, 0.1), "Forme d'onde de 0 s à 0,99 s, curseur à 1,0000E-01 s"},
        {picturetext::SeriesWaveform(0, 1), "Forme d'onde de 0 s à 1 s"},
        {picturetext::Spectrum(*model, 0.1),
         "Spectre à la date 0,1 s : rang 1 amplitude 255, rang 3 amplitude 128"},
        // On the rise from point 0 (0) to point 1 (255): 114,75 and 57,375.
        {picturetext::Spectrum(*model, 0.01),
         "Spectre à la date 0,01 s : rang 1 amplitude 115, rang 3 amplitude 57"},
        {picturetext::Spectrum(*third, 0.5), "Spectre à la date 0,5 s : rang 3 amplitude 128"},
        {picturetext::Spectrum(*silent, 0.5), "Spectre à la date 0,5 s : aucune harmonique active"},
        {picturetext::Sonogram(*model), "Sonagramme : rang 1 niveau maximal 255, rang 3 niveau maximal 128"},
        {picturetext::Sonogram(*third), "Sonagramme : rang 3 niveau maximal 128"},
        // 1 row in 100 pixels, 3 in 200: the components view draws no more.
        {picturetext::Components(*model, 0.1, 100), "Composantes à la date 0,1 s : rang 1"},
        {picturetext::Components(*model, 0.1, 200), "Composantes à la date 0,1 s : rangs 1, 3"},
        {picturetext::Components(*third, 0.1, 200), "Composantes à la date 0,1 s : rang 3"},
        {picturetext::Components(*third, 0.1, 100), "Composantes à la date 0,1 s : aucune harmonique active"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.text, c.expected);
}

TEST(PictureText, SpectrumAmplitudesAreThoseOfTheSpectralReport)
{
    auto model = FundamentalAndThird(0.37);
    model->Duration = 23;
    model->Harmonics[1].Envelope[7] = 40;
    for (double t : {0.0, 0.013, 0.35, 0.36, 1.1, 2.29, 2.3}) {
        SCOPED_TRACE(t);
        const QStringList report = SpectralReportLines(*model, t);
        const QString text = picturetext::Spectrum(*model, t);
        for (std::size_t i = 0; i < model->Harmonics.size(); ++i) {
            // The report's harmonic lines: rank, tab, amplitude, ...
            const QStringList fields = report[report.size() - 2 + qsizetype(i)].split(QLatin1Char('\t'));
            EXPECT_TRUE(text.contains(QStringLiteral("rang ") + fields[0] + QStringLiteral(" amplitude ") +
                                      fields[1]))
                << text.toStdString();
        }
    }
}

TEST(PictureText, EnvelopeGivesEveryPointAndTheChosenOne)
{
    tenveloppe envelope{};
    ResetEnvelope(envelope);
    envelope[3] = 17;
    const QString none = picturetext::Envelope(envelope, -1);
    EXPECT_TRUE(
        none.startsWith("46 points de 0 à 255 ; point 0 : 0, point 1 : 255, point 2 : 255, point 3 : 17"));
    EXPECT_TRUE(none.endsWith("point 44 : 255, point 45 : 0"));
    EXPECT_EQ(none.count(QStringLiteral("point ")), 46);
    EXPECT_EQ(picturetext::Envelope(envelope, 3), none + ". Point choisi : 3, valeur 17");
}

TEST_F(Accessibility, PicturesAreDescribedAgainEachTimeTheyAreDrawn)
{
    EXPECT_EQ(form->SpectreImg->accessibleDescription(), "Spectre à la date 0,1 s : rang 1 amplitude 255");
    AddHarmonic(QStringLiteral("3"), QStringLiteral("0,5"));
    EXPECT_EQ(form->SpectreImg->accessibleDescription(),
              picturetext::Spectrum(*form->CurrentModel, form->CursorTime));
    EXPECT_TRUE(form->SpectreImg->accessibleDescription().endsWith("rang 3 amplitude 128"));
    EXPECT_EQ(form->SonogImg->accessibleDescription(),
              picturetext::Components(*form->CurrentModel, form->CursorTime, form->SonogImg->height()));

    // After any command that draws them again (whether the screen reader hears of it is seen on
    // the real accessibility bus, by the bus test).
    form->choixgrapheItems->button(0)->click();  // "Sonagramme"
    Settle();
    EXPECT_EQ(NameOf(form->SonogImg), "Sonagramme");
    EXPECT_EQ(form->SonogImg->accessibleDescription(), picturetext::Sonogram(*form->CurrentModel));
    form->ZoomBtn->click();
    EXPECT_EQ(form->ViewEnd - form->ViewStart, 0.5);
    EXPECT_EQ(form->CourbeImg->accessibleDescription(),
              picturetext::Waveform(form->ViewStart, form->ViewEnd, form->CursorTime));

    // The series page's pictures describe the series model shown.
    form->AjListeBtn->click();
    form->PageControl1->setCurrentWidget(form->PageSerie);
    Settle();
    EXPECT_EQ(form->seriespectre->accessibleDescription(), picturetext::Spectrum(*form->Series[0], 0.5));
    EXPECT_EQ(form->seriecourbe->accessibleDescription(), "Forme d'onde de 0 s à 1 s");
    EXPECT_EQ(NameOf(form->seriesonog), "Sonagramme de la série");
}

// ---- Keys --------------------------------------------------------------------------------

// Each key on the waveform does what a left click at the new x does.
TEST(WaveformKeys, EachKeyActsAsAClickAtTheNewPlace)
{
    const struct {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int from;  // the cursor's x before the key, -1: where a new model puts it
        int to;    // the x clicked instead, -1: the last x a click takes
    } cases[] = {
        {Qt::Key_Right, Qt::NoModifier, -1, 1},  {Qt::Key_Right, Qt::ShiftModifier, -1, 10},
        {Qt::Key_Left, Qt::NoModifier, -1, -1},  {Qt::Key_Left, Qt::ShiftModifier, -1, -10},
        {Qt::Key_Home, Qt::NoModifier, 200, 0},  {Qt::Key_End, Qt::NoModifier, 10, -1},
        {Qt::Key_Left, Qt::NoModifier, 0, 0},    {Qt::Key_Left, Qt::ShiftModifier, 4, 0},
        {Qt::Key_Right, Qt::NoModifier, -2, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(QKeySequence(c.key | c.modifiers).toString().toStdString() + " from " +
                     std::to_string(c.from));
        TForm1 byKey;
        TForm1 byMouse;
        for (TForm1* f : {&byKey, &byMouse}) {
            f->show();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(f));
        }
        Settle();
        const int last = byKey.CourbeImg->width() - byKey.CurseurTemps->width() - 1;
        const int y = byKey.CourbeImg->height() / 2;
        // Where the key starts from, set by a click on both windows alike.
        const int from = c.from == -2 ? last : c.from;
        if (from >= 0)
            for (TForm1* f : {&byKey, &byMouse})
                QTest::mouseClick(f->CourbeImg, Qt::LeftButton, {}, QPoint(from, y));
        const int start = byKey.CurseurTemps->x();
        int to = c.to;
        if (c.from == -1)
            to = start + c.to;
        else if (c.to == -1)
            to = last;

        QTest::keyClick(byKey.CourbeImg, c.key, c.modifiers);
        QTest::mouseClick(byMouse.CourbeImg, Qt::LeftButton, {}, QPoint(to, y));
        EXPECT_EQ(byKey.CursorTime, byMouse.CursorTime);
        EXPECT_EQ(byKey.CurseurTemps->x(), byMouse.CurseurTemps->x());
        EXPECT_EQ(byKey.CurseurEdit->text(), byMouse.CurseurEdit->text());
        EXPECT_TRUE(byKey.SpectreImg->Shown() == byMouse.SpectreImg->Shown());
        EXPECT_TRUE(byKey.SonogImg->Shown() == byMouse.SonogImg->Shown());
        EXPECT_EQ(byKey.CourbeImg->accessibleDescription(), byMouse.CourbeImg->accessibleDescription());
    }
}

TEST_F(Accessibility, TheWaveformTakesTheFocusFromTabOnlyAndFramesItOutsideThePicture)
{
    const QImage before = form->CourbeImg->Shown();
    QTest::mouseClick(form->CourbeImg, Qt::LeftButton, {}, QPoint(30, 20));
    EXPECT_FALSE(form->CourbeImg->hasFocus());  // a click keeps doing only what it did
    form->activateWindow();
    form->CourbeImg->setFocus(Qt::TabFocusReason);
    Settle();
    ASSERT_TRUE(form->CourbeImg->hasFocus());
    auto* ring = form->Panel5->findChild<QWidget*>(QStringLiteral("CourbeImg_focus"));
    ASSERT_NE(ring, nullptr);
    EXPECT_TRUE(ring->isVisible());
    EXPECT_TRUE(ring->geometry().contains(form->CourbeImg->geometry()));
    EXPECT_NE(ring->geometry(), form->CourbeImg->geometry());
    // The picture is what the model drew, focus or not.
    QImage drawn = form->CourbeImg->Shown();
    form->RedrawWaveform();
    EXPECT_TRUE(form->CourbeImg->Shown() == drawn);
    EXPECT_FALSE(before.isNull());
    form->Button6->setFocus();
    Settle();
    EXPECT_FALSE(ring->isVisible());
}

TEST(EnvelopeKeys, EachKeyActsAsAClickAtThePointsColumnAndHeight)
{
    const struct {
        std::vector<Qt::Key> keys;
        int point;
        int value;
    } cases[] = {
        {{Qt::Key_Right, Qt::Key_Right, Qt::Key_Right, Qt::Key_Down}, 3, 254},
        {{Qt::Key_Right, Qt::Key_PageDown}, 1, 239},
        {{Qt::Key_Right, Qt::Key_PageDown, Qt::Key_PageUp, Qt::Key_PageUp}, 1, 255},  // held at 255
        {{Qt::Key_Up}, 0, 1},
        {{Qt::Key_Down}, 0, 0},  // held at 0
        {{Qt::Key_Home}, 0, 255},
        {{Qt::Key_Right, Qt::Key_Right, Qt::Key_End}, 2, 0},
        {std::vector<Qt::Key>(50, Qt::Key_Right), 45, 0},  // the last point, no further
        {{Qt::Key_End, Qt::Key_Left, Qt::Key_PageUp}, 0, 16},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("point " + std::to_string(c.point) + " value " + std::to_string(c.value));
        TForm2 byKey;
        TForm2 byMouse;
        for (TForm2* f : {&byKey, &byMouse}) {
            ResetEnvelope(f->WorkEnvelope);
            f->show();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(f));
        }
        byKey.activateWindow();
        byKey.PaintBox1->setFocus(Qt::TabFocusReason);
        Settle();
        for (Qt::Key key : c.keys)
            QTest::keyClick(byKey.PaintBox1, key);
        Settle();
        const QPoint at(c.point * envelopedraw::ColumnWidth + 3, envelopedraw::Baseline - c.value);
        QTest::mousePress(byMouse.PaintBox1, Qt::LeftButton, {}, at);
        QTest::mouseRelease(byMouse.PaintBox1, Qt::LeftButton, {}, at);
        EXPECT_EQ(byKey.WorkEnvelope[std::size_t(c.point)], c.value);
        EXPECT_TRUE(byKey.WorkEnvelope == byMouse.WorkEnvelope);
        EXPECT_TRUE(byKey.PaintBox1->Shown() == byMouse.PaintBox1->Shown());
        EXPECT_TRUE(byKey.PaintBox1->accessibleDescription().endsWith(
            QStringLiteral("Point choisi : %1, valeur %2").arg(c.point).arg(c.value)));
        // The marker stands under the chosen column, outside the bars' area.
        auto* marker = byKey.findChild<QWidget*>(QStringLiteral("PaintBox1_point"));
        ASSERT_NE(marker, nullptr);
        EXPECT_TRUE(marker->isVisible());
        EXPECT_FALSE(marker->geometry().intersects(byKey.PaintBox1->geometry()));
        EXPECT_EQ(marker->x(), byKey.PaintBox1->x() + c.point * envelopedraw::ColumnWidth);
    }
}

// The About box's links take the focus from Tab; Return or Space on one is a left click on it.
TEST_F(Accessibility, AboutLinksAreClickedFromTheKeyboard)
{
    // Counts the clicks that reach a link and keeps them from opening the desktop's browser.
    struct Clicks : QObject {
        int count = 0;
        bool eventFilter(QObject*, QEvent* event) override
        {
            if (event->type() != QEvent::MouseButtonRelease ||
                static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton)
                return false;
            ++count;
            return true;
        }
    };
    auto* about = form->findChild<TAboutBox*>();
    ASSERT_NE(about, nullptr);
    for (QLabel* link : {about->Label3, about->Label4}) {
        EXPECT_TRUE(link->focusPolicy() & Qt::TabFocus);
        EXPECT_EQ(NameOf(link), link->text());
        Clicks clicks;
        link->installEventFilter(&clicks);
        QTest::keyClick(link, Qt::Key_Return);
        QTest::keyClick(link, Qt::Key_Space);
        QTest::keyClick(link, Qt::Key_A);  // not a key of the link
        EXPECT_EQ(clicks.count, 2);
        link->removeEventFilter(&clicks);
    }
}

// ---- Tab order ---------------------------------------------------------------------------

// The controls Tab stops at in `window`, in order, from `first` round to it again.
QStringList TabChain(QWidget* first)
{
    QStringList chain;
    QWidget* w = first;
    do {
        const bool stop = (w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(first->window()) &&
                          w->isEnabled() && w->window() == first->window();
        if (stop && w->focusProxy() == nullptr)
            chain << w->objectName();
        w = w->nextInFocusChain();
    } while (w != first && chain.size() < 100);
    return chain;
}

TEST_F(Accessibility, TabFollowsTheReadingOrder)
{
    AddHarmonic(QStringLiteral("3"), QStringLiteral("0,5"));
    const QStringList main = TabChain(form->CourbeImg);
    const QStringList expected = {
        "CourbeImg",     "NvModeleBtn", "AjListeBtn", "Effserie2Btn",    "RecWavBtn",      "frequedit",
        "Button2",       "dureeUD",     "UpDown1",    "UpDown3",         "AjHarmBtn",      "ajustphasebtn",
        "ajustampliBtn", "ComboBox1",   "CheckBox2",  "Supprharmbtn",    "CheckBox1",      "Button3",
        "Button6",       "ZoomBtn",     "AnnZoomBtn", "ToolButton1",     "ToolButton4",    "ToolButton5",
        "CurseurEdit",   "ToolButton7", "Button1",    "choixgrapheRG_0", "choixgrapheRG_1"};
    ASSERT_GE(main.size(), expected.size());
    EXPECT_EQ(main.mid(0, expected.size()), expected);

    const struct {
        const char* window;
        QStringList order;
    } dialogs[] = {
        {"Form2", {"PaintBox1", "BitBtn1", "BitBtn2", "Button1", "Button2"}},
        {"Form4", {"ListBox1", "TrackBar1", "Edit1", "UpDown1", "BitBtn1", "BitBtn2"}},
        {"Form6", {"UpDown1", "BitBtn1", "BitBtn2"}},
        {"Form7", {"papier", "BitBtn1", "Copbtn"}},
    };
    for (const auto& d : dialogs) {
        auto* window = form->findChild<QDialog*>(QLatin1String(d.window));
        ASSERT_NE(window, nullptr);
        QWidget* first = window->findChild<QWidget*>(d.order.first());
        EXPECT_EQ(TabChain(first).mid(0, d.order.size()), d.order) << d.window;
    }
}

}  // namespace
