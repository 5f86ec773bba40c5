#include "files/modelfile.h"

#include "files/filebytes.h"
#include "files/modelrecord.h"
#include "files/safefile.h"
#include "model/errors.h"

namespace {

[[noreturn]] void Refuse(const QString& problem)
{
    throw AppError(QStringLiteral("Fichier modèle incorrect : ") + problem);
}

}  // namespace

QByteArray ModelFileBytes(const tmodele& model)
{
    QByteArray bytes;
    modelrecord::Append(bytes, model);
    return bytes;
}

std::unique_ptr<tmodele> ParseModelFile(QByteArrayView bytes)
{
    qsizetype offset = 0;
    std::unique_ptr<tmodele> model;
    try {
        model = modelrecord::Read(bytes, offset);
    } catch (const AppError& error) {
        Refuse(error.text());
    }
    if (offset != bytes.size())
        Refuse(QStringLiteral("%1 octets inattendus après la fin du modèle").arg(bytes.size() - offset));
    return model;
}

void SaveModelFile(const QString& path, const tmodele& model)
{
    const QByteArray bytes = ModelFileBytes(model);
    SafeFile file(path);
    file.Write(bytes.constData(), std::size_t(bytes.size()));
    file.Commit();
}

std::unique_ptr<tmodele> LoadModelFile(const QString& path)
{
    const QByteArray bytes = ReadWholeFile(path, modelrecord::MaxBytes);
    if (bytes.size() > modelrecord::MaxBytes)
        Refuse(QStringLiteral("plus de %1 octets, la taille d'un modèle de %2 harmoniques")
                   .arg(modelrecord::MaxBytes)
                   .arg(modelrecord::MaxHarmonics));
    return ParseModelFile(bytes);
}
