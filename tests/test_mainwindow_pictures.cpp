// The picture control and the drawn tool bar pictures.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPainter>

#include "ui/picturebox.h"
#include "ui/toolicons.h"

namespace {

const QColor Pattern(200, 30, 90);

TEST(PictureBox, FollowsItsSizeAndKeepsWhatItShowed)
{
    PictureBox box;
    box.resize(120, 80);
    box.show();
    QImage& picture = box.Picture();
    EXPECT_EQ(picture.size(), QSize(120, 80));
    picture.fill(Qt::white);
    QPainter(&picture).fillRect(10, 10, 30, 20, Pattern);

    // Grown: the old drawing stays in the top-left corner, the new part is blank (black).
    box.resize(200, 100);
    QCoreApplication::processEvents();
    const QImage& grown = box.Shown();
    EXPECT_EQ(grown.size(), QSize(200, 100));
    EXPECT_EQ(grown.pixelColor(15, 15), Pattern);
    EXPECT_EQ(grown.pixelColor(119, 79), QColor(Qt::white));
    EXPECT_EQ(grown.pixelColor(150, 50), QColor(Qt::black));
    EXPECT_EQ(grown.pixelColor(50, 90), QColor(Qt::black));

    // Shrunk: cut to the new size, the corner still there.
    box.resize(20, 20);
    QCoreApplication::processEvents();
    EXPECT_EQ(box.Shown().size(), QSize(20, 20));
    EXPECT_EQ(box.Shown().pixelColor(12, 12), Pattern);
}

TEST(PictureBox, ShowsItsImageAsItStands)
{
    PictureBox box;
    box.resize(64, 48);
    box.show();
    QImage& picture = box.Picture();
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixelColor(x, y, QColor(x * 4, y * 5, (x + y) % 256));
    box.update();
    const QImage shown = box.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(shown, picture.convertToFormat(QImage::Format_RGB32));
}

TEST(ToolIcons, EachPictureHasADistinctNormalAndAGreyDisabledLook)
{
    const QList<QPixmap> normal = toolicons::NormalSet();
    const QList<QPixmap> disabled = toolicons::DisabledSet();
    ASSERT_EQ(normal.size(), toolicons::Count);
    ASSERT_EQ(disabled.size(), toolicons::Count);
    for (int i = 0; i < toolicons::Count; ++i) {
        const QImage n = normal[i].toImage();
        const QImage d = disabled[i].toImage().convertToFormat(QImage::Format_ARGB32);
        EXPECT_EQ(n.size(), QSize(toolicons::IconSize, toolicons::IconSize)) << i;
        EXPECT_NE(n, d) << i;
        for (int j = 0; j < i; ++j)
            EXPECT_NE(n, normal[j].toImage()) << i << " looks like " << j;
        // Nothing coloured in the disabled look: every visible pixel is a shade of grey.
        int visible = 0;
        for (int y = 0; y < d.height(); ++y) {
            for (int x = 0; x < d.width(); ++x) {
                const QRgb p = d.pixel(x, y);
                if (qAlpha(p) == 0)
                    continue;
                ++visible;
                EXPECT_TRUE(qRed(p) == qGreen(p) && qGreen(p) == qBlue(p)) << i << " at " << x << "," << y;
            }
        }
        EXPECT_GT(visible, 20) << i;
    }
}

}  // namespace
