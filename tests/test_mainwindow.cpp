// The main window driven as a user would: start state, the model page's commands and the view
// navigation. What a command redraws is seen on the pictures themselves: each picture is
// filled with a marker colour first, and a picture still all marker afterwards was not redrawn.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QWindow>
#include <cmath>
#include <cstdio>
#include <functional>

#include "support/dialogs_modal.h"
#include "ui/picturebox.h"
#include "ui/sonvelia1.h"
#include "ui/updown.h"

using dialogs_test::Settle;

namespace {

const QRgb Marker = qRgb(1, 2, 3);  // a colour no view draws
constexpr int L0 = 1;               // CourbeImg's left inside Panel5, pixels

// The readout for a time: five significant digits, a decimal comma, two exponent digits, " s".
QString Readout(double t)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.4E", t);
    return QString::fromLatin1(text).replace('.', ',') + " s";
}

void Mark(PictureBox* picture)
{
    picture->Picture().fill(Marker);
}

bool Repainted(const PictureBox* picture)
{
    const QImage& image = picture->Shown();
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if ((line[x] | 0xff000000u) != (Marker | 0xff000000u))
                return true;
        }
    }
    return false;
}

// Which of the three pictures of the model page a command redrew.
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

// Answers the next modal box by pressing `button`, after noting its caption and text.
struct ModalAnswer {
    QString title;
    QString text;
    bool seen = false;
    void Arm(QMessageBox::StandardButton button)
    {
        QTimer::singleShot(0, [this, button] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            seen = true;
            title = box->windowTitle();
            text = box->text();
            box->button(button)->click();
        });
    }
};

class MainWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        form = std::make_unique<TForm1>();
        form->show();
        Settle();
    }

    // Runs a command and reports which pictures it redrew.
    Redraws Watch(const std::function<void()>& command)
    {
        Mark(form->CourbeImg);
        Mark(form->SonogImg);
        Mark(form->SpectreImg);
        command();
        return {Repainted(form->CourbeImg), Repainted(form->SonogImg), Repainted(form->SpectreImg)};
    }

    int W() const { return form->CourbeImg->width(); }
    // The cursor's left for a time, from the placement rule.
    int ExpectedLeft(double t) const
    {
        return int(std::nearbyint((t - form->ViewStart) * W() / (form->ViewEnd - form->ViewStart) + L0));
    }
    int CursorLeft() const { return form->CurseurTemps->x(); }

    // One user click on a spinner's arrow: first put it one step away from `target`.
    static void ClickTo(TUpDown* spinner, int target)
    {
        const int from = target > spinner->minimum() ? target - 1 : target + 1;
        spinner->setValue(from);
        spinner->stepBy(target - from);
    }

    // The user picks an entry of the harmonic selector.
    void Pick(int index)
    {
        form->ComboBox1->setCurrentIndex(index);
        emit form->ComboBox1->activated(index);
    }

    // Gives the current model extra harmonics and their entries, as the adding command does.
    void AddRanks(std::initializer_list<int> ranks)
    {
        for (int rank : ranks) {
            form->CurrentModel->AddHarmonic(std::uint8_t(rank));
            form->ComboBox1->addItem(QString::number(rank));
        }
        form->CurrentModel->Render();
        form->ShowHarmonicButtons();
    }

    std::vector<int> Ranks() const
    {
        std::vector<int> ranks;
        for (const auto& h : form->CurrentModel->Harmonics)
            ranks.push_back(h.Rank);
        return ranks;
    }

    QStringList Entries() const
    {
        QStringList entries;
        for (int i = 0; i < form->ComboBox1->count(); ++i)
            entries << form->ComboBox1->itemText(i);
        return entries;
    }

    // Mouse events on the time cursor, in global coordinates, as the pointer would send them.
    void SendToCursor(QEvent::Type type, QPoint global, Qt::MouseButton button, Qt::MouseButtons buttons)
    {
        QWidget* bar = form->CurseurTemps;
        QMouseEvent event(type, QPointF(bar->mapFromGlobal(global)), QPointF(global), button, buttons,
                          Qt::NoModifier);
        QApplication::sendEvent(bar, &event);
    }
    // Drags the cursor from its middle to `global` and releases it there.
    void DragCursorTo(QPoint global, int steps = 3)
    {
        QWidget* bar = form->CurseurTemps;
        const QPoint start = bar->mapToGlobal(QPoint(1, bar->height() / 2));
        SendToCursor(QEvent::MouseButtonPress, start, Qt::LeftButton, Qt::LeftButton);
        for (int i = 1; i <= steps; ++i)
            SendToCursor(QEvent::MouseMove, start + (global - start) * i / steps, Qt::NoButton,
                         Qt::LeftButton);
        SendToCursor(QEvent::MouseButtonRelease, global, Qt::LeftButton, Qt::NoButton);
    }
    QPoint OnCourbe(int x) const { return form->CourbeImg->mapToGlobal(QPoint(x, 40)); }

    std::unique_ptr<TForm1> form;
};

// ---- Start ---------------------------------------------------------------------------------

