// The right-click menu of the six pictures, through the real main window: the click goes in at
// the window as the desktop sends it, the menu's items are clicked, and what reaches the
// clipboard or the PNG file is compared with the picture's own pixels.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include "support/dialogs_modal.h"
#include "support/files_scratch.h"
#include "ui/picturebox.h"
#include "ui/picturemenu.h"
#include "ui/sonvelia1.h"

using dialogs_test::Settle;

namespace {

struct PictureCase {
    const char* name;
    PictureBox* TForm1::*picture;
    bool seriesPage;
};

const PictureCase Pictures[] = {
    {"CourbeImg", &TForm1::CourbeImg, false},      {"SpectreImg", &TForm1::SpectreImg, false},
    {"SonogImg", &TForm1::SonogImg, false},        {"seriecourbe", &TForm1::seriecourbe, true},
    {"seriespectre", &TForm1::seriespectre, true}, {"seriesonog", &TForm1::seriesonog, true},
};

// What the save dialog showed when it came up.
struct DialogSeen {
    bool seen = false;
    QStringList filters;
    QString suffix;
    QString name;
};

QImage AsShown(const QImage& image)
{
    return image.convertToFormat(QImage::Format_RGB32);
}

class PictureMenuTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        form = std::make_unique<TForm1>();
        form->show();
        Settle();
        // A model with some harmonics, in the series too, so every picture shows something.
        form->CurrentModel->AddHarmonic(3);
        form->CurrentModel->AddHarmonic(5);
        form->CurrentModel->Harmonics[1].Amplitude = 0.5;
        form->ShowLoadedModel();
        form->AjListeBtn->click();
        Settle();
    }
    void TearDown() override
    {
        if (QWidget* popup = QApplication::activePopupWidget())
            popup->close();
        form.reset();
        Settle();
    }

    void ShowPageOf(const PictureCase& c)
    {
        form->PageControl1->setCurrentWidget(c.seriesPage ? form->PageSerie : form->ModelePage);
        Settle();
    }

    // A right button click at `pos` of the picture, entering at the window as the desktop sends it.
    // Returns the menu it opened, or nullptr.
    QMenu* RightClick(PictureBox* picture, QPoint pos)
    {
        const QPoint inWindow = picture->mapTo(form.get(), pos);
        QTest::mouseClick(form->windowHandle(), Qt::RightButton, {}, inWindow);
        Settle();
        return qobject_cast<QMenu*>(QApplication::activePopupWidget());
    }

    void ClickItem(QMenu* menu, QAction* item)
    {
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
        Settle();
    }

    // The next file dialog chooses `path`, as if typed in its name field.
    std::shared_ptr<DialogSeen> Choose(const QString& path)
    {
        auto seen = std::make_shared<DialogSeen>();
        dialogs_test::OnModalOf<QFileDialog>([seen, path](QFileDialog* dialog) {
            seen->seen = true;
            seen->filters = dialog->nameFilters();
            seen->suffix = dialog->defaultSuffix();
            auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            seen->name = name ? name->text() : QStringLiteral("<no name field>");
            dialog->setDirectory(QFileInfo(path).absolutePath());
            name->setText(QFileInfo(path).fileName());
            if (auto* list = dialog->findChild<QListView*>(QStringLiteral("listView")))
                list->clearSelection();
            static_cast<QDialog*>(dialog)->accept();
        });
        return seen;
    }

    void SaveThroughMenu(PictureBox* picture)
    {
        QMenu* menu = RightClick(picture, QPoint(5, 5));
        ASSERT_EQ(menu, form->PictureMenu1);
        ClickItem(menu, form->PictureMenu1->EnregistrerImage1);
    }

    std::unique_ptr<TForm1> form;
    QTemporaryDir dir;
};

}  // namespace

