// The tool windows opened from the real main window: measurements over its waveform, the
// spectral report of its current model, the manual and the About box from the "?" menu.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>
#include <functional>

#include "support/dialogs_modal.h"
#include "ui/Sonvelia6.h"
#include "ui/help.h"
#include "ui/picturebox.h"
#include "ui/sonvelia1.h"
#include "ui/sonvelia7.h"
#include "ui/sonvelia8.h"
#include "ui/updown.h"

using dialogs_test::Settle;

namespace {

// Runs `look` on the modal window of class T once it is up, then closes it with `close`.
template <class T>
void WhileModal(std::function<void(T*)> look, bool& seen)
{
    QTimer::singleShot(0, [look, &seen] {
        auto* window = qobject_cast<T*>(QApplication::activeModalWidget());
        if (!window)
            return;
        seen = true;
        look(window);
        if (window->isVisible())
            window->reject();
    });
}

// The general notation with 3 significant digits for values from 0.0001 to 999, written
// independently of the program's formatting: fixed, no trailing zeros, decimal comma.
QString General3(double value)
{
    return QString::number(value, 'g', 3).replace(QLatin1Char('.'), QLatin1Char(','));
}

struct RecordingDesktop {
    explicit RecordingDesktop(bool answer)
    {
        previous = help::SetOpener([this, answer](const QString& target) {
            targets << target;
            return answer;
        });
    }
    ~RecordingDesktop() { help::SetOpener(previous); }
    QStringList targets;
    help::Opener previous;
};

class ToolsOfMainWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        form = std::make_unique<TForm1>();
        form->show();
        Settle();
        // A waveform picture exactly 800 pixels wide, as in the measurement examples.
        for (int attempt = 0; attempt < 5 && form->CourbeImg->width() != 800; ++attempt) {
            form->resize(form->width() + 800 - form->CourbeImg->width(), form->height());
            Settle();
        }
        ASSERT_EQ(form->CourbeImg->width(), 800);
    }
    // One user click on a spinner's arrow reaching `target`.
    static void ClickTo(TUpDown* spinner, int target)
    {
        const int from = target > spinner->minimum() ? target - 1 : target + 1;
        spinner->setValue(from);
        spinner->stepBy(target - from);
    }
    std::unique_ptr<TForm1> form;
};

}  // namespace

TEST_F(ToolsOfMainWindow, MeasurementsOverTheWaveformAtEachZoom)
{
    const int w = 800;
    const int left1 = w / 2 - w / 10, left2 = w / 10 + w / 2;
    struct Step {
        std::function<void()> before;
        double start, end;  // the window the step should leave, s
    };
    const Step steps[] = {
        {[] {}, 0.0, 0.99},                               // a new model shows 99 % of it
        {[&] { form->ToolButton1->click(); }, 0.0, 1.0},  // "100%"
        {[&] { form->ZoomBtn->click(); }, 0.25, 0.75},    // x2 around the cursor at 0.5 s
    };
    for (const Step& step : steps) {
        step.before();
        SCOPED_TRACE(step.end);
        ASSERT_DOUBLE_EQ(form->ViewStart, step.start);
        ASSERT_DOUBLE_EQ(form->ViewEnd, step.end);
        const double span = step.end - step.start;
        const double t1 = span * left1 / w, t2 = span * left2 / w;
        bool seen = false;
        WhileModal<TForm8>(
            [&](TForm8* f8) {
                EXPECT_EQ(f8->Cursor1()->parentWidget(), form->Panel5);
                EXPECT_EQ(f8->Cursor1()->geometry(),
                          QRect(left1, form->CourbeImg->y(), 3, form->CourbeImg->height()));
                EXPECT_EQ(f8->Cursor2()->x(), left2);
                EXPECT_EQ(f8->Edit_t1->text(), General3(t1) + QStringLiteral(" s"));
                EXPECT_EQ(f8->Edit_t2->text(), General3(t2) + QStringLiteral(" s"));
                EXPECT_EQ(f8->Edit_dt->text(), General3(t2 - t1) + QStringLiteral(" s"));
                EXPECT_EQ(f8->Edit_invdt->text(), General3(1.0 / (t2 - t1)) + QStringLiteral(" Hz"));
                f8->BitBtn1->click();
            },
            seen);
        form->ToolButton7->click();
        EXPECT_TRUE(seen);
    }
    // The examples' own texts at "100%" and x2.
    EXPECT_EQ(General3(1.0 * left1 / w), QStringLiteral("0,4"));
    EXPECT_EQ(General3(0.5 * left2 / w), QStringLiteral("0,3"));
}

TEST_F(ToolsOfMainWindow, TimeCursorHiddenWhileMeasuringAndBackUnchanged)
{
    const QRect cursorBefore = form->CurseurTemps->geometry();
    const QList<QWidget*> bandBefore = form->Panel5->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    const QString readoutBefore = form->CurseurEdit->text();
    const double t = form->CursorTime, start = form->ViewStart, end = form->ViewEnd;
    bool seen = false;
    bool hiddenWhileOpen = false;
    WhileModal<TForm8>(
        [&](TForm8* f8) {
            Settle();  // let the tool bar lay itself out again
            hiddenWhileOpen = !form->CurseurTemps->isVisible() && !form->CurseurEdit->isVisible();
            QTest::mouseClick(f8->UpDown1->Right, Qt::LeftButton);
            QTest::mouseClick(f8->UpDown2->Left, Qt::LeftButton);
            f8->BitBtn1->click();
        },
        seen);
    form->ToolButton7->click();
    ASSERT_TRUE(seen);
    EXPECT_TRUE(hiddenWhileOpen);
    EXPECT_FALSE(form->CurseurTemps->isHidden());
    Settle();
    EXPECT_TRUE(form->CurseurTemps->isVisible());
    EXPECT_TRUE(form->CurseurEdit->isVisible());
    EXPECT_EQ(form->CurseurTemps->geometry(), cursorBefore);
    EXPECT_EQ(form->CurseurEdit->text(), readoutBefore);
    EXPECT_EQ(form->CursorTime, t);
    EXPECT_EQ(form->ViewStart, start);
    EXPECT_EQ(form->ViewEnd, end);
    // Nothing of the measurement is left in the band.
    EXPECT_EQ(form->Panel5->findChildren<QWidget*>(Qt::FindDirectChildrenOnly), bandBefore);
}

