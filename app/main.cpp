#include <QApplication>
#include <QScreen>

#include "ui/sonvelia1.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("sonvelia"));
    QApplication::setApplicationDisplayName(QStringLiteral("sonvelia"));
    // The main window creates its dialogs, hidden, right after itself.
    TForm1 Form1;
    // Without a window manager to honour the request, the window still covers the screen.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        Form1.setGeometry(screen->availableGeometry());
    Form1.showMaximized();
    return app.exec();
}
