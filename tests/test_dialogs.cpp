// The five model dialogs on their own: layout, values collected, mouse and keys, results.
#include <gtest/gtest.h>

#include <QApplication>
#include <QButtonGroup>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <QToolButton>
#include <cmath>
#include <numbers>

#include "model/tmodele.h"
#include "support/dialogs_modal.h"
#include "ui/Sonvelia3.h"
#include "ui/dialogkit.h"
#include "ui/picturebox.h"
#include "ui/sonvelia2.h"
#include "ui/sonvelia4.h"
#include "ui/sonvelia5.h"
#include "ui/sonvelia6f.h"
#include "ui/updown.h"

using namespace dialogs_test;

namespace {

std::unique_ptr<tmodele> ModelWithRanks(std::initializer_list<int> ranks)
{
    auto model = std::make_unique<tmodele>();
    for (int r : ranks)
        model->AddHarmonic(std::uint8_t(r));
    return model;
}

// Runs the dialog modally while `action` works on it from its own event loop.
int ExecWith(QDialog& dialog, std::function<void()> action)
{
    // A dialog already shown without modality would not become modal.
    dialog.hide();
    OnModal([&dialog](QWidget* w) { return w == &dialog; }, [action](QWidget*) { action(); });
    return dialog.exec();
}

// The outer window size the description gives becomes the client size, less the frame allowance.
QSize ClientOf(int windowWidth, int windowHeight)
{
    return QSize(windowWidth - 5, windowHeight - 25);
}

// The width a push button needs to show its caption and picture whole inside its frame, with a
// pixel of air on each side.
int CaptionNeed(const QPushButton* button)
{
    QString caption = button->text();
    caption.remove(QLatin1Char('&'));
    const QStyle* style = button->style();
    const int picture = button->icon().isNull() ? 0 : button->iconSize().width() + 4;
    return button->fontMetrics().horizontalAdvance(caption) + picture +
           2 * (style->pixelMetric(QStyle::PM_DefaultFrameWidth) + 1);
}

QRgb Pixel(const QImage& image, int x, int y)
{
    return image.pixel(x, y) & 0xFFFFFF;
}

}  // namespace

// ---------------------------------------------------------------- envelope editor

class EnvelopeEditor : public ::testing::Test {
protected:
    void SetUp() override
    {
        form.WorkEnvelope.fill(0);
        form.show();
    }
    // Value of a height, as the description defines it.
    static int ExpectedValue(int y) { return y < 10 ? 255 : y > 265 ? 0 : 265 - y; }
    TForm2 form;
};

TEST_F(EnvelopeEditor, LayoutAndCaption)
{
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Enveloppe"));
    EXPECT_EQ(form.size(), ClientOf(421, 480));
    EXPECT_EQ(form.PaintBox1->geometry(), QRect(24, 64, 322, 275));
    EXPECT_EQ(form.BitBtn1->pos(), QPoint(16, 352));
    EXPECT_EQ(form.BitBtn2->pos(), QPoint(88, 352));
    EXPECT_EQ(form.Button1->pos(), QPoint(160, 352));
    EXPECT_EQ(form.Button1->text(), QStringLiteral("&Réinitialiser"));
    EXPECT_EQ(form.Button2->pos(), QPoint(232, 352));
    EXPECT_GE(form.Button2->width(), 137);
    for (QPushButton* b : {form.BitBtn1, form.BitBtn2, form.Button1, form.Button2})
        EXPECT_GE(b->width(), CaptionNeed(b)) << b->objectName().toStdString() << " clips its caption";
    EXPECT_EQ(form.Label1->pos(), QPoint(16, 392));
    EXPECT_EQ(form.Label1->width(), 355);
    EXPECT_TRUE(form.Label1->wordWrap());
    EXPECT_TRUE(form.BitBtn1->isDefault());
}

TEST_F(EnvelopeEditor, HeightGivesValueForEveryButton)
{
    const struct {
        int y;
        Qt::MouseButton button;
    } cases[] = {{5, Qt::LeftButton},   {10, Qt::LeftButton}, {140, Qt::LeftButton},  {265, Qt::LeftButton},
                 {270, Qt::LeftButton}, {0, Qt::LeftButton},  {140, Qt::RightButton}, {50, Qt::MiddleButton}};
    for (const auto& c : cases) {
        form.WorkEnvelope.fill(77);
        Click(form.PaintBox1, c.button, QPoint(70, c.y));  // point 10
        EXPECT_EQ(form.WorkEnvelope[10], ExpectedValue(c.y)) << "y = " << c.y;
        for (int k = 0; k < 46; ++k)
            if (k != 10) {
                EXPECT_EQ(form.WorkEnvelope[k], 77) << "y = " << c.y << " k = " << k;
            }
    }
}

TEST_F(EnvelopeEditor, ClickAtTheEdges)
{
    // X = 0 sets nothing; 1 sets point 0; 321 sets point 45; 322 is outside the area.
    const struct {
        int x;
        int point;  // -1: nothing changes
    } cases[] = {{0, -1}, {1, 0}, {6, 0}, {7, 1}, {314, 44}, {315, 45}, {321, 45}, {322, -1}};
    for (const auto& c : cases) {
        form.WorkEnvelope.fill(0);
        Click(form.PaintBox1, Qt::LeftButton, QPoint(c.x, 100));
        for (int k = 0; k < 46; ++k)
            EXPECT_EQ(form.WorkEnvelope[k], k == c.point ? 165 : 0) << "x = " << c.x << " k = " << k;
    }
}

