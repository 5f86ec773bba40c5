#include "ui/sonvelia1.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>

#include "model/numfmt.h"
#include "ui/Sonvelia3.h"
#include "ui/Sonvelia6.h"
#include "ui/accessibility.h"
#include "ui/errorbox.h"
#include "ui/filedialogs.h"
#include "ui/picturebox.h"
#include "ui/picturemenu.h"
#include "ui/sonvelia2.h"
#include "ui/sonvelia4.h"
#include "ui/sonvelia5.h"
#include "ui/sonvelia6f.h"
#include "ui/sonvelia7.h"
#include "ui/toolicons.h"
#include "ui/undohistory.h"
#include "ui/updown.h"
#include "ui/windowhints.h"

namespace {

// Window geometry at the design size, pixels.
constexpr int DesignWidth = 800;
constexpr int DesignHeight = 572;
constexpr int WaveBandHeight = 156;      // Panel5
constexpr int ModelPanelWidth = 369;     // Panel1
constexpr int ModelPanelHeight = 342;    // Panel1 at the design size
constexpr int ViewToolStripHeight = 56;  // Panel3
constexpr int SpectrumWidth = 136;       // SpectreImg
constexpr int BottomStripHeight = 30;    // Panel4
constexpr int CursorWidth = 3;           // CurseurTemps
constexpr int DragThreshold = 1;         // pixels the pointer moves before a drag starts
constexpr int ToolPictureButton = 27;    // view tool bar buttons, square
constexpr int PlayButtonWidth = 225;     // Button6
constexpr int SeriesTopStrip = 25;       // Panel6
constexpr int SeriesListWidth = 129;     // CheckListBox1
constexpr int SeriesListItemHeight = 16;
constexpr int SeriesWaveHeight = 168;     // seriecourbe
constexpr int SeriesButtonsPanel = 240;   // Panel8
constexpr int SeriesSpectrumWidth = 152;  // seriespectre
constexpr int SeriesButtonWidth = 217;

constexpr int WindowFontPoints = 8;
constexpr int SectionTitlePixels = 16;
constexpr int ZoomLabelPixels = 13;
constexpr int SeriesListPoints = 10;

const QColor Silver(192, 192, 192);
const QColor Lime(0, 255, 0);
const QColor Purple(128, 0, 128);
const QColor CursorRed(255, 0, 0);

// Zoom limits, powers of two.
constexpr std::uint16_t MinZoom = 1;
constexpr std::uint16_t MaxZoom = 128;

// Rounds to the nearest integer, halves to the even neighbour.
int RoundEven(double value)
{
    return int(std::nearbyint(value));
}

QFrame* NewPanel(QWidget* parent, const char* name)
{
    auto* panel = new QFrame(parent);
    panel->setObjectName(QLatin1String(name));
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setLineWidth(1);
    return panel;
}

template <class W>
W* Named(W* widget, const char* name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

// Where the desktop's font runs wider than the room a control has, its letters are narrowed
// (never cut): the controls keep their places and sizes.
void NarrowToFit(QWidget* widget, const QString& text, int room)
{
    QFont font = widget->font();
    const QString shown = QString(text).remove(QLatin1Char('&'));
    for (int stretch : {100, 87, 75, 62, 50}) {  // percent of the normal width
        font.setStretch(stretch);
        if (QFontMetrics(font).horizontalAdvance(shown) <= room)
            break;
    }
    widget->setFont(font);
}

// The section titles of the model panel: bold lime text on black.
void MakeSectionTitle(QLabel* label, int room)
{
    QFont font = label->font();
    font.setBold(true);
    font.setPixelSize(SectionTitlePixels);
    label->setFont(font);
    NarrowToFit(label, label->text(), room - 2);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Lime);
    palette.setColor(QPalette::Window, Qt::black);
    label->setPalette(palette);
    label->setAutoFillBackground(true);
    label->adjustSize();
}

}  // namespace

TForm1::TForm1(QWidget* parent) : QMainWindow(parent), History(new undo::UndoHistory(*this))
{
    createUi();
    createMenus();
    connectUi();
    createDialogs();
    a11y::Prepare(*this);
}

TForm1::~TForm1() = default;

// ---- Construction ------------------------------------------------------------------------

void TForm1::createUi()
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Sonvelia v.5"));
    QFont windowFont = font();
    windowFont.setPointSize(WindowFontPoints);
    setFont(windowFont);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Silver);
    palette.setColor(QPalette::Button, Silver);
    setPalette(palette);
    setAutoFillBackground(true);
    RestoreDesignGeometry();

    PageControl1 = Named(new QTabWidget(this), "PageControl1");
    setCentralWidget(PageControl1);
    ModelePage = Named(new QWidget, "ModelePage");
    PageSerie = Named(new QWidget, "PageSerie");
    PageControl1->addTab(ModelePage, QStringLiteral("Modèle"));
    PageControl1->addTab(PageSerie, QStringLiteral("Série"));
    PageControl1->setCurrentWidget(ModelePage);

    createModelPage();
    createSeriesPage();
}

QFileDialog* TForm1::SaveDialog()
{
    if (SaveDialog1 == nullptr) {
        SaveDialog1 = filedialogs::MakeSaveDialog(this);
    }
    return SaveDialog1;
}

QFileDialog* TForm1::OpenDialog()
{
    if (OpenDialog1 == nullptr) {
        OpenDialog1 = filedialogs::MakeOpenDialog(this);
    }
    return OpenDialog1;
}

void TForm1::createModelPage()
{
    auto* pageLayout = new QVBoxLayout(ModelePage);
    pageLayout->setContentsMargins(0, 0, 0, 0);
    pageLayout->setSpacing(0);

    // The waveform band: CourbeImg one pixel in from the panel's edge, the cursor over it.
    Panel5 = NewPanel(ModelePage, "Panel5");
    Panel5->setFixedHeight(WaveBandHeight);
    auto* bandLayout = new QVBoxLayout(Panel5);
    bandLayout->setContentsMargins(0, 0, 0, 1);
    CourbeImg = Named(new PictureBox(Panel5), "CourbeImg");
    bandLayout->addWidget(CourbeImg);
    CurseurTemps = Named(new QFrame(Panel5), "CurseurTemps");
    CurseurTemps->setAutoFillBackground(true);
    QPalette red = CurseurTemps->palette();
    red.setColor(QPalette::Window, CursorRed);
    CurseurTemps->setPalette(red);
    CurseurTemps->setCursor(Qt::SizeHorCursor);
    CurseurTemps->setGeometry(1, 1, CursorWidth, WaveBandHeight - 3);  // over CourbeImg
    CurseurTemps->raise();
    pageLayout->addWidget(Panel5);

    auto* lower = new QHBoxLayout;
    lower->setContentsMargins(0, 0, 0, 0);
    lower->setSpacing(0);
    pageLayout->addLayout(lower, 1);

    createModelPanel();
    lower->addWidget(Panel1);
    createViewPanel();
    lower->addWidget(Panel2, 1);
}

