#include "ui/sonvelia5.h"

TForm5::TForm5(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Amplitudes relatives des harmoniques"));
}
