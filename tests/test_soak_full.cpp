// A long random session on the real main window (offscreen): edits, dialogs, loads and saves of
// good and damaged files, series operations, playback without a sound server, window resizes.
// After every operation the window must still be consistent (see CheckInvariants), a failed
// load must have changed nothing, and memory measured at the same resting state every thousand
// operations must stay flat from the first thousand to the last.
#include <gtest/gtest.h>
#include <malloc.h>

#include <unistd.h>
#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMessageBox>
#include <QPixmapCache>
#include <QPointer>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <cmath>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <random>
#include <set>

#include "files/modelfile.h"
#include "files/seriesfile.h"
#include "files/wavfile.h"
#include "support/dialogs_modal.h"
#include "support/files_scratch.h"
#include "support/sound_server.h"
#include "support/window_checks.h"
#include "ui/Sonvelia3.h"
#include "ui/picturebox.h"
#include "ui/sonvelia1.h"
#include "ui/sonvelia2.h"
#include "ui/sonvelia4.h"
#include "ui/sonvelia5.h"
#include "ui/sonvelia6f.h"
#include "ui/updown.h"

namespace {

constexpr int DefaultOperations = 10000;  // SONVELIA_SOAK_OPERATIONS may ask for another count
constexpr std::uint32_t Seed = 20261208;
constexpr int MeasureEvery = 1000;              // operations between memory measurements
constexpr long long HeapGrowthLimit = 2 << 20;  // bytes the heap may grow over the whole run
constexpr int ModalPatienceMs = 10000;          // a window nobody expected is closed after this

extern "C" void __asan_init() __attribute__((weak));

// Whether AddressSanitizer's allocator runs the heap: freed blocks then wait in its quarantine and
// malloc's figures say nothing about the program.
bool UnderSanitizer()
{
    return &__asan_init != nullptr;
}

void Settle()
{
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

// Bytes in use on the heap, and the resident size.
long long HeapInUse()
{
    return static_cast<long long>(mallinfo2().uordblks);
}
long long ResidentBytes()
{
    std::ifstream statm("/proc/self/statm");
    long long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * sysconf(_SC_PAGESIZE);
}

// Answers every modal window of the session. Message boxes: questions as the operation chose,
// error boxes with OK (their texts are kept). Other dialogs: the operation's plan, run once on
// the first matching window. A window no plan claims is rejected after ModalPatienceMs and
// counted, so a surprise fails the test instead of hanging it.
class ModalAnswers {
public:
    ModalAnswers() : state_(std::make_shared<State>()) { Poll(state_); }
    ~ModalAnswers() { state_->active = false; }

    // The answer to the next questions: Yes/Ok when true, No/Cancel when false.
    void AnswerQuestions(bool yes) { state_->yes = yes; }
    // What to do with the next dialog that `match` accepts.
    void Plan(std::function<bool(QWidget*)> match, std::function<void(QWidget*)> action)
    {
        state_->match = std::move(match);
        state_->action = std::move(action);
    }
    template <class T>
    void PlanFor(std::function<void(T*)> action)
    {
        Plan([](QWidget* w) { return qobject_cast<T*>(w) != nullptr; },
             [action](QWidget* w) { action(qobject_cast<T*>(w)); });
    }
    // Ends an operation: its plan goes, and the dialogs, which live on from one showing to the
    // next, may be answered again.
    void DropPlan()
    {
        state_->match = nullptr;
        state_->action = nullptr;
        for (QWidget* top : QApplication::topLevelWidgets())
            top->setProperty("soakAnswered", QVariant());
    }
    int Errors() const { return int(state_->errors.size()); }
    const QStringList& ErrorTexts() const { return state_->errors; }
    const QStringList& Surprises() const { return state_->surprises; }

private:
    struct State {
        bool active = true;
        bool yes = true;
        std::function<bool(QWidget*)> match;
        std::function<void(QWidget*)> action;
        QStringList errors;
        QStringList surprises;
        QPointer<QWidget> waiting;  // the modal window seen last without an answer
        QElapsedTimer waitingSince;
    };

    static void Poll(std::shared_ptr<State> state)
    {
        if (!state->active)
            return;
        // The next look is booked first: an answer may open a nested window (an error box over
        // a dialog) whose own loop must find it.
        QTimer::singleShot(2, [state] { Poll(state); });
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || !modal->isVisible() || modal->property("soakAnswered").toBool())
            return;
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            box->setProperty("soakAnswered", true);
            dialogs_test::AnswerBoxLater(box, state->yes, state->errors);
            return;
        }
        if (state->match && state->match(modal)) {
            modal->setProperty("soakAnswered", true);
            auto action = std::move(state->action);
            state->match = nullptr;
            state->action = nullptr;
            action(modal);
            return;
        }
        if (state->waiting != modal) {
            state->waiting = modal;
            state->waitingSince.start();
        } else if (state->waitingSince.elapsed() > ModalPatienceMs) {
            state->surprises << QString::fromLatin1(modal->metaObject()->className());
            modal->setProperty("soakAnswered", true);
            if (auto* dialog = qobject_cast<QDialog*>(modal))
                dialog->reject();
            else
                modal->close();
        }
    }

