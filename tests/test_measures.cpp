// The measurement window over a stand-in for the main window's waveform band: a panel holding
// a picture 1 pixel in from its left edge, a red time cursor and its readout.
#include <gtest/gtest.h>

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <cmath>
#include <memory>

#include "ui/sonvelia8.h"

namespace {

struct Band {
    explicit Band(int width, int height = 153)
    {
        host = std::make_unique<QWidget>();
        host->resize(width + 20, height + 60);
        panel = new QWidget(host.get());
        panel->setGeometry(0, 0, width + 2, height + 3);
        picture = new QWidget(panel);
        picture->setGeometry(1, 1, width, height);
        red = new QFrame(panel);
        red->setGeometry(100, 1, 3, height);
        readout = new QLineEdit(QStringLiteral("1,0000E-01 s"), host.get());
        readout->setGeometry(0, height + 10, 100, 20);
        host->show();
    }
    MeasureTarget Target(double start, double end) const
    {
        MeasureTarget t;
        t.Panel5 = panel;
        t.CourbeImg = picture;
        t.CurseurTemps = red;
        t.CurseurEdit = readout;
        t.ViewStart = start;
        t.ViewEnd = end;
        return t;
    }
    std::unique_ptr<QWidget> host;
    QWidget* panel;
    QWidget* picture;
    QFrame* red;
    QLineEdit* readout;
};

void Click(TUpDownH* spinner, bool right, int times = 1)
{
    QToolButton* arrow = right ? spinner->Right : spinner->Left;
    for (int k = 0; k < times; ++k)
        QTest::mouseClick(arrow, Qt::LeftButton);
}

struct Opening {
    int width;
    double start, end;
    const char *t1, *t2, *dt, *invdt;
};

}  // namespace

TEST(Measures, OpeningPlacesCursorsAndShowsOffsetsWithinTheWindow)
{
    const Opening cases[] = {
        {800, 0.0, 1.0, "0,4 s", "0,6 s", "0,2 s", "5 Hz"},
        // Zoom x2 over 0.25..0.75: offsets within the window, ViewStart not added.
        {800, 0.25, 0.75, "0,2 s", "0,3 s", "0,1 s", "10 Hz"},
        // W = 1000 over 0..4 s: cursors at 400 and 600, 1,6 s and 2,4 s, 0,8 s apart.
        {1000, 0.0, 4.0, "1,6 s", "2,4 s", "0,8 s", "1,25 Hz"},
    };
    for (const Opening& c : cases) {
        SCOPED_TRACE(c.width);
        Band band(c.width);
        TForm8 form(band.Target(c.start, c.end));
        form.show();
        const int left1 = c.width / 2 - c.width / 10;
        const int left2 = c.width / 10 + c.width / 2;
        ASSERT_NE(form.Cursor1(), nullptr);
        ASSERT_NE(form.Cursor2(), nullptr);
        EXPECT_EQ(form.Cursor1()->parentWidget(), band.panel);
        EXPECT_EQ(form.Cursor1()->geometry(), QRect(left1, band.picture->y(), 3, band.picture->height()));
        EXPECT_EQ(form.Cursor2()->geometry(), QRect(left2, band.picture->y(), 3, band.picture->height()));
        EXPECT_EQ(form.Edit_t1->text(), QString::fromUtf8(c.t1));
        EXPECT_EQ(form.Edit_t2->text(), QString::fromUtf8(c.t2));
        EXPECT_EQ(form.Edit_dt->text(), QString::fromUtf8(c.dt));
        EXPECT_EQ(form.Edit_invdt->text(), QString::fromUtf8(c.invdt));
        EXPECT_EQ(form.UpDown1->Max, c.width);
        EXPECT_EQ(form.UpDown2->Max, c.width);
        EXPECT_EQ(form.UpDown1->Min, 0);
        EXPECT_EQ(form.UpDown1->Position, left1);
        EXPECT_EQ(form.UpDown2->Position, left2);
        form.BitBtn1->click();
    }
}

