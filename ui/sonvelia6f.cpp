#include "ui/sonvelia6f.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <cmath>
#include <numbers>

#include "ui/accessibility.h"
#include "ui/dialogkit.h"
#include "ui/updown.h"
#include "ui/windowhints.h"

namespace {
constexpr QSize WindowSize(210, 147);     // pixels, frame included
constexpr QPoint OpeningPlace(386, 222);  // screen pixels
constexpr int PhaseLowest = -179;         // degrees
constexpr int PhaseHighest = 180;         // degrees
constexpr int PhaseStep = 5;              // degrees per arrow
}  // namespace

int PhaseDegreesFor(double radians)
{
    // A phase read from a file may lie outside a turn, or be no number at all: the spinner
    // shows it brought into its range.
    const long double degrees =
        std::nearbyint(static_cast<long double>(radians) * 180 / std::numbers::pi_v<long double>);
    if (std::isnan(static_cast<double>(degrees)))
        return 0;
    return int(std::clamp<long double>(degrees, PhaseLowest, PhaseHighest));
}

TForm6::TForm6(QWidget* parent) : QDialog(parent)
{
    createUi();
    connectUi();
    a11y::Prepare(*this);
}

void TForm6::createUi()
{
    using dialogkit::ButtonKind;
    setObjectName(QStringLiteral("Form6"));
    setWindowTitle(QStringLiteral("Phase "));
    windowhints::CloseButtonOnly(this);
    setFont(dialogkit::DialogFont());
    setFixedSize(dialogkit::ClientForWindow(WindowSize));
    move(OpeningPlace);

    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label1->setGeometry(32, 8, 150, 36);

    UpDown1 = new TUpDown(this);
    UpDown1->setObjectName(QStringLiteral("UpDown1"));
    UpDown1->setRange(PhaseLowest, PhaseHighest);
    UpDown1->setSingleStep(PhaseStep);
    UpDown1->setWrapping(false);
    UpDown1->setValue(0);
    // The field is 121 wide at 32; the arrows stand right of it, at 153.
    UpDown1->setGeometry(32, 48, 121 + 17, 21);
    Edit1 = UpDown1->Field();
    Edit1->setObjectName(QStringLiteral("Edit1"));

    BitBtn1 = dialogkit::MakeBitBtn(this, QStringLiteral("BitBtn1"), QStringLiteral("OK"), ButtonKind::Ok,
                                    QRect(32, 72, 70, 25));
    BitBtn1->setDefault(true);
    BitBtn2 = dialogkit::MakeBitBtn(this, QStringLiteral("BitBtn2"), QStringLiteral("Annuler"),
                                    ButtonKind::Cancel, QRect(104, 72, 70, 25));
}

void TForm6::connectUi()
{
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
}

void TForm6::setHarmonic(const QString& entryText, double phase)
{
    entryText_ = entryText;
    phase_ = phase;
}

void TForm6::showEvent(QShowEvent* event)
{
    FormShow();
    // Every showing starts from the same control, so Enter means OK unless a button was focused.
    Edit1->setFocus();
    QDialog::showEvent(event);
}

void TForm6::FormShow()
{
    Label1->setText(QStringLiteral("Phase à l'origine de l'harmonique") + entryText_);
    UpDown1->setValue(PhaseDegreesFor(phase_));
}

int TForm6::PhaseDegrees()
{
    return UpDown1->Position();
}
