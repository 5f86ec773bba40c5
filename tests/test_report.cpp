// The spectral report: its lines for a model at an instant, and the dialog that shows and
// copies them.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>
#include <cmath>
#include <numbers>

#include "model/tmodele.h"
#include "ui/sonvelia7.h"

namespace {

const QString Tab = QStringLiteral("\t");

// The start model: 440 Hz, 10 tenths, glide 0, the rank-1 harmonic with the default envelope.
std::unique_ptr<tmodele> StartModel()
{
    auto model = std::make_unique<tmodele>();
    model->AddHarmonic(1);
    return model;
}

QString HarmonicLine(int rank, long long amplitude, long long degrees, bool active)
{
    return QString::number(rank) + Tab + QString::number(amplitude) + Tab + QString::number(degrees) + Tab +
           (active ? QStringLiteral("Actif") : QStringLiteral("Inactif"));
}

// The momentary amplitude as the report defines it: linear interpolation between the two
// envelope points around t, times the relative amplitude, rounded half to even.
long long MomentaryAmplitude(const tharmonique& h, double t, int duration)
{
    const long double d = duration;
    const int j = int(std::trunc(t * 450.0L / d));
    const long double e =
        ((t * 10.0L - d * j / 45.0L) * (h.Envelope[j + 1] - h.Envelope[j])) / (d / 45.0L) + h.Envelope[j];
    return std::llrint(e * h.Amplitude);
}

}  // namespace

TEST(ReportLines, StartModelAtItsCursor)
{
    auto model = StartModel();
    const QStringList lines = SpectralReportLines(*model, 0.1);
    const QStringList expected = {
        QStringLiteral("Fréquence de base : 440,0 Hz"),
        QString(),
        QStringLiteral("à la date 1,0E-1 s : "),
        QString(),
        QStringLiteral("Fréquence : 440,0 Hz"),
        QString(),
        QStringLiteral("Harmoniques : "),
        QStringLiteral("rang\tampl.\tphase°\tEtat"),
        QStringLiteral("1\t255\t0\tActif"),
    };
    EXPECT_EQ(lines, expected);
}

TEST(ReportLines, MomentaryFrequencyFollowsTheGlide)
{
    struct Case {
        double fundamental, glide;
        int duration;
        double t;
        const char* line5;
        const char* line3;
    };
    const Case cases[] = {
        {440.0, 0.5, 10, 0.5, "Fréquence : 550,0 Hz", "à la date 5,0E-1 s : "},
        {440.0, -0.5, 10, 0.5, "Fréquence : 330,0 Hz", "à la date 5,0E-1 s : "},
        {1000.0, 0.3, 20, 1.5, "Fréquence : 1225,0 Hz", "à la date 1,5E+0 s : "},
        {440.0, 0.5, 10, 0.0, "Fréquence : 440,0 Hz", "à la date 0,0E+0 s : "},
        {261.63, 0.0, 10, 0.1, "Fréquence : 261,6 Hz", "à la date 1,0E-1 s : "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line5);
        auto model = StartModel();
        model->Fundamental = c.fundamental;
        model->Glide = c.glide;
        model->Duration = std::uint16_t(c.duration);
        const QStringList lines = SpectralReportLines(*model, c.t);
        ASSERT_GE(lines.size(), 9);
        EXPECT_EQ(lines[4], QString::fromUtf8(c.line5));
        EXPECT_EQ(lines[2], QString::fromUtf8(c.line3));
    }
}

TEST(ReportLines, OneLinePerHarmonicInListOrder)
{
    auto model = StartModel();
    model->AddHarmonic(5);
    model->AddHarmonic(3);
    model->Harmonics[1].Phase = -179.0 * std::numbers::pi / 180.0;  // rank 3
    model->Harmonics[1].Amplitude = 0.5;
    model->Harmonics[2].Active = 0;  // rank 5, switched off but still listed
    model->Harmonics[2].Amplitude = 0.25;
    model->Harmonics[2].Phase = 90.0 * std::numbers::pi / 180.0;
    const QStringList lines = SpectralReportLines(*model, 0.1);
    ASSERT_EQ(lines.size(), 8 + 3);
    EXPECT_EQ(lines[8], HarmonicLine(1, 255, 0, true));
    EXPECT_EQ(lines[9], HarmonicLine(3, std::llrint(255 * 0.5L), -179, true));
    EXPECT_EQ(lines[10], HarmonicLine(5, std::llrint(255 * 0.25L), 90, false));
    EXPECT_EQ(lines[10], QStringLiteral("5\t64\t90\tInactif"));
}

