#include "ui/Sonvelia3.h"

#include <QButtonGroup>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <cmath>

#include "model/numfmt.h"
#include "model/tmodele.h"
#include "ui/accessibility.h"
#include "ui/dialogkit.h"
#include "ui/picturebox.h"
#include "ui/windowhints.h"

namespace selectorscale {

namespace {
const QColor BarColour(0, 0, 0);       // also the readout's background
const QColor CursorColour(0, 255, 0);  // lime
const QColor ReadoutColour(0, 255, 0);
constexpr int LowRangeLimit = 75;       // Hz: at or below it the bar has the short spans
constexpr double LowOpeningSpan = 435;  // Hz
constexpr double OpeningSpanHz = 520;   // Hz
constexpr double LowDropSpan = 425;     // Hz
constexpr double DropSpanHz = 500;      // Hz
// A frequency read from a file may lie anywhere; its cursor is kept this far off the bar at most.
constexpr double CursorLimit = 100 * BarWidth;  // pixels
}  // namespace

double OpeningSpan(int rangeStart)
{
    return rangeStart <= LowRangeLimit ? LowOpeningSpan : OpeningSpanHz;
}

double DropSpan(int rangeStart)
{
    return rangeStart <= LowRangeLimit ? LowDropSpan : DropSpanHz;
}

int RangeForFrequency(double frequency)
{
    // Rounded as a wide integer: a huge frequency must not wrap into one of the ranges.
    if (!std::isfinite(frequency))
        return -1;
    const double n = std::nearbyint(frequency);
    for (int i = 0; i < int(Ranges.size()); ++i)
        if (n >= Ranges[i].openFrom && n <= Ranges[i].openTo)
            return i;
    return -1;
}

int CursorFor(double frequency, int rangeStart, double span)
{
    const long double x = (static_cast<long double>(frequency) - rangeStart) / span * UsableWidth;
    if (!std::isfinite(static_cast<double>(x)))
        return 0;
    const long double limited =
        std::clamp(x, -static_cast<long double>(CursorLimit), static_cast<long double>(CursorLimit));
    return int(std::nearbyint(limited));
}

double FrequencyAt(int x, int rangeStart, double span)
{
    return double(rangeStart + static_cast<long double>(x) * span / UsableWidth);
}

int ReadoutLeft(int cursorLeft, int readoutWidth)
{
    return cursorLeft > ReadoutFlip ? cursorLeft - readoutWidth - ReadoutGap : cursorLeft + ReadoutGap;
}

void PaintBar(QImage& bar)
{
    bar.fill(BarColour);
}

QPalette CursorPalette(const QPalette& base)
{
    QPalette palette = base;
    palette.setColor(QPalette::Window, CursorColour);
    return palette;
}

QPalette ReadoutPalette(const QPalette& base)
{
    QPalette palette = base;
    palette.setColor(QPalette::Window, BarColour);
    palette.setColor(QPalette::WindowText, ReadoutColour);
    return palette;
}

}  // namespace selectorscale

namespace {
using namespace selectorscale;
constexpr QSize ClientSize(611, 73);      // pixels
constexpr QPoint OpeningPlace(215, 278);  // screen pixels
constexpr int ReadoutPixels = 11;         // pixel size of the readout's font
constexpr int RangeFontPixels = 11;       // pixel size of the range buttons' font
constexpr int RangeTop = 27;              // pixels
constexpr int RangeHeight = 22;           // pixels
constexpr std::array<int, 11> RangeLefts{0, 48, 104, 160, 216, 272, 328, 384, 440, 496, 552};  // pixels
constexpr int FirstRangeWidth = 49;                                                            // pixels
constexpr int RangeWidth = 57;                                                                 // pixels
}  // namespace

TForm3::TForm3(QWidget* parent) : QDialog(parent)
{
    createUi();
    connectUi();
    a11y::Prepare(*this);
}

