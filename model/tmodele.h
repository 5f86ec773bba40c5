#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

class QImage;

// One envelope: 46 points (0..45) spread evenly over the model's duration,
// each 0 (silence) .. 255 (full relative amplitude).
using tenveloppe = std::array<std::uint8_t, 46>;

// One harmonic of a model.
struct tharmonique {
    std::uint8_t Active = 1;  // 1: sounds and counts in the normalisation
    std::uint8_t Rank = 1;    // 1 = the fundamental
    tenveloppe Envelope{};
    double Amplitude = 1.0;  // relative, 0..1 in the editors
    double Phase = 0.0;      // radians
};

// Sets the default envelope: 0, then 255 forty-four times, then 0.
void ResetEnvelope(tenveloppe& envelope);
// Fills a fresh harmonic record of the given rank with the defaults.
void InitHarmonic(tharmonique& record, std::uint8_t rank);

// One synthetic sound and everything that works on it.
class tmodele {
public:
    static constexpr int SampleRate = 44100;        // Hz
    static constexpr int SamplesPerTenth = 4410;    // samples per tenth of a second
    static constexpr int BytesPerTenth = 8820;      // 16-bit mono
    static constexpr int SegmentsPerEnvelope = 45;  // 46 points
    static constexpr int AmplitudeScale = 10000;    // peak sample value
    static constexpr int MaxHarmonics = 255;        // list indices are bytes

    tmodele() = default;
    tmodele(const tmodele&) = delete;
    tmodele& operator=(const tmodele&) = delete;
    ~tmodele() = default;

    // Fields, in the order of the model record.
    std::vector<tharmonique> Harmonics;  // list order, see AddHarmonic
    double Fundamental = 440.0;          // Hz
    double Glide = 0.0;                  // relative frequency glide over the duration
    std::uint16_t Duration = 10;         // tenths of a second
    std::uint8_t Rendered = 0;           // 1 when Samples holds the current rendering
    std::uint8_t SpareFlag = 1;          // carried through files and copies, unused
    std::vector<std::uint8_t> Samples;   // Duration x 8820 bytes, s16le mono, when rendered

    // Inserts a default harmonic of the given rank: after the first entry i-1 whose rank is
    // below it and whose successor's rank is above it, else at the end. Returns false (and
    // changes nothing) when the list already holds MaxHarmonics records.
    bool AddHarmonic(std::uint8_t rank);
    // Removes the record at a list index; an index out of range changes nothing.
    void DeleteHarmonic(std::size_t index);

    // Recomputes Samples from the current fields and sets Rendered.
    void Render();
    // Plays the rendered sound once on the desktop's sound server; returns when it has played.
    void Play() const;

    // A new model with the same fields and harmonics, sharing nothing with this one, rendered.
    std::unique_ptr<tmodele> Copy() const;

    // Number of samples of the rendering: Duration x 4410.
    std::size_t SampleCount() const { return std::size_t(Duration) * SamplesPerTenth; }
    // Signed sample k of the rendering (k < SampleCount(), Rendered = 1).
    std::int16_t Sample(std::size_t k) const
    {
        return std::int16_t(std::uint16_t(Samples[2 * k] | (Samples[2 * k + 1] << 8)));
    }

    // Drawing operations: each paints the whole picture from the model and changes nothing in it.
    void DrawWaveform(QImage& picture, double start, double end) const;
    void DrawSpectrum(QImage& picture, double t) const;
    void DrawSonogram(QImage& picture) const;
    void DrawComponents(QImage& picture, double t) const;
};
