#include "support/sound_server.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// The source tree, found from the test program: its build folder's CMakeCache.txt names it.
// (Compile-time paths are unreliable here: the compiler cache rewrites them relative.)
fs::path SourceDir()
{
    std::error_code error;
    fs::path dir = fs::read_symlink("/proc/self/exe", error).parent_path();
    for (; !dir.empty() && dir != dir.root_path(); dir = dir.parent_path()) {
        std::ifstream cache(dir / "CMakeCache.txt");
        std::string line;
        while (std::getline(cache, line)) {
            const std::string key = "CMAKE_HOME_DIRECTORY:INTERNAL=";
            if (line.rfind(key, 0) == 0) {
                return line.substr(key.size());
            }
        }
    }
    return {};
}

const char* ScriptName(SoundServerKind kind)
{
    return kind == SoundServerKind::PipeWire ? "pipewire-test-server.sh" : "pulse-test-server.sh";
}

fs::path Script(SoundServerKind kind)
{
    return SourceDir() / "scripts" / ScriptName(kind);
}

// Runs a program with its output thrown away; its exit status, -1 when it could not run.
int Run(const std::vector<std::string>& command)
{
    std::vector<char*> argv;
    for (const auto& word : command) {
        argv.push_back(const_cast<char*>(word.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        return -1;
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string ShellQuote(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

// The daemons run detached: if the test program dies of a signal, TearDown never comes, so a
// handler stops them on the way out (a kill -9 of the test program is the only leak left).
// Fixed slots, as a signal handler may only read lock-free atomics; 0 is a free slot.
constexpr std::size_t MaxDaemons = 16;  // processes of all the servers one test program runs at once
std::array<std::atomic<pid_t>, MaxDaemons> RunningDaemons{};

void ForgetDaemons(const std::vector<pid_t>& daemons)
{
    for (pid_t pid : daemons) {
        for (auto& slot : RunningDaemons) {
            pid_t expected = pid;
            slot.compare_exchange_strong(expected, 0);
        }
    }
}

void StopDaemonsAndDie(int signal)
{
    for (const auto& slot : RunningDaemons) {
        const pid_t pid = slot.load();
        if (pid > 0) {
            kill(pid, SIGCONT);
            kill(pid, SIGTERM);
        }
    }
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

void WatchForCrashes(const std::vector<pid_t>& daemons)
{
    for (pid_t pid : daemons) {
        for (auto& slot : RunningDaemons) {
            pid_t expected = 0;
            if (slot.compare_exchange_strong(expected, pid)) {
                break;
            }
        }
    }
    static const bool installed = [] {
        for (int signal : {SIGABRT, SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGINT, SIGTERM, SIGHUP}) {
            std::signal(signal, StopDaemonsAndDie);
        }
        return true;
    }();
    (void)installed;
}

}  // namespace

const char* NameOf(SoundServerKind kind)
{
    return kind == SoundServerKind::PipeWire ? "PipeWire" : "PulseAudio";
}

void PrintTo(SoundServerKind kind, std::ostream* out)
{
    *out << NameOf(kind);
}

bool SoundTestServer::Start(std::string& why)
{
    const fs::path script = Script(kind_);
    if (!fs::exists(script)) {
        why = std::string("cannot find scripts/") + ScriptName(kind_) + " from the test program";
        return false;
    }
    char pattern[] = "/tmp/sonvelia-sound-test.XXXXXX";
    if (!mkdtemp(pattern)) {
        why = "cannot make a temporary folder";
        return false;
    }
    folder_ = pattern;
    const std::string command = "bash " + ShellQuote(script) + " start " + ShellQuote(folder_) + " 2>&1";
    std::string output;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char chunk[256];
        while (std::fgets(chunk, sizeof chunk, pipe)) {
            output += chunk;
        }
        const int status = pclose(pipe);
        if (status != 0) {
            why = std::string("the ") + NameOf(kind_) + " server did not start: " + output;
            Stop();
            return false;
        }
    } else {
        why = "cannot run the server script";
        Stop();
        return false;
    }
    while (!output.empty() && (output.back() == '\n' || output.back() == '\r')) {
        output.pop_back();
    }
    address_ = output;
    setenv("PULSE_SERVER", address_.c_str(), 1);
    watched_ = Pids();
    // PipeWire's daemons share a session bus started with them.
    for (pid_t bus : ReadPids("dbus.pid")) {
        watched_.push_back(bus);
    }
    WatchForCrashes(watched_);
    return !address_.empty();
}

void SoundTestServer::Stop()
{
    if (folder_.empty()) {
        return;
    }
    ForgetDaemons(watched_);
    watched_.clear();
    Run({"bash", Script(kind_).string(), "stop", folder_});
    std::error_code error;
    fs::remove_all(folder_, error);
    folder_.clear();
    address_.clear();
}

std::vector<pid_t> SoundTestServer::ReadPids(const char* file) const
{
    std::vector<pid_t> pids;
    if (folder_.empty()) {
        return pids;
    }
    std::ifstream in(fs::path(folder_) / file);
    for (pid_t pid = 0; in >> pid;) {
        if (pid > 0) {
            pids.push_back(pid);
        }
    }
    return pids;
}

std::vector<SoundTestServer::Daemons> SoundTestServer::Faults() const
{
    if (kind_ == SoundServerKind::PipeWire) {
        return {Daemons::All, Daemons::GraphOnly};
    }
    return {Daemons::All};
}

const char* SoundTestServer::Describe(Daemons daemons)
{
    return daemons == Daemons::GraphOnly ? "the graph alone" : "the whole server";
}

std::vector<pid_t> SoundTestServer::Pids(Daemons daemons) const
{
    if (kind_ != SoundServerKind::PipeWire) {
        return ReadPids("pulse/pid");
    }
    return ReadPids(daemons == Daemons::GraphOnly ? "pipewire.pid" : "pids");
}

pid_t SoundTestServer::Pid() const
{
    const std::vector<pid_t> pids = Pids();
    return pids.empty() ? -1 : pids.front();
}

bool SoundTestServer::Signal(int signal, Daemons daemons) const
{
    const std::vector<pid_t> pids = Pids(daemons);
    bool all = !pids.empty();
    for (pid_t pid : pids) {
        all = kill(pid, signal) == 0 && all;
    }
    return all;
}

bool SoundTestServer::Pactl(const std::vector<std::string>& arguments) const
{
    std::vector<std::string> command{"pactl", "--server=" + address_};
    command.insert(command.end(), arguments.begin(), arguments.end());
    return Run(command) == 0;
}

std::string SoundTestServer::DefaultSink() const
{
    std::string sink;
    const std::string command = "pactl --server=" + ShellQuote(address_) + " get-default-sink 2>/dev/null";
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char chunk[256];
        while (std::fgets(chunk, sizeof chunk, pipe)) {
            sink += chunk;
        }
        if (pclose(pipe) != 0) {
            sink.clear();
        }
    }
    while (!sink.empty() && (sink.back() == '\n' || sink.back() == '\r')) {
        sink.pop_back();
    }
    return sink;
}

bool SoundTestServer::RemoveSink() const
{
    if (kind_ != SoundServerKind::PipeWire) {
        return Pactl({"unload-module", "module-null-sink"});
    }
    // The sink is an object of the graph's own configuration, not a module: destroy it there.
    return Run({"env", "PIPEWIRE_RUNTIME_DIR=" + folder_ + "/runtime", "pw-cli", "destroy", Sink}) == 0;
}

MonitorRecording::MonitorRecording()
{
    char pattern[] = "/tmp/sonvelia-monitor.XXXXXX";
    const int fd = mkstemp(pattern);
    if (fd < 0) {
        return;
    }
    file_ = pattern;
    std::vector<std::string> command{
        "parec",          "-d",           SoundTestServer::Monitor, "--raw",
        "--format=s16le", "--rate=44100", "--channels=1",           "--latency-msec=10"};
    std::vector<char*> argv;
    for (auto& word : command) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fd, 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const int spawned = posix_spawnp(&pid_, "parec", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fd);
    if (spawned != 0) {
        pid_ = -1;
        return;
    }
    // The idle monitor delivers silence continuously: bytes arriving mean the recording runs.
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (std::chrono::steady_clock::now() < deadline) {
        std::error_code error;
        if (fs::file_size(file_, error) >= 4410 * 2 && !error) {  // 0.1 s of samples
            live_ = true;
            return;
        }
        std::this_thread::sleep_for(10ms);
    }
}

MonitorRecording::~MonitorRecording()
{
    Finish();
    if (!file_.empty()) {
        std::remove(file_.c_str());
    }
}

std::vector<std::int16_t> MonitorRecording::Finish()
{
    if (pid_ > 0) {
        kill(pid_, SIGINT);
        const auto deadline = std::chrono::steady_clock::now() + 3s;
        int status = 0;
        while (waitpid(pid_, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                kill(pid_, SIGKILL);
                waitpid(pid_, &status, 0);
                break;
            }
            std::this_thread::sleep_for(10ms);
        }
        pid_ = -1;
    }
    std::vector<std::int16_t> samples;
    std::ifstream in(file_, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        samples.push_back(
            std::int16_t(std::uint16_t(std::uint8_t(bytes[i]) | (std::uint8_t(bytes[i + 1]) << 8))));
    }
    return samples;
}

StderrCapture::StderrCapture()
{
    char pattern[] = "/tmp/sonvelia-stderr.XXXXXX";
    file_ = mkstemp(pattern);
    if (file_ < 0) {
        return;
    }
    unlink(pattern);
    std::fflush(stderr);
    saved_ = dup(2);
    dup2(file_, 2);
}

std::string StderrCapture::Finish()
{
    if (saved_ >= 0) {
        std::fflush(stderr);
        dup2(saved_, 2);
        close(saved_);
        saved_ = -1;
        lseek(file_, 0, SEEK_SET);
        char chunk[512];
        ssize_t count = 0;
        while ((count = read(file_, chunk, sizeof chunk)) > 0) {
            text_.append(chunk, std::size_t(count));
        }
    }
    if (file_ >= 0) {
        close(file_);
        file_ = -1;
    }
    return text_;
}

ScopedEnv::ScopedEnv(const char* name, const char* value) : name_(name)
{
    if (const char* old = std::getenv(name)) {
        had_ = true;
        previous_ = old;
    }
    if (value) {
        setenv(name, value, 1);
    } else {
        unsetenv(name);
    }
}

ScopedEnv::~ScopedEnv()
{
    if (had_) {
        setenv(name_.c_str(), previous_.c_str(), 1);
    } else {
        unsetenv(name_.c_str());
    }
}