void TForm1::createModelPanel()
{
    Panel1 = NewPanel(ModelePage, "Panel1");
    Panel1->setFixedWidth(ModelPanelWidth);
    Panel1->setMinimumHeight(ModelPanelHeight);

    ToolBar1 = Named(new QToolBar(Panel1), "ToolBar1");
    ToolBar1->setToolButtonStyle(Qt::ToolButtonTextOnly);
    ToolBar1->setMovable(false);
    ToolBar1->setGeometry(1, 1, ModelPanelWidth - 2, 28);
    auto addToolButton = [this](const char* name, const QString& caption) {
        auto* button = Named(new QToolButton(ToolBar1), name);
        button->setText(caption);
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
        ToolBar1->addWidget(button);
        return button;
    };
    NvModeleBtn = addToolButton("NvModeleBtn", QStringLiteral("&Nouveau"));
    AjListeBtn = addToolButton("AjListeBtn", QStringLiteral("A&jouter à la série"));
    Effserie2Btn = addToolButton("Effserie2Btn", QStringLiteral("Effacer la série"));
    RecWavBtn = addToolButton("RecWavBtn", QStringLiteral(".&wav"));

    // Everything below the tool bar, at its design position (left, top) inside Panel1.
    auto place = [this](QWidget* widget, int left, int top, int width = -1, int height = -1) {
        if (width < 0 || height < 0) {
            widget->adjustSize();
            if (width < 0)
                width = widget->width();
            if (height < 0)
                height = widget->height();
        }
        widget->setGeometry(left, top, width, height);
        panel1Design_.emplace_back(widget, QPoint(left, top));
    };
    auto label = [this](const char* name, const QString& text) {
        auto* l = Named(new QLabel(text, Panel1), name);
        return l;
    };
    auto button = [this](const char* name, const QString& text) {
        return Named(new QPushButton(text, Panel1), name);
    };
    auto upDown = [this](const char* name, const char* fieldName, int min, int max, bool typing) {
        auto* spinner = Named(new TUpDown(Panel1), name);
        spinner->setRange(min, max);
        spinner->setSingleStep(1);
        spinner->setWrapping(false);
        spinner->Field()->setObjectName(QLatin1String(fieldName));
        spinner->Field()->setReadOnly(!typing);
        return spinner;
    };

    Label2 = label("Label2", QStringLiteral(" Fréquence (Hz) "));
    MakeSectionTitle(Label2, 216 - 8 - 4);
    place(Label2, 8, 32);
    frequedit = Named(new QLineEdit(Panel1), "frequedit");
    frequedit->setReadOnly(true);
    place(frequedit, 8, 56, 65, 21);
    Button2 = button("Button2", QStringLiteral("Sé&lecteur"));
    place(Button2, 80, 56, 75, 23);

    Label9 = label("Label9", QStringLiteral("Durée (en s/10)"));
    MakeSectionTitle(Label9, ModelPanelWidth - 216 - 4);
    place(Label9, 216, 32);
    dureeUD = upDown("dureeUD", "dureeEdit", 1, 40, false);
    dureeUD->setValue(10);
    dureeEdit = dureeUD->Field();
    place(dureeUD, 256, 56, 44, 21);

    Label6 = label("Label6", QStringLiteral("Glissement en fréquence "));
    place(Label6, 16, 88);
    UpDown1 = upDown("UpDown1", "Edit2", -50, 100, false);
    Edit2 = UpDown1->Field();
    place(UpDown1, 16, 104, 48, 21);
    Label11 = label("Label11", QStringLiteral("% +"));
    place(Label11, 64, 108);
    UpDown3 = upDown("UpDown3", "Edit3", -10, 10, true);
    Edit3 = UpDown3->Field();
    place(UpDown3, 88, 104, 56, 21);
    Label12 = label("Label12", QStringLiteral("%"));
    place(Label12, 144, 108);
    Label13 = label("Label13", QStringLiteral("°"));
    place(Label13, 155, 113);

    Label1 = label("Label1", QStringLiteral(" Harmoniques "));
    MakeSectionTitle(Label1, 128 - 8 - 4);
    place(Label1, 8, 136);
    AjHarmBtn = button("AjHarmBtn", QStringLiteral("&Ajouter"));
    place(AjHarmBtn, 128, 136, 54, 23);
    ajustphasebtn = button("ajustphasebtn", QStringLiteral("&Phases"));
    place(ajustphasebtn, 184, 136, 54, 23);
    ajustampliBtn = button("ajustampliBtn", QStringLiteral("A&mplitudes relatives"));
    place(ajustampliBtn, 240, 136, 124, 23);
    ajustphasebtn->hide();
    ajustampliBtn->hide();

    Label4 = label("Label4", QStringLiteral("Rang : "));
    place(Label4, 24, 184);
    ComboBox1 = Named(new QComboBox(Panel1), "ComboBox1");
    ComboBox1->setEditable(true);
    ComboBox1->setInsertPolicy(QComboBox::NoInsert);
    place(ComboBox1, 64, 176, 97, 23);
    CheckBox2 = Named(new QCheckBox(QStringLiteral("Active"), Panel1), "CheckBox2");
    CheckBox2->setChecked(true);
    place(CheckBox2, 168, 178, 68, 19);
    Supprharmbtn = button("Supprharmbtn", QStringLiteral("&Supprimer"));
    Supprharmbtn->setEnabled(false);
    place(Supprharmbtn, 240, 176, 75, 23);

    Label5 = label("Label5", QStringLiteral(" Enveloppe "));
    MakeSectionTitle(Label5, ModelPanelWidth - 16 - 4);
    place(Label5, 16, 224);
    CheckBox1 = Named(
        new QCheckBox(QStringLiteral("Définir une enveloppe différente pour chaque harmonique"), Panel1),
        "CheckBox1");
    place(CheckBox1, 16, 248, ModelPanelWidth - 16 - 4, 19);
    Button3 = button("Button3", QStringLiteral("&Définir l'enveloppe"));
    place(Button3, 16, 272, 130, 23);

    Button6 = button("Button6", QStringLiteral("&Ecouter le modèle actif "));
    QFont playFont = Button6->font();
    playFont.setBold(true);
    playFont.setPixelSize(SectionTitlePixels);
    Button6->setFont(playFont);
    QPalette playPalette = Button6->palette();
    playPalette.setColor(QPalette::ButtonText, Purple);
    Button6->setPalette(playPalette);
    place(Button6, (ModelPanelWidth - PlayButtonWidth) / 2, 304, PlayButtonWidth, 31);

    Panel1->installEventFilter(this);
    ModelePage->installEventFilter(this);
}

