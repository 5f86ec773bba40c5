// Pictures follow the screen: a window moved from a screen at 100 % to one at 200 % has its
// pictures drawn again at the new device pixel ratio, by their owners.
//
// The offscreen platform gets its two screens from a configuration file read at start-up, so the
// test runs its own program again with that platform and only the cases that need it.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QFile>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QWindow>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

extern char** environ;

#include "model/drawing.h"
#include "model/tmodele.h"
#include "ui/picturebox.h"
#include "ui/sonvelia1.h"
#include "ui/sonvelia2.h"

namespace {

constexpr char ChildMark[] = "SONVELIA_TWO_SCREENS";  // set in the environment of the second run

bool InTwoScreens()
{
    return qEnvironmentVariableIsSet(ChildMark);
}

QScreen* SecondScreen()
{
    return QGuiApplication::screens().at(1);
}

// Moves a shown top-level window to the screen at 200 % and lets the change be handled.
void MoveToSecondScreen(QWidget& window)
{
    ASSERT_EQ(QGuiApplication::screens().size(), 2) << "the platform did not read its screens";
    ASSERT_EQ(SecondScreen()->devicePixelRatio(), 2);
    window.windowHandle()->setScreen(SecondScreen());
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

TEST(RatioChange, PictureBoxTakesTheNewRatioAndAsksForADrawing)
{
    if (!InTwoScreens())
        GTEST_SKIP() << "runs in the two-screen run of RatioChange.InTwoScreens";
    PictureBox box;
    box.resize(120, 80);
    box.show();
    ASSERT_EQ(box.Picture().devicePixelRatio(), 1);
    QSignalSpy asked(&box, &PictureBox::RatioChanged);
    MoveToSecondScreen(box);
    EXPECT_EQ(box.devicePixelRatioF(), 2);
    EXPECT_EQ(box.Shown().devicePixelRatio(), 2);
    EXPECT_EQ(box.Shown().size(), QSize(240, 160));
    EXPECT_EQ(drawing::LogicalSize(box.Shown()), QSize(120, 80));
    EXPECT_EQ(asked.count(), 1);
}

TEST(RatioChange, TheMainWindowAndTheEnvelopeEditorDrawAgain)
{
    if (!InTwoScreens())
        GTEST_SKIP() << "runs in the two-screen run of RatioChange.InTwoScreens";
    TForm1 form;
    form.resize(800, 572);
    form.show();
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
    ASSERT_TRUE(form.CurrentModel);
    MoveToSecondScreen(form);

    // What each picture shows is the model's drawing at the new ratio, made afresh.
    const auto expect = [](PictureBox* box, const std::function<void(QImage&)>& draw, const char* name) {
        const QImage& shown = box->Shown();
        EXPECT_EQ(shown.devicePixelRatio(), 2) << name;
        QImage fresh = drawing::MakePicture(drawing::LogicalSize(shown), 2);
        fresh.fill(Qt::magenta);
        draw(fresh);
        EXPECT_EQ(shown.convertToFormat(QImage::Format_RGB32), fresh.convertToFormat(QImage::Format_RGB32))
            << name;
    };
    const tmodele& model = *form.CurrentModel;
    expect(
        form.CourbeImg, [&](QImage& p) { model.DrawWaveform(p, form.ViewStart, form.ViewEnd); }, "CourbeImg");
    expect(
        form.SpectreImg, [&](QImage& p) { model.DrawSpectrum(p, form.CursorTime); }, "SpectreImg");
    expect(
        form.SonogImg, [&](QImage& p) { model.DrawComponents(p, form.CursorTime); }, "SonogImg");

    TForm2 editor;
    ResetEnvelope(editor.WorkEnvelope);
    editor.show();
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
    ASSERT_EQ(editor.PaintBox1->Shown().devicePixelRatio(), 1);
    MoveToSecondScreen(editor);
    expect(
        editor.PaintBox1, [&](QImage& p) { envelopedraw::PaintEnvelope(p, editor.WorkEnvelope); },
        "PaintBox1");
}

// Runs this program again on an offscreen platform with a screen at 100 % and one at 200 %.
TEST(RatioChange, InTwoScreens)
{
    if (qEnvironmentVariableIsSet(ChildMark))
        GTEST_SKIP() << "this is the two-screen run";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString config = dir.filePath(QStringLiteral("screens.json"));
    QFile file(config);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(
        R"({"windowFrameMargins": false, "screens": [)"
        R"({"name": "normal", "x": 0, "y": 0, "width": 1600, "height": 900, "logicalDpi": 96, "dpr": 1},)"
        R"({"name": "scaled", "x": 1600, "y": 0, "width": 1600, "height": 900, "logicalDpi": 96, "dpr": 2}]})");
    file.close();

    const std::string program = std::filesystem::read_symlink("/proc/self/exe").string();
    const std::string platform = "offscreen:configfile=" + config.toStdString();
    std::vector<std::string> environment;
    for (char** e = environ; *e != nullptr; ++e)
        if (std::string(*e).rfind("QT_QPA_PLATFORM=", 0) != 0)
            environment.emplace_back(*e);
    environment.push_back(std::string(ChildMark) + "=1");
    environment.push_back("QT_QPA_PLATFORM=" + platform);
    std::vector<char*> envp;
    for (std::string& e : environment)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string filter = "--gtest_filter=RatioChange.*-RatioChange.InTwoScreens";
    char* argv[] = {const_cast<char*>(program.c_str()), filter.data(), nullptr};

    const pid_t child = fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        execve(program.c_str(), argv, envp.data());
        _exit(127);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the two-screen run failed; its output is above";
}

}  // namespace
