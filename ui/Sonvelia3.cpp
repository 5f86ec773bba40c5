#include "ui/Sonvelia3.h"

TForm3::TForm3(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Sélecteur de fréquence"));
}