TEST(ReportLines, AmplitudeInterpolatesTheEnvelope)
{
    struct Case {
        double t;
        int duration;
        double amplitude;
        std::array<int, 3> firstPoints;  // envelope points 0, 1, 2; the rest keep the default
    };
    const Case cases[] = {
        {0.0, 10, 1.0, {0, 255, 255}},    // at 0: point 0, which is 0 by default
        {0.0, 10, 0.5, {200, 255, 255}},  // at 0: point 0 x amplitude
        {0.01, 10, 0.5, {0, 255, 255}},   // inside the first segment
        {0.03, 10, 1.0, {0, 100, 20}},    // inside the second segment, falling
        {0.05, 20, 0.3, {10, 200, 30}},   // longer sound
        {0.0, 10, 0.5, {5, 255, 255}},    // 2.5 rounds to the even 2
        {0.0, 10, 0.5, {7, 255, 255}},    // 3.5 rounds to the even 4
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.t);
        auto model = StartModel();
        model->Duration = std::uint16_t(c.duration);
        tharmonique& h = model->Harmonics[0];
        h.Amplitude = c.amplitude;
        for (int k = 0; k < 3; ++k)
            h.Envelope[std::size_t(k)] = std::uint8_t(c.firstPoints[std::size_t(k)]);
        const QStringList lines = SpectralReportLines(*model, c.t);
        EXPECT_EQ(lines[8], HarmonicLine(1, MomentaryAmplitude(h, c.t, c.duration), 0, true));
    }
    auto model = StartModel();
    model->Harmonics[0].Envelope[0] = 5;
    model->Harmonics[0].Amplitude = 0.5;
    EXPECT_EQ(SpectralReportLines(*model, 0.0)[8], QStringLiteral("1\t2\t0\tActif"));
    EXPECT_EQ(SpectralReportLines(*StartModel(), 0.0)[8], QStringLiteral("1\t0\t0\tActif"));
}

TEST(ReportLines, PhaseInWholeDegrees)
{
    for (int degrees : {-179, -90, -1, 0, 1, 45, 179, 180}) {
        auto model = StartModel();
        model->Harmonics[0].Phase = degrees * std::numbers::pi / 180.0;
        EXPECT_EQ(SpectralReportLines(*model, 0.1)[8], HarmonicLine(1, 255, degrees, true));
    }
}

TEST(ReportLines, InstantsOutsideTheSoundStayWithinTheEnvelope)
{
    // A click at the picture's left edge gives a time just below 0; the end of the sound
    // would be segment 45. Both read the nearest segment instead of past the 46 points.
    auto model = StartModel();
    for (int k = 0; k < 46; ++k)
        model->Harmonics[0].Envelope[std::size_t(k)] = std::uint8_t(k);
    const QStringList early = SpectralReportLines(*model, -0.001);
    const QStringList late = SpectralReportLines(*model, 1.0);
    ASSERT_EQ(early.size(), 9);
    ASSERT_EQ(late.size(), 9);
    EXPECT_EQ(late[8], QStringLiteral("1\t45\t0\tActif"));  // segment 44 extended to t = 1 s
    model->Duration = 0;
    EXPECT_EQ(SpectralReportLines(*model, 0.1).size(), 9);
}

TEST(ReportDialog, ShowsTheReportRebuiltAtEachShowing)
{
    auto model = StartModel();
    TForm7 form;
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Caractéristiques spectrales :"));
    EXPECT_TRUE(form.papier->isReadOnly());
    EXPECT_EQ(form.papier->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(form.BitBtn1->text(), QStringLiteral("OK"));
    EXPECT_EQ(form.Copbtn->text(), QStringLiteral("Copier"));

    form.SetSubject(model.get(), 0.1);
    QString seen;
    QTimer::singleShot(0, [&] {
        seen = form.papier->toPlainText();
        form.BitBtn1->click();
    });
    EXPECT_EQ(form.exec(), QDialog::Accepted);
    EXPECT_EQ(seen, SpectralReportLines(*model, 0.1).join(QLatin1Char('\n')));
    EXPECT_TRUE(seen.contains(QStringLiteral("1\t255\t0\tActif")));

    model->Glide = 0.5;
    model->AddHarmonic(2);
    form.SetSubject(model.get(), 0.5);
    QTimer::singleShot(0, [&] {
        seen = form.papier->toPlainText();
        form.reject();
    });
    form.exec();
    const QStringList lines = seen.split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 10);
    EXPECT_EQ(lines[4], QStringLiteral("Fréquence : 550,0 Hz"));
    EXPECT_EQ(lines[9], QStringLiteral("2\t255\t0\tActif"));
}

TEST(ReportDialog, CopierPutsTheWholeTextOnTheClipboard)
{
    auto model = StartModel();
    model->AddHarmonic(4);
    model->Harmonics[1].Active = 0;
    TForm7 form;
    form.SetSubject(model.get(), 0.1);
    QApplication::clipboard()->setText(QStringLiteral("avant"));
    QString copied;
    QTimer::singleShot(0, [&] {
        QTest::mouseClick(form.Copbtn, Qt::LeftButton);
        copied = QApplication::clipboard()->text();
        form.accept();
    });
    form.exec();
    const QString expected = QStringLiteral(
        "Fréquence de base : 440,0 Hz\n\nà la date 1,0E-1 s : \n\nFréquence : 440,0 Hz\n\n"
        "Harmoniques : \nrang\tampl.\tphase°\tEtat\n1\t255\t0\tActif\n4\t255\t0\tInactif");
    EXPECT_EQ(copied, expected);
}