void TForm1::createViewPanel()
{
    Panel2 = NewPanel(ModelePage, "Panel2");
    auto* layout = new QVBoxLayout(Panel2);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    Panel3 = NewPanel(Panel2, "Panel3");
    Panel3->setFixedHeight(ViewToolStripHeight);
    auto* stripLayout = new QHBoxLayout(Panel3);
    stripLayout->setContentsMargins(2, 2, 2, 2);
    ToolBar2 = Named(new QToolBar(Panel3), "ToolBar2");
    ToolBar2->setMovable(false);
    ToolBar2->setToolButtonStyle(Qt::ToolButtonIconOnly);
    ToolBar2->setIconSize(QSize(toolicons::IconSize, toolicons::IconSize));
    stripLayout->addWidget(ToolBar2);
    stripLayout->addStretch(1);

    ImageList1 = toolicons::NormalSet();
    ImageList2 = toolicons::DisabledSet();
    auto pictureButton = [this](const char* name, int picture, const QString& hint) {
        auto* button = Named(new QToolButton(ToolBar2), name);
        // The lists' pictures, drawn at the ratio of the screen the button is shown on.
        button->setIcon(toolicons::Icon(picture));
        button->setIconSize(QSize(toolicons::IconSize, toolicons::IconSize));
        button->setFixedSize(ToolPictureButton, ToolPictureButton);
        button->setToolButtonStyle(Qt::ToolButtonIconOnly);
        button->setAutoRaise(true);
        if (!hint.isEmpty())
            button->setToolTip(hint);
        return button;
    };
    auto separator = [this](const char* name) {
        QAction* action = ToolBar2->addSeparator();
        action->setObjectName(QLatin1String(name));
        return action;
    };

    ToolButton3 = separator("ToolButton3");
    ZoomBtn = pictureButton("ZoomBtn", toolicons::ZoomIn, QStringLiteral("zoom avant"));
    ToolBar2->addWidget(ZoomBtn);
    Label8 = Named(new QLabel(QStringLiteral("x1"), ToolBar2), "Label8");
    QFont zoomFont = Label8->font();
    zoomFont.setBold(true);
    zoomFont.setPixelSize(ZoomLabelPixels);
    Label8->setFont(zoomFont);
    Label8->setAlignment(Qt::AlignCenter);
    Label8->setMinimumWidth(QFontMetrics(zoomFont).horizontalAdvance(QStringLiteral("x128")) + 6);
    ToolBar2->addWidget(Label8);
    AnnZoomBtn = pictureButton("AnnZoomBtn", toolicons::ZoomOut, QStringLiteral("zoom arrière"));
    ToolBar2->addWidget(AnnZoomBtn);
    ToolButton1 = pictureButton("ToolButton1", toolicons::WholeSound, QString());
    ToolButton1->setText(QStringLiteral("100%"));
    ToolBar2->addWidget(ToolButton1);
    ToolButton2 = separator("ToolButton2");
    ToolButton4 = pictureButton("ToolButton4", toolicons::Left, QStringLiteral("voir plus à gauche"));
    ToolBar2->addWidget(ToolButton4);
    ToolButton5 = pictureButton("ToolButton5", toolicons::Right, QStringLiteral("voir plus à droite"));
    ToolBar2->addWidget(ToolButton5);
    Label7 = Named(new QLabel(QStringLiteral("Curseur à "), ToolBar2), "Label7");
    Label7->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label7->setContentsMargins(6, 0, 0, 0);
    ToolBar2->addWidget(Label7);
    CurseurEdit = Named(new QLineEdit(ToolBar2), "CurseurEdit");
    CurseurEdit->setReadOnly(true);
    CurseurEdit->setFixedWidth(CurseurEdit->fontMetrics().horizontalAdvance(QStringLiteral("-0,0000E-00 s")) +
                               12);
    ToolBar2->addWidget(CurseurEdit);
    ToolButton6 = separator("ToolButton6");
    ToolButton7 = pictureButton("ToolButton7", toolicons::Measurements, QStringLiteral("mesures de durée"));
    ToolBar2->addWidget(ToolButton7);
    layout->addWidget(Panel3);

    auto* pictures = new QHBoxLayout;
    pictures->setContentsMargins(0, 0, 0, 0);
    pictures->setSpacing(0);
    SpectreImg = Named(new PictureBox(Panel2), "SpectreImg");
    SpectreImg->setFixedWidth(SpectrumWidth);
    SpectreImg->setToolTip(QStringLiteral("Amplitude relative en fonction du rang"));
    pictures->addWidget(SpectreImg);
    SonogImg = Named(new PictureBox(Panel2), "SonogImg");
    pictures->addWidget(SonogImg, 1);
    layout->addLayout(pictures, 1);

    Panel4 = NewPanel(Panel2, "Panel4");
    Panel4->setFixedHeight(BottomStripHeight);
    auto* bottom = new QHBoxLayout(Panel4);
    bottom->setContentsMargins(6, 1, 2, 1);
    Label3 = Named(new QLabel(QStringLiteral("Spectre"), Panel4), "Label3");
    bottom->addWidget(Label3);
    Button1 = Named(new QPushButton(QStringLiteral("Détails"), Panel4), "Button1");
    bottom->addWidget(Button1);
    bottom->addStretch(1);
    choixgrapheRG = Named(new QGroupBox(Panel4), "choixgrapheRG");
    choixgrapheRG->setFlat(true);
    auto* items = new QHBoxLayout(choixgrapheRG);  // two columns
    items->setContentsMargins(4, 0, 4, 0);
    choixgrapheItems = new QButtonGroup(choixgrapheRG);
    auto* sonogram = new QRadioButton(QStringLiteral("Sonagramme"), choixgrapheRG);
    sonogram->setObjectName(QStringLiteral("choixgrapheRG_0"));
    auto* components = new QRadioButton(QStringLiteral("Composantes"), choixgrapheRG);
    components->setObjectName(QStringLiteral("choixgrapheRG_1"));
    choixgrapheItems->addButton(sonogram, 0);
    choixgrapheItems->addButton(components, 1);
    components->setChecked(true);
    items->addWidget(sonogram);
    items->addWidget(components);
    bottom->addWidget(choixgrapheRG);
    layout->addWidget(Panel4);
}

