#include "files/modelrecord.h"

#include <QtEndian>
#include <cmath>
#include <cstring>

#include "model/errors.h"
#include "model/numfmt.h"

namespace modelrecord {

namespace {

void PutBytes(QByteArray& out, const void* data, qsizetype size)
{
    out.append(static_cast<const char*>(data), size);
}

template <typename T>
void PutInteger(QByteArray& out, T value)
{
    const T little = qToLittleEndian(value);
    PutBytes(out, &little, sizeof little);
}

void PutDouble(QByteArray& out, double value)
{
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    PutInteger(out, bits);
}

// Reads fields one after the other from a record already known to be long enough.
class FieldReader {
public:
    FieldReader(QByteArrayView bytes, qsizetype offset) : bytes_(bytes), offset_(offset) {}

    template <typename T>
    T Integer()
    {
        T value{};
        std::memcpy(&value, bytes_.data() + offset_, sizeof value);
        offset_ += qsizetype(sizeof value);
        return qFromLittleEndian(value);
    }
    double Double()
    {
        const auto bits = Integer<std::uint64_t>();
        double value = 0;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    void Bytes(std::uint8_t* out, qsizetype size)
    {
        std::memcpy(out, bytes_.data() + offset_, std::size_t(size));
        offset_ += size;
    }
    qsizetype Offset() const { return offset_; }

private:
    QByteArrayView bytes_;
    qsizetype offset_;
};

[[noreturn]] void CutShort(qsizetype needed, qsizetype present)
{
    throw AppError(QStringLiteral("le fichier s'arrête avant la fin des données annoncées "
                                  "(%1 octets attendus, %2 présents)")
                       .arg(needed)
                       .arg(present));
}

double Finite(double value, const QString& what)
{
    if (!std::isfinite(value))
        throw AppError(QStringLiteral("%1 n'est pas un nombre fini").arg(what));
    return value;
}

}  // namespace

qsizetype Size(const tmodele& model)
{
    return HeaderBytes + HarmonicBytes * qsizetype(model.Harmonics.size());
}

void Append(QByteArray& out, const tmodele& model)
{
    out.reserve(out.size() + Size(model));
    PutInteger(out, std::int32_t(model.Harmonics.size()));
    PutDouble(out, model.Fundamental);
    PutDouble(out, model.Glide);
    PutInteger(out, model.Duration);
    PutInteger(out, model.SpareFlag);
    for (const tharmonique& harmonic : model.Harmonics) {
        PutInteger(out, harmonic.Active);
        PutInteger(out, harmonic.Rank);
        PutDouble(out, harmonic.Amplitude);
        PutDouble(out, harmonic.Phase);
        PutBytes(out, harmonic.Envelope.data(), qsizetype(harmonic.Envelope.size()));
    }
}

std::unique_ptr<tmodele> Read(QByteArrayView bytes, qsizetype& offset)
{
    const qsizetype available = bytes.size() - offset;
    if (available < HeaderBytes)
        CutShort(offset + HeaderBytes, bytes.size());
    FieldReader field(bytes, offset);
    const auto count = field.Integer<std::int32_t>();
    if (count < 0)
        throw AppError(QStringLiteral("nombre d'harmoniques négatif (%1)").arg(count));
    // The program never writes a model without its fundamental, and the page needs one entry.
    if (count == 0)
        throw AppError(QStringLiteral("le modèle n'a aucune harmonique"));
    if (count > MaxHarmonics)
        throw AppError(QStringLiteral("%1 harmoniques annoncées, %2 au plus").arg(count).arg(MaxHarmonics));
    const qsizetype size = HeaderBytes + HarmonicBytes * count;
    if (available < size)
        CutShort(offset + size, bytes.size());

    auto model = std::make_unique<tmodele>();
    model->Fundamental = Finite(field.Double(), QStringLiteral("la fréquence fondamentale"));
    model->Glide = Finite(field.Double(), QStringLiteral("le glissement"));
    model->Duration = field.Integer<std::uint16_t>();
    model->SpareFlag = field.Integer<std::uint8_t>();
    // A model of no samples has no time axis to draw on.
    if (model->Duration == 0)
        throw AppError(QStringLiteral("la durée du modèle est nulle"));
    if (model->Duration > MaxDuration)
        throw AppError(QStringLiteral("durée de %1 s, plus que les %2 s qu'un modèle peut durer")
                           .arg(numfmt::General(model->Duration / 10.0L, 15))
                           .arg(numfmt::General(MaxDuration / 10.0L, 15)));

    model->Harmonics.reserve(std::size_t(count));
    for (std::int32_t i = 0; i < count; ++i) {
        tharmonique harmonic;
        harmonic.Active = field.Integer<std::uint8_t>();
        harmonic.Rank = field.Integer<std::uint8_t>();
        const QString which = QStringLiteral("l'harmonique %1 (rang %2)").arg(i + 1).arg(harmonic.Rank);
        harmonic.Amplitude = Finite(field.Double(), QStringLiteral("l'amplitude de ") + which);
        harmonic.Phase = Finite(field.Double(), QStringLiteral("la phase de ") + which);
        field.Bytes(harmonic.Envelope.data(), qsizetype(harmonic.Envelope.size()));
        model->Harmonics.push_back(harmonic);
    }
    offset = field.Offset();
    return model;
}

}  // namespace modelrecord
