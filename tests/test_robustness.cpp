// Bad input of every kind the program may meet, through the real main window where a user would
// meet it: every cut of a real file, durations at and beyond the limits, devices in place of a
// file, extreme values a file may hold, files the user may not read or write, and a sound server
// killed in the middle of a sound. Nothing may be lost: a refused load leaves the current model
// and the series as they were. docs/robustness.md lists these beside the older tests.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QImage>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <limits>
#include <optional>
#include <thread>

#include "files/modelfile.h"
#include "files/seriesfile.h"
#include "model/errors.h"
#include "support/dialogs_modal.h"
#include "support/files_scratch.h"
#include "support/sound_server.h"
#include "ui/sonvelia1.h"
#include "ui/updown.h"

namespace {

using namespace std::chrono_literals;

constexpr QRgb Sentinel = qRgb(200, 30, 170);  // a colour none of the views paints
constexpr int SpinnerMaxTenths = 40;           // the duration spinner's upper end

void Settle()
{
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

// A model as the page would build it: fundamental, duration and a few ranks with their values.
std::unique_ptr<tmodele> Model(double fundamental, std::uint16_t duration, std::initializer_list<int> ranks)
{
    auto model = std::make_unique<tmodele>();
    model->Fundamental = fundamental;
    model->Duration = duration;
    for (int rank : ranks)
        model->AddHarmonic(std::uint8_t(rank));
    for (std::size_t i = 0; i < model->Harmonics.size(); ++i) {
        model->Harmonics[i].Amplitude = 1.0 / double(i + 1);
        model->Harmonics[i].Phase = 0.25 * double(i);
    }
    return model;
}

// The bytes of a model file written field by field, apart from the program's own writer.
struct Record {
    std::optional<std::int32_t> count;  // none: the number of harmonics given
    double fundamental = 440.0;
    double glide = 0.0;
    std::uint16_t duration = 10;
    struct H {
        std::uint8_t active = 1;
        std::uint8_t rank = 1;
        double amplitude = 1.0;
        double phase = 0.0;
    };
    std::vector<H> harmonics = {H{}};
};

template <class T>
void Put(QByteArray& out, T value)
{
    char bytes[sizeof value];
    std::memcpy(bytes, &value, sizeof value);  // the machine is little-endian, as the files are
    out.append(bytes, sizeof value);
}

QByteArray Encode(const Record& r)
{
    QByteArray out;
    Put<std::int32_t>(out, r.count.value_or(std::int32_t(r.harmonics.size())));
    Put(out, r.fundamental);
    Put(out, r.glide);
    Put(out, r.duration);
    Put<std::uint8_t>(out, 1);
    for (const Record::H& h : r.harmonics) {
        Put(out, h.active);
        Put(out, h.rank);
        Put(out, h.amplitude);
        Put(out, h.phase);
        for (int k = 0; k < 46; ++k)
            Put<std::uint8_t>(out, k == 0 || k == 45 ? 0 : 255);
    }
    return out;
}

// What a failed command must leave as it was.
struct Snapshot {
    const tmodele* model = nullptr;
    QByteArray modelBytes;
    QByteArray seriesBytes;
    QStringList selector;
    int seriesEntries = 0;
    bool operator==(const Snapshot&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Snapshot& s)
{
    return out << "{model " << s.modelBytes.size() << " bytes, series " << s.seriesBytes.size()
               << " bytes, selector " << s.selector.join(',').toStdString() << ", " << s.seriesEntries
               << " entries}";
}

class RobustWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        form = std::make_unique<TForm1>();
        form->show();
        Settle();
        // A current model and a series that differ from anything the files below hold.
        form->CurrentModel = Model(330.0, 7, {1, 4, 9});
        form->ComboBox1->clear();
        for (const char* rank : {"1", "4", "9"})
            form->ComboBox1->addItem(QString::fromLatin1(rank));
        form->CurrentModel->Render();
        form->Series.push_back(Model(110.0, 3, {1, 2})->Copy());
        form->Series.push_back(Model(220.0, 5, {1, 3, 5})->Copy());
        form->SeriesCount = 2;
    }
    void TearDown() override
    {
        form.reset();
        Settle();
    }

    QString Path(const QString& name) const { return dir.path() + QLatin1Char('/') + name; }

    Snapshot Take() const
    {
        Snapshot s;
        s.model = form->CurrentModel.get();
        s.modelBytes = ModelFileBytes(*form->CurrentModel);
        s.seriesBytes = SeriesFileBytes(form->Series);
        for (int i = 0; i < form->ComboBox1->count(); ++i)
            s.selector << form->ComboBox1->itemText(i);
        s.seriesEntries = form->CheckListBox1->count();
        return s;
    }

    // Runs a load command on `path` chosen in its file dialog; returns the error boxes' texts.
    QStringList Load(QAction* command, const QString& path)
    {
        dialogs_test::OnModalOf<QFileDialog>([path](QFileDialog* dialog) {
            dialog->setDirectory(QFileInfo(path).absolutePath());
            dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))
                ->setText(QFileInfo(path).fileName());
            if (auto* list = dialog->findChild<QListView*>(QStringLiteral("listView")))
                list->clearSelection();
            static_cast<QDialog*>(dialog)->accept();
        });
        dialogs_test::MessageBoxCatcher boxes;
        command->trigger();
        Settle();
        return boxes.Texts();
    }

    // Loads bytes that must be refused; checks the box names the kind of file and nothing moved.
    void ExpectRefusedKeepingAll(QAction* command, const QString& name, const QByteArray& bytes,
                                 const QString& prefix)
    {
        WriteContent(Path(name), bytes);
        const Snapshot before = Take();
        const QStringList boxes = Load(command, Path(name));
        ASSERT_EQ(boxes.size(), 1) << "one error box";
        EXPECT_TRUE(boxes[0].startsWith(prefix)) << boxes[0].toStdString();
        EXPECT_EQ(Take(), before) << "the current model and the series are kept";
    }

    QTemporaryDir dir;
    std::unique_ptr<TForm1> form;
};

