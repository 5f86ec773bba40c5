// The "Série" page and the file commands, driven through the real main window: buttons and menu
// entries are pressed, questions answered, and the shared file dialogs filled in and accepted.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QtEndian>
#include <cmath>
#include <memory>

#include "files/modelfile.h"
#include "files/seriesfile.h"
#include "support/dialogs_modal.h"
#include "support/files_scratch.h"
#include "ui/picturebox.h"
#include "ui/sonvelia1.h"
#include "ui/updown.h"

using dialogs_test::Settle;

namespace {

const QRgb Marker = qRgb(1, 2, 3);  // a colour no view draws

void Mark(PictureBox* picture)
{
    picture->Picture().fill(Marker);
}

bool AllOf(const PictureBox* picture, QRgb colour)
{
    const QImage image = picture->Shown().convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) != (colour & 0xFFFFFF))
                return false;
    return true;
}

// Answers the message boxes that come up, one by one, with the buttons given in order, and
// keeps each box's caption and text. A box beyond the list is left open and fails the test
// (the command would hang), so the list must be complete.
class Answers {
public:
    explicit Answers(std::vector<QMessageBox::StandardButton> buttons) : state_(std::make_shared<State>())
    {
        state_->buttons = std::move(buttons);
        Poll(state_);
    }
    ~Answers() { state_->active = false; }
    QStringList Texts() const { return state_->texts; }
    QStringList Titles() const { return state_->titles; }

private:
    struct State {
        bool active = true;
        std::vector<QMessageBox::StandardButton> buttons;
        QStringList texts, titles;
    };
    static void Poll(std::shared_ptr<State> state)
    {
        if (!state->active)
            return;
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box && box->isVisible() && !box->property("answered").toBool() &&
            std::size_t(state->texts.size()) < state->buttons.size()) {
            box->setProperty("answered", true);
            state->texts << box->text();
            state->titles << box->windowTitle();
            QPointer<QAbstractButton> button =
                box->button(state->buttons[std::size_t(state->texts.size() - 1)]);
            QTimer::singleShot(0, [button] {
                if (button)
                    button->click();
            });
        }
        QTimer::singleShot(5, [state] { Poll(state); });
    }
    std::shared_ptr<State> state_;
};

// What the file dialog showed when it came up.
struct DialogSeen {
    bool seen = false;
    QStringList filters;
    QString suffix;
    QString name;  // the name field
    QWidget* page = nullptr;
    QFileDialog::AcceptMode mode = QFileDialog::AcceptOpen;
};

// Goes to a folder and types a name, as the user would. A file still selected in the list would
// take precedence over the typed name, so the selection goes, as a keystroke in the field does.
void TypeName(QFileDialog* dialog, const QString& folder, const QString& name)
{
    dialog->setDirectory(folder);
    dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(name);
    if (auto* list = dialog->findChild<QListView*>(QStringLiteral("listView")))
        list->clearSelection();
}

class SeriesPage : public ::testing::Test {
protected:
    void SetUp() override
    {
        form = std::make_unique<TForm1>();
        form->show();
        Settle();
    }
    void TearDown() override
    {
        form.reset();
        Settle();
    }

    QString Path(const QString& name) const { return dir.path() + "/" + name; }

    // The next file dialog chooses `path` (as if typed in its name field), or is cancelled.
    std::shared_ptr<DialogSeen> Choose(const QString& path)
    {
        auto seen = std::make_shared<DialogSeen>();
        TForm1* window = form.get();
        dialogs_test::OnModalOf<QFileDialog>([seen, path, window](QFileDialog* dialog) {
            seen->seen = true;
            seen->filters = dialog->nameFilters();
            seen->suffix = dialog->defaultSuffix();
            auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            seen->name = name ? name->text() : QStringLiteral("<no name field>");
            seen->page = window->PageControl1->currentWidget();
            seen->mode = dialog->acceptMode();
            if (path.isEmpty()) {
                dialog->reject();
            } else {
                // As the user would: the folder, then the name typed into the focused field
                // (selectFile() leaves a focused field alone).
                TypeName(dialog, QFileInfo(path).absolutePath(), QFileInfo(path).fileName());
                static_cast<QDialog*>(dialog)->accept();  // QFileDialog's own checks run
            }
        });
        return seen;
    }