void TForm3::createUi()
{
    using dialogkit::ButtonKind;
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Sélecteur de fréquence"));
    windowhints::CloseButtonOnly(this);
    setFont(dialogkit::DialogFont());
    setFixedSize(ClientSize);
    move(OpeningPlace);

    Shape1 = new PictureBox(this);
    Shape1->setObjectName(QStringLiteral("Shape1"));
    Shape1->setGeometry(0, 0, BarWidth, BarHeight);
    PaintBar(Shape1->Picture());

    // The cursor and the readout stand over the bar; the bar takes their mouse events, so that a
    // drag started on them ends wherever the bar's coordinates say.
    Shape2 = new QFrame(Shape1);
    Shape2->setObjectName(QStringLiteral("Shape2"));
    Shape2->setAutoFillBackground(true);
    Shape2->setPalette(CursorPalette(Shape2->palette()));
    Shape2->setAttribute(Qt::WA_TransparentForMouseEvents);
    Shape2->setGeometry(96, 0, CursorWidth, CursorHeight);  // as the window is first built

    Label1 = new QLabel(Shape1);
    Label1->setObjectName(QStringLiteral("Label1"));
    QFont readoutFont = font();
    readoutFont.setPixelSize(ReadoutPixels);
    Label1->setFont(readoutFont);
    Label1->setAutoFillBackground(true);
    Label1->setPalette(ReadoutPalette(Label1->palette()));
    Label1->setAttribute(Qt::WA_TransparentForMouseEvents);
    Label1->move(0, ReadoutTop);

    // The narrow face the captions were designed for, else the closest narrow face installed.
    QFont rangeFont = font();
    rangeFont.setFamilies({QStringLiteral("Arial Narrow"), QStringLiteral("Liberation Sans Narrow"),
                           QStringLiteral("Nimbus Sans Narrow"), QStringLiteral("DejaVu Sans Condensed")});
    rangeFont.setPixelSize(RangeFontPixels);
    RangeGroup = new QButtonGroup(this);
    RangeGroup->setExclusive(true);
    for (int i = 0; i < int(Ranges.size()); ++i) {
        auto* button = new QToolButton(this);
        button->setObjectName(QStringLiteral("SpeedButton%1").arg(i + 1));
        button->setText(QString::fromLatin1(Ranges[i].caption));
        button->setFont(rangeFont);
        button->setCheckable(true);
        button->setAutoRaise(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setGeometry(RangeLefts[i], RangeTop, i == 0 ? FirstRangeWidth : RangeWidth, RangeHeight);
        RangeGroup->addButton(button, i);
        SpeedButtons[i] = button;
    }
    SpeedButtons[0]->setChecked(true);

    Label2 = new QLabel(QStringLiteral("Sélectionner la gamme et cliquer à la position souhaitée ou faire "
                                       "glisser le curseur vert "),
                        this);
    Label2->setObjectName(QStringLiteral("Label2"));
    // The hint was laid out for a face of Arial's width; DejaVu Sans would run past the window.
    QFont hintFont = font();
    hintFont.setFamilies(
        {QStringLiteral("Arial"), QStringLiteral("Liberation Sans"), QStringLiteral("Nimbus Sans")});
    Label2->setFont(hintFont);
    Label2->move(152, 56);
    Label2->adjustSize();

    BitBtn1 = dialogkit::MakeBitBtn(this, QStringLiteral("BitBtn1"), QStringLiteral("OK"), ButtonKind::Ok,
                                    QRect(2, 48, 55, 25));
    BitBtn1->setDefault(true);
    BitBtn2 = dialogkit::MakeBitBtn(this, QStringLiteral("BitBtn2"), QStringLiteral("Abandon"),
                                    ButtonKind::Abort, QRect(56, 48, 75, 25));
    BitBtn2->setAutoDefault(false);

    PlaceReadout();
}

void TForm3::connectUi()
{
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
    connect(BitBtn2, &QPushButton::clicked, this, [this] { done(dialogkit::Abort); });
    connect(RangeGroup, &QButtonGroup::idClicked, this, &TForm3::SpeedButton1Click);
    connect(Shape1, &PictureBox::MouseDown, this, &TForm3::Shape1MouseDown);
    connect(Shape1, &PictureBox::MouseUp, this, &TForm3::Shape1MouseUp);
    connect(Shape1, &PictureBox::RatioChanged, this, [this] {
        PaintBar(Shape1->Picture());
        Shape1->update();
    });
}

int TForm3::CursorLeft() const
{
    return Shape2->x();
}

int TForm3::ReadoutLeft() const
{
    return Label1->x();
}

int TForm3::ReadoutWidth() const
{
    return Label1->width();
}

QString TForm3::ReadoutText() const
{
    return Label1->text();
}

void TForm3::showEvent(QShowEvent* event)
{
    FormShow();
    // Every showing starts from the same control, so Enter means OK unless a button was focused.
    BitBtn1->setFocus();
    QDialog::showEvent(event);
}

void TForm3::keyPressEvent(QKeyEvent* event)
{
    // Escape cancels a drag in progress; it never closes the selector ("Abandon" is not bound to it).
    if (event->key() == Qt::Key_Escape) {
        if (dragging_) {
            dragging_ = false;
            Shape1->unsetCursor();
        }
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TForm3::FormShow()
{
    ChosenFrequency = model_ != nullptr ? model_->Fundamental : ChosenFrequency;
    // Outside every range, the previous range and button stay as they were.
    const int range = RangeForFrequency(ChosenFrequency);
    if (range >= 0) {
        RangeStart = Ranges[range].start;
        SpeedButtons[range]->setChecked(true);
    }
    Shape2->move(CursorFor(ChosenFrequency, RangeStart, OpeningSpan(RangeStart)), 0);
    ShowReadout();
    PlaceReadout();
    dragging_ = false;
}

void TForm3::SpeedButton1Click(int index)
{
    RangeStart = Ranges[index].start;
    ChosenFrequency = FrequencyAt(CursorLeft(), RangeStart, OpeningSpan(RangeStart));
    // The readout changes its text but keeps its left edge.
    ShowReadout();
}

void TForm3::Drop(int x)
{
    if (x < 0 || x + CursorWidth >= BarWidth)
        return;
    Shape2->move(x, 0);
    ChosenFrequency = FrequencyAt(x, RangeStart, DropSpan(RangeStart));
    ShowReadout();
    PlaceReadout();
}

void TForm3::Shape1MouseDown(Qt::MouseButton button, QPoint pos)
{
    // Any button on the cursor or the readout picks the cursor up at once.
    if (Shape2->geometry().contains(pos) || Label1->geometry().contains(pos)) {
        dragging_ = true;
        dragButton_ = button;
        Shape1->setCursor(Qt::DragMoveCursor);
    }
}

void TForm3::Shape1MouseUp(Qt::MouseButton button, QPoint pos)
{
    if (dragging_) {
        if (button != dragButton_)
            return;
        dragging_ = false;
        Shape1->unsetCursor();
        // Dropped on the bar: the cursor goes there. Released anywhere else: nothing changes.
        if (Shape1->rect().contains(pos))
            Drop(pos.x());
        return;
    }
    if (button == Qt::LeftButton && pos.x() < UsableWidth)
        Drop(pos.x());
}

void TForm3::ShowReadout()
{
    // The readout's width follows its text.
    Label1->setText(numfmt::Fixed(ChosenFrequency, 5, 1) + QStringLiteral(" Hz"));
    Label1->adjustSize();
}

void TForm3::PlaceReadout()
{
    Label1->move(::selectorscale::ReadoutLeft(CursorLeft(), ReadoutWidth()), ReadoutTop);
}
