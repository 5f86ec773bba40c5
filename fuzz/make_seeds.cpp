// Writes the fuzz seed corpora with the program's own writers: model and series files saved by
// SaveModelFile / SaveSeriesFile, and amplitude texts as numfmt shows numbers.
// Usage: fuzz_make_seeds <corpus folder>   (creates model/, series/ and decimal/ in it)
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <cstdio>
#include <memory>
#include <vector>

#include "files/modelfile.h"
#include "files/seriesfile.h"
#include "model/numfmt.h"

namespace {

// The model the program starts with: 440 Hz, 1 s, its fundamental.
std::unique_ptr<tmodele> StartModel()
{
    auto model = std::make_unique<tmodele>();
    model->AddHarmonic(1);
    return model;
}

// A model edited as a user would: several ranks, some silenced, shaped envelopes.
std::unique_ptr<tmodele> EditedModel(int harmonics, std::uint16_t duration, double glide)
{
    auto model = StartModel();
    model->Duration = duration;
    model->Glide = glide;
    model->Fundamental = 220.0;
    for (int rank = 2; int(model->Harmonics.size()) < harmonics; rank += 1 + rank % 3)
        model->AddHarmonic(std::uint8_t(rank));
    for (std::size_t i = 0; i < model->Harmonics.size(); ++i) {
        tharmonique& h = model->Harmonics[i];
        h.Amplitude = 1.0 / double(i + 1);
        h.Phase = 0.5 * double(i);
        h.Active = i % 4 == 3 ? 0 : 1;
        for (std::size_t k = 0; k < h.Envelope.size(); ++k)
            h.Envelope[k] = std::uint8_t((k * (i + 3) * 37) % 256);
    }
    return model;
}

void Write(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <corpus folder>\n", argv[0]);
        return 2;
    }
    const QDir root(QString::fromLocal8Bit(argv[1]));
    for (const char* sub : {"model", "series", "decimal"})
        root.mkpath(QString::fromLatin1(sub));

    std::vector<std::unique_ptr<tmodele>> models;
    models.push_back(StartModel());
    models.push_back(EditedModel(3, 10, 0.0));
    models.push_back(EditedModel(7, 1, -0.25));
    models.push_back(EditedModel(12, 40, 0.5));
    models.push_back(EditedModel(2, 41, 1.0));
    for (std::size_t k = 0; k < models.size(); ++k)
        SaveModelFile(root.filePath(QStringLiteral("model/saved%1.mdl").arg(k)), *models[k]);

    SaveSeriesFile(root.filePath(QStringLiteral("series/one.ssm")),
                   std::span<const std::unique_ptr<tmodele>>(models.data(), 1));
    SaveSeriesFile(root.filePath(QStringLiteral("series/three.ssm")),
                   std::span<const std::unique_ptr<tmodele>>(models.data() + 1, 3));
    SaveSeriesFile(root.filePath(QStringLiteral("series/all.ssm")), models);

    // What the amplitude field holds: the slider's texts, the typed defaults, other notations.
    const std::vector<QString> texts = {
        numfmt::Fixed(1.0L, 10, 3), numfmt::Fixed(0.0316227766L, 10, 3), numfmt::General(0.5L, 15),
        numfmt::General(1e-7L, 15), numfmt::Scientific(2.5L, 5, 2),      numfmt::Scientific(-1e300L, 5, 2),
        QStringLiteral("1"),        QStringLiteral(" -0,0e-0 "),         QStringLiteral("1.5"),
        QStringLiteral(",5E+308"),
    };
    for (std::size_t k = 0; k < texts.size(); ++k)
        Write(root.filePath(QStringLiteral("decimal/text%1").arg(k)), texts[k].toUtf8());
    return 0;
}