    void ShowSeriesPage()
    {
        form->PageControl1->setCurrentWidget(form->PageSerie);
        Settle();
    }
    void ShowModelPage()
    {
        form->PageControl1->setCurrentWidget(form->ModelePage);
        Settle();
    }

    // The current model with another fundamental and duration, rendered, as the page leaves it.
    void SetCurrent(double fundamental, int duration)
    {
        form->CurrentModel->Fundamental = fundamental;
        form->CurrentModel->Duration = std::uint16_t(duration);
        form->CurrentModel->Render();
    }
    void AddToSeries() { form->AjListeBtn->click(); }

    QStringList Entries() const
    {
        QStringList entries;
        for (int p = 0; p < form->CheckListBox1->count(); ++p)
            entries << form->CheckListBox1->item(p)->text();
        return entries;
    }
    std::vector<bool> Checks() const
    {
        std::vector<bool> checks;
        for (int p = 0; p < form->CheckListBox1->count(); ++p)
            checks.push_back(form->CheckListBox1->item(p)->checkState() == Qt::Checked);
        return checks;
    }
    std::vector<double> Fundamentals() const
    {
        std::vector<double> f;
        for (const auto& m : form->Series)
            f.push_back(m->Fundamental);
        return f;
    }
    // A click of the user on an entry's caption.
    void ClickEntry(int p)
    {
        QListWidget* list = form->CheckListBox1;
        const QRect r = list->visualItemRect(list->item(p));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(r.right() - 5, r.center().y()));
        Settle();
    }
    // The fundamental with two decimals and a decimal comma, written independently.
    static QString Frequency(double f)
    {
        return "Fréquence " + QString::number(f, 'f', 2).replace('.', ',') + " Hz";
    }

    void MarkSeriesPictures()
    {
        Mark(form->seriecourbe);
        Mark(form->seriespectre);
        Mark(form->seriesonog);
    }
    bool SeriesPicturesRedrawn() const
    {
        return !AllOf(form->seriecourbe, Marker) && !AllOf(form->seriespectre, Marker) &&
               !AllOf(form->seriesonog, Marker);
    }

    // Three models of 100, 200 and 300 Hz, the series page shown.
    void ThreeModels()
    {
        for (double f : {100.0, 200.0, 300.0}) {
            SetCurrent(f, 2);
            AddToSeries();
        }
        ShowSeriesPage();
    }

    QTemporaryDir dir;
    std::unique_ptr<TForm1> form;
};

// ---- The series page ---------------------------------------------------------------------

TEST_F(SeriesPage, ThreeAdditionsShowThreeCheckedEntriesAndTheFirstModel)
{
    for (int k = 0; k < 3; ++k)
        AddToSeries();
    EXPECT_EQ(form->SeriesCount, 3);
    EXPECT_EQ(form->CheckListBox1->count(), 0) << "the list waits for the page to be shown";
    MarkSeriesPictures();
    ShowSeriesPage();
    EXPECT_EQ(Entries(), (QStringList{"modele 1", "modele 2", "modele 3"}));
    EXPECT_EQ(Checks(), (std::vector<bool>{true, true, true}));
    EXPECT_EQ(form->CheckListBox1->currentRow(), 0);
    EXPECT_EQ(form->LastSeriesIndex, 0);
    EXPECT_EQ(form->Label10->text(), "Fréquence 440,00 Hz");
    EXPECT_TRUE(SeriesPicturesRedrawn());
}

TEST_F(SeriesPage, ReturningToThePageChecksEverythingAndShowsTheFirstAgain)
{
    ThreeModels();
    ClickEntry(2);
    form->CheckListBox1->item(1)->setCheckState(Qt::Unchecked);
    ShowModelPage();
    ShowSeriesPage();
    EXPECT_EQ(Checks(), (std::vector<bool>{true, true, true}));
    EXPECT_EQ(form->CheckListBox1->currentRow(), 0);
    EXPECT_EQ(form->Label10->text(), Frequency(100));
}

