// Playback against real sound servers: a private PulseAudio daemon, and a private PipeWire with its
// PulseAudio service as on today's desktops, each with a null sink at 44100 Hz, s16le, mono, whose
// monitor we record while the model plays. What reaches the sink must be the model's rendered
// samples, every one, played once, in the time the model's duration gives, whichever server plays.
#include <gtest/gtest.h>

#include <signal.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "model/audio_output.h"
#include "model/tmodele.h"
#include "support/sound_server.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::duration<double, std::milli>;

// Bounds the callers rely on. The late margin is generous so that a loaded machine does not fail
// the test; on an idle machine calls end a few milliseconds after their nominal length.
constexpr auto LateMargin = 400ms;        // past the nominal length of a played sound
constexpr auto AtOnce = 300ms;            // "returns at once" when there is nothing to play on
constexpr auto ConnectDeadline = 1000ms;  // longest wait for a server that does not answer
constexpr auto DrainGrace = 500ms;        // longest wait past the sound for a server that froze
constexpr auto Tail = 150ms;              // recorded after the last call, well past the monitor's latency
constexpr int SamplesPerTenth = 4410;     // 44100 Hz

std::unique_ptr<tmodele> RenderedModel(std::uint16_t tenths, double fundamental, int harmonics)
{
    auto model = std::make_unique<tmodele>();
    model->Fundamental = fundamental;
    model->Duration = tenths;
    model->Glide = 0.1;
    for (int rank = 1; rank <= harmonics; ++rank) {
        model->AddHarmonic(std::uint8_t(rank));
        model->Harmonics.back().Amplitude = 1.0 / rank;
        model->Harmonics.back().Phase = 0.3 * rank;
    }
    model->Render();
    return model;
}

std::vector<std::int16_t> SamplesOf(const tmodele& model)
{
    std::vector<std::int16_t> samples;
    for (std::size_t i = 0; i + 1 < model.Samples.size(); i += 2) {
        samples.push_back(std::int16_t(std::uint16_t(model.Samples[i] | (model.Samples[i + 1] << 8))));
    }
    return samples;
}

double MillisecondsSince(Clock::time_point start)
{
    return Milliseconds(Clock::now() - start).count();
}

// Where `sound` lies in `capture`, searching from `from`: the first non-zero sample of each
// lined up. Nothing when the capture holds no sound there, or too little of it.
std::optional<std::size_t> Locate(const std::vector<std::int16_t>& capture,
                                  const std::vector<std::int16_t>& sound, std::size_t from)
{
    std::size_t lead = 0;
    while (lead < sound.size() && sound[lead] == 0) {
        ++lead;
    }
    std::size_t first = from;
    while (first < capture.size() && capture[first] == 0) {
        ++first;
    }
    if (lead == sound.size() || first == capture.size() || first - from < lead ||
        first - lead + sound.size() > capture.size()) {
        return std::nullopt;
    }
    return first - lead;
}

// The capture holds exactly `sounds`, one after another, each sample for sample, and silence
// everywhere else: nothing resampled, dropped, duplicated, mixed or played twice.
::testing::AssertionResult HoldsInOrder(const std::vector<std::int16_t>& capture,
                                        const std::vector<std::vector<std::int16_t>>& sounds,
                                        std::vector<std::size_t>* starts = nullptr)
{
    std::size_t from = 0;
    for (std::size_t n = 0; n < sounds.size(); ++n) {
        const auto& sound = sounds[n];
        const auto at = Locate(capture, sound, from);
        if (!at) {
            return ::testing::AssertionFailure()
                   << "sound " << n << " (" << sound.size() << " samples) not found whole after sample "
                   << from << " of " << capture.size();
        }
        for (std::size_t k = from; k < *at; ++k) {
            if (capture[k] != 0) {
                return ::testing::AssertionFailure() << "noise at sample " << k << " before sound " << n;
            }
        }
        std::size_t wrong = 0;
        std::size_t firstWrong = sound.size();
        for (std::size_t k = 0; k < sound.size(); ++k) {
            if (capture[*at + k] != sound[k]) {
                ++wrong;
                firstWrong = std::min(firstWrong, k);
            }
        }
        if (wrong > 0) {
            return ::testing::AssertionFailure()
                   << "sound " << n << ": " << wrong << " of " << sound.size()
                   << " samples differ, the first at " << firstWrong << " (played "
                   << capture[*at + firstWrong] << ", rendered " << sound[firstWrong] << ")";
        }
        if (starts) {
            starts->push_back(*at);
        }
        from = *at + sound.size();
    }
    for (std::size_t k = from; k < capture.size(); ++k) {
        if (capture[k] != 0) {
            return ::testing::AssertionFailure() << "noise at sample " << k << " after the last sound";
        }
    }
    return ::testing::AssertionSuccess();
}

