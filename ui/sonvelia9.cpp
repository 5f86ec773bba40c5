#include "ui/sonvelia9.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <array>

#include "ui/dialogkit.h"
#include "ui/updown.h"
#include "ui/windowhints.h"

namespace {
constexpr QSize WindowSize(285, 232);     // pixels, frame included
constexpr QPoint OpeningPlace(330, 200);  // screen pixels
constexpr int GroupWidth = 264;           // recetteRG and the note below it, pixels
constexpr int ItemHeight = 19;            // one radio item, pixels

struct RecipeItem {
    const char* caption;
    const char* note;
};
// In the order of Recipe.
const std::array<RecipeItem, 4> Items{{
    {"Carré", "Rangs impairs, amplitude 1/r, tous en phase"},
    {"Dent de scie", "Tous les rangs, amplitude 1/r, rangs pairs inversés"},
    {"Triangle", "Rangs impairs, amplitude 1/r², un sur deux inversé"},
    {"Impulsion", "Tous les rangs, amplitude 1, phase 90°"},
}};
}  // namespace

TForm9::TForm9(QWidget* parent) : QDialog(parent)
{
    createUi();
    connectUi();
}

void TForm9::createUi()
{
    using dialogkit::ButtonKind;
    setObjectName(QStringLiteral("Form9"));
    setWindowTitle(QStringLiteral("Recette de Fourier"));
    windowhints::CloseButtonOnly(this);
    setFont(dialogkit::DialogFont());
    setFixedSize(dialogkit::ClientForWindow(WindowSize));
    move(OpeningPlace);

    recetteRG = new QGroupBox(QStringLiteral("Recette"), this);
    recetteRG->setObjectName(QStringLiteral("recetteRG"));
    recetteRG->setGeometry(8, 4, GroupWidth, 26 + ItemHeight * int(Items.size()));
    recetteItems = new QButtonGroup(recetteRG);
    for (int k = 0; k < int(Items.size()); ++k) {
        auto* item = new QRadioButton(QString::fromUtf8(Items[std::size_t(k)].caption), recetteRG);
        item->setObjectName(QStringLiteral("recetteRG_") + QString::number(k));
        item->setGeometry(12, 22 + ItemHeight * k, GroupWidth - 24, ItemHeight - 2);
        recetteItems->addButton(item, k);
    }
    recetteItems->button(0)->setChecked(true);

    Label2 = new QLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(8, recetteRG->geometry().bottom() + 5, GroupWidth, 16);

    Label1 = new QLabel(QStringLiteral("Rang le plus élevé"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(8, 134, 120, 21);
    rangmaxUD = new TUpDown(this);
    rangmaxUD->setObjectName(QStringLiteral("rangmaxUD"));
    rangmaxUD->setRange(RecipeLowestRank, RecipeHighestRank);
    rangmaxUD->setSingleStep(1);
    rangmaxUD->setWrapping(false);
    rangmaxUD->setValue(highestRank_);
    // The field is 41 wide at 132; the arrows stand right of it.
    rangmaxUD->setGeometry(132, 134, 41 + 17, 21);
    rangmaxEdit = rangmaxUD->Field();
    rangmaxEdit->setObjectName(QStringLiteral("rangmaxEdit"));
    // Screen readers announce the field by its label, as sighted users read it.
    Label1->setBuddy(rangmaxUD);
    rangmaxUD->setAccessibleName(Label1->text());
    rangmaxEdit->setAccessibleName(Label1->text());

    BitBtn1 = dialogkit::MakeBitBtn(this, QStringLiteral("BitBtn1"), QStringLiteral("OK"), ButtonKind::Ok,
                                    QRect(60, 170, 75, 25));
    BitBtn1->setDefault(true);
    BitBtn2 = dialogkit::MakeBitBtn(this, QStringLiteral("BitBtn2"), QStringLiteral("Annuler"),
                                    ButtonKind::Cancel, QRect(140, 170, 75, 25));
}

void TForm9::connectUi()
{
    connect(BitBtn1, &QPushButton::clicked, this, &TForm9::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
    connect(recetteItems, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        // Two toggles per change (one off, one on): the one that turns an item on is the change.
        if (checked)
            recetteRGClick();
    });
}

void TForm9::showEvent(QShowEvent* event)
{
    FormShow();
    // Every showing starts from the same control, so Enter means OK unless a button was focused.
    recetteItems->checkedButton()->setFocus();
    QDialog::showEvent(event);
}

void TForm9::FormShow()
{
    recetteItems->button(int(recipe_))->setChecked(true);
    rangmaxUD->setValue(highestRank_);
    recetteRGClick();
}

void TForm9::recetteRGClick()
{
    const int k = recetteItems->checkedId();
    if (k >= 0 && k < int(Items.size()))
        Label2->setText(QString::fromUtf8(Items[std::size_t(k)].note));
}

void TForm9::BitBtn1Click()
{
    // Only a confirmed choice is kept for the next showing.
    recipe_ = Recipe(recetteItems->checkedId());
    highestRank_ = rangmaxUD->Position();
    accept();
}