TEST_F(SeriesPage, TheSeriesKeepsIndependentCopies)
{
    AddToSeries();
    form->CurrentModel->Fundamental = 880.0;
    form->CurrentModel->Harmonics[0].Amplitude = 0.5;
    form->CurrentModel->Render();
    EXPECT_EQ(form->Series[0]->Fundamental, 440.0);
    EXPECT_EQ(form->Series[0]->Harmonics[0].Amplitude, 1.0);
    AddToSeries();
    ASSERT_EQ(form->Series.size(), 2u);
    EXPECT_EQ(form->Series[1]->Fundamental, 880.0);
    EXPECT_NE(form->Series[1].get(), form->CurrentModel.get());
    EXPECT_EQ(form->Series[1]->Rendered, 1);
    EXPECT_TRUE(form->Series[1]->Samples == form->CurrentModel->Samples);
}

TEST_F(SeriesPage, SelectingShowsTheModelAndTheShownOneRedrawsNothing)
{
    ThreeModels();
    ClickEntry(1);
    EXPECT_EQ(form->LastSeriesIndex, 1);
    EXPECT_EQ(form->Label10->text(), Frequency(200));
    MarkSeriesPictures();
    ClickEntry(1);
    EXPECT_TRUE(AllOf(form->seriecourbe, Marker) && AllOf(form->seriespectre, Marker) &&
                AllOf(form->seriesonog, Marker))
        << "the entry already shown is not drawn again";
    ClickEntry(2);
    EXPECT_TRUE(SeriesPicturesRedrawn());
    EXPECT_EQ(form->Label10->text(), Frequency(300));
}

TEST_F(SeriesPage, PicturesShowTheWholeSoundAndItsMiddle)
{
    SetCurrent(330.0, 8);
    AddToSeries();
    form->choixgrapheItems->button(1)->click();  // "Composantes"
    ShowSeriesPage();
    const tmodele& model = *form->Series[0];
    QImage waveform(form->seriecourbe->Shown().size(), QImage::Format_RGB32);
    QImage spectrum(form->seriespectre->Shown().size(), QImage::Format_RGB32);
    QImage components(form->seriesonog->Shown().size(), QImage::Format_RGB32);
    model.DrawWaveform(waveform, 0.0, 0.8);  // 0 to Duration / 10 s
    model.DrawSpectrum(spectrum, 0.4);       // Duration / 20 s
    model.DrawComponents(components, 0.4);
    auto same = [](const QImage& a, const QImage& b) {
        return a.convertToFormat(QImage::Format_RGB32) == b.convertToFormat(QImage::Format_RGB32);
    };
    EXPECT_TRUE(same(form->seriecourbe->Shown(), waveform));
    EXPECT_TRUE(same(form->seriespectre->Shown(), spectrum));
    EXPECT_TRUE(same(form->seriesonog->Shown(), components));

    form->choixgrapheItems->button(0)->click();  // "Sonagramme", read at the next drawing
    ShowModelPage();
    ShowSeriesPage();
    QImage sonogram(form->seriesonog->Shown().size(), QImage::Format_RGB32);
    model.DrawSonogram(sonogram);
    EXPECT_TRUE(same(form->seriesonog->Shown(), sonogram));
}

TEST_F(SeriesPage, DeletingAnEntryRenumbersAndSelectsItsPlace)
{
    struct Case {
        int deleted;
        std::vector<double> left;
        int selected;
    };
    // The middle one: the former third becomes entry 2 and is shown. The last: the new last.
    for (const Case& c : {Case{1, {100, 300}, 1}, Case{2, {100, 200}, 1}, Case{0, {200, 300}, 0}}) {
        SCOPED_TRACE(c.deleted);
        form->Series.clear();
        form->SeriesCount = 0;
        ThreeModels();
        ClickEntry(c.deleted);
        form->CheckListBox1->item(0)->setCheckState(Qt::Unchecked);
        Answers yes({QMessageBox::Yes});
        form->effaceEltSerieBtn->click();
        EXPECT_EQ(yes.Texts(), QStringList{"Effacer le modèle sélectionné ?"});
        EXPECT_EQ(yes.Titles(), QStringList{"Effacement"});
        EXPECT_EQ(Fundamentals(), c.left);
        EXPECT_EQ(form->SeriesCount, 2);
        EXPECT_EQ(Entries(), (QStringList{"modele 1", "modele 2"}));
        EXPECT_EQ(Checks(), (std::vector<bool>{true, true}));
        EXPECT_EQ(form->CheckListBox1->currentRow(), c.selected);
        EXPECT_EQ(form->LastSeriesIndex, c.selected);
        EXPECT_EQ(form->Label10->text(), Frequency(c.left[std::size_t(c.selected)]));
        ShowModelPage();
    }
}

