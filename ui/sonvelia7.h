#pragma once

#include <QDialog>
#include <QStringList>

class QPushButton;
class QTextEdit;
class QToolButton;
class tmodele;
struct tharmonique;

// The lines of the spectral report of a model at an instant t (s): fundamental, instant,
// momentary frequency, then one line per harmonic (rank, momentary amplitude, phase in degrees,
// state), fields separated by tabs.
QStringList SpectralReportLines(const tmodele& model, double t);

// A harmonic's momentary amplitude at t (s) as the report gives it: its envelope there times its
// relative amplitude, rounded half to even (0..255 for amplitudes up to 1).
long long ReportedAmplitude(const tmodele& model, const tharmonique& harmonic, double t);

// "Caractéristiques spectrales :": the report of the current model at the cursor's instant,
// rebuilt each time the dialog shows, and a button copying it to the clipboard.
class TForm7 : public QDialog {
    Q_OBJECT
public:
    explicit TForm7(QWidget* parent = nullptr);

    // The model and instant the next showing reports on; the caller keeps the model alive
    // while the dialog is shown.
    void SetSubject(const tmodele* model, double cursorTime);

    QTextEdit* papier;
    QPushButton* BitBtn1;
    QToolButton* Copbtn;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void createUi();
    void connectUi();

    void FormShow();
    void CopbtnClick();

    const tmodele* model_ = nullptr;
    double cursorTime_ = 0.0;  // s
};
