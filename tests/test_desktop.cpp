// How the windows meet the desktop: where they open and come back to, what they ask of the window
// manager, and the shared file dialogs, driven through the real main window.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QCompleter>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <QWindow>
#include <functional>
#include <memory>
#include <vector>

#include "files/modelfile.h"
#include "support/dialogs_modal.h"
#include "ui/Sonvelia3.h"
#include "ui/Sonvelia6.h"
#include "ui/errorbox.h"
#include "ui/sonvelia1.h"
#include "ui/sonvelia2.h"
#include "ui/sonvelia4.h"
#include "ui/sonvelia5.h"
#include "ui/sonvelia6f.h"
#include "ui/sonvelia7.h"
#include "ui/sonvelia8.h"
#include "ui/sonvelia9.h"

using dialogs_test::Settle;

namespace {

QRect Available()
{
    return QGuiApplication::primaryScreen()->availableGeometry();
}

class Desktop : public ::testing::Test {
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

    std::unique_ptr<TForm1> form;
};

// ---- Where the windows open -------------------------------------------------------------------

TEST_F(Desktop, LeavingTheMaximisedStateGivesTheDesignSizeCentred)
{
    // Whatever the window had before it was maximised (the program starts on the whole screen;
    // the design size is also the window's smallest).
    form->setGeometry(Available().adjusted(2, 2, -2, -2));
    Settle();
    form->showMaximized();
    Settle();
    ASSERT_TRUE(form->isMaximized());
    form->showNormal();
    QTRY_COMPARE(form->size(), QSize(800, 572));
    EXPECT_FALSE(form->isMaximized());
    EXPECT_LE((form->frameGeometry().center() - Available().center()).manhattanLength(), 2);

    // Minimising and coming back keeps what the window had.
    form->move(10, 10);
    form->showMinimized();
    Settle();
    form->showNormal();
    Settle();
    EXPECT_EQ(form->size(), QSize(800, 572));
}

TEST_F(Desktop, AboutBoxOpensOnTheScreensCentreWhereverTheMainWindowIs)
{
    form->move(Available().topLeft() + QPoint(300, 200));
    Settle();
    QPoint centre;
    dialogs_test::OnModalOf<TAboutBox>([&centre](TAboutBox* box) {
        centre = box->frameGeometry().center();
        box->accept();
    });
    form->Info2Click();
    EXPECT_LE((centre - Available().center()).manhattanLength(), 2);
}

// ---- What the windows ask of the window manager ------------------------------------------------

struct Asked {
    Qt::WindowType type;
    bool close, minimise, maximise;
    QVariant x11Type;
};

Asked WhatIsAsked(const QWidget* window)
{
    const Qt::WindowFlags flags = window->windowFlags();
    return {flags.testFlag(Qt::Tool) ? Qt::Tool : Qt::WindowType(int(flags & Qt::WindowType_Mask)),
            flags.testFlag(Qt::WindowCloseButtonHint), flags.testFlag(Qt::WindowMinimizeButtonHint),
            flags.testFlag(Qt::WindowMaximizeButtonHint),
            window->windowHandle() ? window->windowHandle()->property("_q_xcb_wm_window_type") : QVariant()};
}

// Fixed-size windows ask for a title bar with the close button only (the measurement window for
// none), under X11 as a tool bar for the window managers that ignore the Motif hints.
void ExpectButtons(const QWidget* window, bool close)
{
    SCOPED_TRACE(window->objectName().toStdString() + " \"" + window->windowTitle().toStdString() + "\"");
    const Asked asked = WhatIsAsked(window);
    EXPECT_EQ(asked.type, Qt::Tool);
    EXPECT_TRUE(window->windowFlags().testFlag(Qt::CustomizeWindowHint));
    EXPECT_TRUE(window->windowFlags().testFlag(Qt::WindowTitleHint));
    EXPECT_EQ(asked.close, close);
    EXPECT_FALSE(asked.minimise);
    EXPECT_FALSE(asked.maximise);
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        EXPECT_EQ(asked.x11Type, QVariant(8));  // the X11 tool-bar window type
    }
}

TEST_F(Desktop, FixedSizeDialogsAskForTheCloseButtonOnly)
{
    const std::vector<const QWidget*> dialogs{form->Form2, form->Form3, form->Form4,    form->Form5,
                                              form->Form6, form->Form7, form->AboutBox, form->RecipeDialog()};
    for (const QWidget* dialog : dialogs)
        ExpectButtons(dialog, true);
}

TEST_F(Desktop, MeasurementWindowAsksForNoButton)
{
    bool seen = false;
    dialogs_test::OnModalOf<TForm8>([&seen](TForm8* window) {
        seen = true;
        ExpectButtons(window, false);
        window->close();
    });
    form->ToolButton7Click();
    EXPECT_TRUE(seen);
}