TEST_F(MainWindow, StartsWithTheDefaultModelDrawnAndTheViewReset)
{
    const tmodele& m = *form->CurrentModel;
    EXPECT_EQ(m.Fundamental, 440.0);
    EXPECT_EQ(m.Duration, 10);
    EXPECT_EQ(m.Glide, 0.0);
    ASSERT_EQ(m.Harmonics.size(), 1u);
    EXPECT_EQ(m.Harmonics[0].Rank, 1);
    EXPECT_EQ(m.Harmonics[0].Active, 1);
    EXPECT_EQ(m.Rendered, 1);
    EXPECT_EQ(m.Samples.size(), 10u * 8820u);

    EXPECT_FALSE(form->Supprharmbtn->isEnabled());
    EXPECT_TRUE(form->ajustampliBtn->isHidden());
    EXPECT_TRUE(form->ajustphasebtn->isHidden());
    EXPECT_EQ(form->GraphChoice(), 1);
    EXPECT_TRUE(form->findChild<QRadioButton*>("choixgrapheRG_1")->isChecked());
    EXPECT_EQ(form->findChild<QRadioButton*>("choixgrapheRG_1")->text(), "Composantes");
    EXPECT_TRUE(form->Series.empty());
    EXPECT_EQ(form->SeriesCount, 0);

    EXPECT_EQ(form->CursorTime, 10 / 100.0);
    EXPECT_EQ(form->ViewStart, 0.0);
    EXPECT_DOUBLE_EQ(form->ViewEnd, 0.99);
    EXPECT_EQ(form->ZoomFactor, 1);
    EXPECT_EQ(form->Label8->text(), "x1");
    EXPECT_EQ(form->CurseurEdit->text(), "1,0000E-01 s");
    EXPECT_EQ(CursorLeft(), ExpectedLeft(0.1));

    EXPECT_EQ(form->frequedit->text(), "440");
    EXPECT_EQ(form->dureeEdit->text(), "10");
    EXPECT_EQ(form->Edit2->text(), "0");
    EXPECT_EQ(form->Edit3->text(), "0");
    EXPECT_EQ(Entries(), QStringList{"1"});
    EXPECT_EQ(form->ComboBox1->currentIndex(), 0);
    EXPECT_TRUE(form->CheckBox2->isChecked());
    EXPECT_FALSE(form->CheckBox1->isChecked());

    // Every view was drawn: none is left blank.
    for (PictureBox* p : {form->CourbeImg, form->SonogImg, form->SpectreImg}) {
        const QImage& image = p->Shown();
        ASSERT_FALSE(image.isNull()) << p->objectName().toStdString();
        EXPECT_EQ(image.size(), p->size()) << p->objectName().toStdString();
        bool varied = false;
        for (int y = 0; y < image.height() && !varied; ++y)
            for (int x = 0; x < image.width() && !varied; ++x)
                varied = image.pixel(x, y) != image.pixel(0, 0);
        EXPECT_TRUE(varied) << p->objectName().toStdString() << " shows nothing";
    }
}

TEST_F(MainWindow, WindowShellMatchesTheLayout)
{
    EXPECT_EQ(form->windowTitle(), "Sonvelia v.5");
    EXPECT_EQ(form->objectName(), "Form1");
    EXPECT_EQ(form->font().pointSize(), 8);
    EXPECT_EQ(form->palette().color(QPalette::Window), QColor(192, 192, 192));
    ASSERT_EQ(form->PageControl1->count(), 2);
    EXPECT_EQ(form->PageControl1->tabText(0), "Modèle");
    EXPECT_EQ(form->PageControl1->tabText(1), "Série");
    EXPECT_EQ(form->PageControl1->currentWidget(), form->ModelePage);

    // Geometry fixed by the layout.
    EXPECT_EQ(form->Panel5->height(), 156);
    EXPECT_EQ(form->CourbeImg->x(), L0);
    EXPECT_EQ(form->CurseurTemps->width(), 3);
    EXPECT_EQ(form->CurseurTemps->height(), form->CourbeImg->height());
    EXPECT_EQ(form->CurseurTemps->palette().color(QPalette::Window), QColor(255, 0, 0));
    EXPECT_EQ(form->Panel1->width(), 369);
    EXPECT_EQ(form->Panel3->height(), 56);
    EXPECT_EQ(form->SpectreImg->width(), 136);
    EXPECT_EQ(form->Panel4->height(), 30);
    EXPECT_EQ(form->SpectreImg->toolTip(), "Amplitude relative en fonction du rang");
    EXPECT_EQ(form->Button6->width(), 225);
    EXPECT_EQ(form->Button6->text(), "&Ecouter le modèle actif ");
    EXPECT_TRUE(form->Button6->font().bold());
    EXPECT_EQ(form->Button6->font().pixelSize(), 16);
    EXPECT_EQ(form->Button6->palette().color(QPalette::ButtonText), QColor(128, 0, 128));

    // The dialogs exist, hidden, created in their order right after the main window.
    QStringList order;
    for (QObject* child : form->children()) {
        if (auto* dialog = qobject_cast<QDialog*>(child); dialog && !qobject_cast<QFileDialog*>(child)) {
            order << dialog->objectName();
            EXPECT_FALSE(dialog->isVisible()) << dialog->objectName().toStdString();
        }
    }
    EXPECT_EQ(order, (QStringList{"Form2", "Form3", "Form4", "Form5", "AboutBox", "Form6", "Form7"}));
}

