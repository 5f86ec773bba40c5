#include "files/wavfile.h"

#include <QtEndian>
#include <limits>

#include "files/safefile.h"
#include "model/errors.h"

namespace {

constexpr std::uint32_t FormatBytes = 16;  // "fmt " sub-chunk: PCM, no extension field
constexpr std::uint16_t PcmFormat = 1;
constexpr std::uint16_t Channels = 1;
constexpr std::uint32_t BytesPerSecond = tmodele::SampleRate * 2;  // 88200
constexpr std::uint16_t BlockAlign = 2;                            // bytes per sample frame
constexpr std::uint16_t BitsPerSample = 16;
// The RIFF size field counts the file less its first 8 bytes: the header's other 36 and the data.
constexpr std::uint32_t RiffOverhead = WavHeaderBytes - 8;

template <typename T>
void Put(QByteArray& out, T value)
{
    const T little = qToLittleEndian(value);
    out.append(reinterpret_cast<const char*>(&little), sizeof little);
}

}  // namespace

QByteArray WavHeader(std::uint32_t dataBytes)
{
    QByteArray header;
    header.reserve(WavHeaderBytes);
    header.append("RIFF", 4);
    Put(header, std::uint32_t(dataBytes + RiffOverhead));
    header.append("WAVE", 4);
    header.append("fmt ", 4);
    Put(header, FormatBytes);
    Put(header, PcmFormat);
    Put(header, Channels);
    Put(header, std::uint32_t(tmodele::SampleRate));
    Put(header, BytesPerSecond);
    Put(header, BlockAlign);
    Put(header, BitsPerSample);
    header.append("data", 4);
    Put(header, dataBytes);
    return header;
}

void ExportWav(const QString& path, const std::vector<tmodele*>& models)
{
    std::uint64_t dataBytes = 0;
    for (const tmodele* model : models)
        dataBytes += std::uint64_t(model->Duration) * tmodele::BytesPerTenth;
    // The sizes are 32-bit fields: a longer sound cannot be described, so none is written.
    if (dataBytes > std::numeric_limits<std::uint32_t>::max() - RiffOverhead)
        throw AppError(QStringLiteral("Son trop long pour un fichier WAV (4 Go au plus)"));

    SafeFile file(path);
    const QByteArray header = WavHeader(std::uint32_t(dataBytes));
    file.Write(header.constData(), std::size_t(header.size()));
    for (tmodele* model : models) {
        if (model->Rendered == 0)
            model->Render();
        file.Write(model->Samples.data(), std::size_t(model->Duration) * tmodele::BytesPerTenth);
    }
    file.Commit();
}
