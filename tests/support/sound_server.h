#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

// A private PulseAudio server for one test program, started with scripts/pulse-test-server.sh in a
// fresh temporary folder: a null sink at 44100 Hz, s16le, mono, whose monitor can be recorded
// sample for sample. Clients reach it through PULSE_SERVER, which Start() points at it.
class SoundTestServer {
public:
    static constexpr char Monitor[] = "sonvelia_test.monitor";  // the null sink's monitor source

    SoundTestServer() = default;
    SoundTestServer(const SoundTestServer&) = delete;
    SoundTestServer& operator=(const SoundTestServer&) = delete;
    ~SoundTestServer() { Stop(); }

    // Starts the server and sets PULSE_SERVER; false with a reason in `why` when it could not.
    bool Start(std::string& why);
    // Stops it (frozen or not) and removes its folder; nothing when it is not running.
    void Stop();

    const std::string& Address() const { return address_; }  // the PULSE_SERVER value
    pid_t Pid() const;                                       // the daemon, -1 when unknown

    // Runs pactl against this server; true when it succeeded.
    bool Pactl(const std::vector<std::string>& arguments) const;

private:
    std::string folder_;
    std::string address_;
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