void TForm1::createSeriesPage()
{
    auto* pageLayout = new QVBoxLayout(PageSerie);
    pageLayout->setContentsMargins(0, 0, 0, 0);
    pageLayout->setSpacing(0);
    Panel6 = NewPanel(PageSerie, "Panel6");
    Panel6->setFixedHeight(SeriesTopStrip);
    pageLayout->addWidget(Panel6);

    auto* body = new QHBoxLayout;
    body->setContentsMargins(0, 0, 0, 0);
    body->setSpacing(0);
    pageLayout->addLayout(body, 1);

    CheckListBox1 = Named(new QListWidget(PageSerie), "CheckListBox1");
    CheckListBox1->setFixedWidth(SeriesListWidth);
    QFont listFont = CheckListBox1->font();
    listFont.setPointSize(SeriesListPoints);
    CheckListBox1->setFont(listFont);
    CheckListBox1->setUniformItemSizes(true);
    CheckListBox1->setStyleSheet(
        QStringLiteral("QListWidget::item { height: %1px; }").arg(SeriesListItemHeight));
    body->addWidget(CheckListBox1);

    Panel7 = NewPanel(PageSerie, "Panel7");
    auto* right = new QVBoxLayout(Panel7);
    right->setContentsMargins(0, 0, 0, 0);
    right->setSpacing(0);
    seriecourbe = Named(new PictureBox(Panel7), "seriecourbe");
    seriecourbe->setFixedHeight(SeriesWaveHeight);
    right->addWidget(seriecourbe);
    auto* lowerRow = new QHBoxLayout;
    lowerRow->setContentsMargins(0, 0, 0, 0);
    lowerRow->setSpacing(0);
    right->addLayout(lowerRow, 1);
    body->addWidget(Panel7, 1);

    Panel8 = NewPanel(Panel7, "Panel8");
    Panel8->setFixedWidth(SeriesButtonsPanel);
    auto* buttons = new QVBoxLayout(Panel8);
    buttons->setContentsMargins(11, 8, 11, 8);
    buttons->setSpacing(6);
    Label10 = Named(new QLabel(Panel8), "Label10");
    QFont bold = Label10->font();
    bold.setBold(true);
    Label10->setFont(bold);
    buttons->addWidget(Label10);
    auto seriesButton = [&](const char* name, const QString& caption) {
        auto* button = Named(new QPushButton(caption, Panel8), name);
        button->setFixedWidth(SeriesButtonWidth);
        NarrowToFit(button, caption, SeriesButtonWidth - 10);
        buttons->addWidget(button);
        return button;
    };
    ecouteEltSerieBtn = seriesButton("ecouteEltSerieBtn", QStringLiteral("Ecouter le modèle sélectionné"));
    effaceEltSerieBtn = seriesButton("effaceEltSerieBtn", QStringLiteral("Effacer le modèle sélectionné"));
    EcouteSerieBtn = seriesButton("EcouteSerieBtn", QStringLiteral("Ecouter la série (modèles cochés)"));
    EffaceSerieBtn = seriesButton("EffaceSerieBtn", QStringLiteral("Effacer la série"));
    exportwavs = seriesButton("exportwavs", QStringLiteral("Exporter vers un  .wav (modèles cochés)"));
    buttons->addStretch(1);
    lowerRow->addWidget(Panel8);

    seriespectre = Named(new PictureBox(Panel7), "seriespectre");
    seriespectre->setFixedWidth(SeriesSpectrumWidth);
    lowerRow->addWidget(seriespectre);
    seriesonog = Named(new PictureBox(Panel7), "seriesonog");
    lowerRow->addWidget(seriesonog, 1);
}

void TForm1::createDialogs()
{
    // Created hidden, in this order, once for the whole run; their callers show them modally.
    Form2 = new TForm2(this);
    Form2->setObjectName(QStringLiteral("Form2"));
    Form3 = new TForm3(this);
    Form3->setObjectName(QStringLiteral("Form3"));
    Form4 = new TForm4(this);
    Form4->setObjectName(QStringLiteral("Form4"));
    Form5 = new TForm5(this);
    Form5->setObjectName(QStringLiteral("Form5"));
    AboutBox = new TAboutBox(this);
    AboutBox->setObjectName(QStringLiteral("AboutBox"));
    Form6 = new TForm6(this);
    Form6->setObjectName(QStringLiteral("Form6"));
    Form7 = new TForm7(this);
    Form7->setObjectName(QStringLiteral("Form7"));
}

