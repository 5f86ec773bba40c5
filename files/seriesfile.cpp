#include "files/seriesfile.h"

#include <QtEndian>
#include <cstring>

#include "files/filebytes.h"
#include "files/modelrecord.h"
#include "files/safefile.h"
#include "model/errors.h"

namespace {

constexpr qsizetype CountBytes = 4;                                                   // the int32 model count
constexpr qsizetype MaxBytes = CountBytes + MaxSeriesModels * modelrecord::MaxBytes;  // 4,183,812

[[noreturn]] void Refuse(const QString& problem)
{
    throw AppError(QStringLiteral("Fichier série incorrect : ") + problem);
}

}  // namespace

QByteArray SeriesFileBytes(std::span<const std::unique_ptr<tmodele>> models)
{
    QByteArray bytes;
    const std::int32_t count = qToLittleEndian(std::int32_t(models.size()));
    bytes.append(reinterpret_cast<const char*>(&count), sizeof count);
    for (const auto& model : models)
        modelrecord::Append(bytes, *model);
    return bytes;
}

SeriesModels ParseSeriesFile(QByteArrayView bytes)
{
    if (bytes.size() < CountBytes)
        Refuse(QStringLiteral("le fichier s'arrête avant la fin des données annoncées "
                              "(%1 octets attendus, %2 présents)")
                   .arg(CountBytes)
                   .arg(bytes.size()));
    std::int32_t count = 0;
    std::memcpy(&count, bytes.data(), sizeof count);
    count = qFromLittleEndian(count);
    if (count < 1)
        Refuse(QStringLiteral("nombre de modèles incorrect (%1), il en faut au moins un").arg(count));
    if (count > MaxSeriesModels)
        Refuse(QStringLiteral("%1 modèles annoncés, %2 au plus").arg(count).arg(MaxSeriesModels));

    SeriesModels models;
    models.reserve(std::size_t(count));
    qsizetype offset = CountBytes;
    for (std::int32_t k = 0; k < count; ++k) {
        try {
            models.push_back(modelrecord::Read(bytes, offset));
        } catch (const AppError& error) {
            Refuse(QStringLiteral("modèle %1 : ").arg(k + 1) + error.text());
        }
    }
    if (offset != bytes.size())
        Refuse(QStringLiteral("%1 octets inattendus après le dernier modèle").arg(bytes.size() - offset));
    return models;
}

void SaveSeriesFile(const QString& path, std::span<const std::unique_ptr<tmodele>> models)
{
    const QByteArray bytes = SeriesFileBytes(models);
    SafeFile file(path);
    file.Write(bytes.constData(), std::size_t(bytes.size()));
    file.Commit();
}

SeriesModels LoadSeriesFile(const QString& path)
{
    const QByteArray bytes = ReadWholeFile(path, MaxBytes);
    if (bytes.size() > MaxBytes)
        Refuse(QStringLiteral("plus de %1 octets, la taille de %2 modèles de %3 harmoniques")
                   .arg(MaxBytes)
                   .arg(MaxSeriesModels)
                   .arg(modelrecord::MaxHarmonics));
    return ParseSeriesFile(bytes);
}
