#include "ui/sonvelia4.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <cmath>

#include "model/numfmt.h"
#include "model/tmodele.h"
#include "ui/accessibility.h"
#include "ui/dialogkit.h"
#include "ui/errorbox.h"
#include "ui/updown.h"
#include "ui/windowhints.h"

namespace {
constexpr QSize WindowSize(244, 380);     // pixels, frame included
constexpr QPoint OpeningPlace(330, 169);  // screen pixels
constexpr int TitlePixels = 13;           // pixel size of the bold band titles
constexpr int LowestRank = 2;             // the fundamental is always there
constexpr int HighestRank = 50;
constexpr int SliderLowest = -20;  // tenths of a decade: 0.01
constexpr int SliderHighest = 0;   // 1
constexpr int PhaseLowest = -179;  // degrees
constexpr int PhaseHighest = 180;  // degrees
constexpr int PhaseStep = 5;       // degrees per arrow

QLabel* MakeLabel(QWidget* parent, const QString& name, const QString& text, QPoint place, bool title)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    if (title) {
        QFont font = label->font();
        font.setBold(true);
        font.setPixelSize(TitlePixels);
        label->setFont(font);
    }
    label->move(place);
    label->adjustSize();
    return label;
}

QFrame* MakeBand(QWidget* parent, const QString& name, int top, int height)
{
    auto* band = new QFrame(parent);
    band->setObjectName(name);
    band->setFrameStyle(QFrame::Panel | QFrame::Raised);
    band->setGeometry(0, top, parent->width(), height);
    return band;
}
}  // namespace

std::vector<int> FreeRanks(const tmodele& model)
{
    std::vector<int> ranks;
    for (int r = LowestRank; r <= HighestRank; ++r) {
        bool present = false;
        for (const tharmonique& h : model.Harmonics)
            present = present || h.Rank == r;
        if (!present)
            ranks.push_back(r);
    }
    return ranks;
}

TForm4::TForm4(QWidget* parent) : QDialog(parent)
{
    createUi();
    connectUi();
    a11y::Prepare(*this);
}

void TForm4::createUi()
{
    using dialogkit::ButtonKind;
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("Ajout d'une harmonique"));
    windowhints::CloseButtonOnly(this);
    setFont(dialogkit::DialogFont());
    setFixedSize(dialogkit::ClientForWindow(WindowSize));
    move(OpeningPlace);

    Panel3 = MakeBand(this, QStringLiteral("Panel3"), 0, 129);
    Label1 = MakeLabel(Panel3, QStringLiteral("Label1"), QStringLiteral("Rang "), QPoint(16, 8), true);
    ListBox1 = new QListWidget(Panel3);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setGeometry(16, 24, 121, 97);

    Panel1 = MakeBand(this, QStringLiteral("Panel1"), 129, 113);
    Label2 = MakeLabel(Panel1, QStringLiteral("Label2"), QStringLiteral("amplitude relative"), QPoint(24, 9),
                       true);
    TrackBar1 = new QSlider(Qt::Horizontal, Panel1);
    TrackBar1->setObjectName(QStringLiteral("TrackBar1"));
    TrackBar1->setRange(SliderLowest, SliderHighest);
    TrackBar1->setSingleStep(1);
    TrackBar1->setPageStep(1);
    TrackBar1->setTickPosition(QSlider::TicksBelow);
    TrackBar1->setTickInterval(1);
    TrackBar1->setGeometry(0, 24, 201, 33);
    Label3 = MakeLabel(Panel1, QStringLiteral("Label3"), QStringLiteral("0.01"), QPoint(8, 60), false);
    Label4 = MakeLabel(Panel1, QStringLiteral("Label4"), QStringLiteral("0.1"), QPoint(88, 60), false);
    Label5 = MakeLabel(Panel1, QStringLiteral("Label5"), QStringLiteral("1"), QPoint(184, 60), false);
    Edit1 = new QLineEdit(Panel1);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setGeometry(40, 76, 121, 21);

    Panel2 = MakeBand(this, QStringLiteral("Panel2"), 242, 81);
    Label6 = MakeLabel(Panel2, QStringLiteral("Label6"), QStringLiteral("Phase"), QPoint(24, 8), true);
    UpDown1 = new TUpDown(Panel2);
    UpDown1->setObjectName(QStringLiteral("UpDown1"));
    UpDown1->setRange(PhaseLowest, PhaseHighest);
    UpDown1->setSingleStep(PhaseStep);
    UpDown1->setWrapping(false);
    UpDown1->setValue(0);
    // The field is 49 wide at 56; the arrows stand right of it, at 105.
    UpDown1->setGeometry(56, 32, 49 + 17, 21);
    Edit2 = UpDown1->Field();
    Edit2->setObjectName(QStringLiteral("Edit2"));

    BitBtn1 = dialogkit::MakeBitBtn(this, QStringLiteral("BitBtn1"), QStringLiteral("OK"), ButtonKind::Ok,
                                    QRect(24, 328, 75, 25));
    BitBtn1->setDefault(true);
    BitBtn2 = dialogkit::MakeBitBtn(this, QStringLiteral("BitBtn2"), QStringLiteral("Annuler"),
                                    ButtonKind::Cancel, QRect(104, 328, 75, 25));
}

void TForm4::connectUi()
{
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
    connect(TrackBar1, &QSlider::valueChanged, this, Guarded(this, &TForm4::TrackBar1Change));
    connect(Edit1, &QLineEdit::textChanged, this, Guarded(this, &TForm4::Edit1Change));
}

void TForm4::showEvent(QShowEvent* event)
{
    FormShow();
    // Every showing starts from the same control, so Enter means OK unless a button was focused.
    ListBox1->setFocus();
    QDialog::showEvent(event);
}

void TForm4::FormShow()
{
    ListBox1->clear();
    if (model_ != nullptr)
        for (int r : FreeRanks(*model_))
            ListBox1->addItem(QString::number(r));
    if (ListBox1->count() > 0)
        ListBox1->setCurrentRow(0);
    Edit1->setText(QStringLiteral("1"));
    // From elsewhere, moving to 0 writes "1,000" over the "1" through TrackBar1Change.
    TrackBar1->setValue(0);
    UpDown1->setValue(0);
}

void TForm4::TrackBar1Change()
{
    const long double amplitude = std::pow(10.0L, TrackBar1->value() / 10.0L);
    Edit1->setText(numfmt::Fixed(amplitude, 10, 3));
}

void TForm4::Edit1Change()
{
    // Throws on a text that is no number: the error box shows and the text stays as typed.
    if (numfmt::ParseDecimal(Edit1->text()) > 1)
        Edit1->setText(QStringLiteral("1"));
    if (numfmt::ParseDecimal(Edit1->text()) < 0)
        Edit1->setText(QStringLiteral("0"));
}

bool TForm4::HasRanks() const
{
    return ListBox1->count() > 0 && ListBox1->currentItem() != nullptr;
}

QString TForm4::RankText() const
{
    return HasRanks() ? ListBox1->currentItem()->text() : QString();
}

QString TForm4::AmplitudeText() const
{
    return Edit1->text();
}

int TForm4::PhaseDegrees()
{
    return UpDown1->Position();
}