void TForm1::createMenus()
{
    MainMenu1 = menuBar();
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
    Fichier1 = MainMenu1->addMenu(QStringLiteral("&Fichier"));
    Fichier1->setObjectName(QStringLiteral("Fichier1"));
    auto item = [this](QMenu* menu, const char* name, const QString& text, auto slot) {
        QAction* action = menu->addAction(text);
        action->setObjectName(QLatin1String(name));
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    smodele = item(Fichier1, "smodele", QStringLiteral("Enregistrer le &modèle actif"),
                   Guarded(this, &TForm1::smodeleClick));
    sserie1 = item(Fichier1, "sserie1", QStringLiteral("Enregistrer la &série"),
                   Guarded(this, &TForm1::sserie1Click));
    unmodle = item(
        Fichier1, "unmodle", QStringLiteral("Charger un modèle"),
        undo::Recorded(this, &TForm1::unmodleClick, undo::Named(QStringLiteral("chargement d'un modèle"))));
    Chargerunesrie1 = item(Fichier1, "Chargerunesrie1", QStringLiteral("Charger une série"),
                           undo::Recorded(this, &TForm1::Chargerunesrie1Click,
                                          undo::Named(QStringLiteral("chargement d'une série"))));
    ImporterSon1 = item(
        Fichier1, "ImporterSon1", QStringLiteral("&Importer un son…"),
        undo::Recorded(this, &TForm1::ImporterSon1Click, undo::Named(QStringLiteral("import d'un son"))));
    Quitter = item(Fichier1, "Quitter", QStringLiteral("Quitter"), Guarded(this, &TForm1::Quitter1Click));
    // "Édi&tion": Alt+T, a letter no button of the model page takes.
    Edition1 = MainMenu1->addMenu(QStringLiteral("Édi&tion"));
    Edition1->setObjectName(QStringLiteral("Edition1"));
    Annuler1 = History->CreateUndoAction(Edition1);
    Edition1->addAction(Annuler1);
    Retablir1 = History->CreateRedoAction(Edition1);
    Edition1->addAction(Retablir1);
    Edition1->addSeparator();
    Recette1 =
        item(Edition1, "Recette1", QStringLiteral("Recette de &Fourier…"),
             undo::Recorded(this, &TForm1::Recette1Click, undo::Named(QStringLiteral("recette de Fourier"))));
    N1 = MainMenu1->addMenu(QStringLiteral("?"));
    N1->setObjectName(QStringLiteral("N1"));
    Aide1 = item(N1, "Aide1", QStringLiteral("Aide"), Guarded(this, &TForm1::Aide1Click));
    Info2 = item(N1, "Info2", QStringLiteral("Info"), Guarded(this, &TForm1::Info2Click));
}

void TForm1::connectUi()
{
    auto click = [this](QAbstractButton* button, void (TForm1::*handler)()) {
        connect(button, &QAbstractButton::clicked, this, Guarded(this, handler));
    };
    // Model tool bar and model panel: each command that changes the model or the series is one
    // undo step.
    using undo::Named, undo::Recorded;
    auto step = [this](QAbstractButton* button, void (TForm1::*handler)(), undo::Naming naming) {
        connect(button, &QAbstractButton::clicked, this, Recorded(this, handler, std::move(naming)));
    };
    const undo::Naming clearSeries = Named(QStringLiteral("effacement de la série"));
    step(NvModeleBtn, &TForm1::NvModeleBtnClick, Named(QStringLiteral("nouveau modèle")));
    step(AjListeBtn, &TForm1::AjListeBtnClick, Named(QStringLiteral("ajout à la série")));
    step(Effserie2Btn, &TForm1::EffaceSerieBtnClick, clearSeries);
    click(RecWavBtn, &TForm1::RecWavBtnClick);
    step(Button2, &TForm1::Button2Click, undo::names::Frequency);
    // The spinners and the boxes signal once they show the new position or state.
    auto stepped = [](TUpDown* spinner, int undo::PageState::*value, QString undo::PageState::*text) {
        return [spinner, value, text](undo::PageState& before) {
            before.*value = spinner->ValueBeforeStep();
            before.*text = spinner->TextBeforeStep();
        };
    };
    using undo::PageState;
    connect(dureeUD, &TUpDown::Click, this,
            Recorded(this, &TForm1::dureeUDClick, undo::names::Duration,
                     stepped(dureeUD, &PageState::Duration, &PageState::DurationText)));
    connect(UpDown1, &TUpDown::Click, this,
            Recorded(this, &TForm1::UpDown1Click, undo::names::Glide,
                     stepped(UpDown1, &PageState::Percent, &PageState::PercentText)));
    connect(UpDown3, &TUpDown::Click, this,
            Recorded(this, &TForm1::UpDown1Click, undo::names::Glide,
                     stepped(UpDown3, &PageState::PerMille, &PageState::PerMilleText)));
    // activated: a pick by the user only, never a change made from code. A new selection is no
    // step, and neither is the "Active" box it sets to match the harmonic.
    connect(ComboBox1, &QComboBox::activated, this, undo::Unrecorded(this, &TForm1::ComboBox1Change));
    // toggled: the boxes' handlers also run when code changes their state, as the commands expect.
    auto toggled = [this](void (TForm1::*handler)(), undo::Naming naming, bool PageState::*box) {
        return Guarded(this, [handler, naming, box](TForm1* form, bool checked) {
            form->History->Record(
                naming, [form, handler] { (form->*handler)(); },
                [box, checked](PageState& before) { before.*box = !checked; });
        });
    };
    connect(CheckBox2, &QCheckBox::toggled, this,
            toggled(&TForm1::CheckBox2Click, undo::names::Activity, &PageState::Active));
    connect(CheckBox1, &QCheckBox::toggled, this,
            toggled(&TForm1::CheckBox1Click, undo::names::EnvelopeMode, &PageState::SeparateEnvelopes));
    step(AjHarmBtn, &TForm1::AjHarmBtnClick, undo::names::Added);
    step(Supprharmbtn, &TForm1::SupprharmbtnClick, undo::names::Deleted);
    step(Button3, &TForm1::Button3Click, undo::names::Envelope);
    step(ajustampliBtn, &TForm1::ajustampliBtnClick, Named(QStringLiteral("amplitudes relatives")));
    step(ajustphasebtn, &TForm1::ajustphasebtnClick, undo::names::Phase);
    click(Button6, &TForm1::Button6Click);

    // Views and navigation.
    click(ZoomBtn, &TForm1::ZoomBtnClick);
    click(AnnZoomBtn, &TForm1::AnnZoomBtnClick);
    click(ToolButton1, &TForm1::ToolButton1Click);
    click(ToolButton4, &TForm1::ToolButton4Click);
    click(ToolButton5, &TForm1::ToolButton5Click);
    click(ToolButton7, &TForm1::ToolButton7Click);
    click(Button1, &TForm1::Button1Click);
    connect(choixgrapheItems, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        // Two toggles per change (one off, one on): the one that turns an item on is the change.
        if (checked)
            Guarded(this, &TForm1::choixgrapheRGClick)();
    });
    CurseurTemps->installEventFilter(this);
    connect(CourbeImg, &PictureBox::MouseUp, this, [this](Qt::MouseButton button, QPoint pos) {
        RunGuarded([&] { CourbeImgMouseUp(button, pos.x()); });
    });
    // A picture that meets another device pixel ratio is drawn again at full resolution.
    connect(CourbeImg, &PictureBox::RatioChanged, this, Guarded(this, &TForm1::RedrawWaveform));
    connect(SonogImg, &PictureBox::RatioChanged, this, Guarded(this, &TForm1::RedrawGraph));
    connect(SpectreImg, &PictureBox::RatioChanged, this, Guarded(this, &TForm1::RedrawSpectrum));

    // "Série" page.
    connect(PageControl1, &QTabWidget::currentChanged, this, [this](int index) {
        if (PageControl1->widget(index) == PageSerie)
            Guarded(this, &TForm1::PageSerieShow)();
    });
    connect(CheckListBox1, &QListWidget::itemClicked, this, Guarded(this, &TForm1::CheckListBox1Click));
    // Moving the selection with the keys is a click too; a change made by code is not.
    connect(CheckListBox1, &QListWidget::currentRowChanged, this, [this](int) {
        if (CheckListBox1->hasFocus() && QApplication::mouseButtons() == Qt::NoButton)
            Guarded(this, &TForm1::CheckListBox1Click)();
    });
    click(ecouteEltSerieBtn, &TForm1::ecouteEltSerieBtnClick);
    step(effaceEltSerieBtn, &TForm1::effaceEltSerieBtnClick,
         Named(QStringLiteral("effacement du modèle sélectionné")));
    click(EcouteSerieBtn, &TForm1::EcouteSerieBtnClick);
    step(EffaceSerieBtn, &TForm1::EffaceSerieBtnClick, clearSeries);
    click(exportwavs, &TForm1::exportwavsClick);
    for (PictureBox* picture : {seriecourbe, seriespectre, seriesonog})
        connect(picture, &PictureBox::RatioChanged, this, Guarded(this, &TForm1::SeriesPictureRatioChanged));

    // Every picture of both pages keeps its own copy or file on a right click.
    PictureMenu1 = new PictureMenu(this);
    for (PictureBox* picture : {CourbeImg, SpectreImg, SonogImg, seriecourbe, seriespectre, seriesonog})
        PictureMenu1->Attach(picture);
}