TEST(Measures, CursorsAreMagentaAndBlueOverThePicture)
{
    Band band(400);
    TForm8 form(band.Target(0.0, 1.0));
    form.show();
    const QImage shot = band.panel->grab().toImage();
    const int left1 = 400 / 2 - 400 / 10;
    const int left2 = 400 / 10 + 400 / 2;
    for (int dx = 0; dx < 3; ++dx) {
        EXPECT_EQ(shot.pixelColor(left1 + dx, 50), QColor(255, 0, 255)) << dx;
        EXPECT_EQ(shot.pixelColor(left2 + dx, 50), QColor(0, 0, 255)) << dx;
    }
    EXPECT_NE(shot.pixelColor(left1 + 3, 50), QColor(255, 0, 255));
    EXPECT_NE(shot.pixelColor(left2 - 1, 50), QColor(0, 0, 255));
}

TEST(Measures, WindowIsASmallToolWindowAtItsPlace)
{
    Band band(800);
    TForm8 form(band.Target(0.0, 1.0));
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Mesures"));
    EXPECT_EQ(form.size(), QSize(149, 221));
    EXPECT_EQ(form.pos(), QPoint(448, 386));
    EXPECT_TRUE(form.windowFlags() & Qt::Tool);
    EXPECT_FALSE(form.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(form.windowFlags() & Qt::WindowMinMaxButtonsHint);
    EXPECT_EQ(form.Label3->text(), QStringLiteral("| t1- t2 | ="));
    EXPECT_EQ(form.Label4->text(), QStringLiteral("1/| t1- t2 | ="));
    EXPECT_EQ(form.BitBtn1->text(), QStringLiteral("&Fermer"));
    EXPECT_EQ(form.Label5->text(), QStringLiteral("Curseur 1"));
    EXPECT_EQ(form.Label6->text(), QStringLiteral("Curseur 2"));
    EXPECT_EQ(form.Label5->palette().color(QPalette::WindowText), QColor(255, 0, 255));
    EXPECT_EQ(form.Label6->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    EXPECT_TRUE(form.Label5->font().bold());
}

TEST(Measures, SpinnerClicksMoveOnePixelAndUpdateTheTimes)
{
    const int w = 800;
    const double start = 0.25, end = 0.75;
    Band band(w);
    TForm8 form(band.Target(start, end));
    form.show();
    const int left1 = w / 2 - w / 10;
    const double before = form.T1();

    Click(form.UpDown1, true);
    EXPECT_EQ(form.Cursor1()->x(), left1 + 1);
    EXPECT_EQ(form.UpDown1->Position, left1 + 1);
    EXPECT_NEAR(form.T1() - before, (end - start) / w, 1e-12);
    // 0.5 x 321 / 800 = 0.200625 s, and 0.3 - 0.200625 = 0.099375 s apart.
    EXPECT_EQ(form.Edit_t1->text(), QStringLiteral("0,201 s"));
    EXPECT_EQ(form.Edit_dt->text(), QStringLiteral("0,0994 s"));
    EXPECT_EQ(form.Edit_invdt->text(), QStringLiteral("10,1 Hz"));
    EXPECT_EQ(form.Edit_t2->text(), QStringLiteral("0,3 s"));

    Click(form.UpDown2, false, 2);
    EXPECT_EQ(form.Cursor2()->x(), w / 10 + w / 2 - 2);
    EXPECT_NEAR(form.T2(), (end - start) * (w / 10 + w / 2 - 2) / w, 1e-12);
    EXPECT_EQ(form.Cursor1()->x(), left1 + 1);
}

TEST(Measures, CursorTwoLeftOfCursorOneKeepsPositiveValues)
{
    Band band(800);
    TForm8 form(band.Target(0.0, 1.0));
    form.show();
    Click(form.UpDown2, false, 200);  // 480 -> 280, left of cursor 1 at 320
    EXPECT_EQ(form.Cursor2()->x(), 280);
    EXPECT_EQ(form.Edit_t2->text(), QStringLiteral("0,35 s"));
    EXPECT_EQ(form.Edit_dt->text(), QStringLiteral("0,05 s"));
    EXPECT_EQ(form.Edit_invdt->text(), QStringLiteral("20 Hz"));
}

TEST(Measures, SameplaceGivesZeroDistanceAndNoNumberForItsInverse)
{
    Band band(800);
    TForm8 form(band.Target(0.0, 1.0));
    form.show();
    Click(form.UpDown2, false, 160);  // onto cursor 1 at 320
    EXPECT_EQ(form.Edit_dt->text(), QStringLiteral("0 s"));
    EXPECT_EQ(form.Edit_invdt->text(), TForm8::ZeroDistanceText);
    EXPECT_EQ(form.Edit_invdt->text(), QStringLiteral("infini"));
    Click(form.UpDown2, false, 1);
    EXPECT_EQ(form.Edit_invdt->text(), QStringLiteral("800 Hz"));
}

TEST(Measures, SpinnersStopAtZeroAndAtTheWidth)
{
    const int w = 50;
    Band band(w);
    TForm8 form(band.Target(0.0, 1.0));
    form.show();
    Click(form.UpDown1, false, w / 2 - w / 10 + 3);  // three clicks past 0
    EXPECT_EQ(form.UpDown1->Position, 0);
    EXPECT_EQ(form.Cursor1()->x(), 0);
    EXPECT_EQ(form.Edit_t1->text(), QStringLiteral("0 s"));
    Click(form.UpDown2, true, w - (w / 10 + w / 2) + 3);
    EXPECT_EQ(form.UpDown2->Position, w);
    EXPECT_EQ(form.Cursor2()->x(), w);
    EXPECT_EQ(form.Edit_t2->text(), QStringLiteral("1 s"));
    EXPECT_EQ(form.Edit_dt->text(), QStringLiteral("1 s"));
    EXPECT_EQ(form.Edit_invdt->text(), QStringLiteral("1 Hz"));
}

TEST(Measures, TimeCursorHiddenWhileOpenAndBackAfterEveryWayOfClosing)
{
    enum class Close { Button, Escape, Destroy };
    for (Close how : {Close::Button, Close::Escape, Close::Destroy}) {
        SCOPED_TRACE(int(how));
        Band band(800);
        const QRect redBefore = band.red->geometry();
        auto form = std::make_unique<TForm8>(band.Target(0.0, 1.0));
        form->show();
        EXPECT_TRUE(band.red->isHidden());
        EXPECT_TRUE(band.readout->isHidden());
        QPointer<QFrame> c1 = form->Cursor1();
        QPointer<QFrame> c2 = form->Cursor2();
        switch (how) {
            case Close::Button:
                form->BitBtn1->click();
                break;
            case Close::Escape:
                QTest::keyClick(form.get(), Qt::Key_Escape);
                break;
            case Close::Destroy:
                form.reset();
                break;
        }
        EXPECT_FALSE(band.red->isHidden());
        EXPECT_FALSE(band.readout->isHidden());
        EXPECT_EQ(band.red->geometry(), redBefore);
        EXPECT_EQ(band.readout->text(), QStringLiteral("1,0000E-01 s"));
        EXPECT_TRUE(c1.isNull());
        EXPECT_TRUE(c2.isNull());
        form.reset();
        EXPECT_FALSE(band.red->isHidden());
    }
}

TEST(Measures, PictureOfZeroWidthDoesNotDivideByZero)
{
    Band band(0);
    TForm8 form(band.Target(0.0, 1.0));
    form.show();
    EXPECT_EQ(form.Edit_t1->text(), QStringLiteral("0 s"));
    EXPECT_EQ(form.Edit_invdt->text(), TForm8::ZeroDistanceText);
    Click(form.UpDown1, true);
    EXPECT_EQ(form.UpDown1->Position, 0);
}
