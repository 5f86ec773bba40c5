// Test programs run inside a QApplication on the offscreen platform, in a French locale,
// so that every number shown uses a decimal comma as a French user would see it.
#include <gtest/gtest.h>
#include <QApplication>
#include <QLocale>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("sonvelia"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
