// Model and series files: the byte images, round trips, every kind of bad file refused with the
// model kept, and saves that fail without harming the file already there.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QIODevice>
#include <QImage>
#include <QTemporaryDir>
#include <cmath>
#include <functional>
#include <limits>

#include "files/modelfile.h"
#include "files/picturefile.h"
#include "files/safefile.h"
#include "files/seriesfile.h"
#include "model/errors.h"
#include "support/files_scratch.h"

namespace {

// --- An encoder of our own, written from the record's table, to check the program's bytes. ---

struct HarmonicRecipe {
    int active = 1;
    int rank = 1;
    double amplitude = 1.0;
    double phase = 0.0;
    std::array<std::uint8_t, 46> envelope = DefaultEnvelope();

    static std::array<std::uint8_t, 46> DefaultEnvelope()
    {
        std::array<std::uint8_t, 46> e{};
        e.fill(255);
        e.front() = 0;
        e.back() = 0;
        return e;
    }
};

struct ModelRecipe {
    double fundamental = 440.0;
    double glide = 0.0;
    int duration = 10;
    int flag = 1;
    std::vector<HarmonicRecipe> harmonics{HarmonicRecipe{}};
    std::int32_t count = -1;  // written count; -1 writes the real one
};

QByteArray Encode(const ModelRecipe& recipe)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out.setFloatingPointPrecision(QDataStream::DoublePrecision);
    out << qint32(recipe.count >= 0 ? recipe.count : qint32(recipe.harmonics.size())) << recipe.fundamental
        << recipe.glide << quint16(recipe.duration) << quint8(recipe.flag);
    for (const HarmonicRecipe& h : recipe.harmonics) {
        out << quint8(h.active) << quint8(h.rank) << h.amplitude << h.phase;
        out.writeRawData(reinterpret_cast<const char*>(h.envelope.data()), 46);
    }
    return bytes;
}

QByteArray EncodeSeries(const std::vector<ModelRecipe>& models, qint32 count)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out << count;
    for (const ModelRecipe& m : models)
        bytes += Encode(m);
    return bytes;
}

std::unique_ptr<tmodele> Build(const ModelRecipe& recipe)
{
    auto model = std::make_unique<tmodele>();
    model->Fundamental = recipe.fundamental;
    model->Glide = recipe.glide;
    model->Duration = std::uint16_t(recipe.duration);
    model->SpareFlag = std::uint8_t(recipe.flag);
    for (const HarmonicRecipe& h : recipe.harmonics) {
        tharmonique record;
        record.Active = std::uint8_t(h.active);
        record.Rank = std::uint8_t(h.rank);
        record.Amplitude = h.amplitude;
        record.Phase = h.phase;
        record.Envelope = h.envelope;
        model->Harmonics.push_back(record);
    }
    return model;
}

// A model that exercises every field: three ranks, one switched off, odd envelopes.
ModelRecipe Varied()
{
    ModelRecipe recipe;
    recipe.fundamental = 261.63;
    recipe.glide = -0.253;
    recipe.duration = 7;
    recipe.flag = 1;
    recipe.harmonics.clear();
    for (int rank : {1, 3, 7}) {
        HarmonicRecipe h;
        h.rank = rank;
        h.active = rank == 3 ? 0 : 1;
        h.amplitude = 1.0 / rank;
        h.phase = rank * 30 * M_PI / 180;
        for (int k = 0; k < 46; ++k)
            h.envelope[std::size_t(k)] = std::uint8_t((k * 37 + rank * 11) % 256);
        recipe.harmonics.push_back(h);
    }
    return recipe;
}

void ExpectSameModel(const tmodele& a, const tmodele& b)
{
    EXPECT_EQ(a.Fundamental, b.Fundamental);
    EXPECT_EQ(a.Glide, b.Glide);
    EXPECT_EQ(a.Duration, b.Duration);
    EXPECT_EQ(a.SpareFlag, b.SpareFlag);
    ASSERT_EQ(a.Harmonics.size(), b.Harmonics.size());
    for (std::size_t i = 0; i < a.Harmonics.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(a.Harmonics[i].Active, b.Harmonics[i].Active);
        EXPECT_EQ(a.Harmonics[i].Rank, b.Harmonics[i].Rank);
        EXPECT_EQ(a.Harmonics[i].Amplitude, b.Harmonics[i].Amplitude);
        EXPECT_EQ(a.Harmonics[i].Phase, b.Harmonics[i].Phase);
        EXPECT_EQ(a.Harmonics[i].Envelope, b.Harmonics[i].Envelope);
    }
}

