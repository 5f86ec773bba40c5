#include "ui/sonvelia5.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <algorithm>
#include <cmath>

#include "model/tmodele.h"
#include "ui/accessibility.h"
#include "ui/dialogkit.h"
#include "ui/windowhints.h"

namespace amplitudelayout {

constexpr int ButtonBand = 25;  // pixels: Panel2, the buttons' band

namespace {
constexpr int NarrowCount = 7;    // up to 7 harmonics: the narrowest window
constexpr int OneRowCount = 24;   // up to 24: one row, 20 pixels per slider
constexpr int ColumnWidth = 20;   // pixels per slider
constexpr int NarrowPanel = 150;  // pixels
constexpr int WidePanel = 550;    // pixels
constexpr int ShortPanel = 330;   // pixels
constexpr int TallPanel = 700;    // pixels
constexpr int FrameWidth = 5;     // pixels
}  // namespace

Layout ForCount(int n)
{
    const int panelWidth = n <= NarrowCount ? NarrowPanel : n <= OneRowCount ? ColumnWidth * n : WidePanel;
    const int panelHeight = n <= OneRowCount ? ShortPanel : TallPanel;
    // A wide window is 600 though its panel is 550: the table keeps it so.
    const int windowWidth = n <= OneRowCount ? panelWidth + FrameWidth : 600;
    return {panelWidth, windowWidth, panelHeight, panelHeight + 2 * ButtonBand};
}

int PositionFor(double amplitude)
{
    // Trunc(250 - 250a), brought into 1..250; a value read from a file may be anything.
    const double p = std::trunc(SliderHighest - SliderHighest * amplitude);
    if (!(p >= SliderLowest))
        return std::isnan(p) ? SliderHighest : SliderLowest;
    return p > SliderHighest ? SliderHighest : int(p);
}

double AmplitudeAt(int position)
{
    return (SliderHighest - double(position)) / SliderHighest;
}

QString LabelFor(int rank)
{
    return rank == 1 ? QStringLiteral("f") : QString::number(rank) + QStringLiteral("f");
}

}  // namespace amplitudelayout

namespace {
using namespace amplitudelayout;
const QColor PanelColour(85, 136, 187);
constexpr int SliderWidth = 20;    // pixels
constexpr int SliderHeight = 250;  // pixels
constexpr int PerRow = 25;         // sliders per row
constexpr int RowPitch = 270;      // pixels between rows
constexpr int SliderLeft = 3;      // pixels
constexpr int SliderTop = 5;       // pixels
constexpr int LabelGap = 5;        // pixels under the slider
constexpr int LabelPoints = 8;     // points
constexpr int LineSize = 5;        // positions per arrow key
constexpr int PageSize = 50;       // positions per page key or channel click
}  // namespace

TForm5::TForm5(QWidget* parent) : QDialog(parent)
{
    createUi();
    connectUi();
    a11y::Prepare(*this);
}

void TForm5::createUi()
{
    using dialogkit::ButtonKind;
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(QStringLiteral("Amplitudes relatives des harmoniques"));
    windowhints::CloseButtonOnly(this);
    setFont(dialogkit::DialogFont());

    Panel2 = new QFrame(this);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setGeometry(0, 0, ForCount(1).panelWidth, ButtonBand);
    BitBtn1 = dialogkit::MakeBitBtn(Panel2, QStringLiteral("BitBtn1"), QStringLiteral("OK"), ButtonKind::Ok,
                                    QRect(0, 0, 72, ButtonBand));
    BitBtn1->setDefault(true);
    BitBtn2 = dialogkit::MakeBitBtn(Panel2, QStringLiteral("BitBtn2"), QStringLiteral("Annuler"),
                                    ButtonKind::Cancel, QRect(72, 0, 72, ButtonBand));

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setAutoFillBackground(true);
    QPalette palette = Panel1->palette();
    palette.setColor(QPalette::Window, PanelColour);
    Panel1->setPalette(palette);
    Panel1->move(0, ButtonBand);
}

void TForm5::connectUi()
{
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
}

void TForm5::showEvent(QShowEvent* event)
{
    FormShow();
    // Every showing starts from the same control, so Enter means OK unless a button was focused.
    BitBtn1->setFocus();
    QDialog::showEvent(event);
}

void TForm5::FormShow()
{
    // A showing the page did not release (it always does) must not leave orphans behind.
    ReleaseSliders();
    const int n = model_ != nullptr ? int(model_->Harmonics.size()) : 0;
    const Layout layout = ForCount(std::max(n, 1));
    Panel1->resize(layout.panelWidth, layout.panelHeight);
    Panel2->resize(layout.panelWidth, ButtonBand);
    setFixedSize(dialogkit::ClientForWindow(QSize(layout.windowWidth, layout.windowHeight)));

    AmplitudeSliders.resize(n);
    AmplitudeLabels.resize(n);
    for (int i = 0; i < n; ++i) {
        const tharmonique& harmonic = model_->Harmonics[i];
        const int left = (i % PerRow) * SliderWidth + SliderLeft;
        const int top = (i / PerRow) * RowPitch + SliderTop;

        auto* slider = new QSlider(Qt::Vertical, Panel1);
        slider->setObjectName(QStringLiteral("AmplitudeSlider%1").arg(i));
        // Position 1 at the top, and the Up key moving the thumb up, as the scale reads.
        slider->setInvertedAppearance(true);
        slider->setInvertedControls(true);
        slider->setGeometry(left, top, SliderWidth, SliderHeight);
        slider->setMaximum(SliderHighest);
        slider->setMinimum(SliderLowest);
        slider->setTickPosition(QSlider::NoTicks);
        slider->setSingleStep(LineSize);
        slider->setPageStep(PageSize);
        slider->setValue(PositionFor(harmonic.Amplitude));
        slider->show();
        AmplitudeSliders[i] = slider;

        auto* label = new QLabel(LabelFor(harmonic.Rank), Panel1);
        label->setObjectName(QStringLiteral("AmplitudeLabel%1").arg(i));
        QFont font = label->font();
        font.setPointSize(LabelPoints);
        label->setFont(font);
        label->setGeometry(left, top + SliderHeight + LabelGap, SliderWidth, label->sizeHint().height());
        label->show();
        AmplitudeLabels[i] = label;
    }
    if (model_ != nullptr)
        a11y::PrepareSliders(*this, *model_);
}

double TForm5::AmplitudeOf(std::size_t i) const
{
    return AmplitudeAt(AmplitudeSliders.at(i)->value());
}

void TForm5::ReleaseSliders()
{
    for (QSlider* slider : AmplitudeSliders)
        delete slider;
    for (QLabel* label : AmplitudeLabels)
        delete label;
    AmplitudeSliders.clear();
    AmplitudeLabels.clear();
}
