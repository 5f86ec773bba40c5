#pragma once

#include <QDialog>

#include "model/recipes.h"

class QButtonGroup;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class TUpDown;

// The Fourier recipe dialog: which classic wave to build and up to which rank. The page reads
// the two choices after OK and replaces the model's harmonics itself. A showing starts from the
// last choices confirmed with OK ("Carré" up to rank 25 the first time); a cancelled showing
// leaves them as they were.
class TForm9 : public QDialog {
    Q_OBJECT
public:
    explicit TForm9(QWidget* parent = nullptr);

    // What the page reads after OK.
    Recipe ChosenRecipe() const { return recipe_; }
    int HighestRank() const { return highestRank_; }  // 1..50

    QGroupBox* recetteRG = nullptr;
    QButtonGroup* recetteItems = nullptr;  // ids 0 "Carré" .. 3 "Impulsion", as Recipe
    QLabel* Label2 = nullptr;              // what the chosen recipe builds, one line
    QLabel* Label1 = nullptr;              // "Rang le plus élevé"
    QLineEdit* rangmaxEdit = nullptr;      // the field of rangmaxUD
    TUpDown* rangmaxUD = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn2 = nullptr;

    void FormShow();
    void recetteRGClick();
    void BitBtn1Click();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void createUi();
    void connectUi();

    Recipe recipe_ = Recipe::Square;
    int highestRank_ = 25;
};