    std::shared_ptr<State> state_;
};

// Goes to a folder and types a name into the file dialog, as a user would, then accepts.
void ChooseFile(QFileDialog* dialog, const QString& path)
{
    dialog->setDirectory(QFileInfo(path).absolutePath());
    dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(QFileInfo(path).fileName());
    if (auto* list = dialog->findChild<QListView*>(QStringLiteral("listView")))
        list->clearSelection();
    static_cast<QDialog*>(dialog)->accept();
}

QByteArray SeriesBytes(const TForm1& form)
{
    return SeriesFileBytes(form.Series);
}

class Soak : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        form = std::make_unique<TForm1>();
        form->resize(800, 572);
        form->show();
        Settle();
        ASSERT_TRUE(form->CurrentModel);
    }
    void TearDown() override
    {
        form.reset();
        Settle();
    }

    QString Path(const QString& name) const { return dir.path() + QLatin1Char('/') + name; }
    int Pick(int below) { return std::uniform_int_distribution<int>(0, below - 1)(rng); }
    int Between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng); }
    bool Chance(int percent) { return Pick(100) < percent; }
    bool OnSeriesPage() const { return form->PageControl1->currentWidget() == form->PageSerie; }

    // ---- Operations ----------------------------------------------------------------------

    void StepSpinner(TUpDown* spinner)
    {
        int steps = Between(-3, 3);
        if (steps == 0)
            steps = 1;
        spinner->stepBy(steps);
    }

    void PickHarmonic()
    {
        const int count = form->ComboBox1->count();
        if (count == 0)
            return;
        const int index = Pick(count);
        form->ComboBox1->setCurrentIndex(index);
        emit form->ComboBox1->activated(index);
    }

    void AddHarmonic()
    {
        // The amplitude typed: kept, a decimal, one the field pulls back to 0..1, or no number.
        const int kind = Pick(10);
        const bool ok = Chance(85);
        const int phase = Between(-180, 180);
        const QString amplitude = kind < 3 ? QString()
                                  : kind < 7
                                      ? QStringLiteral("0,%1").arg(Between(0, 999), 3, 10, QLatin1Char('0'))
                                  : kind < 9 ? QStringLiteral("%1").arg(Between(-5, 9))
                                             : QStringLiteral("un demi");
        const int which = Between(0, 1000);
        modals.PlanFor<TForm4>([=](TForm4* d) {
            if (d->ListBox1->count() > 0)
                d->ListBox1->setCurrentRow(which % d->ListBox1->count());
            if (!amplitude.isEmpty())
                d->Edit1->setText(amplitude);
            d->UpDown1->setValue(phase);
            (ok ? d->BitBtn1 : d->BitBtn2)->click();
        });
        form->AjHarmBtn->click();
    }

    void DeleteHarmonic()
    {
        const int count = form->ComboBox1->count();
        if (count > 1) {
            const int index = Between(1, count - 1);
            form->ComboBox1->setCurrentIndex(index);
            emit form->ComboBox1->activated(index);
        }
        modals.AnswerQuestions(Chance(70));
        form->Supprharmbtn->click();
    }

    void EditEnvelope()
    {
        tenveloppe drawn{};
        const bool silent = Chance(5);  // refused: nothing to scale
        for (auto& point : drawn)
            point = silent ? 0 : std::uint8_t(Pick(256));
        const bool ok = Chance(85);
        modals.PlanFor<TForm2>([=](TForm2* d) {
            d->WorkEnvelope = drawn;
            (ok ? d->BitBtn1 : d->BitBtn2)->click();
        });
        form->Button3->click();
    }

    void ChooseFrequency()
    {
        const int range = Pick(11);
        const int x = Between(0, 500);
        const bool ok = Chance(85);
        modals.PlanFor<TForm3>([=](TForm3* d) {
            d->SpeedButton1Click(range);
            d->Drop(std::min(x, std::max(0, d->Shape1->width() - 1)));
            (ok ? d->BitBtn1 : d->BitBtn2)->click();
        });
        form->Button2->click();
    }

    void AdjustAmplitudes()
    {
        if (!form->ajustampliBtn->isVisible())
            return;
        const std::uint32_t sliderSeed = rng();
        const bool ok = Chance(85);
        modals.PlanFor<TForm5>([=](TForm5* d) {
            std::mt19937 local(sliderSeed);
            for (QSlider* slider : d->AmplitudeSliders)
                slider->setValue(
                    std::uniform_int_distribution<int>(slider->minimum(), slider->maximum())(local));
            (ok ? d->BitBtn1 : d->BitBtn2)->click();
        });
        form->ajustampliBtn->click();
    }

    void AdjustPhase()
    {
        if (!form->ajustphasebtn->isVisible() || form->ComboBox1->currentIndex() <= 0)
            return;
        const int degrees = Between(-180, 180);
        const bool ok = Chance(85);
        modals.PlanFor<TForm6>([=](TForm6* d) {
            d->UpDown1->setValue(degrees);
            (ok ? d->BitBtn1 : d->BitBtn2)->click();
        });
        form->ajustphasebtn->click();
    }

    void ClickWaveform()
    {
        const int x = Between(-5, form->CourbeImg->width() + 5);
        QTest::mouseClick(form->CourbeImg, Qt::LeftButton, {}, QPoint(x, form->CourbeImg->height() / 2));
    }

    void SelectSeriesEntry()
    {
        QListWidget* list = form->CheckListBox1;
        if (!OnSeriesPage() || list->count() == 0)
            return;
        const int row = Pick(list->count());
        if (Chance(20)) {
            // The box of the entry: it changes what is played and exported.
            QListWidgetItem* item = list->item(row);
            item->setCheckState(item->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
            return;
        }
        list->scrollToItem(list->item(row));
        const QRect r = list->visualItemRect(list->item(row));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(r.right() - 5, r.center().y()));
    }

    // A file the session wrote, or one damaged from it: cut short, one byte changed, or noise.
    QString FileToLoad(const QString& extension)
    {
        const QString saved = Path(QStringLiteral("saved%1.%2").arg(Pick(3)).arg(extension));
        if (!QFileInfo::exists(saved) || Chance(50))
            return saved;
        QByteArray bytes = FileContent(saved);
        switch (Pick(3)) {
            case 0:
                bytes.truncate(Pick(int(bytes.size())));
                break;
            case 1:
                bytes[Pick(int(bytes.size()))] = char(Pick(256));
                break;
            default:
                for (char& c : bytes)
                    c = char(Pick(256));
                break;
        }
        const QString damaged = Path(QStringLiteral("damaged.") + extension);
        WriteContent(damaged, bytes);
        damagedFiles[damaged] = true;
        return damaged;
    }

    void SaveModel()
    {
        const QString path = Path(QStringLiteral("saved%1.mdl").arg(Pick(3)));
        modals.PlanFor<QFileDialog>([path](QFileDialog* d) { ChooseFile(d, path); });
        form->smodele->trigger();
        ASSERT_EQ(FileContent(path), ModelFileBytes(*form->CurrentModel)) << "the saved file is the model";
        damagedFiles[path] = fromDamagedFile;
    }

    void LoadModel()
    {
        const QString path = FileToLoad(QStringLiteral("mdl"));
        if (!QFileInfo::exists(path))
            return;
        const QByteArray file = FileContent(path);
        const tmodele* before = form->CurrentModel.get();
        const QByteArray modelBefore = ModelFileBytes(*before);
        const QByteArray seriesBefore = SeriesBytes(*form);
        const int errors = modals.Errors();
        modals.PlanFor<QFileDialog>([path](QFileDialog* d) { ChooseFile(d, path); });
        form->unmodle->trigger();
        Settle();
        if (modals.Errors() > errors) {
            ASSERT_EQ(form->CurrentModel.get(), before) << "a refused file keeps the current model";
            ASSERT_EQ(ModelFileBytes(*form->CurrentModel), modelBefore);
        } else {
            ASSERT_EQ(ModelFileBytes(*form->CurrentModel), file) << "the loaded model is the file";
            fromDamagedFile = damagedFiles[path];
        }
        ASSERT_EQ(SeriesBytes(*form), seriesBefore) << "loading a model leaves the series";
    }

    void SaveSeries()
    {
        if (form->Series.empty())
            return;
        const QString path = Path(QStringLiteral("saved%1.ssm").arg(Pick(3)));
        modals.PlanFor<QFileDialog>([path](QFileDialog* d) { ChooseFile(d, path); });
        form->sserie1->trigger();
        ASSERT_EQ(FileContent(path), SeriesBytes(*form)) << "the saved file is the series";
    }

    void LoadSeries()
    {
        const QString path = FileToLoad(QStringLiteral("ssm"));
        if (!QFileInfo::exists(path))
            return;
        const QByteArray file = FileContent(path);
        const QByteArray modelBefore = ModelFileBytes(*form->CurrentModel);
        const QByteArray seriesBefore = SeriesBytes(*form);
        const int errors = modals.Errors();
        modals.PlanFor<QFileDialog>([path](QFileDialog* d) { ChooseFile(d, path); });
        form->Chargerunesrie1->trigger();
        Settle();
        if (modals.Errors() > errors)
            ASSERT_EQ(SeriesBytes(*form), seriesBefore) << "a refused file keeps the series";
        else
            ASSERT_EQ(SeriesBytes(*form), file) << "the loaded series is the file";
        ASSERT_EQ(ModelFileBytes(*form->CurrentModel), modelBefore) << "loading a series leaves the model";
    }

    void ExportWav()
    {
        const QString path = Path(QStringLiteral("export.wav"));
        QFile::remove(path);
        modals.PlanFor<QFileDialog>([path](QFileDialog* d) { ChooseFile(d, path); });
        if (OnSeriesPage() && !form->Series.empty()) {
            std::size_t bytes = WavHeaderBytes;
            for (int p = 0; p < form->CheckListBox1->count(); ++p)
                if (form->CheckListBox1->item(p)->checkState() == Qt::Checked)
                    bytes += std::size_t(form->Series[std::size_t(p)]->Duration) * tmodele::BytesPerTenth;
            form->exportwavs->click();
            ASSERT_EQ(std::size_t(QFileInfo(path).size()), bytes) << "the header and every checked sound";
        } else {
            form->RecWavBtn->click();
            ASSERT_EQ(std::size_t(QFileInfo(path).size()),
                      WavHeaderBytes + form->CurrentModel->Samples.size());
        }
    }

    void Resize() { form->resize(Between(640, 1200), Between(480, 900)); }

    // The resting state the memory is measured in: no series, a new model, the model page, the
    // design size.
    void Rest()
    {
        modals.AnswerQuestions(true);
        form->PageControl1->setCurrentWidget(form->ModelePage);
        form->EffaceSerieBtn->click();
        form->NvModeleBtn->click();
        fromDamagedFile = false;
        form->resize(800, 572);
        for (int i = 0; i < 10; ++i)
            Settle();
        // Qt's pixmap cache keeps up to 10 MB of drawn style pieces whatever the program does.
        QPixmapCache::clear();
    }

    // One random operation; its name for failure messages.
    const char* RandomOperation()
    {
        const int roll = Pick(100);
        modals.AnswerQuestions(Chance(60));
        if (roll < 8) {
            StepSpinner(form->dureeUD);
            return "duration step";
        }
        if (roll < 13) {
            StepSpinner(Chance(50) ? form->UpDown1 : form->UpDown3);
            return "glide step";
        }
        if (roll < 19) {
            PickHarmonic();
            return "pick a harmonic";
        }
        if (roll < 23) {
            form->CheckBox2->click();
            return "switch the harmonic on or off";
        }
        if (roll < 25) {
            form->CheckBox1->click();
            return "envelope mode";
        }
        if (roll < 33) {
            AddHarmonic();
            return "add a harmonic";
        }
        if (roll < 37) {
            DeleteHarmonic();
            return "delete a harmonic";
        }
        if (roll < 40) {
            EditEnvelope();
            return "draw an envelope";
        }
        if (roll < 42) {
            ChooseFrequency();
            return "choose the fundamental";
        }
        if (roll < 44) {
            AdjustAmplitudes();
            return "relative amplitudes";
        }
        if (roll < 46) {
            AdjustPhase();
            return "phase";
        }
        if (roll < 56) {
            QAbstractButton* const buttons[] = {form->ZoomBtn,     form->ZoomBtn,     form->AnnZoomBtn,
                                                form->ToolButton1, form->ToolButton4, form->ToolButton5};
            buttons[Pick(6)]->click();
            return "zoom or scroll";
        }
        if (roll < 60) {
            ClickWaveform();
            return "click on the waveform";
        }
        if (roll < 62) {
            form->choixgrapheItems->button(Pick(2))->click();
            return "graph choice";
        }
        if (roll < 64) {
            form->NvModeleBtn->click();
            fromDamagedFile = false;
            return "new model";
        }
        if (roll < 65) {
            form->Button6->click();
            return "play";
        }
        if (roll < 71) {
            if (!OnSeriesPage())
                form->AjListeBtn->click();
            return "add to the series";
        }
        if (roll < 74) {
            form->PageControl1->setCurrentWidget(OnSeriesPage() ? form->ModelePage : form->PageSerie);
            return "change page";
        }
        if (roll < 79) {
            SelectSeriesEntry();
            return "select or check a series entry";
        }
        if (roll < 81) {
            if (OnSeriesPage())
                form->effaceEltSerieBtn->click();
            return "delete a series entry";
        }
        if (roll < 82) {
            (OnSeriesPage() ? static_cast<QAbstractButton*>(form->EffaceSerieBtn) : form->Effserie2Btn)
                ->click();
            return "clear the series";
        }
        if (roll < 83) {
            (Chance(50) ? form->ecouteEltSerieBtn : form->EcouteSerieBtn)->click();
            return "listen to the series";
        }
        if (roll < 86) {
            SaveModel();
            return "save the model";
        }
        if (roll < 90) {
            LoadModel();
            return "load a model";
        }
        if (roll < 92) {
            SaveSeries();
            return "save the series";
        }
        if (roll < 95) {
            LoadSeries();
            return "load a series";
        }
        if (roll < 96) {
            ExportWav();
            return "export WAV";
        }
        Resize();
        return "resize";
    }

    // ---- Invariants ----------------------------------------------------------------------

    ::testing::AssertionResult CheckInvariants()
    {
        const QString broken = window_checks::Inconsistency(*form, fromDamagedFile);
        if (broken.isEmpty())
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << broken.toStdString();
    }

    QTemporaryDir dir;
    std::unique_ptr<TForm1> form;
    ModalAnswers modals;
    // A damaged file may still be a valid model, of any duration up to a minute and any ranks:
    // the current model came from one (directly or through a save), and which files did.
    bool fromDamagedFile = false;
    std::map<QString, bool> damagedFiles;
    std::mt19937 rng{Seed};
};

