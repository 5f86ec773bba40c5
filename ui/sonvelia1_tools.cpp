#include "ui/sonvelia1.h"

void TForm1::ToolButton7Click()
{
    // The command lands with its feature.
}

void TForm1::Button1Click()
{
    // The command lands with its feature.
}

void TForm1::Aide1Click()
{
    // The command lands with its feature.
}

void TForm1::Info2Click()
{
    // The command lands with its feature.
}