// ---- Files cut short ---------------------------------------------------------------------

TEST_F(RobustWindow, EveryCutOfARealModelFileIsRefusedAndKeepsEverything)
{
    const QByteArray whole = ModelFileBytes(*Model(523.25, 12, {1, 2, 5}));  // 215 bytes
    ASSERT_EQ(whole.size(), 23 + 64 * 3);
    for (qsizetype length = 0; length < whole.size(); ++length) {
        SCOPED_TRACE(length);
        ExpectRefusedKeepingAll(form->unmodle, QStringLiteral("cut.mdl"), whole.left(length),
                                QStringLiteral("Fichier modèle incorrect : "));
        if (HasFatalFailure())
            return;
    }
    // The whole file loads: the cuts were refused for being cuts.
    WriteContent(Path("cut.mdl"), whole);
    EXPECT_EQ(Load(form->unmodle, Path("cut.mdl")), QStringList());
    EXPECT_EQ(ModelFileBytes(*form->CurrentModel), whole);
}

TEST_F(RobustWindow, EveryCutOfARealSeriesFileIsRefusedAndKeepsEverything)
{
    SeriesModels models;
    models.push_back(Model(261.63, 2, {1}));
    models.push_back(Model(392.0, 4, {1, 3}));
    const QByteArray whole = SeriesFileBytes(models);  // 4 + 87 + 151 bytes
    ASSERT_EQ(whole.size(), 4 + 87 + 151);
    for (qsizetype length = 0; length < whole.size(); ++length) {
        SCOPED_TRACE(length);
        ExpectRefusedKeepingAll(form->Chargerunesrie1, QStringLiteral("cut.ssm"), whole.left(length),
                                QStringLiteral("Fichier série incorrect : "));
        if (HasFatalFailure())
            return;
    }
    WriteContent(Path("cut.ssm"), whole);
    EXPECT_EQ(Load(form->Chargerunesrie1, Path("cut.ssm")), QStringList());
    EXPECT_EQ(SeriesFileBytes(form->Series), whole);
}

// ---- Counts that do not match the records ----------------------------------------------------