TEST_F(SeriesPage, NoKeepsTheModel)
{
    ThreeModels();
    Answers no({QMessageBox::No});
    form->effaceEltSerieBtn->click();
    EXPECT_EQ(no.Texts().size(), 1);
    EXPECT_EQ(form->Series.size(), 3u);
    EXPECT_EQ(Entries().size(), 3);
}

TEST_F(SeriesPage, DeletingTheOnlyModelAsksTwice)
{
    AddToSeries();
    ShowSeriesPage();
    {
        Answers yesNo({QMessageBox::Yes, QMessageBox::No});
        form->effaceEltSerieBtn->click();
        EXPECT_EQ(yesNo.Texts(),
                  (QStringList{"Effacer le modèle sélectionné ?", "Effacer toute la série ?"}));
        EXPECT_EQ(form->Series.size(), 1u);
        EXPECT_EQ(Entries(), QStringList{"modele 1"});
    }
    Answers yesYes({QMessageBox::Yes, QMessageBox::Yes});
    form->effaceEltSerieBtn->click();
    EXPECT_EQ(yesYes.Texts().size(), 2);
    EXPECT_TRUE(form->Series.empty());
    EXPECT_EQ(form->SeriesCount, 0);
    EXPECT_EQ(form->CheckListBox1->count(), 0);
    EXPECT_TRUE(AllOf(form->seriecourbe, qRgb(0, 0, 0)));
    EXPECT_TRUE(AllOf(form->seriespectre, qRgb(0, 0, 0)));
    EXPECT_TRUE(AllOf(form->seriesonog, qRgb(0, 0, 0)));
    EXPECT_EQ(form->Label10->text(), QString());
}

TEST_F(SeriesPage, ClearingTheSeriesAsksEvenWhenEmptyFromEitherPage)
{
    {
        Answers yes({QMessageBox::Yes});
        form->Effserie2Btn->click();  // model page's tool bar
        EXPECT_EQ(yes.Texts(), QStringList{"Effacer toute la série ?"});
    }
    AddToSeries();
    AddToSeries();
    {
        Answers no({QMessageBox::No});
        form->Effserie2Btn->click();
        EXPECT_EQ(form->Series.size(), 2u);
    }
    ShowSeriesPage();
    Answers yes({QMessageBox::Yes});
    form->EffaceSerieBtn->click();
    EXPECT_TRUE(form->Series.empty());
    EXPECT_EQ(form->CheckListBox1->count(), 0);
    // Showing the page of an empty series keeps what it showed.
    ShowModelPage();
    ShowSeriesPage();
    EXPECT_TRUE(AllOf(form->seriecourbe, qRgb(0, 0, 0)));
}

TEST_F(SeriesPage, ListeningRendersOnlyTheCheckedModels)
{
    // Durations 10, 5 and 20 tenths, read from a file so that none is rendered yet.
    SeriesModels models;
    for (int d : {10, 5, 20}) {
        models.push_back(std::make_unique<tmodele>());
        models.back()->AddHarmonic(1);
        models.back()->Duration = std::uint16_t(d);
    }
    SaveSeriesFile(Path("trois.ssm"), models);
    Choose(Path("trois.ssm"));
    form->Chargerunesrie1->trigger();
    Settle();
    ASSERT_EQ(form->Series.size(), 3u);
    EXPECT_EQ(form->Series[0]->Rendered, 1) << "shown";
    EXPECT_EQ(form->Series[1]->Rendered, 0);
    EXPECT_EQ(form->Series[2]->Rendered, 0);
    form->CheckListBox1->item(1)->setCheckState(Qt::Unchecked);
    form->EcouteSerieBtn->click();
    EXPECT_EQ(form->Series[1]->Rendered, 0) << "unchecked: skipped";
    EXPECT_EQ(form->Series[2]->Rendered, 1);
    EXPECT_EQ(form->CheckListBox1->currentRow(), 0) << "the selection does not follow the sound";
}