// Every call's time against the nominal length of its model.
struct Timing {
    double nominal;   // ms
    double returned;  // ms
};

// Records the monitor while each model plays in turn, with no pause between the calls.
std::vector<std::int16_t> PlayRecorded(const std::vector<const tmodele*>& models,
                                       std::vector<Timing>& timings)
{
    MonitorRecording recording;
    EXPECT_TRUE(recording.Live()) << "the monitor cannot be recorded";
    for (const tmodele* model : models) {
        const auto start = Clock::now();
        model->Play();
        timings.push_back({100.0 * model->Duration, MillisecondsSince(start)});
    }
    std::this_thread::sleep_for(Tail);
    return recording.Finish();
}

::testing::AssertionResult ReturnedOnTime(const Timing& timing)
{
    const double late = Milliseconds(LateMargin).count();
    if (timing.returned >= timing.nominal && timing.returned <= timing.nominal + late) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << "a sound of " << timing.nominal << " ms returned after " << timing.returned << " ms (allowed "
           << timing.nominal << " to " << timing.nominal + late << ")";
}

// Sends SIGCONT when it goes, so that no failing check leaves the server frozen.
struct Thaw {
    const SoundTestServer& server;
    ~Thaw() { server.Signal(SIGCONT); }
};

// Runs `attempt` (play and record, then compare) until it succeeds, at most `attempts` times: the
// server may drop a graph cycle of a capture (see SoundTestServer::CaptureAttempts). Every failed
// attempt is told in the result, so that a fault of ours reads as the same failure repeated.
::testing::AssertionResult WithinAttempts(int attempts,
                                          const std::function<::testing::AssertionResult()>& attempt)
{
    std::string failures;
    for (int n = 1; n <= attempts; ++n) {
        const ::testing::AssertionResult result = attempt();
        if (result) {
            if (n > 1) {
                std::printf("[ retried  ] the capture held the sound whole at attempt %d:%s\n", n,
                            failures.c_str());
            }
            return result;
        }
        failures += "\n  attempt " + std::to_string(n) + ": " + result.message();
    }
    return ::testing::AssertionFailure() << "in " << attempts << " attempts:" << failures;
}

// Every playback test runs once against each kind of server. Each kind's server is started by the
// first test that needs it and stays up for the following ones; PULSE_SERVER points at the one
// the running test is about.
class PlayOnServer : public ::testing::TestWithParam<SoundServerKind> {
protected:
    struct Started {
        std::unique_ptr<SoundTestServer> server;
        std::string why;  // why it did not start
        bool tried = false;
    };

    static Started& StartedFor(SoundServerKind kind) { return servers_[std::size_t(kind)]; }

    static void StartServer(SoundServerKind kind)
    {
        Started& started = StartedFor(kind);
        started.tried = true;
        started.server = std::make_unique<SoundTestServer>(kind);
        if (!started.server->Start(started.why)) {
            started.server.reset();
        }
    }

    static void TearDownTestSuite()
    {
        for (Started& started : servers_) {
            started = Started{};
        }
    }

    void SetUp() override
    {
        Started& started = StartedFor(GetParam());
        if (!started.tried) {
            StartServer(GetParam());
        }
        if (!started.server) {
            GTEST_FAIL() << "no test sound server: " << started.why;
        }
        server_ = started.server.get();
        setenv("PULSE_SERVER", server_->Address().c_str(), 1);
    }