template <class F>
void TForm1::RunGuarded(F&& handler)
{
    try {
        handler();
    } catch (...) {
        ReportCurrentException(this);
    }
}

// ---- Shared operations -------------------------------------------------------------------

int TForm1::CourbeLeft() const
{
    return CourbeImg->x();
}

void TForm1::ResetView()
{
    if (!CurrentModel)
        return;
    const double d = CurrentModel->Duration;  // tenths of a second
    CursorTime = d / 100.0;
    ZoomFactor = 1;
    ShowZoomFactor();
    ViewStart = 0.0;
    ViewEnd = d / 10.0 - d / 1000.0;
}

void TForm1::PlaceTimeCursor()
{
    const double span = ViewEnd - ViewStart;
    if (!(span > 0.0))
        return;  // no model yet: nothing to stand for
    const double w = CourbeImg->width();
    const int left = RoundEven((CursorTime - ViewStart) * w / span + CourbeLeft());
    CurseurTemps->move(left, CourbeImg->y());
}

void TForm1::ShowCursorTime()
{
    CurseurEdit->setText(numfmt::Scientific(CursorTime, 5, 2) + QStringLiteral(" s"));
    a11y::DescribeWaveform(*this);
}

void TForm1::ShowZoomFactor()
{
    Label8->setText(QStringLiteral("x") + QString::number(ZoomFactor));
}

// ---- Refresh steps -----------------------------------------------------------------------

void TForm1::RenderModel()
{
    if (CurrentModel)
        CurrentModel->Render();
}

void TForm1::RedrawWaveform()
{
    if (!CurrentModel)
        return;
    CurrentModel->DrawWaveform(CourbeImg->Picture(), ViewStart, ViewEnd);
    CourbeImg->update();
    a11y::DescribeWaveform(*this);
}

void TForm1::RedrawGraph()
{
    if (!CurrentModel)
        return;
    if (GraphChoice() == 0)
        CurrentModel->DrawSonogram(SonogImg->Picture());
    else
        CurrentModel->DrawComponents(SonogImg->Picture(), CursorTime);
    SonogImg->update();
    a11y::DescribeGraph(*this);
}

void TForm1::RedrawSpectrum()
{
    if (!CurrentModel)
        return;
    CurrentModel->DrawSpectrum(SpectreImg->Picture(), CursorTime);
    SpectreImg->update();
    a11y::DescribeSpectrum(*this);
}

void TForm1::RefreshCursor()
{
    PlaceTimeCursor();
    ShowCursorTime();
}

int TForm1::GraphChoice() const
{
    return choixgrapheItems->checkedId();
}

void TForm1::ShowHarmonicButtons()
{
    const bool several = CurrentModel && CurrentModel->Harmonics.size() > 1;
    ajustampliBtn->setVisible(several);
    ajustphasebtn->setVisible(several);
}

// ---- Window events -----------------------------------------------------------------------

void TForm1::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    // Only the first showing builds the first model; later ones (after a minimise) find it there.
    if (!CurrentModel && !closing_)
        RunGuarded([this] { FormShow(); });
}

void TForm1::closeEvent(QCloseEvent* event)
{
    RunGuarded([this] { FormClose(); });
    event->accept();
}

void TForm1::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    ScheduleResize();
}

void TForm1::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange)
        return;
    // Leaving the maximised state gives back the design size: the window manager would restore
    // the whole-screen geometry the window had before it was first maximised.
    const Qt::WindowStates before = static_cast<QWindowStateChangeEvent*>(event)->oldState();
    const Qt::WindowStates now = windowState();
    const bool restored = (before & (Qt::WindowMaximized | Qt::WindowFullScreen)) &&
                          !(now & (Qt::WindowMaximized | Qt::WindowFullScreen | Qt::WindowMinimized));
    if (restored)
        // After the window manager has answered the state change with its own geometry.
        QMetaObject::invokeMethod(this, &TForm1::RestoreDesignGeometry, Qt::QueuedConnection);
}