TEST_F(RobustWindow, CountsOffByOneOrAbsurdAreRefusedAndKeepEverything)
{
    Record three;
    three.harmonics = {Record::H{}, Record::H{1, 2, 0.5, 0.0}, Record::H{1, 3, 0.25, 0.0}};
    const QByteArray model = Encode(three);
    auto withCount = [&](std::int32_t count) {
        Record r = three;
        r.count = count;
        return Encode(r);
    };
    for (const std::int32_t count : {2, 4, 0, -1, 256, std::numeric_limits<std::int32_t>::max(),
                                     std::numeric_limits<std::int32_t>::min()}) {
        SCOPED_TRACE(count);
        ExpectRefusedKeepingAll(form->unmodle, QStringLiteral("count.mdl"), withCount(count),
                                QStringLiteral("Fichier modèle incorrect : "));
    }
    auto series = [&](std::int32_t count, int records) {
        QByteArray bytes;
        Put(bytes, count);
        for (int k = 0; k < records; ++k)
            bytes += model;
        return bytes;
    };
    struct Case {
        std::int32_t count;
        int records;
    };
    for (const Case c : {Case{1, 2}, Case{3, 2}, Case{0, 0}, Case{0, 1}, Case{-2, 2}, Case{257, 1},
                         Case{std::numeric_limits<std::int32_t>::max(), 1}}) {
        SCOPED_TRACE(testing::Message() << c.count << " announced, " << c.records << " present");
        ExpectRefusedKeepingAll(form->Chargerunesrie1, QStringLiteral("count.ssm"),
                                series(c.count, c.records), QStringLiteral("Fichier série incorrect : "));
    }
}

// ---- Durations -------------------------------------------------------------------------------

TEST_F(RobustWindow, DurationsAtAndBeyondTheLimits)
{
    struct Case {
        std::uint16_t tenths;
        bool loads;
    };
    for (const Case c : {Case{0, false}, Case{1, true}, Case{40, true}, Case{41, true}, Case{600, true},
                         Case{601, false}, Case{65535, false}}) {
        SCOPED_TRACE(c.tenths);
        Record r;
        r.duration = c.tenths;
        const QByteArray bytes = Encode(r);
        if (!c.loads) {
            ExpectRefusedKeepingAll(form->unmodle, QStringLiteral("duration.mdl"), bytes,
                                    QStringLiteral("Fichier modèle incorrect : "));
            continue;
        }
        WriteContent(Path("duration.mdl"), bytes);
        ASSERT_EQ(Load(form->unmodle, Path("duration.mdl")), QStringList());
        const tmodele& loaded = *form->CurrentModel;
        EXPECT_EQ(loaded.Duration, c.tenths) << "the model keeps the duration read";
        EXPECT_EQ(loaded.Samples.size(), std::size_t(c.tenths) * 8820);
        // The spinner shows what it can; the view covers the first 99 % of the whole sound.
        EXPECT_EQ(form->dureeUD->value(), std::min<int>(c.tenths, SpinnerMaxTenths));
        EXPECT_DOUBLE_EQ(form->ViewEnd, c.tenths / 10.0 - c.tenths / 1000.0);
        EXPECT_DOUBLE_EQ(form->CursorTime, c.tenths / 100.0);
    }
}

// ---- Something else in place of a file ---------------------------------------------------------

