// The play button of the model page sends the current model's sound to the sound server.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <chrono>
#include <thread>

#include "support/sound_server.h"
#include "ui/sonvelia1.h"
#include "ui/updown.h"

namespace {

TEST(MainWindowPlay, PlayButtonPlaysTheCurrentModelOnce)
{
    SoundTestServer server;
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

    MonitorRecording recording;
    ASSERT_TRUE(recording.Live());
    form.Button6->click();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const std::vector<std::int16_t> capture = recording.Finish();

    // The first sample that isn't silence starts the sound; all of it follows, then silence.
    std::size_t start = 0;
    while (start < capture.size() && capture[start] == 0)
        ++start;
    ASSERT_LT(start, capture.size()) << "nothing was played";
    ASSERT_GE(capture.size() - start, sound.size()) << "the sound was cut short";
    // The sound itself may begin with zero samples: line it up on its own first non-zero one.
    std::size_t lead = 0;
    while (lead < sound.size() && sound[lead] == 0)
        ++lead;
    ASSERT_GE(start, lead);
    start -= lead;
    std::size_t wrong = 0;
    for (std::size_t k = 0; k < sound.size(); ++k)
        wrong += capture[start + k] != sound[k];
    EXPECT_EQ(wrong, 0u);
    for (std::size_t k = start + sound.size(); k < capture.size(); ++k)
        ASSERT_EQ(capture[k], 0) << "played more than once, at sample " << k;
}

}  // namespace
