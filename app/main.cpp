#include <QApplication>
#include <QLibraryInfo>
#include <QScreen>
#include <QTranslator>

#include "ui/sonvelia1.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("sonvelia"));
    // The interface is French whatever the desktop's language: the toolkit's own texts
    // (file dialogs, standard buttons) follow it.
    QTranslator toolkitTexts;
    if (toolkitTexts.load(QStringLiteral("qtbase_fr"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&toolkitTexts);
    // The main window creates its dialogs, hidden, right after itself.
    TForm1 Form1;
    // Without a window manager to honour the request, the window still covers the screen.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        Form1.setGeometry(screen->availableGeometry());
    Form1.showMaximized();
    return app.exec();
}
