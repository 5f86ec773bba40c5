// WAV export: the header, the sizes, models joined in order, and files an independent reader
// (sox's soxi) accepts as 44100 Hz mono 16-bit of the right length.
#include <gtest/gtest.h>

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtEndian>

#include "files/wavfile.h"
#include "model/errors.h"
#include "support/files_scratch.h"

namespace {

std::unique_ptr<tmodele> StartModel(std::uint16_t duration, double fundamental = 440.0)
{
    auto model = std::make_unique<tmodele>();
    model->AddHarmonic(1);
    model->Duration = duration;
    model->Fundamental = fundamental;
    return model;
}

std::uint32_t Field32(const QByteArray& bytes, int offset)
{
    return qFromLittleEndian<std::uint32_t>(bytes.constData() + offset);
}

// What soxi reports for one property ("-r" rate, "-c" channels, "-b" bits, "-s" samples).
QString Soxi(const QString& option, const QString& path)
{
    QProcess soxi;
    soxi.start(QStandardPaths::findExecutable("soxi"), {option, path});
    if (!soxi.waitForFinished(10000) || soxi.exitCode() != 0)
        return QStringLiteral("soxi failed: ") + QString::fromUtf8(soxi.readAllStandardError());
    return QString::fromUtf8(soxi.readAllStandardOutput()).trimmed();
}

class WavTest : public ::testing::Test {
protected:
    QString Path(const QString& name) const { return dir_.path() + "/" + name; }
    QTemporaryDir dir_;
};

TEST_F(WavTest, HeaderOfOneSecond)
{
    const QByteArray expected = QByteArray::fromHex(
        "52494646"
        "AC580100"
        "57415645"
        "666D7420"
        "10000000"
        "0100"
        "0100"
        "44AC0000"
        "88580100"
        "0200"
        "1000"
        "64617461"
        "88580100");
    EXPECT_EQ(WavHeader(88200).toHex(), expected.toHex());
}

TEST_F(WavTest, OneModelIsItsSamplesBehindTheHeader)
{
    struct Case {
        std::uint16_t duration;  // tenths
        qint64 fileBytes;
    };
    for (const Case c : {Case{10, 88244}, Case{1, 8864}, Case{40, 352844}}) {
        SCOPED_TRACE(c.duration);
        auto model = StartModel(c.duration);
        model->Render();
        const QString path = Path(QString("m%1.wav").arg(c.duration));
        ExportWav(path, {model.get()});
        const QByteArray file = FileContent(path);
        ASSERT_EQ(file.size(), c.fileBytes);
        const std::uint32_t data = std::uint32_t(c.duration) * 8820;
        EXPECT_EQ(Field32(file, 40), data);
        EXPECT_EQ(Field32(file, 4), data + 36);
        EXPECT_EQ(file.mid(0, 44), WavHeader(data));
        EXPECT_TRUE(file.mid(44) == QByteArray(reinterpret_cast<const char*>(model->Samples.data()),
                                               qsizetype(model->Samples.size())));

        ASSERT_FALSE(QStandardPaths::findExecutable("soxi").isEmpty()) << "sox is a test dependency";
        EXPECT_EQ(Soxi("-r", path), "44100");
        EXPECT_EQ(Soxi("-c", path), "1");
        EXPECT_EQ(Soxi("-b", path), "16");
        EXPECT_EQ(Soxi("-s", path), QString::number(c.duration * 4410));
    }
}

TEST_F(WavTest, CheckedModelsJoinInOrderAndUnrenderedOnesAreRendered)
{
    // Durations 10, 5 and 20 with the second left out: the first's 88,200 bytes, then the third's
    // 176,400. The third has never been rendered, like a model just read from a series file.
    auto first = StartModel(10, 440.0);
    auto third = StartModel(20, 660.0);
    first->Render();
    ASSERT_EQ(third->Rendered, 0);
    const QString path = Path("serie.wav");
    ExportWav(path, {first.get(), third.get()});
    EXPECT_EQ(third->Rendered, 1);

    const QByteArray file = FileContent(path);
    ASSERT_EQ(file.size(), 44 + 264600);
    EXPECT_EQ(Field32(file, 40), 264600u);
    EXPECT_EQ(Field32(file, 4), 264636u);
    auto reference = StartModel(20, 660.0);
    reference->Render();
    EXPECT_TRUE(file.mid(44, 88200) ==
                QByteArray(reinterpret_cast<const char*>(first->Samples.data()), 88200));
    EXPECT_TRUE(file.mid(44 + 88200) ==
                QByteArray(reinterpret_cast<const char*>(reference->Samples.data()), 176400));
    EXPECT_EQ(Soxi("-s", path), QString::number(30 * 4410));
    EXPECT_EQ(Soxi("-r", path), "44100");
}

TEST_F(WavTest, NothingCheckedGivesAHeaderAlone)
{
    ExportWav(Path("vide.wav"), {});
    const QByteArray file = FileContent(Path("vide.wav"));
    ASSERT_EQ(file.size(), 44);
    EXPECT_EQ(Field32(file, 40), 0u);
    EXPECT_EQ(Field32(file, 4), 36u);
    EXPECT_EQ(Soxi("-s", Path("vide.wav")), "0");
}

TEST_F(WavTest, ASoundBeyondTheFourGigabytesOfTheSizeFieldsIsRefusedBeforeAnyRendering)
{
    // 8 x 65,535 tenths: 4.6 GB of samples, more than a 32-bit size can describe.
    auto longest = StartModel(65535);
    const std::vector<tmodele*> models(8, longest.get());
    try {
        ExportWav(Path("long.wav"), models);
        ADD_FAILURE() << "the export should be refused";
    } catch (const AppError& error) {
        EXPECT_EQ(error.text(), "Son trop long pour un fichier WAV (4 Go au plus)");
    }
    EXPECT_EQ(longest->Rendered, 0) << "refused before rendering";
    EXPECT_TRUE(FolderNames(dir_.path()).isEmpty()) << "no file, not even a temporary one";
}

TEST_F(WavTest, ExportingTwiceReplacesAndAFailedExportKeepsTheFile)
{
    auto longer = StartModel(20);
    auto shorter = StartModel(1);
    ExportWav(Path("x.wav"), {longer.get()});
    ExportWav(Path("x.wav"), {shorter.get()});
    EXPECT_EQ(FileContent(Path("x.wav")).size(), 8864);

    ScratchMount place(128);  // kilobytes: the 88 kB file fits, a second 352 kB one does not
    if (!place.Mounted())
        GTEST_SKIP() << "no right to mount a small file system to fill";
    auto oneSecond = StartModel(10);
    ExportWav(place.Path() + "/s.wav", {oneSecond.get()});
    const QByteArray before = FileContent(place.Path() + "/s.wav");
    auto fourSeconds = StartModel(40);
    try {
        ExportWav(place.Path() + "/s.wav", {fourSeconds.get()});
        ADD_FAILURE() << "the export should not fit";
    } catch (const AppError& error) {
        EXPECT_EQ(error.text(), "Disque plein");
    }
    EXPECT_EQ(FileContent(place.Path() + "/s.wav"), before);
    EXPECT_EQ(FolderNames(place.Path()), QStringList{"s.wav"});
}

}  // namespace
