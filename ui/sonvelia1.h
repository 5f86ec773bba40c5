#pragma once

#include <QMainWindow>
#include <QPixmap>
#include <cstdint>
#include <memory>
#include <vector>

#include "model/tmodele.h"

class QAction;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QFileDialog;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QToolBar;
class QToolButton;
class PictureBox;
class TUpDown;
class TForm2;
class TForm3;
class TForm4;
class TForm5;
class TForm6;
class TForm7;
class TForm9;
class PictureMenu;
class TAboutBox;
namespace undo {
class UndoHistory;
}

// The main window: the shared state of the application (current model, series, view state),
// the "Modèle" page with its model panel and views, the "Série" page, the menu and tool bars.
// Controls are public so that the commands in sonvelia1_*.cpp, the dialogs and the tests can
// reach them by their names.
class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    // ---- Shared state -------------------------------------------------------------------
    std::unique_ptr<tmodele> CurrentModel;         // the "modèle actif", from the first show on
    std::vector<std::unique_ptr<tmodele>> Series;  // series models, in order, owned
    std::int32_t SeriesCount = 0;                  // number of models in Series
    std::uint8_t LastSeriesIndex = 0;              // series entry last drawn on the "Série" page

    // View state: the waveform shows ViewStart..ViewEnd, the pictures "at an instant" show
    // CursorTime. All 0 before the first model.
    double CursorTime = 0.0;       // seconds
    double ViewStart = 0.0;        // seconds
    double ViewEnd = 0.0;          // seconds
    std::uint16_t ZoomFactor = 0;  // 1..128, powers of two

    // Every command that changes the model or the series goes through it as one undo step.
    undo::UndoHistory* History = nullptr;

    // ---- Shared operations on the view state --------------------------------------------
    // CursorTime = D/100, ZoomFactor = 1 ("x1"), ViewStart = 0, ViewEnd = D/10 - D/1000.
    // Draws nothing.
    void ResetView();
    // Left of CurseurTemps in Panel5 = round((CursorTime - ViewStart) * W / (ViewEnd - ViewStart) + L0).
    void PlaceTimeCursor();
    // CurseurEdit = CursorTime, scientific, 5 digits, exponent of at least 2 digits, + " s".
    void ShowCursorTime();
    // Label8 = "x" + ZoomFactor.
    void ShowZoomFactor();

    // ---- Refresh steps of the model page, each one picture or one step ----------------------
    void RenderModel();     // render: Render the current model
    void RedrawWaveform();  // waveform: CourbeImg from ViewStart to ViewEnd
    void RedrawGraph();     // graph: SonogImg, sonogram or components at CursorTime
    void RedrawSpectrum();  // spectrum: SpectreImg at CursorTime
    void RefreshCursor();   // cursor: PlaceTimeCursor then ShowCursorTime
    // 0 "Sonagramme", 1 "Composantes": the item chosen in choixgrapheRG.
    int GraphChoice() const;
    // Shows ajustampliBtn and ajustphasebtn only while the model has two harmonics or more.
    void ShowHarmonicButtons();
    // Brings the model page up to date with a current model just replaced whole (a file read, a
    // recipe): the selector's entries, the buttons, render, view state, every view, the spinners,
    // the first entry selected and frequedit. ZoomFactor and the boxes stay as they are.
    void ShowLoadedModel();  // sonvelia1_series.cpp
    // L0: the left of CourbeImg inside Panel5, pixels.
    int CourbeLeft() const;

    // ---- Handlers: menu ------------------------------------------------------------------
    void smodeleClick();          // sonvelia1_series.cpp
    void sserie1Click();          // sonvelia1_series.cpp
    void unmodleClick();          // sonvelia1_series.cpp
    void Chargerunesrie1Click();  // sonvelia1_series.cpp
    void ImporterSon1Click();     // sonvelia1_import.cpp
    void Quitter1Click();
    void Recette1Click();  // sonvelia1_recipes.cpp
    void Aide1Click();     // sonvelia1_tools.cpp
    void Info2Click();     // sonvelia1_tools.cpp

    // ---- Handlers: window ----------------------------------------------------------------
    void FormShow();
    void FormClose();
    void FormResize();

    // ---- Handlers: model tool bar and model panel -----------------------------------------
    void NvModeleBtnClick();     // "&Nouveau" pressed: the button is the sender
    void AjListeBtnClick();      // sonvelia1_series.cpp
    void EffaceSerieBtnClick();  // sonvelia1_series.cpp (also Effserie2Btn)
    void RecWavBtnClick();       // sonvelia1_series.cpp
    void Button2Click();         // sonvelia1_dialogs.cpp
    void dureeUDClick();
    void UpDown1Click();
    void ComboBox1Change();
    void CheckBox2Click();
    void AjHarmBtnClick();  // sonvelia1_dialogs.cpp
    void SupprharmbtnClick();
    void CheckBox1Click();
    void Button3Click();        // sonvelia1_dialogs.cpp
    void ajustampliBtnClick();  // sonvelia1_dialogs.cpp
    void ajustphasebtnClick();  // sonvelia1_dialogs.cpp
    void Button6Click();

    // ---- Handlers: views and navigation ---------------------------------------------------
    void ApplyZoom();
    void ZoomBtnClick();
    void AnnZoomBtnClick();
    void ToolButton1Click();
    void ToolButton4Click();
    void ToolButton5Click();
    void ToolButton7Click();  // sonvelia1_tools.cpp
    void Button1Click();      // sonvelia1_tools.cpp
    void choixgrapheRGClick();
    // A mouse button pressed on the time cursor: dragging starts once the pointer has moved.
    void CurseurTempsMouseDown(Qt::MouseButton button, QPoint pos);
    // Whether `target` accepts a drop of `source`: only CourbeImg accepts the time cursor.
    bool CourbeImgDragOver(QWidget* source, QWidget* target) const;
    // The drag of the time cursor ended on `target` (nullptr: none), x in CourbeImg.
    void CurseurTempsEndDrag(QWidget* target, int x);
    void CourbeImgMouseUp(Qt::MouseButton button, int x);

    // ---- Handlers: "Série" page -----------------------------------------------------------
    void PageSerieShow();              // sonvelia1_series.cpp
    void SeriesPictureRatioChanged();  // the shown series model drawn again at the new ratio
    void CheckListBox1Click();         // sonvelia1_series.cpp
    void ecouteEltSerieBtnClick();     // sonvelia1_series.cpp
    void effaceEltSerieBtnClick();     // sonvelia1_series.cpp
    void EcouteSerieBtnClick();        // sonvelia1_series.cpp
    void exportwavsClick();            // sonvelia1_series.cpp

    // ---- Controls ------------------------------------------------------------------------
    QMenuBar* MainMenu1 = nullptr;
    QMenu* Fichier1 = nullptr;  // "&Fichier"
    QMenu* Edition1 = nullptr;  // "Édi&tion"
    QMenu* N1 = nullptr;        // "?"
    QAction* smodele = nullptr;
    QAction* sserie1 = nullptr;
    QAction* unmodle = nullptr;
    QAction* Chargerunesrie1 = nullptr;
    QAction* ImporterSon1 = nullptr;
    QAction* Quitter = nullptr;
    QAction* Annuler1 = nullptr;   // "&Annuler", followed by the step it undoes
    QAction* Retablir1 = nullptr;  // "&Rétablir", followed by the step it redoes
    QAction* Recette1 = nullptr;
    QAction* Aide1 = nullptr;
    QAction* Info2 = nullptr;

    QTabWidget* PageControl1 = nullptr;
    QWidget* ModelePage = nullptr;
    QWidget* PageSerie = nullptr;

    // "Modèle" page: the waveform band.
    QFrame* Panel5 = nullptr;
    PictureBox* CourbeImg = nullptr;
    QFrame* CurseurTemps = nullptr;  // red bar, 3 pixels wide

    // "Modèle" page: the model panel.
    QFrame* Panel1 = nullptr;
    QToolBar* ToolBar1 = nullptr;
    QToolButton* NvModeleBtn = nullptr;
    QToolButton* AjListeBtn = nullptr;
    QToolButton* Effserie2Btn = nullptr;
    QToolButton* RecWavBtn = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* frequedit = nullptr;
    QPushButton* Button2 = nullptr;
    QLabel* Label9 = nullptr;
    QLineEdit* dureeEdit = nullptr;  // the field of dureeUD
    TUpDown* dureeUD = nullptr;
    QLabel* Label6 = nullptr;
    QLineEdit* Edit2 = nullptr;  // the field of UpDown1
    TUpDown* UpDown1 = nullptr;
    QLabel* Label11 = nullptr;
    QLineEdit* Edit3 = nullptr;  // the field of UpDown3, typing allowed
    TUpDown* UpDown3 = nullptr;
    QLabel* Label12 = nullptr;
    QLabel* Label13 = nullptr;
    QLabel* Label1 = nullptr;
    QPushButton* AjHarmBtn = nullptr;
    QPushButton* ajustphasebtn = nullptr;
    QPushButton* ajustampliBtn = nullptr;
    QLabel* Label4 = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QCheckBox* CheckBox2 = nullptr;
    QPushButton* Supprharmbtn = nullptr;
    QLabel* Label5 = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QPushButton* Button3 = nullptr;
    QPushButton* Button6 = nullptr;

    // "Modèle" page: the views.
    QFrame* Panel2 = nullptr;
    QFrame* Panel3 = nullptr;
    QToolBar* ToolBar2 = nullptr;
    QAction* ToolButton3 = nullptr;  // separator
    QToolButton* ZoomBtn = nullptr;
    QLabel* Label8 = nullptr;
    QToolButton* AnnZoomBtn = nullptr;
    QToolButton* ToolButton1 = nullptr;
    QAction* ToolButton2 = nullptr;  // separator
    QToolButton* ToolButton4 = nullptr;
    QToolButton* ToolButton5 = nullptr;
    QLabel* Label7 = nullptr;
    QLineEdit* CurseurEdit = nullptr;
    QAction* ToolButton6 = nullptr;  // separator
    QToolButton* ToolButton7 = nullptr;
    PictureBox* SpectreImg = nullptr;
    PictureBox* SonogImg = nullptr;
    QFrame* Panel4 = nullptr;
    QLabel* Label3 = nullptr;  // "Spectre"
    QPushButton* Button1 = nullptr;
    QGroupBox* choixgrapheRG = nullptr;
    QButtonGroup* choixgrapheItems = nullptr;  // ids 0 "Sonagramme", 1 "Composantes"
    QList<QPixmap> ImageList1;                 // tool bar pictures
    QList<QPixmap> ImageList2;                 // their disabled look

    // "Série" page.
    QFrame* Panel6 = nullptr;
    QListWidget* CheckListBox1 = nullptr;  // checkable items
    QFrame* Panel7 = nullptr;
    PictureBox* seriecourbe = nullptr;
    QFrame* Panel8 = nullptr;
    QLabel* Label10 = nullptr;
    QPushButton* ecouteEltSerieBtn = nullptr;
    QPushButton* effaceEltSerieBtn = nullptr;
    QPushButton* EcouteSerieBtn = nullptr;
    QPushButton* EffaceSerieBtn = nullptr;
    QPushButton* exportwavs = nullptr;
    PictureBox* seriespectre = nullptr;
    PictureBox* seriesonog = nullptr;

    // Shared file dialogs (the desktop's chooser where it offers one; each command sets filter and
    // extension). Made at their first use, through SaveDialog() and OpenDialog(): building one looks its
    // icons up in the desktop's theme, about 50 ms each under X11, which the start need not wait for.
    QFileDialog* SaveDialog1 = nullptr;
    QFileDialog* OpenDialog1 = nullptr;
    QFileDialog* SaveDialog();  // SaveDialog1, made if needed
    QFileDialog* OpenDialog();  // OpenDialog1, made if needed

    // Dialogs, created hidden with the main window, owned by it through Qt.
    TForm2* Form2 = nullptr;
    TForm3* Form3 = nullptr;
    TForm4* Form4 = nullptr;
    TForm5* Form5 = nullptr;
    TAboutBox* AboutBox = nullptr;
    TForm6* Form6 = nullptr;
    TForm7* Form7 = nullptr;
    // Made at its first use, through RecipeDialog(), like the file dialogs: a command few runs
    // need not be built at every start.
    TForm9* Form9 = nullptr;
    TForm9* RecipeDialog();  // Form9, made if needed; sonvelia1_recipes.cpp

    // The right-click menu of every picture of both pages.
    PictureMenu* PictureMenu1 = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createUi();
    void createModelPage();
    void createModelPanel();
    void createViewPanel();
    void createSeriesPage();
    void createDialogs();
    void createMenus();
    void connectUi();
    // New model; `sender` is NvModeleBtn for the button, the window itself at the first show.
    void NewModel(QObject* sender);
    // Keeps the controls of Panel1 below its tool bar at their distance from its bottom.
    void LayOutModelPanel();
    // Runs a handler that is called from an event filter through the error box.
    template <class F>
    void RunGuarded(F&& handler);
    void ScheduleResize();
    // The design size, centred on the screen the window is on.
    void RestoreDesignGeometry();

    std::vector<std::pair<QWidget*, QPoint>> panel1Design_;  // controls below ToolBar1, design positions
    bool closing_ = false;
    bool resizePending_ = false;
    bool cursorPressed_ = false;   // a button went down on CurseurTemps
    bool cursorDragging_ = false;  // ... and the pointer has moved by the threshold
    QPoint cursorPressPos_;        // global, where the button went down
};
