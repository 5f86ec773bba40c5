// The model page's commands that open a dialog and apply what it collected.
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>
#include <cmath>

#include "model/errors.h"
#include "model/numfmt.h"
#include "model/phase.h"
#include "ui/Sonvelia3.h"
#include "ui/sonvelia1.h"
#include "ui/sonvelia2.h"
#include "ui/sonvelia4.h"
#include "ui/sonvelia5.h"
#include "ui/sonvelia6f.h"
#include "ui/updown.h"

namespace {

constexpr int EnvelopePeak = 255;  // the largest point of a stored envelope

// The rank a selector entry stands for ("1".."255").
int RankOf(const QComboBox* selector, int index)
{
    return selector->itemText(index).toInt();
}

}  // namespace

void TForm1::AjHarmBtnClick()
{
    if (!CurrentModel)
        return;
    Form4->setModel(CurrentModel.get());
    if (Form4->exec() != QDialog::Accepted || !Form4->HasRanks())
        return;
    // Both texts are converted before anything changes: a bad amplitude leaves all as it was.
    bool rankOk = false;
    const int rank = Form4->RankText().toInt(&rankOk);
    if (!rankOk)
        throw AppError(QStringLiteral("'") + Form4->RankText() +
                       QStringLiteral("' n'est pas une valeur entière correcte"));
    const double amplitude = numfmt::ParseDecimal(Form4->AmplitudeText());
    const int phase = Form4->PhaseDegrees();

    // A model read from a file may already hold as many harmonics as a list index can count.
    if (!CurrentModel->AddHarmonic(std::uint8_t(rank)))
        throw AppError(QStringLiteral("Le modèle compte déjà %1 harmoniques").arg(tmodele::MaxHarmonics));

    // The entry goes where the model put the record, so the selector keeps mirroring the list.
    int p = 1;
    while (p != ComboBox1->count() && !(RankOf(ComboBox1, p - 1) < rank && RankOf(ComboBox1, p) > rank))
        ++p;
    ComboBox1->insertItem(p, QString::number(rank));
    ComboBox1->setCurrentIndex(p);

    // The new harmonic is active: the box's handler finds nothing to do.
    CheckBox2->setChecked(true);
    ajustampliBtn->setVisible(true);
    ajustphasebtn->setVisible(true);

    tharmonique& added = CurrentModel->Harmonics.at(std::size_t(p));
    added.Envelope = CurrentModel->Harmonics[0].Envelope;
    added.Amplitude = amplitude;
    added.Phase = Radians(phase);

    RenderModel();
    RedrawWaveform();
    RedrawGraph();
    RedrawSpectrum();
    RefreshCursor();
    Supprharmbtn->setEnabled(ComboBox1->currentIndex() > 0);
}

void TForm1::Button3Click()
{
    const int index = ComboBox1->currentIndex();
    if (!CurrentModel || index < 0 || std::size_t(index) >= CurrentModel->Harmonics.size())
        return;
    Form2->WorkEnvelope = CurrentModel->Harmonics[std::size_t(index)].Envelope;
    Form2->Button2->setEnabled(index != 0);
    Form2->setModel(CurrentModel.get());
    if (Form2->exec() != QDialog::Accepted)
        return;

    // Taken before pending events run: one of them could open the editor again and redraw it.
    const tenveloppe drawn = Form2->WorkEnvelope;
    // The main window repaints where the editor stood before rendering holds the thread.
    QCoreApplication::processEvents();
    // A queued action handled just now may have replaced the model or its selection.
    const int selected = ComboBox1->currentIndex();
    if (!CurrentModel || selected < 0 || std::size_t(selected) >= CurrentModel->Harmonics.size())
        return;

    const int peak = *std::max_element(drawn.begin(), drawn.end());
    // 0 / 0 at the first point: the all-zero drawing is refused before any envelope changes.
    if (peak == 0)
        throw FloatError();
    tenveloppe scaled{};
    for (std::size_t k = 0; k < drawn.size(); ++k)
        scaled[k] = std::uint8_t(std::nearbyint(static_cast<long double>(drawn[k]) / peak * EnvelopePeak));

    if (CheckBox1->isChecked()) {
        CurrentModel->Harmonics[std::size_t(selected)].Envelope = scaled;
    } else {
        for (tharmonique& harmonic : CurrentModel->Harmonics)
            harmonic.Envelope = scaled;
    }
    RenderModel();
    RedrawWaveform();
    RedrawGraph();
    RedrawSpectrum();
    RefreshCursor();
}

void TForm1::Button2Click()
{
    if (!CurrentModel)
        return;
    Form3->setModel(CurrentModel.get());
    if (Form3->exec() != QDialog::Accepted)
        return;
    CurrentModel->Fundamental = Form3->ChosenFrequency;
    frequedit->setText(numfmt::Fixed(CurrentModel->Fundamental, 5, 1));
    // Positions are signed 16-bit values, divided in floating point.
    const auto percent = std::int16_t(UpDown1->Position());
    const auto perMille = std::int16_t(UpDown3->Position());
    CurrentModel->Glide = double(percent) / 100.0 + double(perMille) / 1000.0;
    RenderModel();
    RedrawWaveform();
    RefreshCursor();
}

void TForm1::ajustampliBtnClick()
{
    if (!CurrentModel)
        return;
    Form5->setModel(CurrentModel.get());
    // The sliders live for one showing only, whatever happens after it.
    struct Release {
        TForm5* form;
        ~Release() { form->ReleaseSliders(); }
    } release{Form5};
    if (Form5->exec() != QDialog::Accepted)
        return;
    const std::size_t count = std::min(Form5->AmplitudeSliders.size(), CurrentModel->Harmonics.size());
    for (std::size_t i = 0; i < count; ++i)
        CurrentModel->Harmonics[i].Amplitude = Form5->AmplitudeOf(i);
    RenderModel();
    RedrawWaveform();
    RedrawGraph();
    RedrawSpectrum();
    RefreshCursor();
}

void TForm1::ajustphasebtnClick()
{
    // The fundamental's phase is not edited here.
    const int index = ComboBox1->currentIndex();
    if (!CurrentModel || index <= 0 || std::size_t(index) >= CurrentModel->Harmonics.size())
        return;
    Form6->setHarmonic(ComboBox1->itemText(index), CurrentModel->Harmonics[std::size_t(index)].Phase);
    if (Form6->exec() != QDialog::Accepted)
        return;
    CurrentModel->Harmonics[std::size_t(index)].Phase = Radians(Form6->PhaseDegrees());
    RenderModel();
    RedrawWaveform();
    RedrawGraph();
}