// The message of the AppError a call throws, or "" when it throws none.
QString ErrorOf(const std::function<void()>& call)
{
    try {
        call();
    } catch (const AppError& error) {
        return error.text();
    }
    return {};
}

class FilesTest : public ::testing::Test {
protected:
    QString Path(const QString& name) const { return dir_.path() + "/" + name; }
    QTemporaryDir dir_;
};

// --- Byte images ---

TEST_F(FilesTest, NewModelIsTheEightySevenBytesOfItsRecord)
{
    tmodele model;
    model.AddHarmonic(1);
    const QByteArray expected = QByteArray::fromHex(
        "01000000"
        "0000000000807B40"
        "0000000000000000"
        "0A00"
        "01"
        "01"
        "01"
        "000000000000F03F"
        "0000000000000000"
        "00" +
        QByteArray(44 * 2, 'F') + "00");
    ASSERT_EQ(expected.size(), 87);
    EXPECT_EQ(ModelFileBytes(model).toHex(), expected.toHex());

    SaveModelFile(Path("nouveau.mdl"), model);
    EXPECT_EQ(FileContent(Path("nouveau.mdl")).toHex(), expected.toHex());
}

TEST_F(FilesTest, RecordsFollowListOrderAndEveryField)
{
    const ModelRecipe recipe = Varied();
    const auto model = Build(recipe);
    const QByteArray bytes = ModelFileBytes(*model);
    EXPECT_EQ(bytes.size(), 23 + 3 * 64);
    EXPECT_EQ(bytes.toHex(), Encode(recipe).toHex());
}

TEST_F(FilesTest, SeriesFilesAreACountAndTheRecords)
{
    // Two new models: 4 + 2 x 87 = 178 bytes.
    SeriesModels two;
    for (int k = 0; k < 2; ++k) {
        two.push_back(std::make_unique<tmodele>());
        two.back()->AddHarmonic(1);
    }
    const QByteArray twoBytes = SeriesFileBytes(two);
    EXPECT_EQ(twoBytes.size(), 178);
    EXPECT_EQ(twoBytes.toHex(), EncodeSeries({ModelRecipe{}, ModelRecipe{}}, 2).toHex());

    // Models of 1, 2 and 3 harmonics: 4 + 87 + 151 + 215 = 457 bytes.
    std::vector<ModelRecipe> recipes;
    SeriesModels three;
    for (int c = 1; c <= 3; ++c) {
        ModelRecipe recipe = Varied();
        recipe.harmonics.resize(std::size_t(c));
        recipe.duration = 5 * c;
        recipes.push_back(recipe);
        three.push_back(Build(recipe));
    }
    const QByteArray threeBytes = SeriesFileBytes(three);
    EXPECT_EQ(threeBytes.size(), 457);
    EXPECT_EQ(threeBytes.toHex(), EncodeSeries(recipes, 3).toHex());
}

// --- Round trips ---

TEST_F(FilesTest, ModelRoundTripKeepsFieldsSwitchAndSound)
{
    const auto saved = Build(Varied());
    saved->Render();
    SaveModelFile(Path("m.mdl"), *saved);
    const auto loaded = LoadModelFile(Path("m.mdl"));
    ExpectSameModel(*saved, *loaded);
    EXPECT_EQ(loaded->Harmonics[1].Active, 0) << "the switched-off harmonic stays off";
    EXPECT_EQ(loaded->Rendered, 0) << "a loaded model is rendered by whoever shows it";
    loaded->Render();
    EXPECT_TRUE(loaded->Samples == saved->Samples) << "same sound byte for byte";
}

TEST_F(FilesTest, SavingOverAFileReplacesItAndKeepsItsMode)
{
    WriteContent(Path("old.mdl"), QByteArray(5000, 'x'));
    ::chmod(QFile::encodeName(Path("old.mdl")).constData(), 0640);
    tmodele model;
    model.AddHarmonic(1);
    SaveModelFile(Path("old.mdl"), model);
    EXPECT_EQ(FileContent(Path("old.mdl")), ModelFileBytes(model));
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(Path("old.mdl")).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    EXPECT_EQ(FolderNames(dir_.path()), QStringList{"old.mdl"}) << "no temporary file left";
}

