// The commands of the main window that open the tool windows: measurements, the spectral
// report, the manual and the About box.
#include <QLineEdit>

#include "ui/Sonvelia6.h"
#include "ui/help.h"
#include "ui/picturebox.h"
#include "ui/sonvelia1.h"
#include "ui/sonvelia7.h"
#include "ui/sonvelia8.h"

void TForm1::ToolButton7Click()
{
    // Each opening starts afresh: the window and its cursors live only while it is shown.
    MeasureTarget target;
    target.Panel5 = Panel5;
    target.CourbeImg = CourbeImg;
    target.CurseurTemps = CurseurTemps;
    target.CurseurEdit = CurseurEdit;
    target.ViewStart = ViewStart;
    target.ViewEnd = ViewEnd;
    TForm8 form8(target, this);
    form8.exec();
}

void TForm1::Button1Click()
{
    Form7->SetSubject(CurrentModel.get(), CursorTime);
    Form7->exec();
    Form7->SetSubject(nullptr, 0.0);
}

void TForm1::Aide1Click()
{
    help::ShowManual(this);
}

void TForm1::Info2Click()
{
    AboutBox->exec();
}