TEST_F(SeriesPage, TheSeriesHoldsAtMost256Models)
{
    SetCurrent(440.0, 1);
    for (int k = 0; k < 256; ++k)
        AddToSeries();
    ASSERT_EQ(form->SeriesCount, 256);
    Answers ok({QMessageBox::Ok});
    AddToSeries();
    EXPECT_EQ(ok.Texts(), QStringList{"La série est complète : elle compte déjà 256 modèles."});
    EXPECT_EQ(form->Series.size(), 256u);
    ShowSeriesPage();
    EXPECT_EQ(Entries().last(), "modele 256");
    form->CheckListBox1->setCurrentRow(255);
    ClickEntry(255);
    EXPECT_EQ(form->LastSeriesIndex, 255);
}

// ---- Model files through the dialogs ------------------------------------------------------

TEST_F(SeriesPage, SavingAModelUsesTheSharedDialogWithAnEmptyName)
{
    const auto first = Choose(Path("premier"));  // no extension typed
    form->smodele->trigger();
    ASSERT_TRUE(first->seen);
    EXPECT_EQ(first->mode, QFileDialog::AcceptSave);
    EXPECT_EQ(first->filters, QStringList{"fichiers modele(*.mdl)"});
    EXPECT_EQ(first->suffix, "mdl");
    EXPECT_EQ(FileContent(Path("premier.mdl")), ModelFileBytes(*form->CurrentModel));
    EXPECT_EQ(FileContent(Path("premier.mdl")).size(), 87);

    const auto second = Choose(Path("premier.mdl"));  // over the same file: no question
    form->smodele->trigger();
    EXPECT_EQ(second->name, QString()) << "the name is emptied before each save";
    EXPECT_EQ(FileContent(Path("premier.mdl")).size(), 87);

    const auto cancel = Choose(QString());
    form->smodele->trigger();
    EXPECT_TRUE(cancel->seen);
}

// A model file with ranks 1, 3 and 7, a negative glide and duration 7, written by hand.
QByteArray ThreeRankFile(double fundamental, double glide, std::uint16_t duration)
{
    QByteArray bytes;
    auto put = [&bytes](const auto value) {
        auto little = qToLittleEndian(value);
        bytes.append(reinterpret_cast<const char*>(&little), sizeof little);
    };
    auto putDouble = [&put](double d) {
        std::uint64_t bits;
        std::memcpy(&bits, &d, 8);
        put(bits);
    };
    put(std::int32_t(3));
    putDouble(fundamental);
    putDouble(glide);
    put(duration);
    put(std::uint8_t(1));
    for (int rank : {1, 3, 7}) {
        put(std::uint8_t(rank == 3 ? 0 : 1));
        put(std::uint8_t(rank));
        putDouble(1.0 / rank);
        putDouble(0.5 * rank);
        for (int k = 0; k < 46; ++k)
            put(std::uint8_t(k * 5 + rank));
    }
    return bytes;
}