    // Plays and records until the capture holds `sounds`, within the server's attempts.
    ::testing::AssertionResult PlaysWhole(const std::vector<const tmodele*>& models,
                                          std::vector<Timing>& timings,
                                          std::vector<std::size_t>* starts = nullptr) const
    {
        std::vector<std::vector<std::int16_t>> sounds;
        for (const tmodele* model : models) {
            sounds.push_back(SamplesOf(*model));
        }
        return WithinAttempts(server_->CaptureAttempts(), [&] {
            timings.clear();
            if (starts) {
                starts->clear();
            }
            return HoldsInOrder(PlayRecorded(models, timings), sounds, starts);
        });
    }

    SoundTestServer* server_ = nullptr;
    static std::array<Started, 2> servers_;  // by SoundServerKind
};

std::array<PlayOnServer::Started, 2> PlayOnServer::servers_;

TEST_P(PlayOnServer, PlaysEveryRenderedSampleOnceAndOnTime)
{
    const auto model = RenderedModel(10, 440.0, 5);
    std::vector<Timing> timings;
    EXPECT_TRUE(PlaysWhole({model.get()}, timings));
    EXPECT_TRUE(ReturnedOnTime(timings.at(0)));
    std::printf("[ margin   ] %s: a %.0f ms sound returned %+.1f ms after its nominal length\n",
                NameOf(GetParam()), timings.at(0).nominal, timings.at(0).returned - timings.at(0).nominal);
}

TEST_P(PlayOnServer, ModelsPlayedBackToBackFollowOneAnother)
{
    // The series page plays its checked models by calling Play in turn.
    const auto first = RenderedModel(10, 440.0, 3);
    const auto second = RenderedModel(5, 660.0, 2);
    const auto third = RenderedModel(20, 330.0, 4);
    std::vector<Timing> timings;
    std::vector<std::size_t> starts;
    EXPECT_TRUE(PlaysWhole({first.get(), second.get(), third.get()}, timings, &starts));
    for (const auto& timing : timings) {
        EXPECT_TRUE(ReturnedOnTime(timing));
        std::printf("[ margin   ] %s: %4.0f ms sound returned %+.1f ms after its nominal length\n",
                    NameOf(GetParam()), timing.nominal, timing.returned - timing.nominal);
    }
    if (starts.size() == 3) {
        std::printf("[ gaps     ] %s: %.1f ms, %.1f ms of silence between the sounds\n", NameOf(GetParam()),
                    (double(starts[1]) - double(starts[0]) - 10 * SamplesPerTenth) / 44.1,
                    (double(starts[2]) - double(starts[1]) - 5 * SamplesPerTenth) / 44.1);
    }
}

TEST_P(PlayOnServer, OneTenthIsHeardWhole)
{
    const auto model = RenderedModel(1, 880.0, 1);
    ASSERT_EQ(model->Samples.size(), 2u * SamplesPerTenth);
    std::vector<Timing> timings;
    EXPECT_TRUE(PlaysWhole({model.get()}, timings));
    EXPECT_TRUE(ReturnedOnTime(timings.at(0)));
}

TEST_P(PlayOnServer, SoundLongerThanTheStreamBufferGoesOverWhole)
{
    // Models hold far less than the largest stream buffer; a sound longer than the buffer goes
    // over in pieces, each of which must come before the server runs dry. A small buffer makes
    // a 2-second sound take that road.
    const auto model = RenderedModel(20, 330.0, 3);
    const std::uint32_t buffer = 44100;  // bytes: a quarter of a second
    ASSERT_GT(model->Samples.size(), 2u * buffer);
    EXPECT_TRUE(WithinAttempts(server_->CaptureAttempts(), [&] {
        MonitorRecording recording;
        if (!recording.Live()) {
            return ::testing::AssertionFailure() << "the monitor cannot be recorded";
        }
        EXPECT_EQ(AudioOutput::Play(model->Samples, buffer), AudioOutput::Outcome::Played);
        std::this_thread::sleep_for(Tail);
        return HoldsInOrder(recording.Finish(), {SamplesOf(*model)});
    }));
}