TEST_F(MainWindow, MenusAndToolBarsCarryTheirTexts)
{
    struct Item {
        const char* name;
        const char* text;
    };
    const Item actions[] = {
        {"smodele", "Enregistrer le &modèle actif"},
        {"sserie1", "Enregistrer la &série"},
        {"unmodle", "Charger un modèle"},
        {"Chargerunesrie1", "Charger une série"},
        {"Quitter", "Quitter"},
        {"Aide1", "Aide"},
        {"Info2", "Info"},
    };
    for (const Item& item : actions) {
        auto* action = form->findChild<QAction*>(item.name);
        ASSERT_NE(action, nullptr) << item.name;
        EXPECT_EQ(action->text(), QString::fromUtf8(item.text)) << item.name;
    }
    EXPECT_EQ(form->Fichier1->title(), "&Fichier");
    EXPECT_EQ(form->N1->title(), "?");

    const Item captions[] = {
        {"NvModeleBtn", "&Nouveau"},
        {"AjListeBtn", "A&jouter à la série"},
        {"Effserie2Btn", "Effacer la série"},
        {"RecWavBtn", ".&wav"},
        {"ToolButton1", "100%"},
    };
    for (const Item& item : captions) {
        auto* button = form->findChild<QToolButton*>(item.name);
        ASSERT_NE(button, nullptr) << item.name;
        EXPECT_EQ(button->text(), QString::fromUtf8(item.text)) << item.name;
    }

    const Item hints[] = {
        {"ZoomBtn", "zoom avant"},
        {"AnnZoomBtn", "zoom arrière"},
        {"ToolButton4", "voir plus à gauche"},
        {"ToolButton5", "voir plus à droite"},
        {"ToolButton7", "mesures de durée"},
        {"ToolButton1", ""},
    };
    for (const Item& item : hints) {
        auto* button = form->findChild<QToolButton*>(item.name);
        ASSERT_NE(button, nullptr) << item.name;
        EXPECT_EQ(button->toolTip(), QString::fromUtf8(item.text)) << item.name;
        EXPECT_EQ(button->size(), QSize(27, 27)) << item.name;
        // Pictures drawn here: a normal look, and a different one when disabled.
        const QImage normal = button->icon().pixmap(24, QIcon::Normal).toImage();
        const QImage disabled = button->icon().pixmap(24, QIcon::Disabled).toImage();
        EXPECT_FALSE(normal.isNull()) << item.name;
        EXPECT_NE(normal, disabled) << item.name;
    }
    EXPECT_EQ(form->Label7->text(), "Curseur à ");
    EXPECT_TRUE(form->Label7->alignment() & Qt::AlignRight);
    EXPECT_TRUE(form->Label8->font().bold());
    EXPECT_TRUE(form->CurseurEdit->isReadOnly());

    // Left to right: separator, zoom in, zoom label, zoom out, 100%, separator, left, right,
    // readout caption, readout, separator, measurements.
    QStringList order;
    for (QAction* action : form->ToolBar2->actions()) {
        QWidget* widget = form->ToolBar2->widgetForAction(action);
        order << (action->isSeparator() ? action->objectName() : widget->objectName());
    }
    EXPECT_EQ(order, (QStringList{"ToolButton3", "ZoomBtn", "Label8", "AnnZoomBtn", "ToolButton1",
                                  "ToolButton2", "ToolButton4", "ToolButton5", "Label7", "CurseurEdit",
                                  "ToolButton6", "ToolButton7"}));
}

// ---- Model panel layout ------------------------------------------------------------------------

TEST_F(MainWindow, ModelPanelControlsSitAtTheirPlacesAndFollowTheBottom)
{
    struct Place {
        const char* name;
        int left, top;
    };
    // Design positions inside Panel1 when it is 342 pixels high.
    const Place places[] = {
        {"Label2", 8, 32},          {"frequedit", 8, 56},        {"Button2", 80, 56},
        {"Label9", 216, 32},        {"dureeUD", 256, 56},        {"Label6", 16, 88},
        {"UpDown1", 16, 104},       {"UpDown3", 88, 104},        {"Label1", 8, 136},
        {"AjHarmBtn", 128, 136},    {"ajustphasebtn", 184, 136}, {"ajustampliBtn", 240, 136},
        {"Label4", 24, 184},        {"ComboBox1", 64, 176},      {"CheckBox2", 168, 178},
        {"Supprharmbtn", 240, 176}, {"Label5", 16, 224},         {"CheckBox1", 16, 248},
        {"Button3", 16, 272},
    };
    const int designHeight = 342;
    auto check = [&](const char* when) {
        const int shift = form->Panel1->height() - designHeight;
        ASSERT_GE(shift, 0) << when;
        for (const Place& p : places) {
            auto* w = form->Panel1->findChild<QWidget*>(p.name);
            ASSERT_NE(w, nullptr) << p.name;
            EXPECT_EQ(w->pos(), QPoint(p.left, p.top + shift)) << p.name << " " << when;
        }
        EXPECT_EQ(form->ToolBar1->y(), 1) << when;
        EXPECT_LE(form->ToolBar1->geometry().bottom(), 32 + shift) << when;
        EXPECT_LE(form->Button6->geometry().bottom(), form->Panel1->height()) << when;
        EXPECT_GT(form->Button6->y(), form->Button3->geometry().bottom()) << when;
    };
    form->resize(800, 572);
    Settle();
    check("design size");
    const int playGap = form->Panel1->height() - form->Button6->y();
    form->resize(1200, 860);
    Settle();
    check("taller");
    EXPECT_EQ(form->Panel1->height() - form->Button6->y(), playGap);

    for (const char* name : {"Label2", "Label9", "Label1", "Label5"}) {
        auto* title = form->findChild<QLabel*>(name);
        EXPECT_TRUE(title->font().bold()) << name;
        EXPECT_EQ(title->font().pixelSize(), 16) << name;
        EXPECT_EQ(title->palette().color(QPalette::WindowText), QColor(0, 255, 0)) << name;
        EXPECT_EQ(title->palette().color(QPalette::Window), QColor(0, 0, 0)) << name;
        EXPECT_TRUE(title->autoFillBackground()) << name;
    }
    // Fields that only show their spinner's position, and the one that takes typing.
    EXPECT_TRUE(form->dureeEdit->isReadOnly());
    EXPECT_TRUE(form->Edit2->isReadOnly());
    EXPECT_FALSE(form->Edit3->isReadOnly());
    struct Range {
        TUpDown* spinner;
        int min, max;
    };
    for (const Range& r :
         {Range{form->dureeUD, 1, 40}, Range{form->UpDown1, -50, 100}, Range{form->UpDown3, -10, 10}}) {
        EXPECT_EQ(r.spinner->minimum(), r.min) << r.spinner->objectName().toStdString();
        EXPECT_EQ(r.spinner->maximum(), r.max) << r.spinner->objectName().toStdString();
        EXPECT_FALSE(r.spinner->wrapping());
    }
}