TEST_F(SeriesPage, LoadingAModelBringsThePageUpToDate)
{
    form->ZoomBtn->click();  // x2: loading keeps the zoom factor and its label
    AddToSeries();
    const QByteArray file = ThreeRankFile(261.63, -0.253, 7);
    ASSERT_EQ(file.size(), 215);
    WriteContent(Path("trois.mdl"), file);

    const auto seen = Choose(Path("trois.mdl"));
    form->unmodle->trigger();
    Settle();
    EXPECT_EQ(seen->mode, QFileDialog::AcceptOpen);
    EXPECT_EQ(seen->filters, QStringList{"fichiers modele(*.mdl)"});
    EXPECT_EQ(seen->suffix, "mdl");

    const tmodele& m = *form->CurrentModel;
    EXPECT_EQ(m.Fundamental, 261.63);
    EXPECT_EQ(m.Duration, 7);
    ASSERT_EQ(m.Harmonics.size(), 3u);
    EXPECT_EQ(m.Harmonics[1].Active, 0);
    EXPECT_EQ(m.Harmonics[2].Phase, 3.5);
    QStringList entries;
    for (int i = 0; i < form->ComboBox1->count(); ++i)
        entries << form->ComboBox1->itemText(i);
    EXPECT_EQ(entries, (QStringList{"1", "3", "7"}));
    EXPECT_EQ(form->ComboBox1->currentIndex(), 0);
    EXPECT_TRUE(form->ajustampliBtn->isVisibleTo(form.get()));
    EXPECT_TRUE(form->ajustphasebtn->isVisibleTo(form.get()));
    EXPECT_EQ(form->dureeUD->value(), 7);
    EXPECT_EQ(form->UpDown1->value(), -25);
    EXPECT_EQ(form->UpDown3->value(), -3);
    EXPECT_EQ(form->frequedit->text(), "261,6");
    EXPECT_EQ(form->ZoomFactor, 2);
    EXPECT_EQ(form->Label8->text(), "x2");
    EXPECT_DOUBLE_EQ(form->CursorTime, 0.07);
    EXPECT_EQ(form->ViewStart, 0.0);
    EXPECT_DOUBLE_EQ(form->ViewEnd, 0.7 - 0.007);
    EXPECT_EQ(form->CurseurEdit->text(), "7,0000E-02 s");

    // The sound is the file's model rendered; the series is untouched.
    ASSERT_EQ(m.Rendered, 1);
    auto reference = ParseModelFile(file);
    reference->Render();
    EXPECT_TRUE(m.Samples == reference->Samples);
    EXPECT_EQ(form->Series.size(), 1u);
    EXPECT_EQ(form->Series[0]->Fundamental, 440.0);

    // A positive glide: 0.253 shows 25 and 3; one harmonic hides the two buttons.
    tmodele single;
    single.AddHarmonic(1);
    single.Glide = 0.253;
    single.Duration = 55;  // beyond the spinner: the model keeps it
    SaveModelFile(Path("un.mdl"), single);
    Choose(Path("un.mdl"));
    form->unmodle->trigger();
    EXPECT_EQ(form->UpDown1->value(), 25);
    EXPECT_EQ(form->UpDown3->value(), 3);
    EXPECT_EQ(form->CurrentModel->Duration, 55);
    EXPECT_EQ(form->dureeUD->value(), 40);
    EXPECT_FALSE(form->ajustampliBtn->isVisibleTo(form.get()));
    EXPECT_FALSE(form->ajustphasebtn->isVisibleTo(form.get()));
    EXPECT_EQ(form->CurrentModel->Samples.size(), 55u * 8820);
}

TEST_F(SeriesPage, SaveThenLoadGivesTheSameSound)
{
    WriteContent(Path("trois.mdl"), ThreeRankFile(523.25, 0.1, 12));
    Choose(Path("trois.mdl"));
    form->unmodle->trigger();
    const std::vector<std::uint8_t> before = form->CurrentModel->Samples;
    Choose(Path("copie.mdl"));
    form->smodele->trigger();
    form->NvModeleBtn->click();
    Choose(Path("copie.mdl"));
    form->unmodle->trigger();
    EXPECT_TRUE(form->CurrentModel->Samples == before);
    EXPECT_EQ(form->CurrentModel->Harmonics[1].Active, 0) << "a switched-off harmonic stays off";
}

