#include "ui/sonvelia10.h"

#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <algorithm>
#include <cmath>

#include "model/audio_output.h"
#include "model/errors.h"
#include "model/numfmt.h"
#include "ui/analysisrun.h"
#include "ui/dialogkit.h"
#include "ui/errorbox.h"
#include "ui/picturebox.h"
#include "ui/windowhints.h"

namespace {
constexpr QSize WindowSize(430, 420);  // pixels, frame included
constexpr int PictureWidth = 405;      // pixels
constexpr int PictureHeight = 120;     // pixels
constexpr int ProgressDelay = 200;     // ms: a shorter analysis shows no progress bar

// The note from its start as the model's 16-bit samples, clamped.
std::vector<std::uint8_t> NotePcm(const analysis::Recording& recording)
{
    std::vector<std::uint8_t> pcm;
    pcm.reserve(2 * recording.NoteLength());
    for (std::size_t k = recording.start; k < recording.samples.size(); ++k) {
        const auto value = std::int16_t(std::clamp(std::lround(recording.samples[k]), -32768L, 32767L));
        pcm.push_back(std::uint8_t(std::uint16_t(value) & 0xFF));
        pcm.push_back(std::uint8_t(std::uint16_t(value) >> 8));
    }
    return pcm;
}

// A model holding the note as its rendering, so the model's own waveform drawing shows it.
std::unique_ptr<tmodele> NoteAsModel(const analysis::Recording& recording)
{
    auto model = std::make_unique<tmodele>();
    const std::size_t tenths = std::clamp<std::size_t>(
        (recording.NoteLength() + analysis::SamplesPerTenth - 1) / analysis::SamplesPerTenth, 1,
        analysis::MaxTenths);
    model->Duration = std::uint16_t(tenths);
    model->Samples = NotePcm(recording);
    model->Samples.resize(model->SampleCount() * 2, 0);
    model->Rendered = 1;
    return model;
}

std::unique_ptr<tmodele> ResultAsModel(const analysis::Result& result)
{
    auto model = std::make_unique<tmodele>();
    analysis::ApplyResult(result, *model);
    model->Render();
    return model;
}
}  // namespace

TForm10::TForm10(analysis::Recording recording, analysis::Result found, QWidget* parent)
    : QDialog(parent), recording_(std::move(recording)), found_(std::move(found))
{
    createUi();
    connectUi();
    ShowFound();
}

void TForm10::createUi()
{
    using dialogkit::ButtonKind;
    setObjectName(QStringLiteral("Form10"));
    setWindowTitle(QStringLiteral("Importer un son"));
    windowhints::CloseButtonOnly(this);
    setFont(dialogkit::DialogFont());
    setFixedSize(dialogkit::ClientForWindow(WindowSize));

    auto label = [this](const char* name, const QString& text, QRect place) {
        auto* l = new QLabel(text, this);
        l->setObjectName(QLatin1String(name));
        l->setGeometry(place);
        return l;
    };
    formeOnde = new PictureBox(this);
    formeOnde->setObjectName(QStringLiteral("formeOnde"));
    formeOnde->setGeometry(8, 8, PictureWidth, PictureHeight);
    formeOnde->setAccessibleName(QStringLiteral("Forme d'onde de la note"));
    spectre = new PictureBox(this);
    spectre->setObjectName(QStringLiteral("spectre"));
    spectre->setGeometry(8, 134, PictureWidth, PictureHeight);
    spectre->setAccessibleName(QStringLiteral("Spectre du modèle"));

    Label1 = label("Label1", QStringLiteral("Fondamentale (Hz)"), QRect(8, 264, 130, 21));
    fondEdit = new QLineEdit(this);
    fondEdit->setObjectName(QStringLiteral("fondEdit"));
    fondEdit->setGeometry(140, 264, 80, 21);
    Label1->setBuddy(fondEdit);
    fondEdit->setAccessibleName(Label1->text());
    analyserBtn = new QPushButton(QStringLiteral("Analyser"), this);
    analyserBtn->setObjectName(QStringLiteral("analyserBtn"));
    analyserBtn->setGeometry(230, 262, 90, 25);
    Label2 = label("Label2", QStringLiteral("Glissement"), QRect(8, 290, 130, 18));
    glissLabel = label("glissLabel", QString(), QRect(140, 290, 80, 18));
    Label3 = label("Label3", QStringLiteral("Harmoniques trouvées"), QRect(8, 310, 130, 18));
    harmLabel = label("harmLabel", QString(), QRect(140, 310, 80, 18));

    ecouterOrigBtn = new QPushButton(QStringLiteral("Ecouter l'original"), this);
    ecouterOrigBtn->setObjectName(QStringLiteral("ecouterOrigBtn"));
    ecouterOrigBtn->setGeometry(8, 334, 150, 25);
    ecouterModBtn = new QPushButton(QStringLiteral("Ecouter le modèle"), this);
    ecouterModBtn->setObjectName(QStringLiteral("ecouterModBtn"));
    ecouterModBtn->setGeometry(166, 334, 150, 25);

    progression = new QProgressBar(this);
    progression->setObjectName(QStringLiteral("progression"));
    progression->setGeometry(8, 364, 200, 20);
    progression->setRange(0, 100);
    progression->hide();

    BitBtn1 = dialogkit::MakeBitBtn(this, QStringLiteral("BitBtn1"), QStringLiteral("OK"), ButtonKind::Ok,
                                    QRect(252, 362, 75, 25));
    BitBtn1->setDefault(true);
    BitBtn2 = dialogkit::MakeBitBtn(this, QStringLiteral("BitBtn2"), QStringLiteral("Annuler"),
                                    ButtonKind::Cancel, QRect(332, 362, 75, 25));
}

