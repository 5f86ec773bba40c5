#include <algorithm>
#include <chrono>
#include <thread>

#include "model/audio_output.h"
#include "model/tmodele.h"

// Playback holds the calling (user-interface) thread for the sound's nominal length: the series
// page plays its checked models one after another by calling this in turn, so a call must
// neither return before its sound is over nor let the next one start early. It handles no
// events meanwhile. Where there is nothing to hear (no server, stream refused) it returns at
// once and says nothing, as a machine without a sound card would.
void tmodele::Play() const
{
    if (!Rendered) {
        return;
    }
    const auto start = std::chrono::steady_clock::now();
    const auto nominal = std::chrono::milliseconds(100 * std::int64_t(Duration));  // Duration in tenths
    // Exactly the model's duration, never more, even if the buffer were longer.
    const std::size_t bytes = std::min(Samples.size(), std::size_t(Duration) * BytesPerTenth);
    const auto outcome = AudioOutput::Play(std::span<const std::uint8_t>(Samples.data(), bytes));
    if (outcome == AudioOutput::Outcome::NoServer || outcome == AudioOutput::Outcome::Refused) {
        return;
    }
    std::this_thread::sleep_until(start + nominal);
}
