#include "ui/sonvelia8.h"

TForm8::TForm8(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Mesures"));
}