TEST_F(EnvelopeEditor, LeftDragSetsInnerPointsOnly)
{
    // The press itself sets point 0 to 0 (it is already 0); the moves sweep to X = 320.
    Press(form.PaintBox1, Qt::LeftButton, QPoint(3, 265));
    for (int x = 3; x <= 320; ++x)
        MoveHeld(form.PaintBox1, Qt::LeftButton, QPoint(x, 100));
    Release(form.PaintBox1, Qt::LeftButton, QPoint(320, 100));
    EXPECT_EQ(form.WorkEnvelope[0], 0);
    EXPECT_EQ(form.WorkEnvelope[45], 0);
    for (int k = 1; k <= 44; ++k)
        EXPECT_EQ(form.WorkEnvelope[k], 165) << k;

    // Above and below the area while held: 255 and 0.
    MoveHeld(form.PaintBox1, Qt::LeftButton, QPoint(35, -40));
    EXPECT_EQ(form.WorkEnvelope[5], 255);
    MoveHeld(form.PaintBox1, Qt::LeftButton, QPoint(35, 400));
    EXPECT_EQ(form.WorkEnvelope[5], 0);
}

TEST_F(EnvelopeEditor, MovingWithoutTheLeftButtonDrawsNothing)
{
    for (Qt::MouseButtons held : {Qt::MouseButtons(Qt::NoButton), Qt::MouseButtons(Qt::RightButton)})
        for (int x = 0; x < 322; x += 3)
            MoveHeld(form.PaintBox1, held, QPoint(x, 50));
    for (int k = 0; k < 46; ++k)
        EXPECT_EQ(form.WorkEnvelope[k], 0) << k;
}

TEST_F(EnvelopeEditor, PaintingDrawsStemsAndSquares)
{
    for (int k = 0; k < 46; ++k)
        form.WorkEnvelope[k] = std::uint8_t((k * 37) % 256);
    form.PaintBox1Paint();
    const QImage& area = form.PaintBox1->Shown();
    const QRgb white = 0xFFFFFF, red = 0xFF0000, black = 0;
    for (int k = 0; k < 46; ++k) {
        const int v = form.WorkEnvelope[k];
        // The square: outline corners and edges white, inside red, 6 x 6 from (7k, 262 - v).
        EXPECT_EQ(Pixel(area, 7 * k, 262 - v), white) << k;
        EXPECT_EQ(Pixel(area, 7 * k + 5, 267 - v), white) << k;
        EXPECT_EQ(Pixel(area, 7 * k + 1, 263 - v), red) << k;
        EXPECT_EQ(Pixel(area, 7 * k + 4, 266 - v), red) << k;
        // Right and bottom edges excluded.
        EXPECT_EQ(Pixel(area, 7 * k + 6, 264 - v), black) << k;
        if (268 - v < 275 && v > 2) {
            EXPECT_NE(Pixel(area, 7 * k + 4, 268 - v), white) << k;
        }
        // The stem: from the baseline up to the square, at 7k + 2.
        if (v > 6) {
            EXPECT_EQ(Pixel(area, 7 * k + 2, 265), white) << k;
            EXPECT_EQ(Pixel(area, 7 * k + 2, 265 - v / 2), white) << k;
            EXPECT_EQ(Pixel(area, 7 * k + 1, 265 - v / 2), black) << k;
        }
    }
}

TEST_F(EnvelopeEditor, DragErasesTheOldBar)
{
    form.WorkEnvelope.fill(200);
    form.PaintBox1Paint();
    const QImage before = form.PaintBox1->Shown().copy();
    Press(form.PaintBox1, Qt::LeftButton, QPoint(0, 0));                // X = 0: a click that sets nothing
    MoveHeld(form.PaintBox1, Qt::LeftButton, QPoint(7 * 20 + 3, 215));  // point 20 to 50
    const QImage& after = form.PaintBox1->Shown();
    EXPECT_EQ(form.WorkEnvelope[20], 50);
    // Old square (top at 62) gone, new square (top at 212) there, other columns untouched.
    EXPECT_EQ(Pixel(after, 140, 62), 0u);
    EXPECT_EQ(Pixel(after, 142, 100), 0u);
    EXPECT_EQ(Pixel(after, 140, 212), 0xFFFFFFu);
    EXPECT_EQ(Pixel(after, 141, 213), 0xFF0000u);
    for (int x = 0; x < 322; ++x)
        if (x / 7 != 20) {
            for (int y = 0; y < 275; y += 5)
                ASSERT_EQ(after.pixel(x, y), before.pixel(x, y)) << x << "," << y;
        }
}

TEST_F(EnvelopeEditor, ResetAndFundamentalButtons)
{
    auto model = ModelWithRanks({1, 3});
    for (int k = 0; k < 46; ++k)
        model->Harmonics[0].Envelope[k] = std::uint8_t(255 - 5 * k);
    form.setModel(model.get());
    form.WorkEnvelope.fill(9);

    QTest::mouseClick(form.Button1, Qt::LeftButton);
    tenveloppe reset{};
    reset.fill(255);
    reset[0] = reset[45] = 0;
    EXPECT_EQ(form.WorkEnvelope, reset);
    EXPECT_EQ(Pixel(form.PaintBox1->Shown(), 7 * 10 + 1, 11), 0xFF0000u);  // flat top at 255

    QTest::mouseClick(form.Button2, Qt::LeftButton);
    EXPECT_EQ(form.WorkEnvelope, model->Harmonics[0].Envelope);
}

TEST_F(EnvelopeEditor, ClosingResults)
{
    form.hide();
    EXPECT_EQ(ExecWith(form, [&] { QTest::mouseClick(form.BitBtn1, Qt::LeftButton); }), QDialog::Accepted);
    EXPECT_EQ(ExecWith(form, [&] { QTest::mouseClick(form.BitBtn2, Qt::LeftButton); }), QDialog::Rejected);
    EXPECT_EQ(ExecWith(form, [&] { QTest::keyClick(&form, Qt::Key_Escape); }), QDialog::Rejected);
    EXPECT_EQ(ExecWith(form, [&] { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return); }),
              QDialog::Accepted);
    EXPECT_FALSE(form.isVisible());
}