TEST_F(Soak, TenThousandRandomOperationsKeepTheWindowConsistentAndMemoryFlat)
{
    // Playback must not wait on anything: a server address where nothing listens.
    ScopedEnv noServer("PULSE_SERVER", ("unix:" + dir.path().toStdString() + "/no-server").c_str());
    std::vector<long long> heap, resident;
    std::map<std::string, int> counts;
    // Fewer for a run under a sanitizer or valgrind, which are many times slower.
    const int Operations = qEnvironmentVariableIntValue("SONVELIA_SOAK_OPERATIONS") > 0
                               ? qEnvironmentVariableIntValue("SONVELIA_SOAK_OPERATIONS")
                               : DefaultOperations;
    for (int op = 1; op <= Operations; ++op) {
        const char* name = RandomOperation();
        modals.DropPlan();
        Settle();
        ++counts[name];
        ASSERT_TRUE(CheckInvariants()) << "after operation " << op << " (" << name << ")";
        ASSERT_TRUE(modals.Surprises().isEmpty())
            << "operation " << op << " (" << name
            << ") left a window open: " << modals.Surprises().join(", ").toStdString();
        if (HasFatalFailure())
            return;
        if (op % MeasureEvery == 0) {
            Rest();
            ASSERT_TRUE(CheckInvariants()) << "at rest after operation " << op;
            heap.push_back(HeapInUse());
            resident.push_back(ResidentBytes());
            std::cout << op << " operations: heap " << heap.back() / 1024 << " KiB, resident "
                      << resident.back() / 1024 << " KiB" << std::endl;
        }
    }
    std::string table;
    for (std::size_t k = 0; k < heap.size(); ++k)
        table += std::to_string((k + 1) * MeasureEvery) + ": heap " + std::to_string(heap[k] / 1024) +
                 " KiB, resident " + std::to_string(resident[k] / 1024) + " KiB\n";
    std::cout << table;
    for (const auto& [name, n] : counts)
        std::cout << "  " << name << ": " << n << "\n";
    std::cout << "  error boxes: " << modals.Errors() << "\n";
    // Each kind of operation ran often enough to mean something.
    for (const auto& [name, n] : counts)
        EXPECT_GE(n, Operations / 200) << name;
    EXPECT_GT(modals.Errors(), 0) << "damaged files and bad amplitudes were refused with a box";
    if (!UnderSanitizer() && !heap.empty()) {  // fewer operations than MeasureEvery measure nothing
        EXPECT_LT(heap.back() - heap.front(), HeapGrowthLimit) << table;
    }
}

}  // namespace
