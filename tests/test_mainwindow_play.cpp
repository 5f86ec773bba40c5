// The play button of the model page sends the current model's sound to the sound server, whichever
// of the desktop's servers plays it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <chrono>
#include <thread>

#include "support/sound_server.h"
#include "ui/sonvelia1.h"
#include "ui/updown.h"

namespace {

// The capture holds `sound` once, sample for sample, and silence everywhere else.
::testing::AssertionResult HoldsOnce(const std::vector<std::int16_t>& capture,
                                     const std::vector<std::int16_t>& sound)
{
    // The first sample that isn't silence starts the sound; all of it follows, then silence.
    std::size_t start = 0;
    while (start < capture.size() && capture[start] == 0)
        ++start;
    if (start == capture.size())
        return ::testing::AssertionFailure() << "nothing was played";
    if (capture.size() - start < sound.size())
        return ::testing::AssertionFailure() << "the sound was cut short";
    // The sound itself may begin with zero samples: line it up on its own first non-zero one.
    std::size_t lead = 0;
    while (lead < sound.size() && sound[lead] == 0)
        ++lead;
    if (start < lead)
        return ::testing::AssertionFailure() << "the sound's head is missing";
    start -= lead;
    std::size_t wrong = 0;
    for (std::size_t k = 0; k < sound.size(); ++k)
        wrong += capture[start + k] != sound[k];
    if (wrong != 0)
        return ::testing::AssertionFailure() << wrong << " of " << sound.size() << " samples differ";
    for (std::size_t k = start + sound.size(); k < capture.size(); ++k)
        if (capture[k] != 0)
            return ::testing::AssertionFailure() << "played more than once, at sample " << k;
    return ::testing::AssertionSuccess();
}

class MainWindowPlay : public ::testing::TestWithParam<SoundServerKind> {};

TEST_P(MainWindowPlay, PlayButtonPlaysTheCurrentModelOnce)
{
    SoundTestServer server(GetParam());
    std::string why;
    if (!server.Start(why))
        GTEST_FAIL() << "no test sound server: " << why;

    TForm1 form;
    form.show();
    QCoreApplication::processEvents();
    // A short model with a glide, so that its sound is told apart from any other.
    form.dureeUD->setValue(4);
    form.dureeUD->stepBy(-1);
    form.UpDown1->setValue(19);
    form.UpDown1->stepBy(1);
    ASSERT_EQ(form.CurrentModel->Duration, 3);
    std::vector<std::int16_t> sound(form.CurrentModel->SampleCount());
    for (std::size_t k = 0; k < sound.size(); ++k)
        sound[k] = form.CurrentModel->Sample(k);

    // A capture that lost samples is tried again within the server's attempts (see
    // SoundTestServer::CaptureAttempts); a fault of ours fails every one of them.
    std::string failures;
    ::testing::AssertionResult played = ::testing::AssertionFailure();
    for (int attempt = 1; attempt <= server.CaptureAttempts() && !played; ++attempt) {
        MonitorRecording recording;
        ASSERT_TRUE(recording.Live());
        form.Button6->click();
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        played = HoldsOnce(recording.Finish(), sound);
        if (!played)
            failures += "\n  attempt " + std::to_string(attempt) + ": " + played.message();
    }
    EXPECT_TRUE(played) << failures;
}

INSTANTIATE_TEST_SUITE_P(Servers, MainWindowPlay,
                         ::testing::Values(SoundServerKind::PulseAudio, SoundServerKind::PipeWire),
                         [](const ::testing::TestParamInfo<SoundServerKind>& info) {
                             return NameOf(info.param);
                         });

}  // namespace
