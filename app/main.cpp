#include <QApplication>

#include "ui/sonvelia1.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("sonvelia"));
    QApplication::setApplicationDisplayName(QStringLiteral("sonvelia"));
    // The main window creates its dialogs, hidden, right after itself.
    TForm1 Form1;
    Form1.showMaximized();
    return app.exec();
}
