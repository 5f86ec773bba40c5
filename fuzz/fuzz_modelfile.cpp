// The model-file reader as "Charger un modèle" uses it: the bytes of the file, refused whole or
// loaded, and nothing more. What loads is rendered and drawn by fuzz_render, on models bounded
// so that each run stays short: here a run costs a parse and a write, whatever the duration.
#include <cstddef>
#include <cstdint>

#include "files/modelfile.h"
#include "files/modelrecord.h"
#include "fuzz/fuzz_support.h"
#include "model/errors.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::StartParsing();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // LoadModelFile refuses a longer file by its length before anything is parsed.
    if (size > std::size_t(modelrecord::MaxBytes))
        return -1;
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    std::unique_ptr<tmodele> model;
    try {
        model = ParseModelFile(bytes);
    } catch (const AppError& error) {
        fuzz::CheckRefusal(error.text(), QStringLiteral("Fichier modèle incorrect : "));
        return 0;
    }
    fuzz::Check(model != nullptr, "a file that loads gives a model");
    fuzz::Check(!model->Harmonics.empty(), "a loaded model has a harmonic for the selector");
    fuzz::Check(model->Rendered == 0, "a loaded model is not rendered yet");
    // Saving what loaded gives the same bytes back: nothing is lost through a load and a save.
    fuzz::Check(ModelFileBytes(*model) == bytes, "the file written back is the file read");
    return 0;
}
