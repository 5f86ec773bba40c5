// What a loaded model goes through next: rendered as the load commands do and drawn in the four
// views as the model page and the series page draw them, at their usual sizes and at 1 x 1 and
// 5 x 3. The input is a model file (fuzz_modelfile checks the reading and its refusals); what
// loads is bounded to a few tenths and a few harmonics so that each run stays short, every value
// else (fundamental, glide, ranks, amplitudes, phases, envelopes, switches) as the file holds it.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "files/modelfile.h"
#include "fuzz/fuzz_support.h"
#include "model/errors.h"

namespace {

constexpr std::uint16_t MaxTenths = 4;   // tenths of a second, of the file's 1..600
constexpr std::size_t MaxHarmonics = 4;  // of the file's 1..255

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::StartApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::unique_ptr<tmodele> model;
    try {
        model = ParseModelFile(QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)));
    } catch (const AppError&) {
        return 0;
    }
    // A longer model folds into 1..MaxTenths, so that every duration the file may say stays a
    // useful input; the harmonics past the first few are dropped.
    model->Duration = std::uint16_t(1 + (model->Duration - 1) % MaxTenths);
    if (model->Harmonics.size() > MaxHarmonics)
        model->Harmonics.resize(MaxHarmonics);
    fuzz::RenderAndDrawAll(*model);
    return 0;
}
