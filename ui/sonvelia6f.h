#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;
class TUpDown;

// Whole degrees for a phase in radians, rounded half to even and kept within -179..180.
int PhaseDegreesFor(double radians);

// The phase dialog: the starting phase of one harmonic, in whole degrees. The page reads the
// spinner after OK.
class TForm6 : public QDialog {
    Q_OBJECT
public:
    explicit TForm6(QWidget* parent = nullptr);

    // The harmonic the next showing edits: the page's selected entry text and its phase (radians).
    void setHarmonic(const QString& entryText, double phase);

    int PhaseDegrees();  // -179..180

    QLabel* Label1 = nullptr;
    QLineEdit* Edit1 = nullptr;  // the field of UpDown1
    TUpDown* UpDown1 = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn2 = nullptr;

    void FormShow();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void createUi();
    void connectUi();

    QString entryText_;
    double phase_ = 0.0;  // radians
};
