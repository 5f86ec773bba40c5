#pragma once

#include <chrono>
#include <cstdint>
#include <span>

// Our one way to make sound: hands a buffer of 16-bit signed little-endian mono samples at
// 44100 Hz to the desktop's sound server (PulseAudio, or PipeWire through its PulseAudio
// service) and plays it exactly once, on the calling thread.
//
// Each call connects anew and releases everything before it returns; nothing stays open
// between calls. Every wait has a deadline, so a frozen or vanished server costs at most
// ConnectTimeout before the sound, or DrainGrace after its nominal end. No event loop of the
// application runs meanwhile, and nothing is ever written to stderr.
class AudioOutput {
public:
    static constexpr std::uint32_t SampleRate = 44100;  // Hz
    static constexpr std::uint32_t BytesPerSample = 2;  // s16le, mono
    // bytes: the largest stream buffer we ask for (the server's own ceiling). A model of 40 tenths
    // is 352,800 bytes.
    static constexpr std::uint32_t MaxBytes = 4 << 20;
    static constexpr std::chrono::milliseconds ConnectTimeout{1000};  // to connect and open the stream
    static constexpr std::chrono::milliseconds DrainGrace{500};       // past the sound's own length

    enum class Outcome {
        Played,    // the whole buffer was played and drained
        NoServer,  // no server answered, or it answered too late: nothing was played
        Refused,   // the server refused the stream (no sink, bad format, ...): nothing was played
        Cut,       // the sound started, but the server stopped answering before it ended
    };

    // Plays `pcm` once (an odd last byte is dropped) and returns when the server says the device
    // has played it, or when a deadline has passed. The stream's buffer holds `bufferBytes`
    // (at most MaxBytes); a longer sound goes over in pieces as the server asks for them.
    static Outcome Play(std::span<const std::uint8_t> pcm, std::uint32_t bufferBytes = MaxBytes);

    // The nominal playing time of `bytes` bytes of sound.
    static std::chrono::microseconds Length(std::size_t bytes)
    {
        return std::chrono::microseconds(std::int64_t(bytes / BytesPerSample) * 1000000 / SampleRate);
    }
};