TEST_F(RobustWindow, DevicesInPlaceOfAFileChangeNothing)
{
    // Named like the program's files, as the dialogs' filters would show them.
    ASSERT_TRUE(QFile::link("/dev/zero", Path("zero.mdl")));
    ASSERT_TRUE(QFile::link("/dev/zero", Path("zero.ssm")));
    ASSERT_TRUE(QFile::link("/dev/null", Path("null.mdl")));
    ASSERT_TRUE(QFile::link("/dev/null", Path("null.ssm")));
    struct Case {
        QAction* command;
        const char* name;
        QString text;
    };
    const Case cases[] = {
        {form->unmodle, "zero.mdl",
         "Fichier modèle incorrect : plus de 16343 octets, la taille d'un modèle de 255 harmoniques."},
        {form->Chargerunesrie1, "zero.ssm",
         "Fichier série incorrect : plus de 4183812 octets, la taille de 256 modèles de 255 harmoniques."},
        {form->unmodle, "null.mdl",
         "Fichier modèle incorrect : le fichier s'arrête avant la fin des données annoncées (23 octets "
         "attendus, 0 présents)."},
        {form->Chargerunesrie1, "null.ssm",
         "Fichier série incorrect : le fichier s'arrête avant la fin des données annoncées (4 octets "
         "attendus, 0 présents)."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Snapshot before = Take();
        EXPECT_EQ(Load(c.command, Path(c.name)), QStringList{c.text});
        EXPECT_EQ(Take(), before);
    }
}

// ---- Ranks the page never builds -----------------------------------------------------------------

TEST_F(RobustWindow, RankZeroAndRepeatedRanksLoadInFileOrderAndThePageFollows)
{
    Record r;
    r.harmonics = {Record::H{1, 5, 1.0, 0.0}, Record::H{1, 0, 0.5, 0.0}, Record::H{1, 5, 0.5, 1.0},
                   Record::H{0, 5, 0.5, 0.0}};
    WriteContent(Path("ranks.mdl"), Encode(r));
    ASSERT_EQ(Load(form->unmodle, Path("ranks.mdl")), QStringList());
    QStringList selector;
    for (int i = 0; i < form->ComboBox1->count(); ++i)
        selector << form->ComboBox1->itemText(i);
    EXPECT_EQ(selector, (QStringList{"5", "0", "5", "5"})) << "one entry per record, in file order";
    EXPECT_EQ(form->CurrentModel->Samples.size(), 10u * 8820);
    // Deleting the repeated rank removes that record only, and the selector follows.
    form->ComboBox1->setCurrentIndex(2);
    emit form->ComboBox1->activated(2);
    dialogs_test::MessageBoxCatcher yes;  // answers the question with OK
    form->Supprharmbtn->click();
    Settle();
    ASSERT_EQ(form->CurrentModel->Harmonics.size(), 3u);
    EXPECT_DOUBLE_EQ(form->CurrentModel->Harmonics[2].Amplitude, 0.5);
    EXPECT_EQ(form->CurrentModel->Harmonics[2].Active, 0) << "the fourth record moved up";
    EXPECT_EQ(form->ComboBox1->count(), 3);
}

// ---- Values a file may hold, however odd -----------------------------------------------------------

// Every view paints its whole picture, whatever the model: no pixel keeps the sentinel.
::testing::AssertionResult PaintsEveryPixel(const QImage& picture, const char* view)
{
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            if ((picture.pixel(x, y) & 0xFFFFFF) == (Sentinel & 0xFFFFFF))
                return ::testing::AssertionFailure()
                       << view << " left pixel (" << x << ", " << y << ") of a " << picture.width() << " x "
                       << picture.height() << " picture unpainted";
    return ::testing::AssertionSuccess();
}

TEST(ExtremeValues, LoadRenderAndDrawEveryPictureWhole)
{
    const double big = std::numeric_limits<double>::max();
    const double tiny = std::numeric_limits<double>::denorm_min();
    using H = Record::H;
    struct Case {
        const char* what;
        Record record;
    };
    auto with = [](std::function<void(Record&)> change) {
        Record r;
        r.harmonics = {H{}, H{1, 2, 0.5, 0.0}};
        change(r);
        return r;
    };
    const std::vector<Case> cases = {
        {"fundamental 0", with([](Record& r) { r.fundamental = 0; })},
        {"negative fundamental", with([](Record& r) { r.fundamental = -440; })},
        {"largest fundamental", with([&](Record& r) { r.fundamental = big; })},
        {"most negative fundamental", with([&](Record& r) { r.fundamental = -big; })},
        {"subnormal fundamental", with([&](Record& r) { r.fundamental = tiny; })},
        {"largest glide", with([&](Record& r) { r.glide = big; })},
        {"glide -1: the pitch falls to zero", with([](Record& r) { r.glide = -1; })},
        {"most negative glide", with([&](Record& r) { r.glide = -big; })},
        {"largest amplitudes, whose sum overflows a double",
         with([&](Record& r) { r.harmonics[0].amplitude = r.harmonics[1].amplitude = big; })},
        {"amplitudes summing to zero", with([](Record& r) {
             r.harmonics[0].amplitude = 1;
             r.harmonics[1].amplitude = -1;
         })},
        {"all amplitudes zero",
         with([](Record& r) { r.harmonics[0].amplitude = r.harmonics[1].amplitude = 0; })},
        {"subnormal amplitude", with([&](Record& r) { r.harmonics[0].amplitude = tiny; })},
        {"largest phases", with([&](Record& r) {
             r.harmonics[0].phase = big;
             r.harmonics[1].phase = -big;
         })},
        {"active byte 7", with([](Record& r) { r.harmonics[0].active = 7; })},
        {"rank 255 at 20 kHz", with([](Record& r) {
             r.fundamental = 20000;
             r.harmonics[1].rank = 255;
         })},
        {"past the spinner's duration, largest pitch and glide", with([&](Record& r) {
             r.duration = 41;
             r.fundamental = big;
             r.glide = big;
         })},
    };
    // The views' usual sizes in the window and pictures too small for any frame or text.
    const QSize sizes[] = {QSize(796, 152), QSize(136, 330), QSize(660, 330), QSize(5, 3), QSize(1, 1)};
    QTemporaryDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString path = dir.path() + "/extreme.mdl";
        WriteContent(path, Encode(c.record));
        std::unique_ptr<tmodele> model;
        try {
            model = LoadModelFile(path);
        } catch (const AppError& error) {
            FAIL() << "refused: " << error.text().toStdString();
        }
        model->Render();
        ASSERT_EQ(model->Samples.size(), std::size_t(c.record.duration) * 8820);
        const double length = c.record.duration / 10.0;  // seconds
        for (const QSize size : sizes) {
            SCOPED_TRACE(testing::Message() << size.width() << " x " << size.height());
            QImage picture(size, QImage::Format_RGB32);
            auto check = [&](const char* view, const std::function<void()>& draw) {
                picture.fill(Sentinel);
                draw();
                EXPECT_TRUE(PaintsEveryPixel(picture, view));
            };
            check("waveform", [&] { model->DrawWaveform(picture, 0.0, length); });
            check("spectrum", [&] { model->DrawSpectrum(picture, length / 2); });
            check("sonogram", [&] { model->DrawSonogram(picture); });
            check("components", [&] { model->DrawComponents(picture, length / 10); });
        }
    }
}

