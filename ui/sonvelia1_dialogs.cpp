#include "ui/sonvelia1.h"

void TForm1::AjHarmBtnClick()
{
    // The command lands with its feature.
}

void TForm1::Button3Click()
{
    // The command lands with its feature.
}

void TForm1::Button2Click()
{
    // The command lands with its feature.
}

void TForm1::ajustampliBtnClick()
{
    // The command lands with its feature.
}

void TForm1::ajustphasebtnClick()
{
    // The command lands with its feature.
}
