#include "ui/sonvelia1.h"

void TForm1::AjListeBtnClick()
{
    // The command lands with its feature.
}

void TForm1::PageSerieShow()
{
    // The command lands with its feature.
}

void TForm1::CheckListBox1Click()
{
    // The command lands with its feature.
}

void TForm1::ecouteEltSerieBtnClick()
{
    // The command lands with its feature.
}

void TForm1::EcouteSerieBtnClick()
{
    // The command lands with its feature.
}

void TForm1::effaceEltSerieBtnClick()
{
    // The command lands with its feature.
}

void TForm1::EffaceSerieBtnClick()
{
    // The command lands with its feature.
}

void TForm1::smodeleClick()
{
    // The command lands with its feature.
}

void TForm1::sserie1Click()
{
    // The command lands with its feature.
}

void TForm1::unmodleClick()
{
    // The command lands with its feature.
}

void TForm1::Chargerunesrie1Click()
{
    // The command lands with its feature.
}

void TForm1::RecWavBtnClick()
{
    // The command lands with its feature.
}

void TForm1::exportwavsClick()
{
    // The command lands with its feature.
}
