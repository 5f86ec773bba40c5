// Reading a recorded note: every format libsndfile writes comes back in model units, channels
// averaged, resampled to 44100 Hz, cut to the note, and each bad file gets its French refusal.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <QFile>
#include <QTemporaryDir>
#include <cmath>
#include <functional>
#include <numbers>

#include "analysis/decode.h"
#include "model/errors.h"
#include "support/files_scratch.h"

namespace {

using analysis::MaxNoteSamples;
using analysis::Rate;
using analysis::ReadSoundFile;
using analysis::Recording;
using analysis::SamplesPerTenth;

// A sine in 16-bit sample values, starting away from zero so its first sample is the start.
std::vector<short> Sine(double frequency, double amplitude, int rate, std::size_t count)
{
    std::vector<short> values(count);
    for (std::size_t i = 0; i < count; ++i)
        values[i] = short(
            std::lround(amplitude * std::sin(2 * std::numbers::pi * frequency * double(i) / rate + 1.0)));
    return values;
}

// Frequency from the upward zero crossings of the middle of a signal, Hz.
double MeasuredFrequency(const std::vector<double>& s, std::size_t from, std::size_t to)
{
    double first = -1, last = -1;
    int crossings = 0;
    for (std::size_t i = from; i + 1 < to; ++i)
        if (s[i] < 0 && s[i + 1] >= 0) {
            const double at = double(i) + s[i] / (s[i] - s[i + 1]);
            if (first < 0)
                first = at;
            else
                ++crossings;
            last = at;
        }
    return crossings * double(Rate) / (last - first);
}

double LargestMagnitude(const std::vector<double>& s, std::size_t from, std::size_t to)
{
    double peak = 0;
    for (std::size_t i = from; i < to; ++i)
        peak = std::max(peak, std::abs(s[i]));
    return peak;
}

class ImportReadingTest : public ::testing::Test {
protected:
    QString Path(const QString& name) const { return dir_.path() + "/" + name; }
    QTemporaryDir dir_;
};

TEST_F(ImportReadingTest, LosslessFormatsKeepModelUnitsExactly)
{
    struct Case {
        const char* name;
        int format;
    };
    const std::vector<short> values = Sine(440, 12000, Rate, 22050);
    for (const Case c : {Case{"pcm16.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16},
                         Case{"float.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT},
                         Case{"note.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16},
                         Case{"note.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16}}) {
        SCOPED_TRACE(c.name);
        WriteSound(Path(c.name), c.format, Rate, 1, values);
        const Recording r = ReadSoundFile(Path(c.name));
        ASSERT_EQ(r.samples.size(), values.size());
        EXPECT_EQ(r.start, 0u);
        EXPECT_EQ(r.fileRate, Rate);
        EXPECT_EQ(r.fileChannels, 1);
        for (std::size_t i = 0; i < values.size(); ++i)
            ASSERT_EQ(r.samples[i], double(values[i])) << "sample " << i;
        EXPECT_EQ(r.peak, 12000.0);
    }
}

TEST_F(ImportReadingTest, StereoChannelsAreAveraged)
{
    const std::vector<short> left = Sine(440, 10000, Rate, 8820);
    const std::vector<short> right = Sine(660, 7001, Rate, 8820);
    std::vector<short> frames;
    for (std::size_t i = 0; i < left.size(); ++i)
        frames.insert(frames.end(), {left[i], right[i]});
    WriteSound(Path("stereo.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, Rate, 2, frames);
    const Recording r = ReadSoundFile(Path("stereo.wav"));
    EXPECT_EQ(r.fileChannels, 2);
    ASSERT_EQ(r.samples.size(), left.size());
    for (std::size_t i = 0; i < left.size(); ++i)
        ASSERT_EQ(r.samples[i], (double(left[i]) + right[i]) / 2) << "sample " << i;
}

TEST_F(ImportReadingTest, OtherRatesAndLossyCodingKeepPitchAndLevel)
{
    struct Case {
        const char* name;
        int format;
        int rate;           // Hz
        double levelError;  // of the amplitude
        double pitchError;  // of the frequency
    };
    for (const Case c : {Case{"r48000.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 48000, 1e-3, 1e-3},
                         Case{"r22050.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 22050, 1e-3, 1e-3},
                         Case{"note.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, Rate, 0.05, 1e-3}}) {
        SCOPED_TRACE(c.name);
        WriteSound(Path(c.name), c.format, c.rate, 1, Sine(1000, 16000, c.rate, std::size_t(c.rate)));
        const Recording r = ReadSoundFile(Path(c.name));
        EXPECT_EQ(r.fileRate, c.rate);
        EXPECT_NEAR(double(r.samples.size()), Rate, 0.01 * Rate);
        // The middle, clear of the converter's and the coder's edges.
        const std::size_t from = r.samples.size() / 4, to = 3 * r.samples.size() / 4;
        EXPECT_NEAR(MeasuredFrequency(r.samples, from, to), 1000, 1000 * c.pitchError);
        EXPECT_NEAR(LargestMagnitude(r.samples, from, to), 16000, 16000 * c.levelError);
    }
}

TEST_F(ImportReadingTest, NoteStartDecidesWhereSamplesBegin)
{
    // 0.5 s of silence: the samples begin at the note.
    const std::vector<short> tone = Sine(440, 20000, Rate, 8820);
    std::vector<short> late(Rate / 2, 0);
    late.insert(late.end(), tone.begin(), tone.end());
    WriteSound(Path("late.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, Rate, 1, late);
    const Recording a = ReadSoundFile(Path("late.wav"));
    EXPECT_EQ(a.start, 0u);
    ASSERT_EQ(a.samples.size(), tone.size());
    EXPECT_EQ(a.samples.front(), double(tone.front()));
    EXPECT_EQ(a.peak, LargestMagnitude(a.samples, 0, a.samples.size()));

    // 30 quiet samples under 1/100 of the peak: the samples begin at the file's first.
    std::vector<short> early(30, 150);
    early[7] = -199;
    early.insert(early.end(), tone.begin(), tone.end());
    WriteSound(Path("early.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, Rate, 1, early);
    const Recording b = ReadSoundFile(Path("early.wav"));
    ASSERT_EQ(b.samples.size(), early.size());
    EXPECT_EQ(b.samples[7], -199.0);
    std::size_t expected = 0;
    while (std::abs(early[expected]) < b.peak / 100)
        ++expected;
    EXPECT_EQ(b.start, expected);
    EXPECT_GE(b.start, 30u);
}

TEST_F(ImportReadingTest, LongFileKeepsOnlyTheNote)
{
    // Ten minutes: a quiet first minute, the note proper, and a louder part far past it that
    // the reader never reaches.
    SF_INFO info{};
    info.samplerate = Rate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    const QString path = Path("long.wav");
    SNDFILE* file = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr);
    const std::vector<short> second = Sine(220, 3000, Rate, Rate);
    std::vector<short> loud = second;
    for (short& v : loud)
        v = short(v * 10);
    for (int s = 0; s < 600; ++s)
        sf_writef_short(file, (s < 300 ? second : loud).data(), Rate);
    sf_close(file);

    const Recording r = ReadSoundFile(path);
    EXPECT_EQ(r.start, 0u);
    EXPECT_EQ(r.NoteLength(), MaxNoteSamples);
    EXPECT_EQ(r.peak, 3000.0);
}

TEST_F(ImportReadingTest, LateLouderSoundMovesTheStartAndDropsTheFirstTenth)
{
    // Quiet for 2 s, then a note 100 times louder: the quiet part is under the threshold.
    std::vector<short> values = Sine(440, 60, Rate, 2 * Rate);
    const std::vector<short> note = Sine(440, 10000, Rate, 3 * Rate);
    values.insert(values.end(), note.begin(), note.end());
    WriteSound(Path("quietfirst.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, Rate, 1, values);
    const Recording r = ReadSoundFile(Path("quietfirst.wav"));
    EXPECT_EQ(r.start, 0u);
    ASSERT_EQ(r.samples.size(), note.size());
    EXPECT_EQ(r.samples.front(), double(note.front()));
}

TEST_F(ImportReadingTest, BadFilesAreRefusedWithTheirReason)
{
    const std::vector<short> good = Sine(440, 10000, Rate, 8820);
    WriteSound(Path("good.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, Rate, 1, good);
    const QByteArray goodBytes = FileContent(Path("good.wav"));
    ASSERT_FALSE(goodBytes.isEmpty());

    struct Case {
        const char* name;
        std::function<void(const QString&)> make;
        QString text;
    };
    const std::vector<Case> cases = {
        {"text.wav", [](const QString& p) { WriteContent(p, "Ceci n'est pas un son.\nDeuxième ligne\n"); },
         QStringLiteral("Format de fichier son inconnu")},
        {"truncated.wav", [&](const QString& p) { WriteContent(p, goodBytes.left(30)); },
         QStringLiteral("Fichier son endommagé")},
        {"coding.wav",
         [&](const QString& p) {
             QByteArray bytes = goodBytes;
             bytes[34] = 40;  // bits per sample: a PCM width libsndfile does not decode
             WriteContent(p, bytes);
         },
         QStringLiteral("Codage de son non pris en charge")},
        {"empty.wav", [](const QString& p) { WriteContent(p, QByteArray()); },
         QStringLiteral("Aucun son à analyser dans ce fichier")},
        {"noframes.wav",
         [](const QString& p) { WriteSound(p, SF_FORMAT_WAV | SF_FORMAT_PCM_16, Rate, 1, {}); },
         QStringLiteral("Aucun son à analyser dans ce fichier")},
        {"silent.wav",
         [](const QString& p) {
             WriteSound(p, SF_FORMAT_WAV | SF_FORMAT_PCM_16, Rate, 1, std::vector<short>(Rate, 0));
         },
         QStringLiteral("Aucun son à analyser dans ce fichier")},
        {"short.wav",
         [](const QString& p) {
             std::vector<short> v(Rate / 2, 0);
             const std::vector<short> blip = Sine(440, 10000, Rate, Rate / 20);
             v.insert(v.end(), blip.begin(), blip.end());
             WriteSound(p, SF_FORMAT_WAV | SF_FORMAT_PCM_16, Rate, 1, v);
         },
         QStringLiteral("La note dure moins d'un dixième de seconde")},
        {"missing.wav", [](const QString&) {}, QStringLiteral("Fichier introuvable")},
        // A header may claim any rate: one no converter reaches 44100 Hz from is refused before
        // any buffer is sized for it.
        {"rate10.wav",
         [](const QString& p) {
             WriteSound(p, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 10, 1, Sine(1, 10000, 10, 20));
         },
         QStringLiteral("Codage de son non pris en charge")},
        {"rate20M.wav",
         [](const QString& p) {
             WriteSound(p, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 20000000, 1, Sine(440, 10000, 20000000, 8192));
         },
         QStringLiteral("Codage de son non pris en charge")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = Path(c.name);
        c.make(path);
        try {
            ReadSoundFile(path);
            ADD_FAILURE() << "accepted";
        } catch (const AppError& e) {
            EXPECT_EQ(e.text(), c.text);
        }
    }
}

TEST(ImportSamplesTest, SamplesGetTheSameStartAndRefusals)
{
    std::vector<double> samples(100, 0.0);
    samples.resize(100 + SamplesPerTenth, 500.0);
    samples[150] = -5000;
    const Recording r = analysis::RecordingFromSamples(samples);
    EXPECT_EQ(r.start, 100u);
    EXPECT_EQ(r.peak, 5000.0);
    EXPECT_EQ(r.samples.size(), samples.size());

    for (const auto& [bad, text] : std::vector<std::pair<std::vector<double>, QString>>{
             {{}, QStringLiteral("Aucun son à analyser dans ce fichier")},
             {std::vector<double>(Rate, 0.0), QStringLiteral("Aucun son à analyser dans ce fichier")},
             {std::vector<double>(SamplesPerTenth - 1, 1.0),
              QStringLiteral("La note dure moins d'un dixième de seconde")}}) {
        try {
            analysis::RecordingFromSamples(bad);
            ADD_FAILURE() << "accepted " << bad.size() << " samples";
        } catch (const AppError& e) {
            EXPECT_EQ(e.text(), text);
        }
    }
}

}  // namespace