TEST_F(MainWindow, ModelPanelTextsAreWholeAndControlsDoNotOverlap)
{
    form->ajustampliBtn->show();
    form->ajustphasebtn->show();
    QList<QWidget*> controls;
    for (QWidget* w : form->Panel1->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (w != form->ToolBar1 && !w->isHidden())
            controls << w;
    }
    ASSERT_GE(controls.size(), 20);
    for (QWidget* w : controls) {
        const std::string name = w->objectName().toStdString();
        // Texts whole: each control is at least as wide and tall as its text needs.
        if (auto* button = qobject_cast<QPushButton*>(w)) {
            // A push button's hint has a floor of its own; what matters is room for the text.
            const QString text = QString(button->text()).remove('&');
            EXPECT_GE(button->width(), button->fontMetrics().horizontalAdvance(text) + 8) << name;
            EXPECT_GE(button->height(), button->fontMetrics().height() + 4) << name;
        } else if (qobject_cast<QLabel*>(w) || qobject_cast<QCheckBox*>(w)) {
            EXPECT_GE(w->width(), w->sizeHint().width()) << name;
            EXPECT_GE(w->height(), w->minimumSizeHint().height()) << name;
        }
        EXPECT_LE(w->geometry().right(), form->Panel1->width() - 1) << name;
        for (QWidget* other : controls) {
            if (other == w)
                continue;
            // The "%" and the degree sign are set together on purpose, reading as per mille.
            const QStringList perMille{"Label12", "Label13"};
            if (perMille.contains(w->objectName()) && perMille.contains(other->objectName()))
                continue;
            EXPECT_FALSE(w->geometry().intersects(other->geometry()))
                << name << " overlaps " << other->objectName().toStdString();
        }
    }
}

TEST_F(MainWindow, SeriesPageButtonsShowTheirWholeCaptions)
{
    form->PageControl1->setCurrentWidget(form->PageSerie);
    Settle();
    EXPECT_EQ(form->Panel6->height(), 25);
    EXPECT_EQ(form->CheckListBox1->width(), 129);
    EXPECT_EQ(form->seriecourbe->height(), 168);
    EXPECT_EQ(form->Panel8->width(), 240);
    EXPECT_EQ(form->seriespectre->width(), 152);
    EXPECT_TRUE(form->Label10->font().bold());
    const char* order[] = {"ecouteEltSerieBtn", "effaceEltSerieBtn", "EcouteSerieBtn", "EffaceSerieBtn",
                           "exportwavs"};
    const char* captions[] = {"Ecouter le modèle sélectionné", "Effacer le modèle sélectionné",
                              "Ecouter la série (modèles cochés)", "Effacer la série",
                              "Exporter vers un  .wav (modèles cochés)"};
    int previousBottom = form->Label10->geometry().bottom();
    for (int i = 0; i < 5; ++i) {
        auto* button = form->Panel8->findChild<QPushButton*>(order[i]);
        ASSERT_NE(button, nullptr) << order[i];
        EXPECT_EQ(button->text(), QString::fromUtf8(captions[i])) << order[i];
        EXPECT_EQ(button->width(), 217) << order[i];
        EXPECT_GE(button->width(), button->fontMetrics().horizontalAdvance(button->text()) + 8) << order[i];
        EXPECT_GT(button->y(), previousBottom) << order[i];  // top to bottom, no overlap
        previousBottom = button->geometry().bottom();
    }
}

// ---- View navigation ------------------------------------------------------------------------

TEST_F(MainWindow, HundredPercentShowsTheWholeSoundButLeavesReadoutAndSpectrum)
{
    const Redraws seen = Watch([&] { form->ToolButton1->click(); });
    EXPECT_EQ(seen, (Redraws{true, false, false}));
    EXPECT_EQ(form->ViewStart, 0.0);
    EXPECT_EQ(form->ViewEnd, 1.0);
    EXPECT_EQ(form->CursorTime, 0.5);
    EXPECT_EQ(CursorLeft(), ExpectedLeft(0.5));
    EXPECT_EQ(form->CurseurEdit->text(), "1,0000E-01 s");
    EXPECT_EQ(form->Label8->text(), "x1");
}

TEST_F(MainWindow, ZoomInOnceKeepsTheCursorAndClipsTheStart)
{
    const Redraws seen = Watch([&] { form->ZoomBtn->click(); });
    EXPECT_EQ(seen, (Redraws{true, false, false}));
    EXPECT_EQ(form->ZoomFactor, 2);
    EXPECT_EQ(form->Label8->text(), "x2");
    EXPECT_EQ(form->ViewStart, 0.0);  // 0.1 - 0.25 would be negative
    EXPECT_EQ(form->ViewEnd, 0.5);
    EXPECT_EQ(form->CursorTime, 0.1);
    EXPECT_EQ(CursorLeft(), int(std::nearbyint(0.2 * W() + L0)));
    EXPECT_EQ(form->CurseurEdit->text(), "1,0000E-01 s");
}

TEST_F(MainWindow, ZoomNearTheEndCutsTheWindowShort)
{
    form->CursorTime = 0.9;
    form->ZoomBtn->click();
    EXPECT_DOUBLE_EQ(form->ViewStart, 0.9 - 0.25);
    EXPECT_EQ(form->ViewEnd, 1.0);  // narrower than the 0.5 s span
    EXPECT_EQ(form->CursorTime, 0.9);
}

TEST_F(MainWindow, ZoomStopsAt128AndZoomOutAt1)
{
    const QStringList labels{"x2", "x4", "x8", "x16", "x32", "x64", "x128"};
    for (const QString& label : labels) {
        form->ZoomBtn->click();
        EXPECT_EQ(form->Label8->text(), label);
    }
    EXPECT_EQ(form->ZoomFactor, 128);
    EXPECT_DOUBLE_EQ(form->ViewEnd - form->ViewStart, 1.0 / 128);
    const double start = form->ViewStart, end = form->ViewEnd, t = form->CursorTime;
    const Redraws eighth = Watch([&] { form->ZoomBtn->click(); });
    EXPECT_EQ(eighth, (Redraws{false, false, false}));
    EXPECT_EQ(form->ZoomFactor, 128);
    EXPECT_EQ(form->Label8->text(), "x128");
    EXPECT_EQ(form->ViewStart, start);
    EXPECT_EQ(form->ViewEnd, end);
    EXPECT_EQ(form->CursorTime, t);

    // Back down to 1: the whole sound, the cursor in the middle; once more does nothing.
    for (int i = 0; i < 7; ++i)
        form->AnnZoomBtn->click();
    EXPECT_EQ(form->Label8->text(), "x1");
    EXPECT_EQ(form->ViewEnd, 1.0);
    EXPECT_EQ(form->CursorTime, 0.5);
    const Redraws below = Watch([&] { form->AnnZoomBtn->click(); });
    EXPECT_EQ(below, (Redraws{false, false, false}));
    EXPECT_EQ(form->ZoomFactor, 1);
}

