#include "model/audio_output.h"

#include <pulse/context.h>
#include <pulse/mainloop.h>
#include <pulse/stream.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>

namespace {

using Clock = std::chrono::steady_clock;

constexpr char ClientName[] = "sonvelia";  // shown by the desktop's volume mixer
constexpr char StreamName[] = "sonvelia";
constexpr std::uint32_t LatencyBytes = 4410;  // bytes: 25 ms of sound, asked for as the stream's latency

// libpulse reports its own troubles on stderr; a desktop program must not print there when
// there is simply no sound server. Sending them to the system log instead is the client
// library's own switch. It is read once per process, before its first message, so set it while
// the program is still single-threaded (static initialisation), never overriding a user's
// explicit choice.
const bool PulseLogToSyslog = [] { return ::setenv("PULSE_LOG_SYSLOG", "1", 0) == 0; }();

struct MainloopFree {
    void operator()(pa_mainloop* loop) const { pa_mainloop_free(loop); }
};
struct ContextRelease {
    void operator()(pa_context* context) const
    {
        pa_context_disconnect(context);
        pa_context_unref(context);
    }
};
struct StreamRelease {
    void operator()(pa_stream* stream) const
    {
        // No callback may run into a session that is going away.
        pa_stream_set_write_callback(stream, nullptr, nullptr);
        // Refused when the stream never got connected, or the server is gone; either way fine.
        pa_stream_disconnect(stream);
        pa_stream_unref(stream);
    }
};

// What the callbacks learn, read by the waiting loop. All of it lives on the calling thread:
// the private main loop dispatches callbacks only from inside Wait().
struct Session {
    pa_mainloop* loop = nullptr;
    pa_stream* stream = nullptr;
    std::span<const std::uint8_t> pending;  // not yet handed to the server
    bool handedOver = false;                // the first, large write is done
    bool draining = false;
    bool drained = false;
    bool timed = false;  // fresh timing information has come
};

// Runs the private main loop until `done` holds or the deadline passes; true when done.
bool Wait(Session& session, Clock::time_point deadline, const std::function<bool()>& done)
{
    while (!done()) {
        const auto now = Clock::now();
        if (now >= deadline) {
            return false;
        }
        // Rounded up so that the loop never wakes just short of the deadline and spins.
        const auto left = std::chrono::ceil<std::chrono::microseconds>(deadline - now).count();
        if (pa_mainloop_prepare(session.loop, int(std::min<std::int64_t>(left, 1000000))) < 0 ||
            pa_mainloop_poll(session.loop) < 0 || pa_mainloop_dispatch(session.loop) < 0) {
            return false;
        }
    }
    return true;
}

void OnDrained(pa_stream*, int success, void* userdata)
{
    static_cast<Session*>(userdata)->drained = success != 0;
}

void OnTimed(pa_stream*, int success, void* userdata)
{
    static_cast<Session*>(userdata)->timed = success != 0;
}

// Hands the server as much of the rest as it takes: all of it at once when it fits in the
// stream's buffer (always the case for our models), then asks for the drain.
void Feed(Session& session, std::size_t room)
{
    const std::size_t count = std::min(session.pending.size(), room);
    if (count > 0) {
        // No free callback: libpulse copies the bytes, the caller keeps its buffer.
        if (pa_stream_write(session.stream, session.pending.data(), count, nullptr, 0, PA_SEEK_RELATIVE) <
            0) {
            return;  // the stream failed; its state callback ends the wait
        }
        session.pending = session.pending.subspan(count);
    }
    if (session.pending.empty() && !session.draining) {
        session.draining = true;
        if (pa_operation* drain = pa_stream_drain(session.stream, OnDrained, &session)) {
            pa_operation_unref(drain);
        }
    }
}

void OnWritable(pa_stream*, std::size_t bytes, void* userdata)
{
    auto& session = *static_cast<Session*>(userdata);
    // The server's first request comes with the stream itself, before our first write; answering
    // it as well would put more into the buffer than it holds, and the excess would be lost.
    if (session.handedOver && !session.pending.empty()) {
        Feed(session, bytes);
    }
}

}  // namespace