TEST_F(FilesTest, SavingThroughALinkReplacesTheFileItNames)
{
    WriteContent(Path("real.mdl"), "old");
    ASSERT_TRUE(QFile::link(Path("real.mdl"), Path("link.mdl")));
    tmodele model;
    model.AddHarmonic(1);
    SaveModelFile(Path("link.mdl"), model);
    EXPECT_TRUE(QFileInfo(Path("link.mdl")).isSymLink());
    EXPECT_EQ(FileContent(Path("real.mdl")), ModelFileBytes(model));
}

TEST_F(FilesTest, SeriesRoundTripKeepsOrderAndSounds)
{
    SeriesModels saved;
    for (int c = 1; c <= 3; ++c) {
        ModelRecipe recipe = Varied();
        recipe.harmonics.resize(std::size_t(c));
        recipe.fundamental = 100.0 * c;
        recipe.duration = c;
        saved.push_back(Build(recipe));
        saved.back()->Render();
    }
    SaveSeriesFile(Path("s.ssm"), saved);
    SeriesModels loaded = LoadSeriesFile(Path("s.ssm"));
    ASSERT_EQ(loaded.size(), 3u);
    for (std::size_t k = 0; k < 3; ++k) {
        SCOPED_TRACE(k);
        ExpectSameModel(*saved[k], *loaded[k]);
        EXPECT_EQ(loaded[k]->Rendered, 0);
        loaded[k]->Render();
        EXPECT_TRUE(loaded[k]->Samples == saved[k]->Samples);
    }
}