TEST_F(MainWindow, ScrollRightFromTheStartLandsInTheMiddle)
{
    // An envelope that changes along the sound, so that the spectrum at 0.5 s differs from 0.1 s.
    for (std::size_t k = 0; k < 46; ++k)
        form->CurrentModel->Harmonics[0].Envelope[k] = std::uint8_t(k * 5);
    form->CurrentModel->Render();

    const Redraws seen = Watch([&] { form->ToolButton5->click(); });
    EXPECT_EQ(seen, (Redraws{true, false, true}));
    EXPECT_EQ(form->CursorTime, 0.5);  // 0.505 first, then the whole sound at x1
    EXPECT_EQ(form->ViewStart, 0.0);
    EXPECT_EQ(form->ViewEnd, 1.0);
    EXPECT_EQ(form->CurseurEdit->text(), "5,0000E-01 s");
    EXPECT_EQ(CursorLeft(), ExpectedLeft(0.5));

    QImage atHalf(form->SpectreImg->size(), QImage::Format_RGB32);
    form->CurrentModel->DrawSpectrum(atHalf, 0.5);
    QImage atTenth(form->SpectreImg->size(), QImage::Format_RGB32);
    form->CurrentModel->DrawSpectrum(atTenth, 0.1);
    ASSERT_NE(atHalf, atTenth);
    EXPECT_EQ(form->SpectreImg->Shown().convertToFormat(QImage::Format_RGB32), atHalf);

    // The window now ends at the end of the sound: a second press does nothing.
    const Redraws again = Watch([&] { form->ToolButton5->click(); });
    EXPECT_EQ(again, (Redraws{false, false, false}));
    EXPECT_EQ(form->CursorTime, 0.5);
}

TEST_F(MainWindow, ScrollRightPastTheEndCentresTheLastWindow)
{
    form->ZoomFactor = 4;
    form->ViewStart = 0.6;
    form->ViewEnd = 0.85;
    form->CursorTime = 0.8;
    form->ToolButton5->click();
    // 0.8 + 0.25 runs past 1 s: the cursor goes to 1 - 0.125, the window is cut at the end.
    EXPECT_DOUBLE_EQ(form->CursorTime, 1.0 - 0.25 / 2);
    EXPECT_DOUBLE_EQ(form->ViewStart, 1.0 - 0.25);
    EXPECT_EQ(form->ViewEnd, 1.0);
}

TEST_F(MainWindow, ScrollLeftMovesByOneWindow)
{
    struct Case {
        double start, end, cursor;           // before
        double newCursor, newStart, newEnd;  // after, at x4 (span 0.25 s)
    };
    const Case cases[] = {
        {0.3, 0.55, 0.4, 0.15, 0.025, 0.275},
        // Closer to 0 than one window: the cursor goes to half a window.
        {0.05, 0.3, 0.2, 0.125, 0.0, 0.25},
    };
    for (const Case& c : cases) {
        form->ZoomFactor = 4;
        form->ShowZoomFactor();
        form->ViewStart = c.start;
        form->ViewEnd = c.end;
        form->CursorTime = c.cursor;
        const Redraws seen = Watch([&] { form->ToolButton4->click(); });
        EXPECT_EQ(seen, (Redraws{true, false, true}));
        EXPECT_DOUBLE_EQ(form->CursorTime, c.newCursor);
        EXPECT_NEAR(form->ViewStart, c.newStart, 1e-12);
        EXPECT_NEAR(form->ViewEnd, c.newEnd, 1e-12);
        EXPECT_EQ(form->Label8->text(), "x4");
        EXPECT_EQ(CursorLeft(), ExpectedLeft(form->CursorTime));
    }
    // At the start of the sound nothing happens.
    form->ViewStart = 0.0;
    const double t = form->CursorTime;
    EXPECT_EQ(Watch([&] { form->ToolButton4->click(); }), (Redraws{false, false, false}));
    EXPECT_EQ(form->CursorTime, t);
}

TEST_F(MainWindow, ClickOnTheWaveformMovesTheCursorUnlessTooFarRight)
{
    const int w = W();
    const QString readout = form->CurseurEdit->text();
    const int left = CursorLeft();
    const Redraws ignored =
        Watch([&] { QTest::mouseClick(form->CourbeImg, Qt::LeftButton, {}, QPoint(w - 3, 50)); });
    EXPECT_EQ(ignored, (Redraws{false, false, false}));
    EXPECT_EQ(form->CursorTime, 0.1);
    EXPECT_EQ(CursorLeft(), left);
    EXPECT_EQ(form->CurseurEdit->text(), readout);

    const int x = w - 4;
    const Redraws moved =
        Watch([&] { QTest::mouseClick(form->CourbeImg, Qt::LeftButton, {}, QPoint(x, 50)); });
    EXPECT_EQ(moved, (Redraws{false, true, true}));  // never the waveform
    const double expected = (0.99 - 0.0) * (x - L0) / w + 0.0;
    EXPECT_DOUBLE_EQ(form->CursorTime, expected);
    EXPECT_EQ(CursorLeft(), x);  // L0 left of the point clicked, in Panel5's coordinates
    EXPECT_EQ(form->CurseurEdit->text(), Readout(expected));

    // Another button, or the left one at x = 0 (a time one pixel before the window).
    const double before = form->CursorTime;
    QTest::mouseClick(form->CourbeImg, Qt::RightButton, {}, QPoint(100, 50));
    EXPECT_EQ(form->CursorTime, before);
    QTest::mouseClick(form->CourbeImg, Qt::LeftButton, {}, QPoint(0, 50));
    EXPECT_DOUBLE_EQ(form->CursorTime, 0.99 * (0 - L0) / w);
    EXPECT_LT(form->CursorTime, 0.0);
}