AudioOutput::Outcome AudioOutput::Play(std::span<const std::uint8_t> pcm, std::uint32_t bufferBytes)
{
    (void)PulseLogToSyslog;
    const auto openDeadline = Clock::now() + ConnectTimeout;
    pcm = pcm.first(pcm.size() - pcm.size() % BytesPerSample);
    bufferBytes =
        std::clamp<std::uint32_t>(bufferBytes - bufferBytes % BytesPerSample, 2 * LatencyBytes, MaxBytes);
    if (pcm.empty()) {
        return Outcome::Played;
    }

    Session session;
    session.pending = pcm;
    std::unique_ptr<pa_mainloop, MainloopFree> loop(pa_mainloop_new());
    if (!loop) {
        return Outcome::NoServer;
    }
    session.loop = loop.get();
    std::unique_ptr<pa_context, ContextRelease> context(
        pa_context_new(pa_mainloop_get_api(loop.get()), ClientName));
    if (!context) {
        return Outcome::NoServer;
    }

    // 1. Connect, never starting a server of our own: no server means no sound.
    if (pa_context_connect(context.get(), nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
        return Outcome::NoServer;
    }
    const auto contextSettled = [&] {
        const pa_context_state_t state = pa_context_get_state(context.get());
        return state == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(state);
    };
    if (!Wait(session, openDeadline, contextSettled) ||
        pa_context_get_state(context.get()) != PA_CONTEXT_READY) {
        return Outcome::NoServer;
    }

    // 2. Open a stream whose buffer holds the whole sound (up to bufferBytes), so that it goes over
    // in one write.
    // A short latency keeps the device from taking the sound far ahead of time: the sound starts
    // soon after the call and its end is known closely, so calls in a row follow each other
    // without long gaps. All the sound is already in the server, so a short latency cannot
    // starve the stream.
    const pa_sample_spec format{PA_SAMPLE_S16LE, SampleRate, 1};
    std::unique_ptr<pa_stream, StreamRelease> stream(
        pa_stream_new(context.get(), StreamName, &format, nullptr));
    if (!stream) {
        return Outcome::Refused;
    }
    session.stream = stream.get();
    const auto whole = std::uint32_t(std::min<std::size_t>(pcm.size(), bufferBytes));
    pa_buffer_attr buffer{};
    buffer.maxlength = whole;
    // A sound longer than the buffer goes over in pieces as the server asks for them; it then
    // asks early, while seconds of sound are still queued, so that no piece can come too late.
    buffer.tlength = pcm.size() <= bufferBytes ? std::min(whole, LatencyBytes) : bufferBytes / 2;
    buffer.prebuf = std::uint32_t(-1);    // server's choice: start once the latency is filled
    buffer.minreq = std::uint32_t(-1);    // server's choice
    buffer.fragsize = std::uint32_t(-1);  // recording only
    pa_stream_set_write_callback(stream.get(), OnWritable, &session);
    if (pa_stream_connect_playback(stream.get(), nullptr, &buffer, PA_STREAM_ADJUST_LATENCY, nullptr,
                                   nullptr) < 0) {
        return Outcome::Refused;
    }
    const auto streamSettled = [&] {
        const pa_stream_state_t state = pa_stream_get_state(stream.get());
        return state == PA_STREAM_READY || !PA_STREAM_IS_GOOD(state);
    };
    if (!Wait(session, openDeadline, streamSettled)) {
        return Outcome::NoServer;
    }
    if (pa_stream_get_state(stream.get()) != PA_STREAM_READY) {
        return pa_context_get_state(context.get()) == PA_CONTEXT_READY ? Outcome::Refused : Outcome::NoServer;
    }

    // 3. Hand it over and wait for the drain, for no longer than the sound lasts plus a grace.
    const pa_buffer_attr* granted = pa_stream_get_buffer_attr(stream.get());
    const std::size_t room = granted ? granted->maxlength : whole;
    const auto playDeadline = Clock::now() + Length(pcm.size()) + DrainGrace;
    session.handedOver = true;
    Feed(session, room);
    const bool drained = Wait(session, playDeadline, [&] {
        return session.drained || !PA_STREAM_IS_GOOD(pa_stream_get_state(stream.get()));
    });
    if (!drained || !session.drained) {
        return Outcome::Cut;
    }

    // 4. The drain only says that the server has handed the last sample to the device; a device
    // with a deep buffer may still hold a good part of the sound. Releasing the stream now would
    // cut that tail off, so wait for as long as the server says the device needs to play it.
    if (pa_operation* update = pa_stream_update_timing_info(stream.get(), OnTimed, &session)) {
        pa_operation_unref(update);
        const bool timed = Wait(session, playDeadline, [&] {
            return session.timed || !PA_STREAM_IS_GOOD(pa_stream_get_state(stream.get()));
        });
        pa_usec_t latency = 0;  // microseconds
        int negative = 0;
        if (timed && session.timed && pa_stream_get_latency(stream.get(), &latency, &negative) == 0 &&
            !negative) {
            const auto heard = std::min(Clock::now() + std::chrono::microseconds(latency), playDeadline);
            Wait(session, heard, [] { return false; });
        }
    }
    // 5. Releasing the stream and the context (in that order, by the declarations above) stops
    // whatever the server may still hold of a sound that was cut.
    return Outcome::Played;
}