// ---------------------------------------------------------------- frequency selector

class FrequencySelector : public ::testing::Test {
protected:
    void Open(double frequency)
    {
        model.Fundamental = frequency;
        form.setModel(&model);
        form.hide();
        form.show();
    }
    // Description's scale: opening span 435 / 520, drop span 425 / 500, W = 606.
    static int OpeningCursor(double f, int start)
    {
        return int(std::nearbyint((f - start) / (start <= 75 ? 435.0 : 520.0) * 606));
    }
    static QString Readout(double f) { return FrenchFixed(f, 1) + QStringLiteral(" Hz"); }
    int Down() const { return form.RangeGroup->checkedId(); }
    void ClickBar(int x, Qt::MouseButton button = Qt::LeftButton)
    {
        Click(form.Shape1, button, QPoint(x, 22));
    }
    tmodele model;
    TForm3 form;
};

TEST_F(FrequencySelector, LayoutAndCaption)
{
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Sélecteur de fréquence"));
    EXPECT_EQ(form.size(), QSize(611, 73));
    EXPECT_EQ(form.Shape1->geometry(), QRect(0, 0, 611, 25));
    const int lefts[] = {0, 48, 104, 160, 216, 272, 328, 384, 440, 496, 552};
    const char* captions[] = {"75..500",    "500..1000",  "1000..1500", "1500..2000",
                              "2000..2500", "2500..3000", "3000..3500", "3500..4000",
                              "4000..4500", "4500..5000", "5000..5500"};
    for (int i = 0; i < 11; ++i) {
        QToolButton* b = form.SpeedButtons[i];
        EXPECT_EQ(b->objectName(), QStringLiteral("SpeedButton%1").arg(i + 1));
        EXPECT_EQ(b->geometry(), QRect(lefts[i], 27, i == 0 ? 49 : 57, 22)) << i;
        EXPECT_EQ(b->text(), QString::fromLatin1(captions[i]));
        const QString family = QFontInfo(b->font()).family();
        EXPECT_TRUE(family.contains(QStringLiteral("Narrow")) || family.contains(QStringLiteral("Condensed")))
            << family.toStdString();
    }
    EXPECT_EQ(Down(), 0);  // SpeedButton1 down when first created
    EXPECT_EQ(form.BitBtn1->geometry(), QRect(2, 48, 55, 25));
    EXPECT_EQ(form.BitBtn2->geometry(), QRect(56, 48, 75, 25));
    EXPECT_EQ(form.BitBtn2->text(), QStringLiteral("Abandon"));
    EXPECT_EQ(form.Label2->pos(), QPoint(152, 56));
    EXPECT_LE(form.Label2->geometry().right(), 610) << "the hint is clipped";
    EXPECT_EQ(form.RangeStart, 0);
}

TEST_F(FrequencySelector, OpeningWith440Hz)
{
    Open(440);
    EXPECT_EQ(Down(), 0);
    EXPECT_EQ(form.RangeStart, 75);
    EXPECT_EQ(form.CursorLeft(), OpeningCursor(440, 75));
    EXPECT_EQ(form.CursorLeft(), 508);
    EXPECT_EQ(form.ReadoutText(), QStringLiteral("440,0 Hz"));
    EXPECT_EQ(form.ReadoutLeft(), 508 - form.ReadoutWidth() - 10);
    // The picture shows the lime cursor at 508..512 and black around it.
    EXPECT_EQ(form.Shape2->objectName(), QStringLiteral("Shape2"));
    EXPECT_EQ(form.Label1->objectName(), QStringLiteral("Label1"));
    EXPECT_EQ(form.Label1->y(), 8);
    const QImage bar = form.Shape1->grab().toImage();
    EXPECT_EQ(Pixel(bar, 508, 0), 0x00FF00u);
    EXPECT_EQ(Pixel(bar, 512, 23), 0x00FF00u);
    EXPECT_EQ(Pixel(bar, 513, 10), 0u);
    EXPECT_EQ(Pixel(bar, 508, 24), 0u);
}

TEST_F(FrequencySelector, OpeningRulesByRoundedFrequency)
{
    const struct {
        double f;
        int button;
        int start;
    } cases[] = {{74.6, 0, 75},    {75, 0, 75},      {499.4, 0, 75},    {499.5, 1, 490},
                 {1000, 2, 990},   {1499, 2, 990},   {2250.2, 4, 1990}, {4999.4, 9, 4490},
                 {5000, 10, 4990}, {6000, 10, 4990}, {6000.4, 10, 4990}};
    for (const auto& c : cases) {
        Open(c.f);
        EXPECT_EQ(Down(), c.button) << c.f;
        EXPECT_EQ(form.RangeStart, c.start) << c.f;
        EXPECT_EQ(form.CursorLeft(), OpeningCursor(c.f, c.start)) << c.f;
        const int expectedReadout =
            form.CursorLeft() > 340 ? form.CursorLeft() - form.ReadoutWidth() - 10 : form.CursorLeft() + 10;
        EXPECT_EQ(form.ReadoutLeft(), expectedReadout) << c.f;
    }
    Open(1000);
    EXPECT_EQ(form.CursorLeft(), 12);
    Open(6000);
    EXPECT_GT(form.CursorLeft(), 605);  // beyond the bar's right end
}

