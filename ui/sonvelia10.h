#pragma once

#include <QDialog>

#include "analysis/analyse.h"
#include "analysis/recording.h"

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class PictureBox;

// The import dialog: shows the recorded note and what its analysis found, lets the user
// analyse again from a fundamental of their own and compare the original with the model by
// ear. The page reads Found() after OK and applies it to the current model itself.
class TForm10 : public QDialog {
    Q_OBJECT
public:
    // `found` is the first analysis of `recording`, made by the page before the dialog opens.
    TForm10(analysis::Recording recording, analysis::Result found, QWidget* parent = nullptr);

    const analysis::Result& Found() const { return found_; }
    // Whether an analysis is running (the buttons wait for it).
    bool Busy() const { return busy_; }

    PictureBox* formeOnde = nullptr;  // the note's waveform, from its start
    PictureBox* spectre = nullptr;    // the model's spectrum at the note's middle
    QLabel* Label1 = nullptr;         // "Fondamentale (Hz)"
    QLineEdit* fondEdit = nullptr;
    QLabel* Label2 = nullptr;  // "Glissement"
    QLabel* glissLabel = nullptr;
    QLabel* Label3 = nullptr;  // "Harmoniques trouvées"
    QLabel* harmLabel = nullptr;
    QPushButton* analyserBtn = nullptr;
    QPushButton* ecouterOrigBtn = nullptr;
    QPushButton* ecouterModBtn = nullptr;
    QProgressBar* progression = nullptr;  // shown only while a long analysis runs
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn2 = nullptr;

    void analyserBtnClick();
    void ecouterOrigBtnClick();
    void ecouterModBtnClick();

public slots:
    void reject() override;

private:
    void createUi();
    void connectUi();
    // Fields and pictures from found_.
    void ShowFound();
    void DrawPictures();
    // Runs the analysis off the window's thread, the dialog still answering; rethrows its error.
    analysis::Result RunAnalysis(double fundamental);
    void SetBusy(bool busy);

    analysis::Recording recording_;
    analysis::Result found_;
    bool busy_ = false;
};
