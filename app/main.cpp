#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("sonvelia"));
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Sonvelia v.5"));
    window.showMaximized();
    return app.exec();
}
