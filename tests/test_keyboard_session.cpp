// A whole session from the keyboard only: a new model, rank 3 at amplitude 0,5, the time cursor
// moved right, play, WAV export. Its file must be, byte for byte, the one the same commands
// give with the mouse. When SONVELIA_MOUSE_WAV names a path, the mouse session's file is kept
// there: the accessibility-bus test compares the real program's keyboard session with it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include "support/dialogs_modal.h"
#include "support/sound_server.h"
#include "ui/picturebox.h"
#include "ui/sonvelia1.h"
#include "ui/sonvelia4.h"

namespace {

using dialogs_test::OnModalOf;

constexpr int MnemonicMs = 300;  // ms: longer than a button's animated click

QByteArray Contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class KeyboardSession : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string why;
        if (!server.Start(why))
            GTEST_FAIL() << "no test sound server: " << why;
        ASSERT_TRUE(dir.isValid());
        form = std::make_unique<TForm1>();
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        ASSERT_TRUE(Activate(form.get()));
    }

    // Gives the keyboard back to `window` once a dialog has closed.
    static bool Activate(QWidget* window)
    {
        for (int i = 0; i < 100 && QApplication::activeWindow() != window; ++i) {
            QCoreApplication::processEvents();
            window->activateWindow();
            QTest::qWait(10);
        }
        return QApplication::activeWindow() == window;
    }

    // The key pressed where the focus stands, as the keyboard would send it.
    static void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QWidget* target = QApplication::focusWidget();
        if (target == nullptr)
            target = QApplication::activeWindow();
        ASSERT_NE(target, nullptr);
        QTest::keyClick(target, key, modifiers);
    }

    // Alt and a caption's underlined letter: the button shows itself pressed for a moment, then
    // runs its command (and any dialog it opens) before this returns.
    static void Mnemonic(Qt::Key letter)
    {
        Key(letter, Qt::AltModifier);
        QTest::qWait(MnemonicMs);
    }

    // A dialog the keys did not close fails the test rather than hanging it.
    static void CloseIfOpen(QDialog* dialog)
    {
        if (!dialog->isVisible())
            return;
        ADD_FAILURE() << "the keys left " << dialog->windowTitle().toStdString() << " open";
        dialog->reject();
    }

    // Tab until the focus stands on `widget`; false when it never does.
    static bool TabTo(QWidget* widget)
    {
        for (int i = 0; i < 80 && QApplication::focusWidget() != widget; ++i)
            Key(Qt::Key_Tab);
        return QApplication::focusWidget() == widget;
    }

    SoundTestServer server;
    QTemporaryDir dir;
    std::unique_ptr<TForm1> form;
};

TEST_F(KeyboardSession, WritesTheBytesOfTheSameCommandsWithTheMouse)
{
    // 1. With the mouse.
    const QString mouseWav = dir.filePath(QStringLiteral("souris.wav"));
    QTest::mouseClick(form->NvModeleBtn, Qt::LeftButton);
    OnModalOf<TForm4>([](TForm4* d) {
        QListWidgetItem* three = d->ListBox1->findItems(QStringLiteral("3"), Qt::MatchExactly).value(0);
        QTest::mouseClick(d->ListBox1->viewport(), Qt::LeftButton, {},
                          d->ListBox1->visualItemRect(three).center());
        QTest::mouseDClick(d->Edit1, Qt::LeftButton);  // selects the "1" it shows
        QTest::keyClicks(d->Edit1, QStringLiteral("0,5"));
        QTest::mouseClick(d->BitBtn1, Qt::LeftButton);
    });
    QTest::mouseClick(form->AjHarmBtn, Qt::LeftButton);
    ASSERT_EQ(form->CurrentModel->Harmonics.size(), 2u);
    const int start = form->CurseurTemps->x();
    QTest::mouseClick(form->CourbeImg, Qt::LeftButton, {}, QPoint(start + 1, form->CourbeImg->height() / 2));
    const double mouseCursor = form->CursorTime;
    QTest::mouseClick(form->Button6, Qt::LeftButton);
    OnModalOf<QFileDialog>([mouseWav](QFileDialog* d) {
        d->setDirectory(QFileInfo(mouseWav).absolutePath());
        auto* name = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        QTest::mouseClick(name, Qt::LeftButton);
        QTest::keyClicks(name, QFileInfo(mouseWav).fileName());
        QTest::mouseClick(d->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Save), Qt::LeftButton);
    });
    QTest::mouseClick(form->RecWavBtn, Qt::LeftButton);
    const QByteArray byMouse = Contents(mouseWav);
    ASSERT_GT(byMouse.size(), 44);

    // 2. The same from the keyboard, on the same window.
    const QString keyboardWav = dir.filePath(QStringLiteral("clavier.wav"));
    ASSERT_TRUE(Activate(form.get()));
    Mnemonic(Qt::Key_N);  // "&Nouveau"
    ASSERT_EQ(form->CurrentModel->Harmonics.size(), 1u);
    OnModalOf<TForm4>([](TForm4* d) {
        EXPECT_TRUE(Activate(d));
        EXPECT_TRUE(TabTo(d->ListBox1));
        Key(Qt::Key_Down);  // from "2" to "3"
        EXPECT_TRUE(TabTo(d->Edit1));
        Key(Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("0,5"));
        Key(Qt::Key_Return);
        CloseIfOpen(d);
    });
    Mnemonic(Qt::Key_A);  // "&Ajouter"
    ASSERT_TRUE(Activate(form.get()));
    ASSERT_EQ(form->CurrentModel->Harmonics.size(), 2u);
    EXPECT_EQ(form->CurrentModel->Harmonics[1].Rank, 3);
    EXPECT_EQ(form->CurrentModel->Harmonics[1].Amplitude, 0.5);
    ASSERT_TRUE(TabTo(form->CourbeImg));
    Key(Qt::Key_Right);
    EXPECT_EQ(form->CursorTime, mouseCursor);
    Mnemonic(Qt::Key_E);  // "&Ecouter le modèle actif "
    OnModalOf<QFileDialog>([keyboardWav](QFileDialog* d) {
        EXPECT_TRUE(Activate(d));
        d->setDirectory(QFileInfo(keyboardWav).absolutePath());
        QTest::keyClicks(QApplication::focusWidget(), QFileInfo(keyboardWav).fileName());
        Key(Qt::Key_Return);
        CloseIfOpen(d);
    });
    Mnemonic(Qt::Key_W);  // ".&wav"
    const QByteArray byKeyboard = Contents(keyboardWav);
    EXPECT_EQ(byKeyboard.size(), byMouse.size());
    EXPECT_TRUE(byKeyboard == byMouse);

    if (const QByteArray keep = qgetenv("SONVELIA_MOUSE_WAV"); !keep.isEmpty()) {
        QFile::remove(QString::fromLocal8Bit(keep));
        ASSERT_TRUE(QFile::copy(mouseWav, QString::fromLocal8Bit(keep)));
    }
}

}  // namespace