TEST_F(FrequencySelector, OutsideTheRangesKeepsThePreviousRange)
{
    // At the very first showing RangeStart is still 0 while "75..500" is down.
    for (double f : {50.0, 74.4, 6000.6, 9000.0, -5.0}) {
        TForm3 fresh;
        tmodele m;
        m.Fundamental = f;
        fresh.setModel(&m);
        fresh.show();
        EXPECT_EQ(fresh.RangeStart, 0) << f;
        EXPECT_EQ(fresh.RangeGroup->checkedId(), 0) << f;
        EXPECT_EQ(fresh.CursorLeft(), OpeningCursor(f, 0)) << f;
    }
    // A frequency beyond 65535 Hz does not wrap around into one of the ranges.
    Open(70000.0 + 440);
    EXPECT_EQ(form.RangeStart, 0);
    Open(2600);
    Open(30);
    EXPECT_EQ(form.RangeStart, 2490);
    EXPECT_EQ(Down(), 5);
    EXPECT_EQ(form.CursorLeft(), OpeningCursor(30, 2490));
    EXPECT_EQ(form.ReadoutText(), QStringLiteral("30,0 Hz"));
}

TEST_F(FrequencySelector, RangeButtonKeepsTheCursor)
{
    Open(440);
    const int readoutLeft = form.ReadoutLeft();
    QTest::mouseClick(form.SpeedButtons[1], Qt::LeftButton);
    EXPECT_EQ(Down(), 1);
    EXPECT_EQ(form.RangeStart, 490);
    EXPECT_DOUBLE_EQ(form.ChosenFrequency, 490 + 508 * 520.0 / 606);
    EXPECT_EQ(form.ReadoutText(), QStringLiteral("925,9 Hz"));
    EXPECT_EQ(form.CursorLeft(), 508);
    EXPECT_EQ(form.ReadoutLeft(), readoutLeft);
    QTest::mouseClick(form.SpeedButtons[0], Qt::LeftButton);
    EXPECT_EQ(form.ReadoutText(), Readout(75 + 508 * 435.0 / 606));
}

TEST_F(FrequencySelector, ClicksOnTheBar)
{
    Open(440);
    const struct {
        int range;  // -1: stay
        int x;
        QString readout;
    } cases[] = {{0, 0, QStringLiteral("75,0 Hz")},
                 {-1, 605, QStringLiteral("499,3 Hz")},
                 {10, 605, QStringLiteral("5489,2 Hz")},
                 {0, 508, QStringLiteral("431,3 Hz")}};
    for (const auto& c : cases) {
        if (c.range >= 0)
            QTest::mouseClick(form.SpeedButtons[c.range], Qt::LeftButton);
        ClickBar(c.x);
        EXPECT_EQ(form.ReadoutText(), c.readout) << c.x;
        EXPECT_EQ(form.CursorLeft(), c.x);
        const double span = form.RangeStart <= 75 ? 425.0 : 500.0;
        EXPECT_DOUBLE_EQ(form.ChosenFrequency, form.RangeStart + c.x * span / 606) << c.x;
    }
    // 606 and beyond, or another button, do nothing.
    const double kept = form.ChosenFrequency;
    for (int x : {606, 607, 610})
        ClickBar(x);
    ClickBar(100, Qt::RightButton);
    ClickBar(100, Qt::MiddleButton);
    EXPECT_EQ(form.ChosenFrequency, kept);
    EXPECT_EQ(form.CursorLeft(), 508);
}

TEST_F(FrequencySelector, ClickAtTheOpeningCursorReadsTheDropSpan)
{
    Open(440);
    ClickBar(508);
    EXPECT_EQ(form.ReadoutText(), Readout(75 + 508 * 425.0 / 606));
    EXPECT_EQ(form.ReadoutText(), QStringLiteral("431,3 Hz"));
}

TEST_F(FrequencySelector, DraggingTheCursorOrTheReadout)
{
    Open(440);
    // From the cursor, released over the bar at 200: the readout moves right of it.
    Press(form.Shape1, Qt::LeftButton, QPoint(510, 5));
    EXPECT_TRUE(form.Dragging());
    MoveHeld(form.Shape1, Qt::LeftButton, QPoint(300, 5));
    EXPECT_EQ(form.CursorLeft(), 508);  // nothing moves before the drop
    Release(form.Shape1, Qt::LeftButton, QPoint(200, 30 - 10));
    EXPECT_EQ(form.CursorLeft(), 200);
    EXPECT_EQ(form.ReadoutLeft(), 210);
    EXPECT_EQ(form.ReadoutText(), Readout(75 + 200 * 425.0 / 606));

    // From the readout, released below the bar: nothing changes.
    const QRect readout = form.Label1->geometry();
    Press(form.Shape1, Qt::LeftButton, readout.center());
    EXPECT_TRUE(form.Dragging());
    Release(form.Shape1, Qt::LeftButton, QPoint(400, 60));
    EXPECT_FALSE(form.Dragging());
    EXPECT_EQ(form.CursorLeft(), 200);

    // The right button picks the cursor up too; Escape cancels the drag and keeps the window.
    Press(form.Shape1, Qt::RightButton, QPoint(202, 3));
    EXPECT_TRUE(form.Dragging());
    QTest::keyClick(&form, Qt::Key_Escape);
    EXPECT_FALSE(form.Dragging());
    EXPECT_TRUE(form.isVisible());
    Release(form.Shape1, Qt::RightButton, QPoint(400, 10));
    EXPECT_EQ(form.CursorLeft(), 200);

    // A drop with the cursor's right edge past the bar does nothing.
    Press(form.Shape1, Qt::LeftButton, QPoint(201, 3));
    Release(form.Shape1, Qt::LeftButton, QPoint(606, 10));
    EXPECT_EQ(form.CursorLeft(), 200);
}

