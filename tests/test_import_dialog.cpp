// "Fichier" > "&Importer un son…" driven through the real main window: the file chooser, the
// import dialog, the model it leaves and the one undo step; bad files and bad numbers give
// their boxes and change nothing.
#include <gtest/gtest.h>

#include <sndfile.h>
#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <random>
#include <vector>

#include "files/modelfile.h"
#include "files/wavfile.h"
#include "model/tmodele.h"
#include "support/dialogs_modal.h"
#include "support/files_scratch.h"
#include "ui/sonvelia1.h"
#include "ui/sonvelia10.h"

using dialogs_test::Settle;

using namespace dialogs_test;

namespace {

class ImportDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        form = std::make_unique<TForm1>();
        form->show();
        Settle();
        // A simple note exported as this program writes it: 220 Hz, ranks 1 and 3, 0.5 s.
        tmodele model;
        model.AddHarmonic(1);
        model.AddHarmonic(3);
        model.Harmonics[1].Amplitude = 0.5;
        model.Fundamental = 220;
        model.Duration = 5;
        model.Render();
        wav = dir.filePath(QStringLiteral("note.wav"));
        ExportWav(wav, {&model});
        before = ModelFileBytes(*form->CurrentModel);
    }

    // Runs the command on `path`, `inDialog` acting in the import dialog when it opens.
    void Import(const QString& path, std::function<void(TForm10*)> inDialog = {})
    {
        OnModalOf<QFileDialog>([path](QFileDialog* d) {
            d->selectFile(path);
            static_cast<QDialog*>(d)->accept();
        });
        if (inDialog)
            OnModalOf<TForm10>(inDialog);
        form->ImporterSon1->trigger();
        Settle();
    }

    QTemporaryDir dir;
    QString wav;
    QByteArray before;
    std::unique_ptr<TForm1> form;
};

TEST_F(ImportDialog, OkMakesTheAnalysedModelCurrentAndOneUndoRestoresTheFormer)
{
    MessageBoxCatcher boxes;
    double shownFundamental = 0;
    Import(wav, [&](TForm10* d) {
        EXPECT_EQ(d->windowTitle(), QStringLiteral("Importer un son"));
        shownFundamental = d->Found().fundamental;
        QTest::mouseClick(d->BitBtn1, Qt::LeftButton);
    });
    EXPECT_TRUE(boxes.Texts().isEmpty()) << boxes.Texts().join('|').toStdString();
    EXPECT_NEAR(form->CurrentModel->Fundamental, 220, 0.5);
    EXPECT_EQ(form->CurrentModel->Fundamental, shownFundamental);
    EXPECT_EQ(form->CurrentModel->Duration, 5);
    EXPECT_NE(ModelFileBytes(*form->CurrentModel), before);

    form->Annuler1->trigger();
    Settle();
    EXPECT_EQ(ModelFileBytes(*form->CurrentModel), before);
}

TEST_F(ImportDialog, CancelChangesNothing)
{
    Import(wav, [](TForm10* d) { QTest::mouseClick(d->BitBtn2, Qt::LeftButton); });
    EXPECT_EQ(ModelFileBytes(*form->CurrentModel), before);
}

TEST_F(ImportDialog, BadFilesGiveTheirBoxAndKeepTheModel)
{
    WriteContent(dir.filePath(QStringLiteral("texte.wav")), "pas un son du tout\n");
    tmodele silent;
    silent.Duration = 5;
    silent.Render();
    ExportWav(dir.filePath(QStringLiteral("silence.wav")), {&silent});
    struct Case {
        const char* name;
        QString text;
    };
    for (const Case& c : {Case{"texte.wav", QStringLiteral("Format de fichier son inconnu.")},
                          Case{"silence.wav", QStringLiteral("Aucun son à analyser dans ce fichier.")}}) {
        SCOPED_TRACE(c.name);
        MessageBoxCatcher boxes;
        Import(dir.filePath(QLatin1String(c.name)));
        EXPECT_EQ(boxes.Texts(), QStringList{c.text});
        EXPECT_EQ(ModelFileBytes(*form->CurrentModel), before);
    }
}

TEST_F(ImportDialog, TheWindowWaitsForTheAnalysisStillTurningAndComesBackAfterIt)
{
    // A note whose analysis takes many turns of the event loop: 4 s, 50 ranks.
    tmodele model;
    model.Fundamental = 150;
    model.Duration = 40;
    for (int r = 2; r <= 50; ++r)
        model.AddHarmonic(std::uint8_t(r));
    model.Render();
    const QString longNote = dir.filePath(QStringLiteral("long.wav"));
    ExportWav(longNote, {&model});
    // Noise reads well and has no pitch: its analysis fails on the other thread.
    std::mt19937 random(7);
    std::vector<short> noise(44100);
    for (short& v : noise)
        v = short(std::uniform_int_distribution<int>(-20000, 20000)(random));
    const QString noiseFile = dir.filePath(QStringLiteral("bruit.wav"));
    WriteSound(noiseFile, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 1, noise);

    bool waitedDisabled = false;  // seen from a timer while the analysis ran
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, [&] { waitedDisabled = waitedDisabled || !form->isEnabled(); });
    look.start(1);
    bool enabledUnderTheDialog = false;
    Import(longNote, [&](TForm10* d) {
        enabledUnderTheDialog = form->isEnabled();
        QTest::mouseClick(d->BitBtn2, Qt::LeftButton);
    });
    EXPECT_TRUE(waitedDisabled);
    EXPECT_TRUE(enabledUnderTheDialog);
    EXPECT_TRUE(form->isEnabled());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    MessageBoxCatcher boxes;
    Import(noiseFile);
    EXPECT_EQ(
        boxes.Texts(),
        QStringList{QStringLiteral("Aucune fréquence fondamentale n'a été trouvée entre 20 et 6000 Hz.")});
    EXPECT_TRUE(form->isEnabled());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(ModelFileBytes(*form->CurrentModel), before);
}

TEST_F(ImportDialog, BadFundamentalGivesTheNumberBoxAndTheDialogStays)
{
    struct Case {
        const char* typed;
        QString text;
    };
    QStringList seen;
    bool stayedOpen = true;
    Import(wav, [&](TForm10* d) {
        for (const Case& c :
             {Case{"abc", QStringLiteral("'abc' n'est pas une valeur en virgule flottante correcte.")},
              Case{"7000",
                   QStringLiteral("La fréquence fondamentale doit être comprise entre 20 et 6000 Hz.")}}) {
            MessageBoxCatcher boxes;
            d->fondEdit->setText(QLatin1String(c.typed));
            QTest::mouseClick(d->analyserBtn, Qt::LeftButton);
            Settle();
            seen += boxes.Texts();
            EXPECT_EQ(boxes.Texts(), QStringList{c.text});
            stayedOpen = stayedOpen && d->isVisible();
        }
        QTest::mouseClick(d->BitBtn2, Qt::LeftButton);
    });
    EXPECT_EQ(seen.size(), 2);
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(ModelFileBytes(*form->CurrentModel), before);
}

TEST(ImportMenu, TheCommandStandsBetweenTheSeriesLoadAndQuit)
{
    TForm1 form;
    const QList<QAction*> items = form.Fichier1->actions();
    const qsizetype at = items.indexOf(form.ImporterSon1);
    ASSERT_GT(at, 0);
    EXPECT_EQ(form.ImporterSon1->text(), QStringLiteral("&Importer un son…"));
    EXPECT_EQ(items[at - 1], form.Chargerunesrie1);
    ASSERT_LT(at + 1, items.size());
    EXPECT_EQ(items[at + 1], form.Quitter);
}
}  // namespace