// The message boxes ask for the close button only, and leave room for their whole caption beside
// the window manager's buttons.
TEST_F(Desktop, MessageBoxesAskForTheCloseButtonAndRoomForTheirCaption)
{
    struct Case {
        const char* caption;
        std::function<void(TForm1&)> open;
    };
    const std::vector<Case> cases{
        {"sonvelia", [](TForm1& f) { ShowErrorBox(&f, QStringLiteral("Fichier introuvable")); }},
        {"Effacement",
         [](TForm1& f) {
             f.AjListeBtnClick();
             f.EffaceSerieBtnClick();
         }},
        {"Suppression d'une harmonique",
         [](TForm1& f) {
             f.CurrentModel->AddHarmonic(3);
             f.ComboBox1->addItem(QStringLiteral("3"));
             f.ComboBox1->setCurrentIndex(1);
             f.SupprharmbtnClick();
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caption);
        bool seen = false;
        dialogs_test::OnModalOf<QMessageBox>([&seen, &c](QMessageBox* box) {
            seen = true;
            EXPECT_EQ(box->windowTitle(), QString::fromUtf8(c.caption));
            ExpectButtons(box, true);
            QFont title = QApplication::font();
            title.setBold(true);
            // The caption, the window menu and close buttons and their paddings (about 50 px).
            EXPECT_GE(box->width(), QFontMetrics(title).horizontalAdvance(box->windowTitle()) + 50);
            box->reject();
        });
        c.open(*form);
        EXPECT_TRUE(seen);
    }
}

// ---- The shared file dialogs -------------------------------------------------------------------

// Qt's own dialog (the one shown where the desktop offers no chooser) in French, with nothing cut.
TEST_F(Desktop, OwnFileDialogReadsWholeInFrench)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("sons")));
    for (QFileDialog* dialog : {form->SaveDialog(), form->OpenDialog()}) {
        SCOPED_TRACE(dialog->objectName().toStdString());
        ASSERT_NE(dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")), nullptr);
        ASSERT_NE(dialog->iconProvider(), nullptr);
        EXPECT_EQ(dialog->iconProvider()->type(QFileInfo(dir.path() + QStringLiteral("/sons"))),
                  QStringLiteral("Dossier"));
        dialog->setDirectory(dir.path());
        dialog->show();
        Settle();
        const QFontMetrics metrics(dialog->font());
        auto* tree = dialog->findChild<QTreeView*>(QStringLiteral("treeView"));
        ASSERT_NE(tree, nullptr);
        for (int column = 0; column < 4; ++column) {
            const QString header = tree->model()->headerData(column, Qt::Horizontal).toString();
            SCOPED_TRACE(header.toStdString());
            EXPECT_GT(tree->header()->sectionSize(column), metrics.horizontalAdvance(header) + 12);
        }
        EXPECT_GE(tree->header()->sectionSize(3), metrics.horizontalAdvance(QLocale().toString(
                                                      QDateTime::currentDateTime(), QLocale::ShortFormat)));
        // Every column within the list's width: nothing to scroll to.
        EXPECT_LE(tree->header()->length(), tree->viewport()->width());
        auto* sidebar = dialog->findChild<QListView*>(QStringLiteral("sidebar"));
        ASSERT_NE(sidebar, nullptr);
        for (int row = 0; row < sidebar->model()->rowCount(); ++row) {
            const QModelIndex place = sidebar->model()->index(row, 0);
            const QString text = place.data().toString();
            SCOPED_TRACE(text.toStdString());
            EXPECT_LE(sidebar->visualRect(place).left() + sidebar->iconSize().width() +
                          metrics.horizontalAdvance(text),
                      sidebar->viewport()->width());
        }
        dialog->hide();
    }
}

// A full path typed in the name field and the dialog accepted while the name completer's list is
// up: the dialog closes and the list with it, so the next key reaches the main window.
TEST_F(Desktop, NothingOfTheFileDialogStaysAfterReturn)
{
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/essai.mdl");
    const std::unique_ptr<tmodele> saved = form->CurrentModel->Copy();
    saved->Duration = 23;  // tenths: tells the loaded model from the one on the page
    SaveModelFile(path, *saved);
    bool listShown = false;
    dialogs_test::OnModalOf<QFileDialog>([&](QFileDialog* dialog) {
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        // The completer's list up, as typing brings it up once the file system model has read the
        // folder (when depends on the model's thread, and offscreen the dialog's own completion
        // rewrites keys typed into the field), and the full path in the field.
        QCompleter* completer = name->completer();
        if (completer != nullptr && !completer->popup()->isVisible())
            completer->popup()->show();
        name->setText(path);
        listShown = completer != nullptr && completer->popup()->isVisible();
        // As Return does when the list has no entry chosen.
        static_cast<QDialog*>(dialog)->accept();  // QFileDialog's own checks run
    });
    form->unmodleClick();
    Settle();
    ASSERT_TRUE(listShown);
    EXPECT_EQ(form->CurrentModel->Duration, 23);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    for (QWidget* window : QApplication::topLevelWidgets())
        EXPECT_FALSE(window->isVisible() && window->windowType() == Qt::Popup)
            << window->metaObject()->className();
    EXPECT_FALSE(form->OpenDialog()->isVisible());
}

}  // namespace
