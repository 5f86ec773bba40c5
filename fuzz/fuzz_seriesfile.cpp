// The series-file reader as "Charger une série" uses it: the bytes of the file, refused whole or
// loaded, and nothing more (fuzz_render renders and draws models as the series page does).
#include <cstddef>
#include <cstdint>

#include "files/seriesfile.h"
#include "fuzz/fuzz_support.h"
#include "model/errors.h"

namespace {

// Bytes of the largest series file LoadSeriesFile reads: the count and 256 records of 255
// harmonics (4 + 256 x 16,343).
constexpr std::size_t MaxSeriesFileBytes = 4183812;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::StartParsing();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > MaxSeriesFileBytes)
        return -1;
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    SeriesModels models;
    try {
        models = ParseSeriesFile(bytes);
    } catch (const AppError& error) {
        fuzz::CheckRefusal(error.text(), QStringLiteral("Fichier série incorrect : "));
        return 0;
    }
    fuzz::Check(!models.empty() && models.size() <= std::size_t(MaxSeriesModels),
                "a loaded series has 1..256 models, one list entry each");
    for (const auto& model : models)
        fuzz::Check(model && !model->Harmonics.empty() && model->Rendered == 0,
                    "every loaded model is whole and not rendered yet");
    fuzz::Check(SeriesFileBytes(models) == bytes, "the series written back is the file read");
    return 0;
}