TEST_P(PlayOnServer, UnrenderedModelReturnsAtOnceWithoutSound)
{
    // A buffer is there, but it no longer matches the fields: it must not be played.
    const auto model = RenderedModel(10, 440.0, 1);
    model->Rendered = 0;
    MonitorRecording recording;
    ASSERT_TRUE(recording.Live());
    const auto start = Clock::now();
    model->Play();
    EXPECT_LT(MillisecondsSince(start), Milliseconds(AtOnce).count());
    std::this_thread::sleep_for(Tail);
    EXPECT_TRUE(HoldsInOrder(recording.Finish(), {}));
}

// Only PulseAudio ever refuses our stream: without its only sink it refuses every playback stream.
class RefusingServer : public PlayOnServer {};

TEST_P(RefusingServer, RefusedStreamReturnsAtOnceSilently)
{
    ASSERT_TRUE(server_->RemoveSink());
    const auto model = RenderedModel(10, 440.0, 1);
    StderrCapture err;
    const auto start = Clock::now();
    model->Play();
    const double took = MillisecondsSince(start);
    std::fputs("end of capture\n", stderr);
    EXPECT_EQ(err.Finish(), "end of capture\n");
    EXPECT_LT(took, Milliseconds(AtOnce).count());
    // The next test finds a server as it started.
    StartServer(GetParam());
}

// Frozen: the server's daemons stopped with SIGSTOP, as a desktop session that hangs. With PipeWire
// either the whole server freezes, or its graph alone while the PulseAudio service still answers
// (then the connection succeeds and the stream never starts, or the sound never drains).
TEST_P(PlayOnServer, ServerFrozenMidSoundCannotHoldPlay)
{
    ASSERT_GT(server_->Pid(), 0);
    for (const auto daemons : server_->Faults()) {
        SCOPED_TRACE(SoundTestServer::Describe(daemons));
        const auto model = RenderedModel(10, 440.0, 1);
        {
            Thaw thaw{*server_};
            std::thread freezer([this, daemons] {
                std::this_thread::sleep_for(300ms);
                server_->Signal(SIGSTOP, daemons);
            });
            StderrCapture err;
            const auto start = Clock::now();
            model->Play();
            const double took = MillisecondsSince(start);
            freezer.join();
            std::fputs("end of capture\n", stderr);
            EXPECT_EQ(err.Finish(), "end of capture\n");
            EXPECT_GE(took, 1000.0);
            EXPECT_LE(took, Milliseconds(1000ms + DrainGrace + LateMargin).count());
            std::printf("[ frozen   ] %s, %s: a 1000 ms sound frozen at 300 ms returned after %.1f ms\n",
                        NameOf(GetParam()), SoundTestServer::Describe(daemons), took);
        }
        // Running again, the server serves the next call as if nothing had happened.
        const auto next = RenderedModel(3, 550.0, 2);
        std::vector<Timing> timings;
        EXPECT_TRUE(PlaysWhole({next.get()}, timings));
    }
}

TEST_P(PlayOnServer, ServerFrozenBeforeTheCallCannotHoldPlay)
{
    ASSERT_GT(server_->Pid(), 0);
    for (const auto daemons : server_->Faults()) {
        SCOPED_TRACE(SoundTestServer::Describe(daemons));
        const auto model = RenderedModel(10, 440.0, 1);
        {
            Thaw thaw{*server_};
            ASSERT_TRUE(server_->Signal(SIGSTOP, daemons));
            StderrCapture err;
            const auto start = Clock::now();
            model->Play();
            const double took = MillisecondsSince(start);
            std::fputs("end of capture\n", stderr);
            EXPECT_EQ(err.Finish(), "end of capture\n");
            EXPECT_LE(took, Milliseconds(ConnectDeadline + LateMargin).count());
            std::printf("[ frozen   ] %s, %s: a call to a frozen server returned after %.1f ms\n",
                        NameOf(GetParam()), SoundTestServer::Describe(daemons), took);
        }
        const auto next = RenderedModel(2, 550.0, 2);
        std::vector<Timing> timings;
        EXPECT_TRUE(PlaysWhole({next.get()}, timings));
    }
}

