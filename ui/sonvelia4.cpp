#include "ui/sonvelia4.h"

TForm4::TForm4(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Ajout d'une harmonique"));
}