// ---- Files the user may not read or write ------------------------------------------------------

// Runs `body` as an unprivileged user (nobody) in a child process and returns what it wrote to
// the pipe: root reads and writes through permission bits, a user does not.
std::string AsNobody(const std::function<std::string()>& body)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return "pipe failed";
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(fds[0]);
        std::string result;
        if (::getuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            result = "cannot become nobody";
        else
            result = body();
        [[maybe_unused]] const auto written = ::write(fds[1], result.data(), result.size());
        ::_exit(0);
    }
    ::close(fds[1]);
    std::string out;
    char buffer[512];
    for (ssize_t got; (got = ::read(fds[0], buffer, sizeof buffer)) > 0;)
        out.append(buffer, std::size_t(got));
    ::close(fds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return out;
}

std::string ErrorText(const std::function<void()>& action)
{
    try {
        action();
    } catch (const AppError& error) {
        return error.text().toStdString();
    }
    return "no error";
}

TEST(Permissions, UnreadableAndUnwritableFilesAreRefusedAndKeptAsTheyWere)
{
    // The files below belong to this process's user; only root can become another user to meet
    // them as a stranger (CI runs as root).
    if (::getuid() != 0)
        GTEST_SKIP() << "needs root to act as an unprivileged stranger";
    // A folder everyone may enter, holding a file no one but its owner may read or write, and a
    // folder no one but its owner may write into.
    char pattern[] = "/tmp/sonvelia-perm.XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    const QString root = QString::fromLocal8Bit(pattern);
    ::chmod(pattern, 0755);
    const QString secret = root + "/secret.mdl";
    const QString locked = root + "/locked";
    const QByteArray kept = ModelFileBytes(*Model(440.0, 10, {1}));
    WriteContent(secret, kept);
    ::chmod(QFile::encodeName(secret).constData(), 0600);
    ASSERT_TRUE(QDir().mkdir(locked));
    WriteContent(locked + "/old.mdl", kept);
    ::chmod(QFile::encodeName(locked + "/old.mdl").constData(), 0644);
    ::chmod(QFile::encodeName(locked).constData(), 0755);
    const std::string refused = "Accès au fichier refusé";

    EXPECT_EQ(AsNobody([&] { return ErrorText([&] { LoadModelFile(secret); }); }), refused);
    EXPECT_EQ(AsNobody([&] { return ErrorText([&] { LoadSeriesFile(secret); }); }), refused);
    EXPECT_EQ(AsNobody([&] { return ErrorText([&] { SaveModelFile(secret, *Model(220.0, 2, {1})); }); }),
              refused);
    EXPECT_EQ(AsNobody([&] {
                  return ErrorText([&] { SaveModelFile(locked + "/old.mdl", *Model(220.0, 2, {1})); });
              }),
              refused);
    EXPECT_EQ(AsNobody([&] {
                  return ErrorText([&] { SaveModelFile(locked + "/new.mdl", *Model(220.0, 2, {1})); });
              }),
              refused);
    EXPECT_EQ(FileContent(secret), kept);
    EXPECT_EQ(FileContent(locked + "/old.mdl"), kept);
    EXPECT_EQ(FolderNames(locked), QStringList{"old.mdl"}) << "no temporary file left behind";
    QDir(root).removeRecursively();
}

