#pragma once

#include <QDialog>
#include <QString>
#include <vector>

class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSlider;
class TUpDown;
class tmodele;

// The ranks from 2 to 50 that no harmonic of the model holds yet, in increasing order.
std::vector<int> FreeRanks(const tmodele& model);

// The add-a-harmonic dialog: a free rank, a relative amplitude and a phase. The page reads the
// three choices after OK and adds the harmonic itself.
class TForm4 : public QDialog {
    Q_OBJECT
public:
    explicit TForm4(QWidget* parent = nullptr);

    // The model whose free ranks are offered; set by the page before each showing.
    void setModel(const tmodele* model) { model_ = model; }

    // What the page reads after OK.
    bool HasRanks() const;
    QString RankText() const;       // the selected entry, "2".."50"
    QString AmplitudeText() const;  // as typed, in the user's notation
    int PhaseDegrees();             // -179..180

    QFrame* Panel3 = nullptr;
    QLabel* Label1 = nullptr;
    QListWidget* ListBox1 = nullptr;
    QFrame* Panel1 = nullptr;
    QLabel* Label2 = nullptr;
    QSlider* TrackBar1 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QFrame* Panel2 = nullptr;
    QLabel* Label6 = nullptr;
    QLineEdit* Edit2 = nullptr;  // the field of UpDown1
    TUpDown* UpDown1 = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn2 = nullptr;

    void FormShow();
    void TrackBar1Change();
    void Edit1Change();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void createUi();
    void connectUi();

    const tmodele* model_ = nullptr;
};
