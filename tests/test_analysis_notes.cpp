// Real notes from the installed synthesisers: the tracked magnitudes, rendered by the model,
// must come closer to each note than the naive analysis, and close on the steady instruments.
#include <gtest/gtest.h>

#include <QString>
#include <cmath>
#include <cstdio>
#include <string>

#include "analysis/analyse.h"
#include "analysis/decode.h"
#include "analysis/harmonics.h"
#include "analysis/magnitudes.h"
#include "analysis/measure.h"
#include "model/tmodele.h"

namespace {

struct Note {
    const char* file;  // in tests/notes/
    double nominal;    // Hz, from the MIDI note (0: a voice, no fixed pitch)
    bool steady;       // a held tone whose spectrum hardly moves
};

// See tests/notes/README.md for how each was made.
const Note Corpus[] = {
    {"flute-a4", 440.0, true},          {"clarinet-d4", 293.66, true},
    {"oboe-e4", 329.63, true},          {"church-organ-c4", 261.63, true},
    {"reed-organ-g3", 196.0, true},     {"organ-freepats-a3", 220.0, true},
    {"flute-freepats-g4", 392.0, true}, {"clarinet-freepats-c4", 261.63, true},
    {"violin-a4", 440.0, false},        {"trumpet-c5", 523.25, false},
    {"piano-c4", 261.63, false},        {"choir-aahs-f4", 349.23, false},
    {"voice-espeak-a", 0, false},
};

constexpr double SteadySpectralDb = 15;  // dB

// The model of the note from the given harmonics, rendered, as doubles.
std::vector<double> Rendered(const std::vector<tharmonique>& harmonics, double fundamental, int duration)
{
    tmodele model;
    model.Fundamental = fundamental;
    model.Glide = 0;
    model.Duration = std::uint16_t(duration);
    model.Harmonics = harmonics;
    model.Render();
    std::vector<double> samples(model.SampleCount());
    for (std::size_t k = 0; k < samples.size(); ++k)
        samples[k] = model.Sample(k);
    return samples;
}

TEST(AnalysisNotes, TrackedModelBeatsTheBaselineOnEveryNote)
{
    std::printf("%-20s %8s %10s %10s %10s %10s\n", "note", "F0 Hz", "spec trk", "spec base", "wave trk",
                "wave base");
    for (const Note& entry : Corpus) {
        SCOPED_TRACE(entry.file);
        const analysis::Recording recording =
            analysis::ReadSoundFile(QString(SONVELIA_NOTES_DIR "/") + entry.file + ".flac");
        const std::optional<double> estimate = analysis::EstimateFundamental(recording);
        ASSERT_TRUE(estimate.has_value());
        if (entry.nominal > 0) {
            EXPECT_NEAR(*estimate / entry.nominal, 1.0, 0.03);
        }

        const int duration = int(
            std::min<std::size_t>(analysis::MaxTenths, recording.NoteLength() / analysis::SamplesPerTenth));
        ASSERT_GE(duration, 10);
        std::vector<double> note(
            recording.samples.begin() + std::ptrdiff_t(recording.start),
            recording.samples.begin() +
                std::ptrdiff_t(recording.start + std::size_t(duration) * analysis::SamplesPerTenth));
        const double fundamental = analysis::RefineFundamental(note, *estimate, 0, duration);

        const std::vector<double> tracked =
            Rendered(analysis::ModelHarmonics(analysis::TrackMagnitudes(note, fundamental, 0, duration)),
                     fundamental, duration);
        const std::vector<double> baseline =
            Rendered(analysis::ModelHarmonics(analysis::BaselineHarmonics(note, fundamental, 0, duration)),
                     fundamental, duration);

        const double spectralTracked = analysis::SpectralSnrDb(note, tracked);
        const double spectralBaseline = analysis::SpectralSnrDb(note, baseline);
        std::printf("%-20s %8.2f %10.2f %10.2f %10.2f %10.2f\n", entry.file, fundamental, spectralTracked,
                    spectralBaseline, analysis::WaveformSnrDb(note, tracked),
                    analysis::WaveformSnrDb(note, baseline));
        EXPECT_GT(spectralTracked, spectralBaseline);
        if (entry.steady) {
            EXPECT_GE(spectralTracked, SteadySpectralDb);
        }
    }
}

// The measures themselves: a copy scores without limit, a scaled copy too (the gain is
// fitted), a quarter-period shift is seen by the waveform measure and not by the spectral one.
TEST(AnalysisNotes, MeasuresFitTheGainAndIgnorePhaseInTheSpectrum)
{
    std::vector<double> x(8192);
    std::vector<double> shifted(x.size());
    std::vector<double> half(x.size());
    for (std::size_t i = 0; i < x.size(); ++i) {
        const double a = 2 * 3.14159265358979 * 440 * double(i) / analysis::Rate;
        x[i] = 1000 * std::sin(a) + 300 * std::sin(3 * a);
        shifted[i] = 1000 * std::cos(a) + 300 * std::cos(3 * a);
        half[i] = 0.5 * x[i];
    }
    EXPECT_GT(analysis::WaveformSnrDb(x, half), 100);
    EXPECT_GT(analysis::SpectralSnrDb(x, half), 100);
    EXPECT_LT(analysis::WaveformSnrDb(x, shifted), 1);
    EXPECT_GT(analysis::SpectralSnrDb(x, shifted), 30);
}

// A note in the model's own form: the tracker gives back its amplitudes and phases.
TEST(AnalysisNotes, TrackerRecoversAModelNote)
{
    tmodele model;
    model.Fundamental = 330;
    model.Duration = 10;
    model.Harmonics.clear();
    const double amplitudes[] = {1.0, 0.5, 0.25};
    const int degrees[] = {30, 200, 90};
    for (int r = 1; r <= 3; ++r) {
        tharmonique h;
        InitHarmonic(h, std::uint8_t(r));
        h.Envelope.fill(255);
        h.Amplitude = amplitudes[r - 1];
        h.Phase = degrees[r - 1] * 3.14159265358979 / 180;
        model.Harmonics.push_back(h);
    }
    model.Render();
    std::vector<double> note(model.SampleCount());
    for (std::size_t k = 0; k < note.size(); ++k)
        note[k] = model.Sample(k);
    const std::vector<tharmonique> found =
        analysis::ModelHarmonics(analysis::TrackMagnitudes(note, model.Fundamental, 0, model.Duration));
    ASSERT_GE(found.size(), 3u);
    for (int r = 1; r <= 3; ++r) {
        SCOPED_TRACE(r);
        const tharmonique& h = found[std::size_t(r - 1)];
        EXPECT_EQ(h.Rank, r);
        EXPECT_NEAR(h.Amplitude, amplitudes[r - 1], 0.02);
        EXPECT_NEAR(std::remainder(h.Phase - model.Harmonics[std::size_t(r - 1)].Phase, 2 * 3.14159265358979),
                    0, 0.05);
    }
}

}  // namespace
