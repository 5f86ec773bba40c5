#include "ui/sonvelia2.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <algorithm>

#include "ui/accessibility.h"
#include "ui/dialogkit.h"
#include "ui/picturebox.h"
#include "ui/windowhints.h"

namespace envelopedraw {

namespace {
const QColor Background(0, 0, 0);
const QColor Stem(255, 255, 255);
const QColor Outline(255, 255, 255);
const QColor Fill(255, 0, 0);
constexpr int StemOffset = 2;   // pixels right of the column's left edge
constexpr int SquareSide = 6;   // pixels, outline included
constexpr int SquareAbove = 3;  // pixels from the bar's top to the square's top
constexpr int TopMargin = 10;   // pixels above the value 255
}  // namespace

void PaintBar(QImage& area, int k, int value, bool erase)
{
    QPainter painter(&area);
    const int left = k * ColumnWidth;
    const int top = Baseline - value;
    // The stem runs from the baseline up to, not including, the bar's top, as a line-to would.
    painter.fillRect(left + StemOffset, top + 1, 1, value, erase ? Background : Stem);
    painter.fillRect(left, top - SquareAbove, SquareSide, SquareSide, erase ? Background : Outline);
    painter.fillRect(left + 1, top - SquareAbove + 1, SquareSide - 2, SquareSide - 2,
                     erase ? Background : Fill);
}

void PaintEnvelope(QImage& area, const tenveloppe& envelope)
{
    area.fill(Background);
    for (int k = 0; k < int(envelope.size()); ++k)
        PaintBar(area, k, envelope[k], false);
}

int ValueFromY(int y)
{
    if (y < TopMargin)
        return 255;
    if (y > Baseline)
        return 0;
    return Baseline - y;
}

}  // namespace envelopedraw

namespace {
constexpr QSize WindowSize(421, 480);  // pixels, frame included
constexpr QPoint AreaPlace(24, 64);    // pixels
}  // namespace

TForm2::TForm2(QWidget* parent) : QDialog(parent)
{
    createUi();
    connectUi();
    a11y::Prepare(*this);
}

void TForm2::createUi()
{
    using dialogkit::ButtonKind;
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Enveloppe"));
    windowhints::CloseButtonOnly(this);
    setFont(dialogkit::DialogFont());
    setFixedSize(dialogkit::ClientForWindow(WindowSize));

    PaintBox1 = new PictureBox(this);
    PaintBox1->setObjectName(QStringLiteral("PaintBox1"));
    PaintBox1->setGeometry(QRect(AreaPlace, QSize(envelopedraw::AreaWidth, envelopedraw::AreaHeight)));

    BitBtn1 = dialogkit::MakeBitBtn(this, QStringLiteral("BitBtn1"), QStringLiteral("OK"), ButtonKind::Ok,
                                    QRect(16, 352, 70, 25));
    BitBtn1->setDefault(true);
    BitBtn2 = dialogkit::MakeBitBtn(this, QStringLiteral("BitBtn2"), QStringLiteral("Annuler"),
                                    ButtonKind::Cancel, QRect(88, 352, 70, 25));
    Button1 = new QPushButton(QStringLiteral("&Réinitialiser"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(160, 352, 70, 25);
    Button2 = new QPushButton(QStringLiteral("Enveloppe du fondamental"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    // 137 wide, or wider if the installed face needs it for the whole caption.
    Button2->setGeometry(232, 352, std::max(137, Button2->sizeHint().width()), 25);

    Label1 =
        new QLabel(QStringLiteral("Le point maximum de cette enveloppe aura l'amplitude relative choisie "
                                  "pour l'harmonique considéré."),
                   this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label1->setGeometry(16, 392, 355, 48);
}

void TForm2::connectUi()
{
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
    connect(Button1, &QPushButton::clicked, this, &TForm2::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TForm2::Button2Click);
    connect(PaintBox1, &PictureBox::MouseDown, this, &TForm2::PaintBox1MouseDown);
    connect(PaintBox1, &PictureBox::MouseMove, this, &TForm2::PaintBox1MouseMove);
    connect(PaintBox1, &PictureBox::RatioChanged, this, &TForm2::PaintBox1Paint);
}

void TForm2::showEvent(QShowEvent* event)
{
    // Centred on the screen at every showing.
    windowhints::CentreOnScreen(this);
    PaintBox1Paint();
    // Every showing starts from the same control, so Enter means OK unless a button was focused.
    BitBtn1->setFocus();
    QDialog::showEvent(event);
}

void TForm2::PaintBox1Paint()
{
    envelopedraw::PaintEnvelope(PaintBox1->Picture(), WorkEnvelope);
    PaintBox1->update();
}

void TForm2::PaintBox1MouseDown(Qt::MouseButton, QPoint pos)
{
    // Any button sets the point under the mouse; the outermost pixel columns set nothing.
    if (pos.x() <= 0 || pos.x() >= PaintBox1->width())
        return;
    WorkEnvelope[pos.x() / envelopedraw::ColumnWidth] = std::uint8_t(envelopedraw::ValueFromY(pos.y()));
    PaintBox1Paint();
}

void TForm2::PaintBox1MouseMove(Qt::MouseButtons buttons, QPoint pos)
{
    // A drag shapes points 1 to 44 only, so the silent ends need a deliberate click.
    if (!(buttons & Qt::LeftButton))
        return;
    if (pos.x() <= 6 || pos.x() >= PaintBox1->width() - envelopedraw::ColumnWidth)
        return;
    const int k = pos.x() / envelopedraw::ColumnWidth;
    QImage& area = PaintBox1->Picture();
    envelopedraw::PaintBar(area, k, WorkEnvelope[k], true);
    WorkEnvelope[k] = std::uint8_t(envelopedraw::ValueFromY(pos.y()));
    envelopedraw::PaintBar(area, k, WorkEnvelope[k], false);
    // Only the column that changed is repainted.
    PaintBox1->update(k * envelopedraw::ColumnWidth, 0, envelopedraw::ColumnWidth, envelopedraw::AreaHeight);
}

void TForm2::Button1Click()
{
    ResetEnvelope(WorkEnvelope);
    PaintBox1Paint();
}

void TForm2::Button2Click()
{
    if (model_ == nullptr || model_->Harmonics.empty())
        return;
    WorkEnvelope = model_->Harmonics[0].Envelope;
    PaintBox1Paint();
}