TEST_F(ToolsOfMainWindow, EachOpeningStartsAfresh)
{
    int firstLeft = -1, secondLeft = -1;
    bool seen = false;
    WhileModal<TForm8>(
        [&](TForm8* f8) {
            for (int k = 0; k < 5; ++k)
                QTest::mouseClick(f8->UpDown1->Right, Qt::LeftButton);
            firstLeft = f8->Cursor1()->x();
        },
        seen);
    form->ToolButton7->click();
    WhileModal<TForm8>([&](TForm8* f8) { secondLeft = f8->Cursor1()->x(); }, seen);
    form->ToolButton7->click();
    EXPECT_EQ(firstLeft, 800 / 2 - 800 / 10 + 5);
    EXPECT_EQ(secondLeft, 800 / 2 - 800 / 10);
    EXPECT_TRUE(form->findChildren<TForm8*>().isEmpty());
}

TEST_F(ToolsOfMainWindow, DetailsReportsTheCurrentModelAtTheCursor)
{
    QStringList lines;
    bool seen = false;
    auto look = [&](TForm7* f7) { lines = f7->papier->toPlainText().split(QLatin1Char('\n')); };

    WhileModal<TForm7>(look, seen);
    form->Button1->click();
    ASSERT_TRUE(seen);
    ASSERT_EQ(lines.size(), 9);
    EXPECT_EQ(lines[0], QStringLiteral("Fréquence de base : 440,0 Hz"));
    EXPECT_EQ(lines[2], QStringLiteral("à la date 1,0E-1 s : "));
    EXPECT_EQ(lines[4], QStringLiteral("Fréquence : 440,0 Hz"));
    EXPECT_EQ(lines[8], QStringLiteral("1\t255\t0\tActif"));

    // A glide of 0.5 through its spinner, then "100%" puts the cursor at 0.5 s.
    ClickTo(form->UpDown1, 50);
    ASSERT_DOUBLE_EQ(form->CurrentModel->Glide, 0.5);
    form->ToolButton1->click();
    ASSERT_DOUBLE_EQ(form->CursorTime, 0.5);
    seen = false;
    WhileModal<TForm7>(look, seen);
    form->Button1->click();
    ASSERT_TRUE(seen);
    EXPECT_EQ(lines[2], QStringLiteral("à la date 5,0E-1 s : "));
    EXPECT_EQ(lines[4], QStringLiteral("Fréquence : 550,0 Hz"));

    // "Copier" from the dialog the menu opened.
    seen = false;
    QApplication::clipboard()->clear();
    WhileModal<TForm7>([&](TForm7* f7) { QTest::mouseClick(f7->Copbtn, Qt::LeftButton); }, seen);
    form->Button1->click();
    EXPECT_EQ(QApplication::clipboard()->text(), lines.join(QLatin1Char('\n')));
}

TEST_F(ToolsOfMainWindow, AideTriesTheManualBesideTheProgramThenTheWeb)
{
    const QString folder = QCoreApplication::applicationDirPath();
    const QString manual = folder + QStringLiteral("/sonveliamde.html");
    const bool wasThere = QFileInfo::exists(manual);
    if (!wasThere) {
        QFile file(manual);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("<html><body>manuel</body></html>");
    }
    {
        RecordingDesktop desktop(true);
        form->Aide1->trigger();
        EXPECT_EQ(desktop.targets, QStringList{help::LocalTarget(folder + QStringLiteral("/"))});
        ASSERT_EQ(desktop.targets.size(), 1);
        EXPECT_TRUE(desktop.targets[0].startsWith(QStringLiteral("file:///")));
        EXPECT_FALSE(desktop.targets[0].startsWith(QStringLiteral("file:////")));
        EXPECT_TRUE(desktop.targets[0].endsWith(folder + QStringLiteral("/sonveliamde.html")));
    }
    if (!wasThere)
        QFile::remove(manual);
    if (wasThere)
        return;  // the build placed a manual here: the missing-file case cannot be staged
    {
        RecordingDesktop desktop(false);
        QString text, title;
        QMessageBox::Icon icon = QMessageBox::Warning;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            text = box->text();
            title = box->windowTitle();
            icon = box->icon();
            box->button(QMessageBox::Ok)->click();
        });
        form->Aide1->trigger();
        EXPECT_EQ(desktop.targets, QStringList{help::WebHelpPage});
        EXPECT_EQ(text, QStringLiteral("Le fichier d'aide est introuvable"));
        EXPECT_EQ(title, QStringLiteral("sonvelia"));
        EXPECT_EQ(icon, QMessageBox::NoIcon);
    }
}

TEST_F(ToolsOfMainWindow, InfoShowsTheAboutBox)
{
    bool seen = false;
    QString version;
    WhileModal<TAboutBox>(
        [&](TAboutBox* box) {
            version = box->Label1->text();
            box->OKButton->click();
        },
        seen);
    form->Info2->trigger();
    EXPECT_TRUE(seen);
    EXPECT_EQ(version, QStringLiteral("v5.1"));
    EXPECT_FALSE(form->AboutBox->isVisible());
}