// PipeWire's session manager puts a fallback sink in place of a vanished one, as on a desktop whose
// only sound device went away: the sound goes into it, and the call costs the sound's length, as
// with the device, and says nothing.
class FallbackServer : public PlayOnServer {};

TEST_P(FallbackServer, VanishedSinkIsReplacedAndPlayReturnsOnTimeSilently)
{
    ASSERT_TRUE(server_->RemoveSink());
    const auto replaced = Clock::now() + 5s;
    std::string sink = server_->DefaultSink();
    while ((sink.empty() || sink == SoundTestServer::Sink) && Clock::now() < replaced) {
        std::this_thread::sleep_for(50ms);
        sink = server_->DefaultSink();
    }
    ASSERT_FALSE(sink.empty() || sink == SoundTestServer::Sink) << "no sink took the vanished one's place";
    const auto model = RenderedModel(10, 440.0, 1);
    StderrCapture err;
    const auto start = Clock::now();
    model->Play();
    const Timing timing{100.0 * model->Duration, MillisecondsSince(start)};
    std::fputs("end of capture\n", stderr);
    EXPECT_EQ(err.Finish(), "end of capture\n");
    EXPECT_TRUE(ReturnedOnTime(timing));
    std::printf("[ fallback ] %s: a %.0f ms sound played into \"%s\" returned after %.1f ms\n",
                NameOf(GetParam()), timing.nominal, sink.c_str(), timing.returned);
    // The next test finds a server as it started.
    StartServer(GetParam());
}

std::string KindName(const ::testing::TestParamInfo<SoundServerKind>& info)
{
    return NameOf(info.param);
}

INSTANTIATE_TEST_SUITE_P(Servers, PlayOnServer,
                         ::testing::Values(SoundServerKind::PulseAudio, SoundServerKind::PipeWire), KindName);
INSTANTIATE_TEST_SUITE_P(Servers, RefusingServer, ::testing::Values(SoundServerKind::PulseAudio), KindName);
INSTANTIATE_TEST_SUITE_P(Servers, FallbackServer, ::testing::Values(SoundServerKind::PipeWire), KindName);

// No server at all, whichever way it is missing: the call comes back at once and says nothing.
TEST(PlayWithoutServer, ReturnsAtOnceSilently)
{
    char pattern[] = "/tmp/sonvelia-empty.XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string empty = pattern;
    // A client configuration libpulse cannot parse makes it complain, on stderr by default.
    const std::string badConfig = empty + "/client.conf";
    std::FILE* config = std::fopen(badConfig.c_str(), "w");
    ASSERT_NE(config, nullptr);
    std::fputs("this line has no equals sign\n", config);
    std::fclose(config);
    struct Case {
        const char* what;
        std::optional<std::string> server;  // PULSE_SERVER; none: the default places, all empty
        const char* clientConfig;           // PULSE_CLIENTCONFIG
    };
    const Case cases[] = {
        {"socket path that does not exist", "unix:" + empty + "/pulse/native", nullptr},
        {"closed TCP port", std::string("tcp:127.0.0.1:1"), nullptr},
        {"path that is not a socket", "unix:" + empty, nullptr},
        {"no PULSE_SERVER, empty runtime folder", std::nullopt, nullptr},
        {"unreadable client configuration", "unix:" + empty + "/pulse/native", badConfig.c_str()},
    };
    const auto model = RenderedModel(10, 440.0, 2);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScopedEnv server("PULSE_SERVER", c.server ? c.server->c_str() : nullptr);
        ScopedEnv runtime("XDG_RUNTIME_DIR", empty.c_str());
        ScopedEnv runtimePath("PULSE_RUNTIME_PATH", empty.c_str());
        ScopedEnv clientConfig("PULSE_CLIENTCONFIG", c.clientConfig);
        StderrCapture err;
        const auto start = Clock::now();
        model->Play();
        const double took = MillisecondsSince(start);
        std::fputs("end of capture\n", stderr);
        EXPECT_EQ(err.Finish(), "end of capture\n");
        EXPECT_LT(took, Milliseconds(AtOnce).count());
    }
    std::remove(badConfig.c_str());
    rmdir(pattern);
}

}  // namespace
