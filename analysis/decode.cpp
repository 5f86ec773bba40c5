#include "analysis/decode.h"

#include <samplerate.h>
#include <sndfile.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <memory>

#include <QFile>
#include <QFileInfo>

#include "model/errors.h"

namespace analysis {

namespace {

constexpr double FullScale = 32768;       // model units of a float sample of 1.0
constexpr sf_count_t BlockFrames = 8192;  // frames read at a time
// libsndfile's own code for a sample format it knows but does not decode (a WAV of 40-bit
// samples, say): not among the public codes, and the same refusal for the user.
constexpr int UnimplementedCode = 18;

QString NoSoundText()
{
    return QStringLiteral("Aucun son à analyser dans ce fichier");
}

QString DamagedText()
{
    return QStringLiteral("Fichier son endommagé");
}

// Follows the note as samples arrive, holding no more than the first tenth and the note's
// MaxNoteSamples: the start can only move later as the peak grows (the threshold rises), so
// what lies before it and past the first tenth is never needed again.
class NoteFinder {
public:
    // False once MaxNoteSamples past the start are held: the rest of the file is not needed.
    bool Add(double sample)
    {
        held_.push_back(sample);
        const double magnitude = std::abs(sample);
        if (magnitude > peak_) {
            peak_ = magnitude;
            const double threshold = peak_ * StartFraction;
            while (std::abs(held_[start_ - from_]) < threshold)
                ++start_;
            DropBeforeStart();
        }
        return from_ + held_.size() - start_ < MaxNoteSamples;
    }

    Recording Finish(int fileRate, int fileChannels)
    {
        if (peak_ == 0)
            throw AppError(NoSoundText());
        Recording recording;
        recording.peak = peak_;
        recording.fileRate = fileRate;
        recording.fileChannels = fileChannels;
        const std::size_t keptFrom = start_ < SamplesPerTenth ? 0 : start_;
        recording.samples.assign(held_.begin() + std::ptrdiff_t(keptFrom - from_), held_.end());
        recording.start = start_ - keptFrom;
        if (recording.NoteLength() < SamplesPerTenth)
            throw AppError(QStringLiteral("La note dure moins d'un dixième de seconde"));
        return recording;
    }

private:
    // Compacts only when the dead part is as long as a whole note, so each sample moves at most
    // once or twice.
    void DropBeforeStart()
    {
        if (start_ < SamplesPerTenth || start_ - from_ < MaxNoteSamples)
            return;
        held_.erase(held_.begin(), held_.begin() + std::ptrdiff_t(start_ - from_));
        from_ = start_;
    }

    std::vector<double> held_;
    std::size_t from_ = 0;   // file index of held_[0]
    std::size_t start_ = 0;  // file index of the first sample reaching StartFraction of the peak
    double peak_ = 0;        // model units
};

struct FileCloser {
    void operator()(SNDFILE* file) const { sf_close(file); }
};
struct ConverterDeleter {
    void operator()(SRC_STATE* state) const { src_delete(state); }
};

// The text for a file libsndfile refuses to open.
QString OpenRefusalText(int code)
{
    switch (code) {
        case SF_ERR_UNRECOGNISED_FORMAT:
            return QStringLiteral("Format de fichier son inconnu");
        case SF_ERR_SYSTEM:
            // It was there and readable a moment ago: it vanished or was locked since.
            return IoErrorText(errno != 0 ? errno : ENOENT);
        case SF_ERR_UNSUPPORTED_ENCODING:
        case UnimplementedCode:
            return QStringLiteral("Codage de son non pris en charge");
        default:
            // SF_ERR_MALFORMED_FILE and the finer codes of each format's header checks.
            return DamagedText();
    }
}

std::unique_ptr<SNDFILE, FileCloser> OpenSoundFile(const QString& path, SF_INFO& info)
{
    const QFileInfo about(path);
    if (!about.exists())
        throw IoError(ENOENT);
    if (about.isDir())
        throw IoError(EISDIR);
    if (!about.isReadable())
        throw IoError(EACCES);
    if (about.size() == 0)
        throw AppError(NoSoundText());
    errno = 0;
    info = SF_INFO{};
    SNDFILE* file = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (file == nullptr)
        throw AppError(OpenRefusalText(sf_error(nullptr)));
    return std::unique_ptr<SNDFILE, FileCloser>(file);
}

// Feeds the finder the file's mono samples at 44100 Hz, until the file ends or the finder has
// the whole note.
void ReadInto(SNDFILE* file, const SF_INFO& info, NoteFinder& finder)
{
    const int channels = info.channels;
    const bool resample = info.samplerate != Rate;
    std::unique_ptr<SRC_STATE, ConverterDeleter> converter;
    const double ratio = double(Rate) / info.samplerate;
    if (resample) {
        int error = 0;
        converter.reset(src_new(SRC_SINC_BEST_QUALITY, 1, &error));
        if (!converter)
            throw AppError(QStringLiteral("Codage de son non pris en charge"));
    }
    std::vector<double> frames(std::size_t(BlockFrames) * std::size_t(channels));
    std::vector<float> mono(static_cast<std::size_t>(BlockFrames));
    std::vector<float> converted(std::size_t(std::ceil(BlockFrames * ratio)) + 64);

    bool wanted = true;
    bool ended = false;
    while (wanted && !ended) {
        const sf_count_t got = sf_readf_double(file, frames.data(), BlockFrames);
        if (got < BlockFrames) {
            if (sf_error(file) != SF_ERR_NO_ERROR)
                throw AppError(DamagedText());
            ended = true;
        }
        if (!resample) {
            for (sf_count_t i = 0; i < got && wanted; ++i) {
                double sum = 0;
                for (int c = 0; c < channels; ++c)
                    sum += frames[std::size_t(i * channels + c)];
                wanted = finder.Add(sum / channels * FullScale);
            }
            continue;
        }
        for (sf_count_t i = 0; i < got; ++i) {
            double sum = 0;
            for (int c = 0; c < channels; ++c)
                sum += frames[std::size_t(i * channels + c)];
            mono[std::size_t(i)] = float(sum / channels);
        }
        // The converter keeps a tail of its filter: at the end, it is drained until it gives
        // nothing more.
        SRC_DATA data{};
        data.data_in = mono.data();
        data.input_frames = long(got);
        data.src_ratio = ratio;
        data.end_of_input = ended ? 1 : 0;
        do {
            data.data_out = converted.data();
            data.output_frames = long(converted.size());
            if (src_process(converter.get(), &data) != 0)
                throw AppError(DamagedText());
            for (long i = 0; i < data.output_frames_gen && wanted; ++i)
                wanted = finder.Add(double(converted[std::size_t(i)]) * FullScale);
            data.data_in += data.input_frames_used;
            data.input_frames -= data.input_frames_used;
        } while (wanted && (data.input_frames > 0 || (ended && data.output_frames_gen > 0)));
    }
}

}  // namespace

Recording ReadSoundFile(const QString& path)
{
    SF_INFO info{};
    const auto file = OpenSoundFile(path, info);
    if (info.frames == 0 || info.channels <= 0 || info.samplerate <= 0)
        throw AppError(NoSoundText());
    NoteFinder finder;
    ReadInto(file.get(), info, finder);
    return finder.Finish(info.samplerate, info.channels);
}

Recording RecordingFromSamples(std::vector<double> samples)
{
    NoteFinder finder;
    for (double sample : samples)
        if (!finder.Add(sample))
            break;
    return finder.Finish(Rate, 1);
}

}  // namespace analysis