TEST_F(PictureMenuTest, EveryPictureCopiesAndSavesExactlyWhatItShows)
{
    ASSERT_TRUE(dir.isValid());
    for (const PictureCase& c : Pictures) {
        SCOPED_TRACE(c.name);
        ShowPageOf(c);
        PictureBox* picture = form.get()->*c.picture;
        ASSERT_TRUE(picture->isVisible());
        const QImage shown = picture->Shown();
        ASSERT_EQ(shown.size(), picture->size());

        QMenu* menu = RightClick(picture, QPoint(picture->width() / 2, picture->height() / 2));
        ASSERT_EQ(menu, form->PictureMenu1);
        EXPECT_EQ(form->PictureMenu1->Target(), picture);
        QStringList items;
        for (QAction* a : menu->actions())
            items << a->text();
        EXPECT_EQ(items, (QStringList{"Copier l'image", "Enregistrer l'image…"}));

        QGuiApplication::clipboard()->clear();
        ClickItem(menu, form->PictureMenu1->CopierImage1);
        EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
        EXPECT_EQ(AsShown(QGuiApplication::clipboard()->image()), shown);

        const QString path = dir.path() + "/" + c.name;  // no extension: the dialog adds it
        const auto seen = Choose(path);
        SaveThroughMenu(picture);
        EXPECT_TRUE(seen->seen);
        EXPECT_EQ(seen->filters, QStringList{"images png(*.png)"});
        EXPECT_EQ(seen->suffix, "png");
        EXPECT_EQ(seen->name, "") << "a save proposes no name";
        QImage saved;
        ASSERT_TRUE(saved.load(path + ".png", "png"));
        EXPECT_EQ(AsShown(saved), shown);
    }
}

TEST_F(PictureMenuTest, ARightClickChangesNothingOnEitherPage)
{
    for (const PictureCase& c : Pictures) {
        SCOPED_TRACE(c.name);
        ShowPageOf(c);
        PictureBox* picture = form.get()->*c.picture;
        const double cursor = form->CursorTime, start = form->ViewStart, end = form->ViewEnd;
        const QPoint bar = form->CurseurTemps->pos();
        const QString cursorText = form->CurseurEdit->text();
        std::vector<QImage> before;
        for (const PictureCase& other : Pictures)
            before.push_back((form.get()->*other.picture)->Shown());

        // Far from the time cursor, where a left click would move it.
        const QPoint where(picture->width() * 3 / 4, picture->height() / 2);
        QMenu* menu = RightClick(picture, where);
        ASSERT_NE(menu, nullptr);
        QTest::keyClick(menu, Qt::Key_Escape);
        Settle();
        EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
        // The press and release alone, straight to the picture, as when the menu is not opened.
        dialogs_test::Click(picture, Qt::RightButton, where);
        Settle();

        EXPECT_EQ(form->CursorTime, cursor);
        EXPECT_EQ(form->ViewStart, start);
        EXPECT_EQ(form->ViewEnd, end);
        EXPECT_EQ(form->CurseurTemps->pos(), bar);
        EXPECT_EQ(form->CurseurEdit->text(), cursorText);
        for (std::size_t k = 0; k < before.size(); ++k)
            EXPECT_EQ((form.get()->*Pictures[k].picture)->Shown(), before[k]) << Pictures[k].name;
    }
    // The same click with the left button does move the cursor: the place chosen counts.
    ShowPageOf(Pictures[0]);
    const double cursor = form->CursorTime;
    dialogs_test::Click(form->CourbeImg, Qt::LeftButton, QPoint(form->CourbeImg->width() * 3 / 4, 10));
    EXPECT_NE(form->CursorTime, cursor);
}

TEST_F(PictureMenuTest, AFailedSaveIsReportedAndKeepsTheFileThere)
{
    ScratchMount place(256);  // kilobytes
    const QString path = place.Path() + "/old.png";
    WriteContent(path, "previous content");
    if (!place.MakeReadOnly())
        GTEST_SKIP() << "running as root without the right to mount: no way to refuse a write";
    for (const PictureCase& c : {Pictures[0], Pictures[4]}) {
        SCOPED_TRACE(c.name);
        ShowPageOf(c);
        dialogs_test::MessageBoxCatcher boxes;
        const auto seen = Choose(path);
        SaveThroughMenu(form.get()->*c.picture);
        EXPECT_TRUE(seen->seen);
        EXPECT_EQ(boxes.Texts(), QStringList{"Accès au fichier refusé."});
        EXPECT_EQ(FileContent(path), "previous content");
        EXPECT_EQ(FolderNames(place.Path()), QStringList{"old.png"});
    }
}
