#include "ui/sonvelia7.h"

TForm7::TForm7(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Caractéristiques spectrales :"));
}
