#pragma once

#include <sys/types.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

// The desktop sound servers our program meets, each run privately for the playback tests.
enum class SoundServerKind {
    PulseAudio,  // the PulseAudio daemon
    PipeWire,    // PipeWire with its PulseAudio service, as on today's Debian desktops
};

// A name fit for a test's name: "PulseAudio", "PipeWire".
const char* NameOf(SoundServerKind kind);
// How a test's failure names its server.
void PrintTo(SoundServerKind kind, std::ostream* out);

// A private sound server for one test program, started by its script in scripts/ in a fresh
// temporary folder: a null sink at 44100 Hz, s16le, mono, whose monitor can be recorded sample for
// sample. Clients reach it through PULSE_SERVER, which Start() points at it.
class SoundTestServer {
public:
    static constexpr char Sink[] = "sonvelia_test";             // the null sink
    static constexpr char Monitor[] = "sonvelia_test.monitor";  // the null sink's monitor source

    explicit SoundTestServer(SoundServerKind kind = SoundServerKind::PulseAudio) : kind_(kind) {}
    SoundTestServer(const SoundTestServer&) = delete;
    SoundTestServer& operator=(const SoundTestServer&) = delete;
    ~SoundTestServer() { Stop(); }

    // Starts the server and sets PULSE_SERVER; false with a reason in `why` when it could not.
    bool Start(std::string& why);
    // Stops it (frozen or not) and removes its folder; nothing when it is not running.
    void Stop();

    SoundServerKind Kind() const { return kind_; }
    const std::string& Address() const { return address_; }  // the PULSE_SERVER value
    pid_t Pid() const;                                       // the daemon clients talk to, -1 when unknown
    // Which of the server's daemons a fault strikes.
    enum class Daemons {
        All,        // the whole server
        GraphOnly,  // PipeWire's graph, while its PulseAudio service still answers clients
    };
    // The faults a test can give this server: the whole server, and for PipeWire its graph alone.
    std::vector<Daemons> Faults() const;
    static const char* Describe(Daemons daemons);

    // The daemons the server is made of, the one clients talk to first; empty when unknown.
    std::vector<pid_t> Pids(Daemons daemons = Daemons::All) const;
    // Sends `signal` to those daemons (SIGSTOP freezes them, SIGKILL makes them vanish); true when
    // each of them got it.
    bool Signal(int signal, Daemons daemons = Daemons::All) const;

    // Runs pactl against this server; true when it succeeded.
    bool Pactl(const std::vector<std::string>& arguments) const;
    // The server's default sink as pactl reports it; empty when it does not answer.
    std::string DefaultSink() const;
    // Removes the null sink, the server's only one; true when the server took the order.
    bool RemoveSink() const;

    // How many times a test may play and record a sound before a capture that lost samples counts
    // as a fault. PipeWire on a loaded machine now and then drops one graph cycle (512 to 1536
    // samples) of a capture, with any client; a fault of ours shows in every attempt. PulseAudio
    // drops nothing, so it gets a single attempt.
    int CaptureAttempts() const { return kind_ == SoundServerKind::PipeWire ? 3 : 1; }

private:
    std::vector<pid_t> ReadPids(const char* file) const;

    SoundServerKind kind_;
    std::string folder_;
    std::string address_;
    std::vector<pid_t> watched_;  // stopped by a crash handler should the test program die of a signal
};

// Records the server's monitor with parec while it lives: raw s16le mono 44100 Hz samples.
class MonitorRecording {
public:
    // Starts recording and returns once samples are really coming in; Live() tells.
    MonitorRecording();
    MonitorRecording(const MonitorRecording&) = delete;
    MonitorRecording& operator=(const MonitorRecording&) = delete;
    ~MonitorRecording();

    bool Live() const { return live_; }
    // Stops recording and returns every sample captured.
    std::vector<std::int16_t> Finish();

private:
    std::string file_;
    pid_t pid_ = -1;
    bool live_ = false;
};

// Redirects this process's stderr (fd 2) into a temporary file until Finish() or destruction.
class StderrCapture {
public:
    StderrCapture();
    StderrCapture(const StderrCapture&) = delete;
    StderrCapture& operator=(const StderrCapture&) = delete;
    ~StderrCapture() { Finish(); }

    // Restores stderr and returns what was written to it meanwhile.
    std::string Finish();

private:
    int saved_ = -1;
    int file_ = -1;
    std::string text_;
};

// Sets an environment variable for one scope and puts the previous value (or its absence) back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value);
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;
    ~ScopedEnv();

private:
    std::string name_;
    std::string previous_;
    bool had_ = false;
};