TEST_F(FrequencySelector, ClosingResults)
{
    model.Fundamental = 440;
    form.setModel(&model);
    EXPECT_EQ(ExecWith(form, [&] { QTest::mouseClick(form.BitBtn1, Qt::LeftButton); }), QDialog::Accepted);
    EXPECT_EQ(ExecWith(form, [&] { QTest::mouseClick(form.BitBtn2, Qt::LeftButton); }), dialogkit::Abort);
    EXPECT_EQ(ExecWith(form,
                       [&] {
                           QTest::keyClick(&form, Qt::Key_Escape);
                           EXPECT_TRUE(form.isVisible()) << "Escape must not close the selector";
                           QTest::keyClick(&form, Qt::Key_Return);
                       }),
              QDialog::Accepted);
    EXPECT_DOUBLE_EQ(form.ChosenFrequency, 440);
}

// ---------------------------------------------------------------- add a harmonic

class AddHarmonic : public ::testing::Test {
protected:
    void Open(std::initializer_list<int> ranks)
    {
        model = ModelWithRanks(ranks);
        form.setModel(model.get());
        form.hide();
        form.show();
    }
    void Type(const QString& text)
    {
        form.Edit1->setFocus();
        form.Edit1->selectAll();
        QTest::keyClicks(form.Edit1, text);
    }
    std::unique_ptr<tmodele> model;
    TForm4 form;
};

TEST_F(AddHarmonic, LayoutAndCaption)
{
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Ajout d'une harmonique"));
    EXPECT_EQ(form.size(), ClientOf(244, 380));
    EXPECT_EQ(form.Panel3->geometry(), QRect(0, 0, form.width(), 129));
    EXPECT_EQ(form.Panel1->geometry(), QRect(0, 129, form.width(), 113));
    EXPECT_EQ(form.Panel2->geometry(), QRect(0, 242, form.width(), 81));
    EXPECT_EQ(form.ListBox1->geometry(), QRect(16, 24, 121, 97));
    EXPECT_EQ(form.TrackBar1->geometry(), QRect(0, 24, 201, 33));
    EXPECT_EQ(form.TrackBar1->minimum(), -20);
    EXPECT_EQ(form.TrackBar1->maximum(), 0);
    EXPECT_EQ(form.TrackBar1->tickPosition(), QSlider::TicksBelow);
    EXPECT_EQ(form.Edit1->geometry().topLeft(), QPoint(40, 76));
    EXPECT_EQ(form.Edit1->width(), 121);
    EXPECT_EQ(form.Edit2->mapTo(form.Panel2, QPoint(0, 0)).y() >= 32, true);
    EXPECT_EQ(form.UpDown1->pos(), QPoint(56, 32));
    EXPECT_EQ(form.BitBtn1->pos(), QPoint(24, 328));
    EXPECT_EQ(form.BitBtn2->pos(), QPoint(104, 328));
    EXPECT_TRUE(form.Label1->font().bold());
    EXPECT_EQ(form.Label1->font().pixelSize(), 13);
    EXPECT_EQ(form.Label3->text(), QStringLiteral("0.01"));
}

TEST_F(AddHarmonic, FreeRanksInOrder)
{
    Open({1, 3, 5});
    QStringList expected;
    for (int r = 2; r <= 50; ++r)
        if (r != 3 && r != 5)
            expected << QString::number(r);
    ASSERT_EQ(form.ListBox1->count(), 47);
    for (int i = 0; i < 47; ++i)
        EXPECT_EQ(form.ListBox1->item(i)->text(), expected[i]);
    EXPECT_EQ(form.ListBox1->currentRow(), 0);
    EXPECT_EQ(form.RankText(), QStringLiteral("2"));

    // Out-of-order ranks as a loaded file may hold them.
    Open({1, 50, 2});
    EXPECT_EQ(form.ListBox1->count(), 47);
    EXPECT_EQ(form.RankText(), QStringLiteral("3"));

    std::unique_ptr<tmodele> full = std::make_unique<tmodele>();
    for (int r = 1; r <= 50; ++r)
        full->AddHarmonic(std::uint8_t(r));
    model = std::move(full);
    form.setModel(model.get());
    form.hide();
    form.show();
    EXPECT_EQ(form.ListBox1->count(), 0);
    EXPECT_FALSE(form.HasRanks());
}

TEST_F(AddHarmonic, SliderWritesTheAmplitude)
{
    Open({1});
    EXPECT_EQ(form.Edit1->text(), QStringLiteral("1"));
    for (int p = -20; p <= 0; ++p) {
        form.TrackBar1->setValue(p);
        EXPECT_EQ(form.Edit1->text(), FrenchFixed(std::pow(10.0, p / 10.0), 3)) << p;
    }
    form.TrackBar1->setValue(-10);
    EXPECT_EQ(form.Edit1->text(), QStringLiteral("0,100"));
    form.TrackBar1->setValue(-3);
    EXPECT_EQ(form.Edit1->text(), QStringLiteral("0,501"));
    // By the keyboard as well.
    form.TrackBar1->setFocus();
    QTest::keyClick(form.TrackBar1, Qt::Key_Right);
    EXPECT_EQ(form.TrackBar1->value(), -2);
    EXPECT_EQ(form.Edit1->text(), FrenchFixed(std::pow(10.0, -0.2), 3));
}