void TForm1::RestoreDesignGeometry()
{
    if (windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen | Qt::WindowMinimized))
        return;
    resize(DesignWidth, DesignHeight);
    windowhints::CentreOnScreen(this);
}

void TForm1::ScheduleResize()
{
    // Several resizes in a row are answered by one redraw, once the layouts have settled.
    if (resizePending_)
        return;
    resizePending_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            resizePending_ = false;
            RunGuarded([this] { FormResize(); });
        },
        Qt::QueuedConnection);
}

void TForm1::FormShow()
{
    NewModel(this);
    SeriesCount = 0;
}

void TForm1::FormClose()
{
    closing_ = true;
    if (CurrentModel) {
        CurrentModel->Harmonics.clear();
        CurrentModel.reset();
    }
    Series.clear();
    SeriesCount = 0;
}

void TForm1::FormResize()
{
    // Let the aligned panels and pictures take their new sizes first.
    QCoreApplication::processEvents();
    if (closing_ || !CurrentModel)
        return;
    RedrawWaveform();
    RedrawGraph();
    RedrawSpectrum();
    PlaceTimeCursor();
    ShowCursorTime();
}

void TForm1::Quitter1Click()
{
    close();
}

bool TForm1::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Panel1 && event->type() == QEvent::Resize) {
        LayOutModelPanel();
    } else if (watched == ModelePage && event->type() == QEvent::Resize) {
        // A page that was hidden while the window changed size takes its new size when shown
        // again: its pictures are then redrawn like after a resize of the window.
        ScheduleResize();
    } else if (watched == CurseurTemps) {
        switch (event->type()) {
            case QEvent::MouseButtonPress: {
                auto* mouse = static_cast<QMouseEvent*>(event);
                cursorPressPos_ = mouse->globalPosition().toPoint();
                RunGuarded([&] { CurseurTempsMouseDown(mouse->button(), mouse->position().toPoint()); });
                return true;
            }
            case QEvent::MouseMove: {
                if (!cursorPressed_)
                    break;
                auto* mouse = static_cast<QMouseEvent*>(event);
                const QPoint global = mouse->globalPosition().toPoint();
                if (!cursorDragging_ && (global - cursorPressPos_).manhattanLength() >= DragThreshold)
                    cursorDragging_ = true;
                if (cursorDragging_) {
                    QWidget* over = QApplication::widgetAt(global);
                    if (!over)
                        over = childAt(mapFromGlobal(global));
                    CurseurTemps->setCursor(CourbeImgDragOver(CurseurTemps, over) ? Qt::DragMoveCursor
                                                                                  : Qt::ForbiddenCursor);
                }
                return true;
            }
            case QEvent::MouseButtonRelease: {
                auto* mouse = static_cast<QMouseEvent*>(event);
                const bool dragged = cursorDragging_;
                cursorPressed_ = false;
                cursorDragging_ = false;
                CurseurTemps->setCursor(Qt::SizeHorCursor);
                if (dragged) {
                    const QPoint global = mouse->globalPosition().toPoint();
                    QWidget* target = QApplication::widgetAt(global);
                    if (!target)
                        target = childAt(mapFromGlobal(global));
                    const int x = CourbeImg->mapFromGlobal(global).x();
                    RunGuarded([&] {
                        CurseurTempsEndDrag(CourbeImgDragOver(CurseurTemps, target) ? target : nullptr, x);
                    });
                }
                return true;
            }
            default:
                break;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TForm1::LayOutModelPanel()
{
    // The group below the tool bar keeps its distance from the panel's bottom edge.
    const int shift = std::max(0, Panel1->height() - ModelPanelHeight);
    for (const auto& [widget, design] : panel1Design_)
        widget->move(design.x(), design.y() + shift);
    ToolBar1->setGeometry(1, 1, Panel1->width() - 2, ToolBar1->height());
}

// ---- Model page --------------------------------------------------------------------------

void TForm1::NvModeleBtnClick()
{
    NewModel(NvModeleBtn);
}

void TForm1::NewModel(QObject* sender)
{
    dureeUD->setValue(10);  // tenths
    UpDown1->setValue(0);   // percent
    UpDown3->setValue(0);   // per mille
    ComboBox1->clear();
    ComboBox1->addItem(QStringLiteral("1"));
    ComboBox1->setCurrentIndex(0);
    // These may run the boxes' handlers on the outgoing model, which is released just after.
    CheckBox2->setChecked(true);
    CheckBox1->setChecked(false);
    if (sender == NvModeleBtn)
        CurrentModel.reset();
    auto model = std::make_unique<tmodele>();
    model->AddHarmonic(1);
    CurrentModel = std::move(model);
    Supprharmbtn->setEnabled(false);
    CheckBox2->setChecked(true);
    frequedit->setText(numfmt::General(CurrentModel->Fundamental, 15));
    RenderModel();
    ResetView();
    RedrawWaveform();
    RedrawGraph();
    RedrawSpectrum();
    RefreshCursor();
    ajustampliBtn->hide();
    ajustphasebtn->hide();
}

void TForm1::dureeUDClick()
{
    if (!CurrentModel)
        return;
    CurrentModel->Duration = std::uint16_t(dureeUD->Position());
    ResetView();
    RenderModel();
    RedrawWaveform();
    RefreshCursor();
    RedrawSpectrum();
}

void TForm1::UpDown1Click()
{
    if (!CurrentModel)
        return;
    // Positions are signed 16-bit values, divided in floating point.
    const auto percent = std::int16_t(UpDown1->Position());
    const auto perMille = std::int16_t(UpDown3->Position());
    CurrentModel->Glide = double(percent) / 100.0 + double(perMille) / 1000.0;
    RenderModel();
    RedrawWaveform();
    RedrawGraph();
    RedrawSpectrum();
    RefreshCursor();
}

void TForm1::ComboBox1Change()
{
    const int index = ComboBox1->currentIndex();
    Supprharmbtn->setEnabled(index != 0);
    if (!CurrentModel || index < 0 || std::size_t(index) >= CurrentModel->Harmonics.size())
        return;
    // The box's own handler then finds box and flag equal and does nothing.
    CheckBox2->setChecked(CurrentModel->Harmonics[std::size_t(index)].Active != 0);
}

void TForm1::CheckBox2Click()
{
    const int index = ComboBox1->currentIndex();
    if (!CurrentModel || index < 0 || std::size_t(index) >= CurrentModel->Harmonics.size())
        return;
    tharmonique& harmonic = CurrentModel->Harmonics[std::size_t(index)];
    const std::uint8_t state = CheckBox2->isChecked() ? 1 : 0;
    if (state == harmonic.Active)
        return;
    harmonic.Active = state;
    RenderModel();
    RedrawWaveform();
    RedrawGraph();
    RedrawSpectrum();
}

void TForm1::SupprharmbtnClick()
{
    const int index = ComboBox1->currentIndex();
    if (!CurrentModel || index <= 0)
        return;  // the fundamental cannot be deleted
    QMessageBox question(
        QMessageBox::Question, QStringLiteral("Suppression d'une harmonique"),
        QStringLiteral("Supprimer l'harmonique n°") + ComboBox1->itemText(index) + QStringLiteral("?"),
        QMessageBox::Ok | QMessageBox::Cancel, this);
    question.setObjectName(QStringLiteral("SuppressionQuestion"));
    windowhints::ForMessageBox(question);
    if (question.exec() != QMessageBox::Ok)
        return;
    CurrentModel->DeleteHarmonic(std::size_t(index));
    ComboBox1->removeItem(index);
    ComboBox1->setCurrentIndex(0);
    Supprharmbtn->setEnabled(false);
    // Runs CheckBox2Click when the box was unchecked: it revives a silenced fundamental.
    CheckBox2->setChecked(true);
    RenderModel();
    RedrawWaveform();
    RedrawGraph();
    RedrawSpectrum();
    RefreshCursor();
    ShowHarmonicButtons();
}

void TForm1::CheckBox1Click()
{
    if (!CurrentModel || CurrentModel->Harmonics.empty())
        return;
    // Either way, every harmonic starts again from the fundamental's envelope.
    const tenveloppe fundamental = CurrentModel->Harmonics[0].Envelope;
    for (std::size_t i = 1; i < CurrentModel->Harmonics.size(); ++i)
        CurrentModel->Harmonics[i].Envelope = fundamental;
    RenderModel();
    RedrawWaveform();
    RedrawGraph();
    RedrawSpectrum();
    RefreshCursor();
}

void TForm1::Button6Click()
{
    if (CurrentModel)
        CurrentModel->Play();
}

// ---- View navigation ---------------------------------------------------------------------

void TForm1::ApplyZoom()
{
    if (!CurrentModel)
        return;
    const double length = CurrentModel->Duration / 10.0;  // seconds
    if (ZoomFactor <= MinZoom) {
        ViewStart = 0.0;
        ViewEnd = length;
        CursorTime = length / 2.0;
    } else {
        // Laid around the cursor; cut short, not shifted, at the end of the sound.
        const double span = CurrentModel->Duration / (10.0 * ZoomFactor);  // seconds
        const double start = CursorTime - span / 2.0;
        ViewStart = start > 0.0 ? start : 0.0;
        const double end = ViewStart + span;
        ViewEnd = end < length ? end : length;
    }
    PlaceTimeCursor();
    RedrawWaveform();
}

void TForm1::ZoomBtnClick()
{
    if (ZoomFactor >= MaxZoom)
        return;
    ZoomFactor = std::uint16_t(ZoomFactor * 2);
    ApplyZoom();
    ShowZoomFactor();
}

void TForm1::AnnZoomBtnClick()
{
    if (ZoomFactor <= MinZoom)
        return;
    ZoomFactor = std::uint16_t(ZoomFactor / 2);
    ApplyZoom();
    ShowZoomFactor();
}

void TForm1::ToolButton1Click()
{
    ZoomFactor = MinZoom;
    ApplyZoom();
    ShowZoomFactor();
}

void TForm1::ToolButton4Click()
{
    if (!CurrentModel || !(ViewStart > 0.0))
        return;
    const double span = ViewEnd - ViewStart;
    const double back = CursorTime - span;
    CursorTime = back > 0.0 ? back : span / 2.0;
    ApplyZoom();
    RedrawSpectrum();
    ShowCursorTime();
}

void TForm1::ToolButton5Click()
{
    if (!CurrentModel)
        return;
    const double length = CurrentModel->Duration / 10.0;  // seconds
    if (!(length > ViewEnd))
        return;
    const double span = ViewEnd - ViewStart;
    const double ahead = CursorTime + span;
    CursorTime = length > ahead ? ahead : length - span / 2.0;
    ApplyZoom();
    RedrawSpectrum();
    ShowCursorTime();
}

void TForm1::choixgrapheRGClick()
{
    RedrawGraph();
}

void TForm1::CurseurTempsMouseDown(Qt::MouseButton, QPoint)
{
    // Any button starts it; the drag itself begins once the pointer has moved DragThreshold.
    cursorPressed_ = true;
    cursorDragging_ = false;
}

bool TForm1::CourbeImgDragOver(QWidget* source, QWidget* target) const
{
    return source == CurseurTemps && target == CourbeImg;
}

void TForm1::CurseurTempsEndDrag(QWidget* target, int x)
{
    const int w = CourbeImg->width();
    if (target != CourbeImg || !(x + CursorWidth < w) || x < 0 || !CurrentModel)
        return;
    // x is measured in the picture while the cursor lies in Panel5: it stands L0 left of the drop.
    CurseurTemps->move(x, CurseurTemps->y());
    CursorTime = (ViewEnd - ViewStart) * (x - CourbeLeft()) / w + ViewStart;
    ShowCursorTime();
    RedrawSpectrum();
    RedrawGraph();
}

void TForm1::CourbeImgMouseUp(Qt::MouseButton button, int x)
{
    if (button != Qt::LeftButton)
        return;
    if (x >= 0 && x < CourbeImg->width() - CurseurTemps->width())
        CurseurTempsEndDrag(CourbeImg, x);
}
