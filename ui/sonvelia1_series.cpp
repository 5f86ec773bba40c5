// The "Série" page and the file commands of the main window: adding to the series, showing,
// playing and deleting its models, model and series files, WAV export.
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QTabWidget>
#include <algorithm>
#include <climits>
#include <cmath>

#include "files/modelfile.h"
#include "files/seriesfile.h"
#include "files/wavfile.h"
#include "model/errors.h"
#include "model/numfmt.h"
#include "ui/accessibility.h"
#include "ui/filedialogs.h"
#include "ui/picturebox.h"
#include "ui/sonvelia1.h"
#include "ui/updown.h"
#include "ui/windowhints.h"


namespace {

const QString ModelFilter = QStringLiteral("fichiers modele(*.mdl)|*.mdl");
const QString SeriesFilter = QStringLiteral("fichiers serie(*.ssm)|*.ssm");
const QString WavFilter = QStringLiteral("fichiers wav(*.wav)|*.wav");

bool AskYesNo(QWidget* parent, const QString& text)
{
    QMessageBox question(QMessageBox::Question, QStringLiteral("Effacement"), text,
                         QMessageBox::Yes | QMessageBox::No, parent);
    question.setObjectName(QStringLiteral("EffacementQuestion"));
    windowhints::ForMessageBox(question);
    return question.exec() == QMessageBox::Yes;
}

// Rebuilds the list: entries "modele 1" to "modele n", all checked, entry `selected` current.
void FillSeriesList(TForm1& form, int selected)
{
    QListWidget* list = form.CheckListBox1;
    list->clear();
    for (std::size_t p = 0; p < form.Series.size(); ++p) {
        auto* item = new QListWidgetItem(QStringLiteral("modele ") + QString::number(p + 1), list);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Checked);
    }
    list->setCurrentRow(selected);
}

// The views of the page show the series model at position p.
void ShowSeriesModel(TForm1& form, std::size_t p)
{
    if (p >= form.Series.size())
        return;
    tmodele& model = *form.Series[p];
    if (model.Rendered == 0)
        model.Render();
    const double length = double(model.Duration) / 10.0;  // seconds
    const double middle = double(model.Duration) / 20.0;  // seconds
    model.DrawWaveform(form.seriecourbe->Picture(), 0.0, length);
    form.seriecourbe->update();
    if (form.GraphChoice() == 0)
        model.DrawSonogram(form.seriesonog->Picture());
    else
        model.DrawComponents(form.seriesonog->Picture(), middle);
    form.seriesonog->update();
    model.DrawSpectrum(form.seriespectre->Picture(), middle);
    form.seriespectre->update();
    a11y::DescribeSeries(form, model, length, middle);
    form.Label10->setText(QStringLiteral("Fréquence ") + numfmt::Fixed(model.Fundamental, 5, 2) +
                          QStringLiteral(" Hz"));
}

// The position of the selected entry, or -1 when none is selected or it names no model.
int SelectedPosition(const TForm1& form)
{
    const int row = form.CheckListBox1->currentRow();
    return row >= 0 && std::size_t(row) < form.Series.size() ? row : -1;
}

// The series models whose entry is checked, in series order.
std::vector<tmodele*> CheckedModels(const TForm1& form)
{
    std::vector<tmodele*> checked;
    const int count = std::min<int>(form.CheckListBox1->count(), int(form.Series.size()));
    for (int p = 0; p < count; ++p) {
        if (form.CheckListBox1->item(p)->checkState() == Qt::Checked)
            checked.push_back(form.Series[std::size_t(p)].get());
    }
    return checked;
}

}  // namespace

// ---- The series -------------------------------------------------------------------------

void TForm1::AjListeBtnClick()
{
    if (!CurrentModel)
        return;
    // Positions on the page are bytes: a 257th model would have no entry of its own.
    if (Series.size() >= std::size_t(MaxSeriesModels))
        throw AppError(
            QStringLiteral("La série est complète : elle compte déjà %1 modèles").arg(MaxSeriesModels));
    Series.push_back(CurrentModel->Copy());
    SeriesCount = std::int32_t(Series.size());
}

void TForm1::PageSerieShow()
{
    if (Series.empty())
        return;
    // Set first, so that the selection made while filling is seen as the one already shown.
    LastSeriesIndex = 0;
    FillSeriesList(*this, 0);
    ShowSeriesModel(*this, 0);
}

void TForm1::SeriesPictureRatioChanged()
{
    ShowSeriesModel(*this, LastSeriesIndex);
}

void TForm1::CheckListBox1Click()
{
    const int p = SelectedPosition(*this);
    if (p < 0 || std::uint8_t(p) == LastSeriesIndex)
        return;
    LastSeriesIndex = std::uint8_t(p);
    ShowSeriesModel(*this, std::size_t(p));
}

void TForm1::ecouteEltSerieBtnClick()
{
    const int p = SelectedPosition(*this);
    if (Series.empty() || p < 0)
        return;
    tmodele& model = *Series[std::size_t(p)];
    if (model.Rendered == 0)
        model.Render();
    model.Play();
}

void TForm1::EcouteSerieBtnClick()
{
    if (Series.empty())
        return;
    for (tmodele* model : CheckedModels(*this)) {
        if (model->Rendered == 0)
            model->Render();
        model->Play();
    }
}