// Values the format allows and the program accepts load as they are, and a file written from
// them loads back identical (out-of-order and repeated ranks keep their order).
TEST_F(FilesTest, UnusualButHarmlessValuesLoadAsWritten)
{
    struct Case {
        const char* what;
        std::function<void(ModelRecipe&)> change;
    };
    const std::vector<Case> cases = {
        {"duration 41", [](ModelRecipe& s) { s.duration = 41; }},
        {"duration 600", [](ModelRecipe& s) { s.duration = 600; }},
        {"duration 1", [](ModelRecipe& s) { s.duration = 1; }},
        {"glide beyond the spinners", [](ModelRecipe& s) { s.glide = 3.5; }},
        {"negative glide", [](ModelRecipe& s) { s.glide = -2.0; }},
        {"flag byte 7", [](ModelRecipe& s) { s.flag = 7; }},
        {"ranks out of order and repeated",
         [](ModelRecipe& s) {
             s.harmonics[0].rank = 9;
             s.harmonics[1].rank = 2;
             s.harmonics[2].rank = 2;
         }},
        {"ranks 0 and 255",
         [](ModelRecipe& s) {
             s.harmonics[1].rank = 0;
             s.harmonics[2].rank = 255;
         }},
        {"amplitude above 1 and negative",
         [](ModelRecipe& s) {
             s.harmonics[0].amplitude = 4.0;
             s.harmonics[2].amplitude = -0.5;
         }},
        {"all switched off",
         [](ModelRecipe& s) {
             for (auto& h : s.harmonics)
                 h.active = 0;
         }},
        {"255 harmonics", [](ModelRecipe& s) { s.harmonics.resize(255, s.harmonics[0]); }},
        {"fundamental far above hearing", [](ModelRecipe& s) { s.fundamental = 1e6; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ModelRecipe recipe = Varied();
        c.change(recipe);
        const QByteArray bytes = Encode(recipe);
        std::unique_ptr<tmodele> model;
        ASSERT_EQ(ErrorOf([&] { model = ParseModelFile(bytes); }), QString());
        ExpectSameModel(*Build(recipe), *model);
        EXPECT_EQ(ModelFileBytes(*model).toHex(), bytes.toHex()) << "writes back the same bytes";
        // What loads is used like any model: rendered, then drawn in pictures of every size.
        model->Render();
        EXPECT_EQ(model->Samples.size(), std::size_t(recipe.duration) * 8820);
        for (const QSize size : {QSize(800, 150), QSize(3, 2), QSize(1, 1)}) {
            QImage picture(size, QImage::Format_RGB32);
            const double end = recipe.duration / 10.0;  // seconds
            model->DrawWaveform(picture, 0.0, end);
            model->DrawWaveform(picture, end * 0.25, end * 0.2501);
            model->DrawSpectrum(picture, end / 2);
            model->DrawSonogram(picture);
            model->DrawComponents(picture, end);
        }
    }
}

// --- Bad files ---

QByteArray WithDouble(QByteArray bytes, int offset, double value)
{
    std::uint64_t bits;
    std::memcpy(&bits, &value, 8);
    for (int k = 0; k < 8; ++k)
        bytes[offset + k] = char((bits >> (8 * k)) & 0xFF);
    return bytes;
}

QByteArray WithInt32(QByteArray bytes, int offset, std::int32_t value)
{
    for (int k = 0; k < 4; ++k)
        bytes[offset + k] = char((std::uint32_t(value) >> (8 * k)) & 0xFF);
    return bytes;
}

QByteArray WithUInt16(QByteArray bytes, int offset, std::uint16_t value)
{
    bytes[offset] = char(value & 0xFF);
    bytes[offset + 1] = char(value >> 8);
    return bytes;
}

struct BadFile {
    const char* what;
    QByteArray bytes;
    QString message;  // the whole text shown
};

std::vector<BadFile> BadModelFiles()
{
    const QByteArray good = Encode(Varied());  // 215 bytes, harmonics at 23, 87, 151
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const QString prefix = "Fichier modèle incorrect : ";
    return {
        {"empty file", QByteArray(),
         prefix + "le fichier s'arrête avant la fin des données annoncées (23 octets attendus, 0 présents)"},
        {"cut inside the header", good.left(22),
         prefix + "le fichier s'arrête avant la fin des données annoncées (23 octets attendus, 22 présents)"},
        {"cut inside the last harmonic", good.left(214),
         prefix +
             "le fichier s'arrête avant la fin des données annoncées (215 octets attendus, 214 présents)"},
        {"count one above the records", WithInt32(good, 0, 4),
         prefix +
             "le fichier s'arrête avant la fin des données annoncées (279 octets attendus, 215 présents)"},
        {"count one below the records", WithInt32(good, 0, 2),
         prefix + "64 octets inattendus après la fin du modèle"},
        {"trailing byte", good + QByteArray(1, '\0'), prefix + "1 octets inattendus après la fin du modèle"},
        {"negative count", WithInt32(good, 0, -1), prefix + "nombre d'harmoniques négatif (-1)"},
        {"no harmonic", WithInt32(good, 0, 0), prefix + "le modèle n'a aucune harmonique"},
        {"256 harmonics", WithInt32(good, 0, 256), prefix + "256 harmoniques annoncées, 255 au plus"},
        {"absurd count", WithInt32(good, 0, std::numeric_limits<std::int32_t>::max()),
         prefix + "2147483647 harmoniques annoncées, 255 au plus"},
        {"fundamental NaN", WithDouble(good, 4, nan),
         prefix + "la fréquence fondamentale n'est pas un nombre fini"},
        {"glide infinite", WithDouble(good, 12, -inf), prefix + "le glissement n'est pas un nombre fini"},
        {"amplitude infinite", WithDouble(good, 87 + 2, inf),
         prefix + "l'amplitude de l'harmonique 2 (rang 3) n'est pas un nombre fini"},
        {"phase NaN", WithDouble(good, 151 + 10, nan),
         prefix + "la phase de l'harmonique 3 (rang 7) n'est pas un nombre fini"},
        {"duration 0", WithUInt16(good, 20, 0), prefix + "la durée du modèle est nulle"},
        {"duration 601", WithUInt16(good, 20, 601),
         prefix + "durée de 60,1 s, plus que les 60 s qu'un modèle peut durer"},
        {"duration 65535", WithUInt16(good, 20, 65535),
         prefix + "durée de 6553,5 s, plus que les 60 s qu'un modèle peut durer"},
    };
}

TEST_F(FilesTest, BadModelFilesAreRefusedWithWhatIsWrong)
{
    for (const BadFile& bad : BadModelFiles()) {
        SCOPED_TRACE(bad.what);
        WriteContent(Path("bad.mdl"), bad.bytes);
        EXPECT_EQ(ErrorOf([&] { LoadModelFile(Path("bad.mdl")); }), bad.message);
    }
}

TEST_F(FilesTest, BadSeriesFilesAreRefusedWithTheModelConcerned)
{
    const QByteArray one = Encode(Varied());
    const QString prefix = "Fichier série incorrect : ";
    std::vector<BadFile> cases = {
        {"shorter than the count", QByteArray::fromHex("0100"),
         prefix + "le fichier s'arrête avant la fin des données annoncées (4 octets attendus, 2 présents)"},
        {"no model", QByteArray::fromHex("00000000"),
         prefix + "nombre de modèles incorrect (0), il en faut au moins un"},
        {"negative count", QByteArray::fromHex("FBFFFFFF") + one,
         prefix + "nombre de modèles incorrect (-5), il en faut au moins un"},
        {"257 models", QByteArray::fromHex("01010000") + one, prefix + "257 modèles annoncés, 256 au plus"},
        {"second model missing", QByteArray::fromHex("02000000") + one,
         prefix + "modèle 2 : le fichier s'arrête avant la fin des données annoncées (242 octets attendus, "
                  "219 présents)"},
        {"second model cut", QByteArray::fromHex("02000000") + one + one.left(100),
         prefix + "modèle 2 : le fichier s'arrête avant la fin des données annoncées (434 octets attendus, "
                  "319 présents)"},
        {"trailing garbage", QByteArray::fromHex("01000000") + one + "zz",
         prefix + "2 octets inattendus après le dernier modèle"},
    };
    // Every bad model record, as the second model of a series.
    for (BadFile& bad : BadModelFiles()) {
        // Lengths and offsets differ inside a series; those cases are listed above.
        if (bad.bytes.size() != one.size() || QByteArray(bad.what).startsWith("count one"))
            continue;
        cases.push_back(
            {bad.what, QByteArray::fromHex("02000000") + one + bad.bytes,
             prefix + "modèle 2 : " + bad.message.mid(QStringLiteral("Fichier modèle incorrect : ").size())});
    }
    for (const BadFile& bad : cases) {
        SCOPED_TRACE(bad.what);
        WriteContent(Path("bad.ssm"), bad.bytes);
        EXPECT_EQ(ErrorOf([&] { LoadSeriesFile(Path("bad.ssm")); }), bad.message);
    }
}

TEST_F(FilesTest, WhatIsNotAReadableFileGivesTheSystemText)
{
    EXPECT_EQ(ErrorOf([&] { LoadModelFile(Path("absent.mdl")); }), "Fichier introuvable");
    EXPECT_EQ(ErrorOf([&] { LoadSeriesFile(Path("absent/deeper.ssm")); }), "Fichier introuvable");
    QDir(dir_.path()).mkdir("folder.mdl");
    EXPECT_EQ(ErrorOf([&] { LoadModelFile(Path("folder.mdl")); }), "Nom de fichier incorrect");
    WriteContent(Path("plain"), "x");
    EXPECT_EQ(ErrorOf([&] { LoadModelFile(Path("plain/under.mdl")); }), "Nom de fichier incorrect");
    // A device that never ends is read only as far as the largest valid file, then refused.
    EXPECT_EQ(ErrorOf([&] { LoadModelFile("/dev/zero"); }),
              "Fichier modèle incorrect : plus de 16343 octets, la taille d'un modèle de 255 harmoniques");
    EXPECT_EQ(ErrorOf([&] { LoadSeriesFile("/dev/zero"); }),
              "Fichier série incorrect : plus de 4183812 octets, la taille de 256 modèles de 255 "
              "harmoniques");
    EXPECT_EQ(ErrorOf([&] { LoadModelFile(QString()); }), "Fichier introuvable");
    // Opened and seen as a plain file, but its first read fails (nothing is mapped at address 0).
    EXPECT_EQ(ErrorOf([&] { LoadModelFile("/proc/self/mem"); }), "Erreur E/S 5");
    // A named pipe nobody writes to must not hang the program.
    ASSERT_EQ(::mkfifo(QFile::encodeName(Path("pipe")).constData(), 0600), 0);
    EXPECT_EQ(ErrorOf([&] { LoadModelFile(Path("pipe")); }),
              "Fichier modèle incorrect : le fichier s'arrête avant la fin des données annoncées (23 octets "
              "attendus, 0 présents)");
}

// --- Saves that fail ---

TEST_F(FilesTest, FailedSavesLeaveTheExistingFile)
{
    tmodele model;
    model.AddHarmonic(1);
    SeriesModels series;
    series.push_back(model.Copy());

    WriteContent(Path("plain"), "x");
    EXPECT_EQ(ErrorOf([&] { SaveModelFile(Path("plain/under.mdl"), model); }), "Nom de fichier incorrect");
    EXPECT_EQ(ErrorOf([&] { SaveModelFile(Path("missing/m.mdl"), model); }), "Fichier introuvable");
    EXPECT_EQ(ErrorOf([&] { SaveModelFile(QString(), model); }), "Fichier introuvable");

    QDir(dir_.path()).mkdir("folder.ssm");
    WriteContent(Path("folder.ssm/inside"), "kept");
    EXPECT_EQ(ErrorOf([&] { SaveSeriesFile(Path("folder.ssm"), series); }), "Nom de fichier incorrect");
    EXPECT_EQ(FileContent(Path("folder.ssm/inside")), "kept");
    EXPECT_EQ(FolderNames(dir_.path()), (QStringList{"folder.ssm", "plain"}));
}

TEST_F(FilesTest, AFileThatBecomesAFolderBeforeTheSaveEndsIsLeftToIt)
{
    // Another program makes a folder of the name while the bytes are being written.
    SafeFile file(Path("taken.mdl"));
    file.Write("abc", 3);
    QDir(dir_.path()).mkdir("taken.mdl");
    WriteContent(Path("taken.mdl/inside"), "kept");
    EXPECT_EQ(ErrorOf([&] { file.Commit(); }), "Nom de fichier incorrect");
    EXPECT_EQ(FileContent(Path("taken.mdl/inside")), "kept");
    EXPECT_EQ(FolderNames(dir_.path()), QStringList{"taken.mdl"}) << "the temporary file is removed";
}

TEST_F(FilesTest, APictureThatCannotBeEncodedCreatesNoFile)
{
    EXPECT_EQ(ErrorOf([&] { SavePngFile(Path("none.png"), QImage()); }),
              "L'image ne peut pas être codée en PNG");
    EXPECT_TRUE(FolderNames(dir_.path()).isEmpty());
}

TEST_F(FilesTest, ReadOnlyFolderAndReadOnlyFileRefuseTheSave)
{
    ScratchMount place(256);
    WriteContent(place.Path() + "/old.mdl", "previous content");
    if (!place.MakeReadOnly())
        GTEST_SKIP() << "running as root without the right to mount: no way to refuse a write";
    tmodele model;
    model.AddHarmonic(1);
    EXPECT_EQ(ErrorOf([&] { SaveModelFile(place.Path() + "/new.mdl", model); }), "Accès au fichier refusé");
    EXPECT_EQ(ErrorOf([&] { SaveModelFile(place.Path() + "/old.mdl", model); }), "Accès au fichier refusé");
    EXPECT_EQ(FileContent(place.Path() + "/old.mdl"), "previous content");
    EXPECT_EQ(FolderNames(place.Path()), QStringList{"old.mdl"});
}

TEST_F(FilesTest, FullDiskKeepsThePreviousFile)
{
    ScratchMount place(64);  // kilobytes: room for the old file, not for the new one beside it
    if (!place.Mounted())
        GTEST_SKIP() << "no right to mount a small file system to fill";
    const QByteArray previous = QByteArray(40000, 'p');
    WriteContent(place.Path() + "/big.ssm", previous);
    SeriesModels series;
    ModelRecipe recipe = Varied();
    recipe.harmonics.resize(255, recipe.harmonics[0]);  // 16,343 bytes a model
    for (int k = 0; k < 4; ++k)
        series.push_back(Build(recipe));
    EXPECT_EQ(ErrorOf([&] { SaveSeriesFile(place.Path() + "/big.ssm", series); }), "Disque plein");
    EXPECT_EQ(FileContent(place.Path() + "/big.ssm"), previous);
    EXPECT_EQ(FolderNames(place.Path()), QStringList{"big.ssm"}) << "the temporary file is removed";
}

}  // namespace