TEST_F(AddHarmonic, AmplitudeTextClampedOnEachChange)
{
    Open({1});
    MessageBoxCatcher boxes;
    const struct {
        QString typed;
        QString kept;
    } cases[] = {{QStringLiteral("1,5"), QStringLiteral("1")},
                 {QStringLiteral("0,25"), QStringLiteral("0,25")},
                 {QStringLiteral("7"), QStringLiteral("1")},
                 {QStringLiteral("1"), QStringLiteral("1")}};
    for (const auto& c : cases) {
        Type(c.typed);
        EXPECT_EQ(form.Edit1->text(), c.kept) << c.typed.toStdString();
    }
    EXPECT_TRUE(boxes.Texts().isEmpty());
    // "-0,2" passes through "-", which is not a number: one error box, then "0".
    Type(QStringLiteral("-0,2"));
    QTest::qWait(50);
    EXPECT_EQ(form.Edit1->text(), QStringLiteral("0"));
    ASSERT_EQ(boxes.Texts().size(), 1);
    EXPECT_EQ(boxes.Texts()[0], QStringLiteral("'-' n'est pas une valeur en virgule flottante correcte."));
    // The slider does not follow the text.
    Type(QStringLiteral("0,25"));
    EXPECT_EQ(form.TrackBar1->value(), 0);
    EXPECT_EQ(form.AmplitudeText(), QStringLiteral("0,25"));
}

TEST_F(AddHarmonic, TextThatIsNoNumberShowsTheErrorAtEachChange)
{
    Open({1});
    MessageBoxCatcher boxes;
    int result = ExecWith(form, [&] {
        Type(QStringLiteral("ab"));
        QTest::qWait(50);
        EXPECT_TRUE(form.isVisible());
        EXPECT_EQ(form.Edit1->text(), QStringLiteral("ab"));
        form.Edit1->clear();  // an empty field is no number either
        QTest::qWait(50);
        QTest::mouseClick(form.BitBtn2, Qt::LeftButton);
    });
    EXPECT_EQ(result, QDialog::Rejected);
    EXPECT_EQ(boxes.Texts(),
              QStringList({QStringLiteral("'a' n'est pas une valeur en virgule flottante correcte."),
                           QStringLiteral("'ab' n'est pas une valeur en virgule flottante correcte."),
                           QStringLiteral("'' n'est pas une valeur en virgule flottante correcte.")}));
}

TEST_F(AddHarmonic, ReopeningResetsTheChoices)
{
    Open({1});
    form.TrackBar1->setValue(-7);
    form.UpDown1->setValue(45);
    form.ListBox1->setCurrentRow(5);
    Open({1});
    EXPECT_EQ(form.Edit1->text(), QStringLiteral("1,000"));
    EXPECT_EQ(form.TrackBar1->value(), 0);
    EXPECT_EQ(form.PhaseDegrees(), 0);
    EXPECT_EQ(form.ListBox1->currentRow(), 0);
    Open({1});
    EXPECT_EQ(form.Edit1->text(), QStringLiteral("1"));
}

TEST_F(AddHarmonic, PhaseSpinnerStopsAtItsEnds)
{
    Open({1});
    form.UpDown1->setFocus();
    std::vector<int> up, down;
    for (int i = 0; i < 38; ++i) {
        QTest::keyClick(form.UpDown1, Qt::Key_Up);
        up.push_back(form.PhaseDegrees());
    }
    form.UpDown1->setValue(0);
    for (int i = 0; i < 38; ++i) {
        QTest::keyClick(form.UpDown1, Qt::Key_Down);
        down.push_back(form.PhaseDegrees());
    }
    for (int i = 0; i < 38; ++i) {
        EXPECT_EQ(up[i], std::min(5 * (i + 1), 180)) << i;
        EXPECT_EQ(down[i], std::max(-5 * (i + 1), -179)) << i;
    }
    EXPECT_EQ(down[34], -175);
    EXPECT_EQ(down[35], -179);
    // A whole number typed into the field counts; other text leaves the last position.
    form.Edit2->selectAll();
    QTest::keyClicks(form.Edit2, QStringLiteral("33"));
    EXPECT_EQ(form.PhaseDegrees(), 33);
}

TEST_F(AddHarmonic, ClosingResults)
{
    model = ModelWithRanks({1});
    form.setModel(model.get());
    EXPECT_EQ(ExecWith(form, [&] { QTest::keyClick(form.ListBox1, Qt::Key_Return); }), QDialog::Accepted);
    EXPECT_EQ(ExecWith(form, [&] { QTest::keyClick(&form, Qt::Key_Escape); }), QDialog::Rejected);
    EXPECT_EQ(ExecWith(form, [&] { QTest::mouseClick(form.BitBtn1, Qt::LeftButton); }), QDialog::Accepted);
    EXPECT_EQ(ExecWith(form, [&] { form.close(); }), QDialog::Rejected);
}

// ---------------------------------------------------------------- relative amplitudes

class RelativeAmplitudes : public ::testing::Test {
protected:
    void Open(const std::vector<int>& ranks, double amplitude = 1.0)
    {
        model = std::make_unique<tmodele>();
        for (int r : ranks)
            model->AddHarmonic(std::uint8_t(r));
        for (auto& h : model->Harmonics)
            h.Amplitude = amplitude;
        form.setModel(model.get());
        form.show();
    }
    void TearDown() override
    {
        form.hide();
        form.ReleaseSliders();
    }
    static std::vector<int> Ranks(int n)
    {
        std::vector<int> r;
        for (int i = 1; i <= n; ++i)
            r.push_back(i);
        return r;
    }
    // Description's scale: p = Trunc(250 - 250a) brought into 1..250; a = (250 - p) / 250.
    static int ExpectedPosition(double a) { return std::clamp(int(std::trunc(250 - 250 * a)), 1, 250); }
    std::unique_ptr<tmodele> model;
    TForm5 form;
};