void TForm10::connectUi()
{
    connect(analyserBtn, &QPushButton::clicked, this, Guarded(this, &TForm10::analyserBtnClick));
    connect(ecouterOrigBtn, &QPushButton::clicked, this, Guarded(this, &TForm10::ecouterOrigBtnClick));
    connect(ecouterModBtn, &QPushButton::clicked, this, Guarded(this, &TForm10::ecouterModBtnClick));
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
    connect(BitBtn2, &QPushButton::clicked, this, &TForm10::reject);
}

void TForm10::reject()
{
    // The running analysis owns the recording until it ends: closing waits for it.
    if (!busy_)
        QDialog::reject();
}

void TForm10::ShowFound()
{
    fondEdit->setText(numfmt::Fixed(found_.fundamental, 5, 1));
    glissLabel->setText(numfmt::Fixed(found_.glide * 100, 5, 1) + QStringLiteral(" %"));
    const auto found = std::count_if(found_.harmonics.begin(), found_.harmonics.end(),
                                     [](const tharmonique& h) { return h.Active != 0; });
    harmLabel->setText(QString::number(found));
    DrawPictures();
}

void TForm10::DrawPictures()
{
    const auto note = NoteAsModel(recording_);
    note->DrawWaveform(formeOnde->Picture(), 0, double(recording_.NoteLength()) / analysis::Rate);
    formeOnde->update();
    const auto model = ResultAsModel(found_);
    model->DrawSpectrum(spectre->Picture(), model->Duration / 20.0);
    spectre->update();
}

void TForm10::analyserBtnClick()
{
    const QString text = fondEdit->text();
    const double fundamental = numfmt::ParseDecimal(text);
    if (!(fundamental >= analysis::LowestFundamental && fundamental <= analysis::HighestFundamental))
        throw AppError(QStringLiteral("La fréquence fondamentale doit être comprise entre 20 et 6000 Hz"));
    found_ = RunAnalysis(fundamental);
    ShowFound();
}

analysis::Result TForm10::RunAnalysis(double fundamental)
{
    SetBusy(true);
    try {
        analysis::Result result =
            AnalyseOffThread(recording_, fundamental, [this](double fraction, qint64 ms) {
                if (ms >= ProgressDelay) {
                    progression->show();
                    progression->setValue(int(std::lround(100 * fraction)));
                }
            });
        SetBusy(false);
        return result;
    } catch (...) {
        SetBusy(false);
        throw;
    }
}

void TForm10::SetBusy(bool busy)
{
    busy_ = busy;
    for (QPushButton* button : {analyserBtn, ecouterOrigBtn, ecouterModBtn, BitBtn1, BitBtn2})
        button->setEnabled(!busy);
    fondEdit->setReadOnly(busy);
    if (!busy)
        progression->hide();
}

void TForm10::ecouterOrigBtnClick()
{
    const std::vector<std::uint8_t> pcm = NotePcm(recording_);
    AudioOutput::Play(pcm);
}

void TForm10::ecouterModBtnClick()
{
    ResultAsModel(found_)->Play();
}
