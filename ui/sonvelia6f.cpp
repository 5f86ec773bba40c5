#include "ui/sonvelia6f.h"

TForm6::TForm6(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Phase "));
}