// ---- A sound server that dies ------------------------------------------------------------------------

// Killed: the server's daemons gone at once (SIGKILL), as when a desktop session's sound server
// crashes; with PipeWire the whole server, or its graph alone.
class SoundServerKilled : public ::testing::TestWithParam<SoundServerKind> {};

TEST_P(SoundServerKilled, MidSoundCannotHoldPlayAndTheNextPlayReturns)
{
    SoundTestServer server(GetParam());
    for (const auto daemons : server.Faults()) {
        SCOPED_TRACE(SoundTestServer::Describe(daemons));
        std::string why;
        if (!server.Start(why))
            GTEST_FAIL() << "no test sound server: " << why;
        ASSERT_GT(server.Pid(), 0);
        auto model = Model(440.0, 10, {1});  // one second
        model->Render();
        std::thread killer([&server, daemons] {
            std::this_thread::sleep_for(300ms);
            server.Signal(SIGKILL, daemons);
        });
        const auto start = std::chrono::steady_clock::now();
        model->Play();
        const auto took = std::chrono::steady_clock::now() - start;
        killer.join();
        // Not a speed requirement: a bound far above the sound's length tells a return from a hang.
        EXPECT_LT(took, 10s) << "Play returned after the server died";
        // With the server gone for good, the next call finds nobody and comes back.
        const auto again = std::chrono::steady_clock::now();
        model->Play();
        const auto tookAgain = std::chrono::steady_clock::now() - again;
        EXPECT_LT(tookAgain, 10s);
        std::printf(
            "[ killed   ] %s, %s: a 1000 ms sound killed at 300 ms returned after %.1f ms, the "
            "next call after %.1f ms\n",
            NameOf(GetParam()), SoundTestServer::Describe(daemons),
            std::chrono::duration<double, std::milli>(took).count(),
            std::chrono::duration<double, std::milli>(tookAgain).count());
        server.Stop();
    }
}

INSTANTIATE_TEST_SUITE_P(Servers, SoundServerKilled,
                         ::testing::Values(SoundServerKind::PulseAudio, SoundServerKind::PipeWire),
                         [](const ::testing::TestParamInfo<SoundServerKind>& info) {
                             return NameOf(info.param);
                         });

}  // namespace