TEST_F(RelativeAmplitudes, LayoutByCount)
{
    const struct {
        int n;
        int panelW, windowW, panelH, windowH;
    } table[] = {{1, 150, 155, 330, 380},  {7, 150, 155, 330, 380},  {8, 160, 165, 330, 380},
                 {10, 200, 205, 330, 380}, {24, 480, 485, 330, 380}, {25, 550, 600, 700, 750},
                 {30, 550, 600, 700, 750}, {50, 550, 600, 700, 750}};
    for (const auto& t : table) {
        Open(Ranks(t.n));
        EXPECT_EQ(form.windowTitle(), QStringLiteral("Amplitudes relatives des harmoniques"));
        EXPECT_EQ(form.Panel1->size(), QSize(t.panelW, t.panelH)) << t.n;
        EXPECT_EQ(form.Panel2->size(), QSize(t.panelW, 25)) << t.n;
        EXPECT_EQ(form.Panel1->pos(), QPoint(0, 25));
        EXPECT_EQ(form.size(), ClientOf(t.windowW, t.windowH)) << t.n;
        ASSERT_EQ(form.AmplitudeSliders.size(), std::size_t(t.n));
        ASSERT_EQ(form.AmplitudeLabels.size(), std::size_t(t.n));
        for (int i = 0; i < t.n; ++i) {
            const QSlider* s = form.AmplitudeSliders[i];
            const int left = (i % 25) * 20 + 3, top = (i / 25) * 270 + 5;
            EXPECT_EQ(s->parentWidget(), form.Panel1);
            EXPECT_EQ(s->geometry(), QRect(left, top, 20, 250)) << t.n << " " << i;
            EXPECT_EQ(s->orientation(), Qt::Vertical);
            EXPECT_EQ(s->minimum(), 1);
            EXPECT_EQ(s->maximum(), 250);
            EXPECT_EQ(s->singleStep(), 5);
            EXPECT_EQ(s->pageStep(), 50);
            EXPECT_EQ(s->tickPosition(), QSlider::NoTicks);
            const QLabel* l = form.AmplitudeLabels[i];
            EXPECT_EQ(l->geometry().topLeft(), QPoint(left, top + 255)) << i;
            EXPECT_EQ(l->width(), 20);
        }
        form.hide();
        form.ReleaseSliders();
    }
}

TEST_F(RelativeAmplitudes, TenAndThirtyHarmonics)
{
    Open(Ranks(10));
    EXPECT_EQ(form.Panel1->width(), 200);
    EXPECT_EQ(form.width(), 205 - 5);
    EXPECT_EQ(form.AmplitudeSliders[9]->x(), 183);
    form.hide();
    form.ReleaseSliders();

    Open(Ranks(30));
    EXPECT_EQ(form.size(), ClientOf(600, 750));
    const int lefts[] = {3, 23, 43, 63, 83};
    for (int i = 25; i < 30; ++i) {
        EXPECT_EQ(form.AmplitudeSliders[i]->pos(), QPoint(lefts[i - 25], 275));
        EXPECT_EQ(form.AmplitudeLabels[i]->y(), 530);
    }
}

TEST_F(RelativeAmplitudes, LabelsAndPositionsFromTheModel)
{
    model = ModelWithRanks({1, 2, 7, 50});
    const double amplitudes[] = {1.0, 0.75, 0.01, 0.0};
    for (int i = 0; i < 4; ++i)
        model->Harmonics[i].Amplitude = amplitudes[i];
    form.setModel(model.get());
    form.show();
    const QString labels[] = {"f", "2f", "7f", "50f"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(form.AmplitudeLabels[i]->text(), labels[i]);
        EXPECT_EQ(form.AmplitudeSliders[i]->value(), ExpectedPosition(amplitudes[i]));
        EXPECT_LE(form.AmplitudeLabels[i]->fontMetrics().horizontalAdvance(labels[i]), 20) << "label clipped";
    }
    EXPECT_EQ(form.AmplitudeSliders[0]->value(), 1);  // at the top, not 0
}

TEST_F(RelativeAmplitudes, RoundTripOfOkWithoutTouching)
{
    const double amplitudes[] = {0.5, 0.75, 0.01, 0.0, 1.0, 0.333, 0.004, 1.7, -0.2};
    model = std::make_unique<tmodele>();
    for (int i = 0; i < 9; ++i) {
        model->AddHarmonic(std::uint8_t(i + 1));
        model->Harmonics[i].Amplitude = amplitudes[i];
    }
    form.setModel(model.get());
    form.show();
    for (int i = 0; i < 9; ++i)
        EXPECT_DOUBLE_EQ(form.AmplitudeOf(i), (250.0 - ExpectedPosition(amplitudes[i])) / 250) << i;
    EXPECT_DOUBLE_EQ(form.AmplitudeOf(0), 0.5);
    EXPECT_DOUBLE_EQ(form.AmplitudeOf(1), 0.752);
    EXPECT_DOUBLE_EQ(form.AmplitudeOf(2), 0.012);
    EXPECT_DOUBLE_EQ(form.AmplitudeOf(3), 0.0);
    EXPECT_DOUBLE_EQ(form.AmplitudeOf(4), 0.996);
}

TEST_F(RelativeAmplitudes, ThumbAtTheTopAndKeysMoveByFive)
{
    Open({1}, 1.0);
    QSlider* s = form.AmplitudeSliders[0];
    QStyleOptionSlider option;
    option.initFrom(s);
    option.orientation = Qt::Vertical;
    option.minimum = s->minimum();
    option.maximum = s->maximum();
    option.sliderPosition = option.sliderValue = s->value();
    // Qt draws a vertical slider with its minimum at the bottom unless its appearance is inverted.
    option.upsideDown = !s->invertedAppearance();
    option.rect = s->rect();
    const QRect top = s->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, s);
    option.sliderPosition = option.sliderValue = 250;
    const QRect bottom = s->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, s);
    EXPECT_LT(top.y(), bottom.y());
    s->setFocus();
    QTest::keyClick(s, Qt::Key_Down);
    EXPECT_EQ(s->value(), 6);
    QTest::keyClick(s, Qt::Key_PageDown);
    EXPECT_EQ(s->value(), 56);
    QTest::keyClick(s, Qt::Key_Up);
    EXPECT_EQ(s->value(), 51);
}