TEST_F(MainWindow, DraggingTheCursorDropsOnlyOnTheWaveform)
{
    // Released over the waveform.
    const int x = W() / 2 + 7;
    const Redraws dropped = Watch([&] { DragCursorTo(OnCourbe(x)); });
    EXPECT_EQ(dropped, (Redraws{false, true, true}));
    const double expected = 0.99 * (x - L0) / W();
    EXPECT_DOUBLE_EQ(form->CursorTime, expected);
    EXPECT_EQ(CursorLeft(), x);

    struct Miss {
        const char* what;
        std::function<QPoint()> where;
    };
    const Miss misses[] = {
        // 1 pixel of movement starts the drag; the bar is then still under the pointer.
        {"over the cursor bar",
         [&] { return form->CurseurTemps->mapToGlobal(QPoint(2, form->CurseurTemps->height() / 2)); }},
        {"over another control", [&] { return form->SpectreImg->mapToGlobal(QPoint(20, 20)); }},
        {"too close to the right edge", [&] { return OnCourbe(W() - 3); }},
    };
    for (const Miss& miss : misses) {
        const int left = CursorLeft();
        const double t = form->CursorTime;
        const QString readout = form->CurseurEdit->text();
        const Redraws seen = Watch([&] { DragCursorTo(miss.where(), 1); });
        EXPECT_EQ(seen, (Redraws{false, false, false})) << miss.what;
        EXPECT_EQ(CursorLeft(), left) << miss.what;
        EXPECT_EQ(form->CursorTime, t) << miss.what;
        EXPECT_EQ(form->CurseurEdit->text(), readout) << miss.what;
    }

    // A press and release without any movement is no drag at all.
    const QPoint at = form->CurseurTemps->mapToGlobal(QPoint(1, 10));
    const double t = form->CursorTime;
    SendToCursor(QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
    SendToCursor(QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(form->CursorTime, t);
}

TEST_F(MainWindow, GraphChoiceRedrawsOnlyTheLowerPicture)
{
    auto* sonogram = form->findChild<QRadioButton*>("choixgrapheRG_0");
    EXPECT_EQ(sonogram->text(), "Sonagramme");
    EXPECT_EQ(Watch([&] { sonogram->click(); }), (Redraws{false, true, false}));
    EXPECT_EQ(form->GraphChoice(), 0);
    QImage expected(form->SonogImg->size(), QImage::Format_RGB32);
    form->CurrentModel->DrawSonogram(expected);
    EXPECT_EQ(form->SonogImg->Shown().convertToFormat(QImage::Format_RGB32), expected);
    // Clicking the item already chosen changes nothing.
    EXPECT_EQ(Watch([&] { sonogram->click(); }), (Redraws{false, false, false}));
}

TEST_F(MainWindow, ResizeRedrawsEverythingOverTheSameTimes)
{
    form->ToolButton1->click();  // cursor 0.5 s, readout still 0.1 s
    const double start = form->ViewStart, end = form->ViewEnd;
    const Redraws seen = Watch([&] {
        form->resize(form->width() + 120, form->height() + 40);
        Settle();
    });
    EXPECT_EQ(seen, (Redraws{true, true, true}));
    EXPECT_EQ(form->ViewStart, start);
    EXPECT_EQ(form->ViewEnd, end);
    EXPECT_EQ(form->CurseurEdit->text(), "5,0000E-01 s");
    EXPECT_EQ(CursorLeft(), ExpectedLeft(0.5));
    EXPECT_EQ(form->CourbeImg->Shown().size(), form->CourbeImg->size());
}

TEST_F(MainWindow, ModelPageResizedWhileHiddenIsRedrawnWhenShownAgain)
{
    form->PageControl1->setCurrentWidget(form->PageSerie);
    Settle();
    const int before = form->CourbeImg->width();
    form->resize(form->width() + 150, form->height());
    Settle();
    Mark(form->CourbeImg);
    form->PageControl1->setCurrentWidget(form->ModelePage);
    Settle();
    EXPECT_EQ(form->CourbeImg->width(), before + 150);
    EXPECT_EQ(form->CourbeImg->Shown().size(), form->CourbeImg->size());
    EXPECT_TRUE(Repainted(form->CourbeImg));
    EXPECT_EQ(CursorLeft(), ExpectedLeft(form->CursorTime));
}

TEST(MainWindowLifecycle, ResizeBeforeTheFirstModelOrWhileClosingDrawsNothing)
{
    TForm1 hidden;  // never shown: no model yet
    EXPECT_EQ(hidden.CurrentModel, nullptr);
    Mark(hidden.CourbeImg);
    hidden.FormResize();
    EXPECT_FALSE(Repainted(hidden.CourbeImg));
    EXPECT_EQ(hidden.CursorTime, 0.0);
    EXPECT_EQ(hidden.ViewStart, 0.0);
    EXPECT_EQ(hidden.ViewEnd, 0.0);
    EXPECT_EQ(hidden.ZoomFactor, 0);

    TForm1 shown;
    shown.show();
    Settle();
    shown.close();
    Mark(shown.CourbeImg);
    shown.FormResize();
    EXPECT_FALSE(Repainted(shown.CourbeImg));
}

TEST(MainWindowLifecycle, OnlyTheFirstShowingBuildsAModel)
{
    TForm1 form;
    form.show();
    Settle();
    form.ZoomBtn->click();
    const tmodele* first = form.CurrentModel.get();
    form.hide();  // as when minimised, then brought back
    form.show();
    Settle();
    EXPECT_EQ(form.CurrentModel.get(), first);
    EXPECT_EQ(form.ZoomFactor, 2);
}

TEST(MainWindowLifecycle, QuitAndCloseButtonBothReleaseEveryModel)
{
    for (const bool byMenu : {true, false}) {
        TForm1 form;
        form.show();
        Settle();
        form.Series.push_back(form.CurrentModel->Copy());
        form.Series.push_back(form.CurrentModel->Copy());
        form.SeriesCount = 2;
        if (byMenu)
            form.Quitter->trigger();
        else
            form.windowHandle()->close();  // what the window's close button asks for
        Settle();
        EXPECT_FALSE(form.isVisible()) << byMenu;
        EXPECT_EQ(form.CurrentModel, nullptr) << byMenu;
        EXPECT_TRUE(form.Series.empty()) << byMenu;
        EXPECT_EQ(form.SeriesCount, 0) << byMenu;
    }
}

// ---- Model page commands ---------------------------------------------------------------------

TEST_F(MainWindow, DurationChangeResetsTheZoomAndSkipsTheGraph)
{
    form->ZoomBtn->click();
    form->ZoomBtn->click();
    const Redraws seen = Watch([&] { ClickTo(form->dureeUD, 20); });
    EXPECT_EQ(seen, (Redraws{true, false, true}));
    EXPECT_EQ(form->CurrentModel->Duration, 20);
    EXPECT_EQ(form->CurrentModel->Samples.size(), 20u * 8820u);
    EXPECT_EQ(form->ZoomFactor, 1);
    EXPECT_EQ(form->Label8->text(), "x1");
    EXPECT_EQ(form->CursorTime, 20 / 100.0);
    EXPECT_EQ(form->ViewStart, 0.0);
    EXPECT_DOUBLE_EQ(form->ViewEnd, 20 / 10.0 - 20 / 1000.0);
    EXPECT_EQ(form->CurseurEdit->text(), "2,0000E-01 s");
    EXPECT_EQ(CursorLeft(), ExpectedLeft(0.2));
    EXPECT_EQ(form->dureeEdit->text(), "20");
}

TEST_F(MainWindow, SpinnersActOnlyWhenTheirPositionReallyChanges)
{
    // From code: no handler.
    form->dureeUD->setValue(40);
    form->UpDown1->setValue(100);
    EXPECT_EQ(form->CurrentModel->Duration, 10);
    EXPECT_EQ(form->CurrentModel->Glide, 0.0);
    // Against the end of the range: nothing.
    const Redraws atEnd = Watch([&] { form->dureeUD->stepBy(1); });
    EXPECT_EQ(atEnd, (Redraws{false, false, false}));
    EXPECT_EQ(form->CurrentModel->Duration, 10);
    // The Up key in the field is a click.
    form->dureeUD->setValue(12);
    QTest::keyClick(form->dureeUD, Qt::Key_Up);
    EXPECT_EQ(form->CurrentModel->Duration, 13);
    QTest::keyClick(form->dureeUD, Qt::Key_PageUp);  // not a step of this spinner
    EXPECT_EQ(form->dureeUD->value(), 13);
    QTest::keyClick(form->dureeUD, Qt::Key_Down);
    EXPECT_EQ(form->CurrentModel->Duration, 12);
}

TEST_F(MainWindow, GlideIsPercentPlusPerMille)
{
    struct Case {
        int percent, perMille;
    };
    for (const Case c : {Case{100, 10}, Case{-50, -10}, Case{5, -3}, Case{0, 1}}) {
        ClickTo(form->UpDown1, c.percent);
        const Redraws seen = Watch([&] { ClickTo(form->UpDown3, c.perMille); });
        EXPECT_EQ(seen, (Redraws{true, true, true})) << c.percent << " " << c.perMille;
        EXPECT_DOUBLE_EQ(form->CurrentModel->Glide, c.percent / 100.0 + c.perMille / 1000.0)
            << c.percent << " " << c.perMille;
        EXPECT_EQ(form->Edit2->text(), QString::number(c.percent));
        EXPECT_EQ(form->Edit3->text(), QString::number(c.perMille));
    }
}

TEST_F(MainWindow, GlideReadsAPerMilleTypedIntoItsField)
{
    form->Edit3->selectAll();
    QTest::keyClicks(form->Edit3, "-3");
    EXPECT_EQ(form->CurrentModel->Glide, 0.0);  // typing alone changes nothing
    ClickTo(form->UpDown1, 5);
    EXPECT_DOUBLE_EQ(form->CurrentModel->Glide, 5 / 100.0 - 3 / 1000.0);
}

TEST_F(MainWindow, DeletingAHarmonicAsksThenKeepsTheSelectorInStep)
{
    AddRanks({3, 5});
    EXPECT_FALSE(form->ajustampliBtn->isHidden());

    Pick(1);
    EXPECT_TRUE(form->Supprharmbtn->isEnabled());
    ModalAnswer cancel;
    cancel.Arm(QMessageBox::Cancel);
    form->Supprharmbtn->click();
    ASSERT_TRUE(cancel.seen);
    EXPECT_EQ(Ranks(), (std::vector<int>{1, 3, 5}));
    EXPECT_EQ(Entries(), (QStringList{"1", "3", "5"}));

    ModalAnswer ok;
    ok.Arm(QMessageBox::Ok);
    const Redraws seen = Watch([&] { form->Supprharmbtn->click(); });
    ASSERT_TRUE(ok.seen);
    EXPECT_EQ(ok.title, "Suppression d'une harmonique");
    EXPECT_EQ(ok.text, "Supprimer l'harmonique n°3?");
    EXPECT_EQ(seen, (Redraws{true, true, true}));
    EXPECT_EQ(Ranks(), (std::vector<int>{1, 5}));
    EXPECT_EQ(Entries(), (QStringList{"1", "5"}));
    EXPECT_EQ(form->ComboBox1->currentIndex(), 0);
    EXPECT_FALSE(form->Supprharmbtn->isEnabled());
    EXPECT_TRUE(form->CheckBox2->isChecked());
    EXPECT_FALSE(form->ajustampliBtn->isHidden());
    EXPECT_FALSE(form->ajustphasebtn->isHidden());

    Pick(1);
    ok.Arm(QMessageBox::Ok);
    form->Supprharmbtn->click();
    EXPECT_EQ(ok.text, "Supprimer l'harmonique n°5?");
    EXPECT_EQ(Ranks(), (std::vector<int>{1}));
    EXPECT_TRUE(form->ajustampliBtn->isHidden());
    EXPECT_TRUE(form->ajustphasebtn->isHidden());

    // The fundamental selected: nothing is asked, nothing deleted.
    ModalAnswer none;
    none.Arm(QMessageBox::Ok);
    form->SupprharmbtnClick();
    Settle();
    EXPECT_FALSE(none.seen);
    EXPECT_EQ(Ranks(), (std::vector<int>{1}));
}

TEST_F(MainWindow, DeletingWithTheBoxUncheckedRevivesASilencedFundamental)
{
    AddRanks({3});
    form->CheckBox2->click();  // silence the fundamental
    EXPECT_EQ(form->CurrentModel->Harmonics[0].Active, 0);
    Pick(1);
    form->CheckBox2->click();  // and rank 3
    EXPECT_EQ(form->CurrentModel->Harmonics[1].Active, 0);
    ModalAnswer ok;
    ok.Arm(QMessageBox::Ok);
    form->Supprharmbtn->click();
    ASSERT_TRUE(ok.seen);
    EXPECT_EQ(form->CurrentModel->Harmonics[0].Active, 1);
    EXPECT_TRUE(form->CheckBox2->isChecked());
}

TEST_F(MainWindow, SelectingAnInactiveHarmonicOnlyUnchecksTheBox)
{
    AddRanks({3});
    const std::vector<std::uint8_t> bothSounding = form->CurrentModel->Samples;
    Pick(1);
    form->CheckBox2->click();  // the user silences rank 3: rendered again
    EXPECT_EQ(form->CurrentModel->Harmonics[1].Active, 0);
    const std::vector<std::uint8_t> fundamentalOnly = form->CurrentModel->Samples;
    EXPECT_NE(fundamentalOnly, bothSounding);

    Pick(0);
    EXPECT_TRUE(form->CheckBox2->isChecked());
    EXPECT_FALSE(form->Supprharmbtn->isEnabled());
    form->CurrentModel->Rendered = 0;  // a render from here on would set it again
    const Redraws selecting = Watch([&] { Pick(1); });
    EXPECT_EQ(selecting, (Redraws{false, false, false}));
    EXPECT_FALSE(form->CheckBox2->isChecked());
    EXPECT_TRUE(form->Supprharmbtn->isEnabled());
    EXPECT_EQ(form->CurrentModel->Rendered, 0);
    EXPECT_EQ(form->CurrentModel->Samples, fundamentalOnly);

    const int left = CursorLeft();
    form->CursorTime = 0.3;  // the Active handler does not place the cursor
    const Redraws checking = Watch([&] { form->CheckBox2->click(); });
    EXPECT_EQ(checking, (Redraws{true, true, true}));
    EXPECT_EQ(form->CurrentModel->Harmonics[1].Active, 1);
    EXPECT_EQ(form->CurrentModel->Samples, bothSounding);
    EXPECT_EQ(CursorLeft(), left);
}

TEST_F(MainWindow, EnvelopeModeCopiesTheFundamentalsEnvelopeEitherWay)
{
    AddRanks({2, 4});
    for (std::size_t i = 0; i < 3; ++i)
        for (std::size_t k = 0; k < 46; ++k)
            form->CurrentModel->Harmonics[i].Envelope[k] = std::uint8_t((k * (i + 3) * 7) % 256);
    const tenveloppe fundamental = form->CurrentModel->Harmonics[0].Envelope;
    for (const bool check : {true, false}) {
        form->CurrentModel->Harmonics[2].Envelope.fill(9);
        const Redraws seen = Watch([&] { form->CheckBox1->click(); });
        EXPECT_EQ(form->CheckBox1->isChecked(), check);
        EXPECT_EQ(seen, (Redraws{true, true, true}));
        for (const tharmonique& h : form->CurrentModel->Harmonics)
            EXPECT_EQ(h.Envelope, fundamental) << int(h.Rank);
    }
}

TEST_F(MainWindow, NewModelStartsAgainFromTheDefaults)
{
    AddRanks({3});
    Pick(1);
    form->CheckBox2->click();
    form->CheckBox1->click();
    ClickTo(form->dureeUD, 25);
    ClickTo(form->UpDown1, 7);
    ClickTo(form->UpDown3, 2);
    form->ZoomBtn->click();
    form->Series.push_back(form->CurrentModel->Copy());
    form->SeriesCount = 1;

    const Redraws seen = Watch([&] { form->NvModeleBtn->click(); });
    EXPECT_EQ(seen, (Redraws{true, true, true}));
    const tmodele& m = *form->CurrentModel;
    EXPECT_EQ(m.Duration, 10);
    EXPECT_EQ(m.Glide, 0.0);
    ASSERT_EQ(m.Harmonics.size(), 1u);
    EXPECT_EQ(m.Harmonics[0].Active, 1);
    EXPECT_EQ(Entries(), QStringList{"1"});
    EXPECT_TRUE(form->CheckBox2->isChecked());
    EXPECT_FALSE(form->CheckBox1->isChecked());
    EXPECT_FALSE(form->Supprharmbtn->isEnabled());
    EXPECT_TRUE(form->ajustampliBtn->isHidden());
    EXPECT_TRUE(form->ajustphasebtn->isHidden());
    EXPECT_EQ(form->dureeEdit->text(), "10");
    EXPECT_EQ(form->Edit2->text(), "0");
    EXPECT_EQ(form->Edit3->text(), "0");
    EXPECT_EQ(form->Label8->text(), "x1");
    EXPECT_EQ(form->CursorTime, 0.1);
    EXPECT_DOUBLE_EQ(form->ViewEnd, 0.99);
    EXPECT_EQ(form->CurseurEdit->text(), "1,0000E-01 s");
    EXPECT_EQ(form->frequedit->text(), "440");
    // The series keeps its own copies.
    ASSERT_EQ(form->Series.size(), 1u);
    EXPECT_EQ(form->Series[0]->Duration, 25);
}

}  // namespace
