// The Fourier recipe command: the current model's harmonics replaced by a classic wave's series.
#include "model/recipes.h"
#include "ui/sonvelia1.h"
#include "ui/sonvelia9.h"

TForm9* TForm1::RecipeDialog()
{
    if (Form9 == nullptr) {
        Form9 = new TForm9(this);
        Form9->setObjectName(QStringLiteral("Form9"));
    }
    return Form9;
}

void TForm1::Recette1Click()
{
    if (!CurrentModel)
        return;
    if (RecipeDialog()->exec() != QDialog::Accepted)
        return;
    // Fundamental, glide and duration stay: only the list of harmonics is the recipe's.
    CurrentModel->Harmonics = RecipeHarmonics(Form9->ChosenRecipe(), Form9->HighestRank());
    CurrentModel->Rendered = 0;
    ShowLoadedModel();
}