TEST_F(SeriesPage, ABadModelFileKeepsTheCurrentModelAndPage)
{
    form->CurrentModel->Fundamental = 123.0;
    form->CurrentModel->Render();
    const tmodele* before = form->CurrentModel.get();
    const std::vector<std::uint8_t> samples = before->Samples;
    const QByteArray good = ThreeRankFile(300.0, 0.0, 10);
    struct Case {
        const char* what;
        QByteArray bytes;
    };
    QByteArray nan = good;
    const double notANumber = std::nan("");
    std::memcpy(nan.data() + 4, &notANumber, 8);
    const std::vector<Case> cases = {
        {"cut short", good.left(100)},
        {"trailing garbage", good + "x"},
        {"not a number", nan},
        {"count above 255", QByteArray::fromHex("00010000") + good.mid(4)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteContent(Path("mauvais.mdl"), c.bytes);
        Choose(Path("mauvais.mdl"));
        Answers ok({QMessageBox::Ok});
        form->unmodle->trigger();
        Settle();
        ASSERT_EQ(ok.Texts().size(), 1);
        EXPECT_TRUE(ok.Texts()[0].startsWith("Fichier modèle incorrect : ")) << ok.Texts()[0].toStdString();
        EXPECT_EQ(ok.Titles(), QStringList{"sonvelia"});
        EXPECT_EQ(form->CurrentModel.get(), before);
        EXPECT_EQ(form->CurrentModel->Fundamental, 123.0);
        EXPECT_TRUE(form->CurrentModel->Samples == samples);
        EXPECT_EQ(form->ComboBox1->count(), 1);
        EXPECT_EQ(form->frequedit->text(), "440");
    }
    // The open dialog itself refuses a name that does not exist; a file that vanishes between
    // the choice and the reading is the same case for the command.
    WriteContent(Path("fugace.mdl"), good);
    dialogs_test::OnModalOf<QFileDialog>([this](QFileDialog* dialog) {
        TypeName(dialog, dir.path(), "fugace.mdl");
        QFile::remove(Path("fugace.mdl"));
        static_cast<QDialog*>(dialog)->done(QDialog::Accepted);
    });
    Answers ok({QMessageBox::Ok});
    form->unmodle->trigger();
    EXPECT_EQ(ok.Texts(), QStringList{"Fichier introuvable."});
    EXPECT_EQ(form->CurrentModel.get(), before);
}

// ---- Series files ------------------------------------------------------------------------

TEST_F(SeriesPage, SavingAnEmptySeriesShowsNoDialog)
{
    auto seen = std::make_shared<bool>(false);
    dialogs_test::OnModal([](QWidget*) { return true; },
                          [seen](QWidget* w) {
                              *seen = true;
                              static_cast<QDialog*>(w)->reject();
                          },
                          300);
    form->sserie1->trigger();
    form->exportwavs->click();
    QTest::qWait(400);
    EXPECT_FALSE(*seen);
}

TEST_F(SeriesPage, SeriesRoundTripThroughTheDialogs)
{
    ThreeModels();
    form->CheckListBox1->item(1)->setCheckState(Qt::Unchecked);  // unchecked models are saved too
    const auto saved = Choose(Path("serie"));
    form->sserie1->trigger();
    EXPECT_EQ(saved->filters, QStringList{"fichiers serie(*.ssm)"});
    EXPECT_EQ(saved->suffix, "ssm");
    EXPECT_EQ(saved->name, QString());
    ASSERT_EQ(FileContent(Path("serie.ssm")).size(), 4 + 3 * 87);
    std::vector<std::vector<std::uint8_t>> sounds;
    for (const auto& m : form->Series)
        sounds.push_back(m->Samples);

    Answers yes({QMessageBox::Yes});
    form->EffaceSerieBtn->click();
    ASSERT_TRUE(form->Series.empty());

    // Loading from the series page: the model page comes forward while the dialog is open.
    const tmodele* current = form->CurrentModel.get();
    const auto loaded = Choose(Path("serie.ssm"));
    form->Chargerunesrie1->trigger();
    Settle();
    EXPECT_EQ(loaded->page, form->ModelePage);
    EXPECT_EQ(loaded->filters, QStringList{"fichiers serie(*.ssm)"});
    EXPECT_EQ(form->PageControl1->currentWidget(), form->PageSerie);
    EXPECT_EQ(Fundamentals(), (std::vector<double>{100, 200, 300}));
    EXPECT_EQ(form->SeriesCount, 3);
    EXPECT_EQ(Entries(), (QStringList{"modele 1", "modele 2", "modele 3"}));
    EXPECT_EQ(Checks(), (std::vector<bool>{true, true, true}));
    EXPECT_EQ(form->CheckListBox1->currentRow(), 0);
    EXPECT_EQ(form->Label10->text(), Frequency(100));
    EXPECT_EQ(form->CurrentModel.get(), current) << "the current model is not touched";
    for (std::size_t k = 0; k < 3; ++k) {
        form->Series[k]->Render();
        EXPECT_TRUE(form->Series[k]->Samples == sounds[k]) << k;
    }

    // Cancelling leaves the model page in front and the series as it was.
    Choose(QString());
    form->Chargerunesrie1->trigger();
    EXPECT_EQ(form->PageControl1->currentWidget(), form->ModelePage);
    EXPECT_EQ(form->Series.size(), 3u);
}

TEST_F(SeriesPage, ABadSeriesFileKeepsThePreviousSeries)
{
    ThreeModels();
    ClickEntry(2);
    const QByteArray one = ModelFileBytes(*form->CurrentModel);
    const std::vector<QByteArray> bad = {
        QByteArray::fromHex("02000000") + one,                // second model missing
        QByteArray::fromHex("00000000"),                      // no model
        QByteArray::fromHex("FFFFFFFF") + one,                // negative count
        QByteArray::fromHex("01000000") + one + one.left(3),  // trailing bytes
    };
    for (const QByteArray& bytes : bad) {
        WriteContent(Path("mauvaise.ssm"), bytes);
        Choose(Path("mauvaise.ssm"));
        Answers ok({QMessageBox::Ok});
        form->Chargerunesrie1->trigger();
        Settle();
        ASSERT_EQ(ok.Texts().size(), 1);
        EXPECT_TRUE(ok.Texts()[0].startsWith("Fichier série incorrect : ")) << ok.Texts()[0].toStdString();
        EXPECT_EQ(Fundamentals(), (std::vector<double>{100, 200, 300}));
        EXPECT_EQ(Entries().size(), 3) << "no entry for a model that does not exist";
        ShowSeriesPage();
    }
}

// ---- WAV export --------------------------------------------------------------------------

TEST_F(SeriesPage, ExportingTheCurrentModel)
{
    const auto seen = Choose(Path("son"));
    form->RecWavBtn->click();
    EXPECT_EQ(seen->filters, QStringList{"fichiers wav(*.wav)"});
    EXPECT_EQ(seen->suffix, "wav");
    EXPECT_EQ(seen->name, QString());
    const QByteArray file = FileContent(Path("son.wav"));
    ASSERT_EQ(file.size(), 88244);
    EXPECT_TRUE(file.mid(44) ==
                QByteArray(reinterpret_cast<const char*>(form->CurrentModel->Samples.data()), 88200));
}

TEST_F(SeriesPage, ExportingTheCheckedModelsInSeriesOrder)
{
    for (auto [f, d] : {std::pair{440.0, 10}, std::pair{550.0, 5}, std::pair{660.0, 20}}) {
        SetCurrent(f, d);
        AddToSeries();
    }
    ShowSeriesPage();
    form->CheckListBox1->item(1)->setCheckState(Qt::Unchecked);
    Choose(Path("serie.wav"));
    form->exportwavs->click();
    const QByteArray file = FileContent(Path("serie.wav"));
    ASSERT_EQ(file.size(), 44 + 264600);
    EXPECT_EQ(qFromLittleEndian<std::uint32_t>(file.constData() + 40), 264600u);
    const auto bytes = [](const tmodele& m) {
        return QByteArray(reinterpret_cast<const char*>(m.Samples.data()), qsizetype(m.Samples.size()));
    };
    EXPECT_TRUE(file.mid(44, 88200) == bytes(*form->Series[0]));
    EXPECT_TRUE(file.mid(44 + 88200) == bytes(*form->Series[2]));

    for (int p = 0; p < 3; ++p)
        form->CheckListBox1->item(p)->setCheckState(Qt::Unchecked);
    Choose(Path("rien.wav"));
    form->exportwavs->click();
    EXPECT_EQ(FileContent(Path("rien.wav")).size(), 44);
}

TEST_F(SeriesPage, AFailedSaveIsReportedAndKeepsTheFile)
{
    ScratchMount place(256);
    WriteContent(place.Path() + "/ancien.wav", "previous");
    if (!place.MakeReadOnly())
        GTEST_SKIP() << "running as root without the right to mount: no way to refuse a write";
    for (auto* command : {form->RecWavBtn}) {
        Choose(place.Path() + "/ancien.wav");
        Answers ok({QMessageBox::Ok});
        command->click();
        EXPECT_EQ(ok.Texts(), QStringList{"Accès au fichier refusé."});
    }
    Choose(place.Path() + "/nouveau.mdl");
    Answers ok({QMessageBox::Ok});
    form->smodele->trigger();
    EXPECT_EQ(ok.Texts(), QStringList{"Accès au fichier refusé."});
    EXPECT_EQ(FileContent(place.Path() + "/ancien.wav"), "previous");
    EXPECT_EQ(FolderNames(place.Path()), QStringList{"ancien.wav"});
}

}  // namespace
