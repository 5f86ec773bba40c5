#include "ui/Sonvelia6.h"

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("A propos"));
}