void TForm1::effaceEltSerieBtnClick()
{
    if (!AskYesNo(this, QStringLiteral("Effacer le modèle sélectionné ?")))
        return;
    if (Series.size() <= 1) {
        EffaceSerieBtnClick();
        return;
    }
    int k = SelectedPosition(*this);
    if (k < 0)
        return;
    Series.erase(Series.begin() + k);
    SeriesCount = std::int32_t(Series.size());
    if (std::size_t(k) >= Series.size())
        k = int(Series.size()) - 1;
    LastSeriesIndex = std::uint8_t(k);
    FillSeriesList(*this, k);
    ShowSeriesModel(*this, std::size_t(k));
}

void TForm1::EffaceSerieBtnClick()
{
    if (!AskYesNo(this, QStringLiteral("Effacer toute la série ?")))
        return;
    CheckListBox1->clear();
    Series.clear();
    SeriesCount = 0;
    for (PictureBox* picture : {seriecourbe, seriespectre, seriesonog}) {
        picture->Picture().fill(Qt::black);
        picture->update();
    }
    Label10->clear();
}

// ---- Model and series files --------------------------------------------------------------

void TForm1::smodeleClick()
{
    if (!CurrentModel)
        return;
    filedialogs::SetUp(SaveDialog(), ModelFilter, QStringLiteral("mdl"), true);
    const QString path = filedialogs::Run(SaveDialog1);
    if (path.isEmpty())
        return;
    SaveModelFile(path, *CurrentModel);
}

void TForm1::unmodleClick()
{
    filedialogs::SetUp(OpenDialog(), ModelFilter, QStringLiteral("mdl"), false);
    const QString path = filedialogs::Run(OpenDialog1);
    if (path.isEmpty())
        return;
    // The whole file is read and checked before anything changes: a bad file leaves the
    // current model and the page as they were.
    std::unique_ptr<tmodele> model = LoadModelFile(path);
    CurrentModel = std::move(model);
    ShowLoadedModel();
}

void TForm1::ShowLoadedModel()
{
    ComboBox1->clear();
    for (const tharmonique& harmonic : CurrentModel->Harmonics)
        ComboBox1->addItem(QString::number(harmonic.Rank));
    ShowHarmonicButtons();
    RenderModel();

    const double d = CurrentModel->Duration;  // tenths of a second
    CursorTime = d / 100.0;
    ViewStart = 0.0;
    ViewEnd = d / 10.0 - d / 1000.0;
    RedrawWaveform();
    RefreshCursor();
    RedrawGraph();
    RedrawSpectrum();

    // The spinners show what they can; the model keeps the values read.
    dureeUD->setValue(CurrentModel->Duration);
    const long double percent = static_cast<long double>(CurrentModel->Glide) * 100;
    const long double whole = std::trunc(percent);
    UpDown1->setValue(int(std::clamp<long double>(whole, INT_MIN, INT_MAX)));
    UpDown3->setValue(int(std::clamp<long double>(std::nearbyint((percent - whole) * 10), INT_MIN, INT_MAX)));
    ComboBox1->setCurrentIndex(0);
    frequedit->setText(numfmt::Fixed(CurrentModel->Fundamental, 5, 1));
}

void TForm1::sserie1Click()
{
    if (Series.empty())
        return;
    filedialogs::SetUp(SaveDialog(), SeriesFilter, QStringLiteral("ssm"), true);
    const QString path = filedialogs::Run(SaveDialog1);
    if (path.isEmpty())
        return;
    SaveSeriesFile(path, Series);
}

void TForm1::Chargerunesrie1Click()
{
    PageControl1->setCurrentWidget(ModelePage);
    filedialogs::SetUp(OpenDialog(), SeriesFilter, QStringLiteral("ssm"), false);
    const QString path = filedialogs::Run(OpenDialog1);
    if (path.isEmpty())
        return;
    // Read and checked whole before the present series goes: a bad file keeps it.
    SeriesModels loaded = LoadSeriesFile(path);
    CheckListBox1->clear();
    Series = std::move(loaded);
    SeriesCount = std::int32_t(Series.size());
    // Showing the page rebuilds the list, selects and shows the first model.
    PageControl1->setCurrentWidget(PageSerie);
    for (int p = 0; p < CheckListBox1->count(); ++p)
        CheckListBox1->item(p)->setCheckState(Qt::Checked);
}

// ---- WAV export --------------------------------------------------------------------------

void TForm1::RecWavBtnClick()
{
    if (!CurrentModel || CurrentModel->Rendered == 0)
        return;
    filedialogs::SetUp(SaveDialog(), WavFilter, QStringLiteral("wav"), true);
    const QString path = filedialogs::Run(SaveDialog1);
    if (path.isEmpty())
        return;
    ExportWav(path, {CurrentModel.get()});
}

void TForm1::exportwavsClick()
{
    if (Series.empty())
        return;
    filedialogs::SetUp(SaveDialog(), WavFilter, QStringLiteral("wav"), true);
    const QString path = filedialogs::Run(SaveDialog1);
    if (path.isEmpty())
        return;
    ExportWav(path, CheckedModels(*this));
}