TEST_F(RelativeAmplitudes, ReleasedAfterEveryShowing)
{
    Open(Ranks(3));
    EXPECT_EQ(ExecWith(form, [&] { QTest::mouseClick(form.BitBtn2, Qt::LeftButton); }), QDialog::Rejected);
    form.ReleaseSliders();
    EXPECT_TRUE(form.AmplitudeSliders.empty());
    EXPECT_TRUE(form.AmplitudeLabels.empty());
    EXPECT_TRUE(form.Panel1->findChildren<QSlider*>().isEmpty());
    EXPECT_TRUE(form.Panel1->findChildren<QLabel*>().isEmpty());
    EXPECT_EQ(ExecWith(form, [&] { QTest::keyClick(&form, Qt::Key_Return); }), QDialog::Accepted);
    EXPECT_EQ(form.Panel1->findChildren<QSlider*>().size(), 3);
    EXPECT_EQ(ExecWith(form, [&] { QTest::keyClick(&form, Qt::Key_Escape); }), QDialog::Rejected);
    EXPECT_EQ(form.Panel1->findChildren<QSlider*>().size(), 3) << "a showing replaces the sliders";
}

// ---------------------------------------------------------------- phase

TEST(PhaseDialog, ShowingFillsLabelAndSpinner)
{
    TForm6 form;
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Phase "));
    EXPECT_EQ(form.size(), ClientOf(210, 147));
    EXPECT_EQ(form.Label1->pos(), QPoint(32, 8));
    EXPECT_TRUE(form.Label1->wordWrap());
    EXPECT_EQ(form.UpDown1->pos(), QPoint(32, 48));
    EXPECT_EQ(form.BitBtn1->pos(), QPoint(32, 72));
    EXPECT_EQ(form.BitBtn2->pos(), QPoint(104, 72));
    EXPECT_EQ(form.Edit1->text(), QStringLiteral("0"));

    form.setHarmonic(QStringLiteral("3"), 45 * std::numbers::pi / 180);
    form.show();
    EXPECT_EQ(form.Label1->text(), QStringLiteral("Phase à l'origine de l'harmonique3"));
    EXPECT_EQ(form.PhaseDegrees(), 45);
    EXPECT_EQ(form.Edit1->text(), QStringLiteral("45"));
}

TEST(PhaseDialog, StoredPhasesToDegrees)
{
    const double pi = std::numbers::pi;
    const struct {
        double radians;
        int degrees;
    } cases[] = {{0, 0},
                 {pi, 180},
                 {-179 * pi / 180, -179},
                 {2.5 * pi / 180, 2},  // half to even
                 {3.5 * pi / 180, 4},
                 {-pi, -179},  // outside the spinner's range: brought to its end
                 {4.0, 180},
                 {-100.0, -179},
                 {std::nan(""), 0},
                 {1e300, 180}};
    for (const auto& c : cases)
        EXPECT_EQ(PhaseDegreesFor(c.radians), c.degrees) << c.radians;
}

TEST(PhaseDialog, SpinnerEndsAndResults)
{
    TForm6 form;
    form.setHarmonic(QStringLiteral("7"), 175 * std::numbers::pi / 180);
    form.show();
    form.UpDown1->setFocus();
    QTest::keyClick(form.UpDown1, Qt::Key_Up);
    EXPECT_EQ(form.PhaseDegrees(), 180);
    QTest::keyClick(form.UpDown1, Qt::Key_Up);
    EXPECT_EQ(form.PhaseDegrees(), 180);
    form.UpDown1->setValue(-175);
    QTest::keyClick(form.UpDown1, Qt::Key_Down);
    EXPECT_EQ(form.PhaseDegrees(), -179);
    form.hide();

    EXPECT_EQ(ExecWith(form, [&] { QTest::mouseClick(form.BitBtn1, Qt::LeftButton); }), QDialog::Accepted);
    EXPECT_EQ(form.PhaseDegrees(), 175) << "each showing refills the spinner";
    EXPECT_EQ(ExecWith(form, [&] { QTest::keyClick(&form, Qt::Key_Escape); }), QDialog::Rejected);
    EXPECT_EQ(ExecWith(form, [&] { QTest::keyClick(form.Edit1, Qt::Key_Return); }), QDialog::Accepted);
}

// ---------------------------------------------------------------- captions

TEST(DialogCaptions, EveryButtonShowsItsCaptionWhole)
{
    TForm2 f2;
    TForm3 f3;
    TForm4 f4;
    TForm5 f5;
    TForm6 f6;
    for (QDialog* dialog : std::initializer_list<QDialog*>{&f2, &f3, &f4, &f5, &f6}) {
        const auto buttons = dialog->findChildren<QPushButton*>();
        EXPECT_GE(buttons.size(), 2);
        for (const QPushButton* b : buttons) {
            EXPECT_GE(b->width(), CaptionNeed(b))
                << dialog->objectName().toStdString() << "." << b->objectName().toStdString();
            EXPECT_TRUE(dialog->rect().contains(QRect(b->mapTo(dialog, QPoint(0, 0)), b->size())))
                << b->objectName().toStdString() << " reaches outside the window";
        }
    }
    for (const QToolButton* b : f3.SpeedButtons)
        EXPECT_LE(b->fontMetrics().horizontalAdvance(b->text()) + 4, b->width()) << b->text().toStdString();
}
