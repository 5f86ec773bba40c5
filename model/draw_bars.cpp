// The spectrum view: one bar per active harmonic at an instant, from the model's description.
#include <algorithm>
#include <cmath>

#include <QImage>
#include <QPainter>

#include "model/drawing.h"
#include "model/numfmt.h"
#include "model/tmodele.h"

using namespace drawing;

namespace {

constexpr int FrameLeft = 1;              // pixels
constexpr int FrameTop = 15;              // pixels, also the top of the tallest bar
constexpr int BaselineFromBottom = 30;    // pixels: bars stand on y = H - 30
constexpr int UnusedHeight = 45;          // pixels of H that no bar may take: hA = H - 45
constexpr int FirstBarX = 15;             // pixels, left edge of rank 1
constexpr int MaxBarWidth = 3;            // pixels
constexpr int LabelsFromBottom = 27;      // pixels: rank labels' top at H - 27
constexpr int CaptionX = 20;              // pixels
constexpr int CaptionFromBottom = 14;     // pixels: caption's top at H - 14
constexpr int CaptionDigits = 3;          // significant digits of the instant
constexpr long double SilentScale = 255;  // stands for the largest amplitude when all are 0
// Where an envelope falls to 0 its interpolation leaves a residue of about 1e-14 instead of 0,
// which would become the largest amplitude of a silent instant and fill the frame. An envelope
// value below a billionth of one step of its byte scale (0..255) is silence for the scale.
constexpr long double SilentEnvelope = 1e-9;  // envelope units

}  // namespace

void tmodele::DrawSpectrum(QImage& picture, double t) const
{
    // Plan:
    // 1. Black background, white frame from (1, 15) to (W - 1, H - 30).
    // 2. Stop there if the ranks cannot have a pixel each or the picture has no room for bars.
    // 3. Scale from the largest amplitude at t over every harmonic, active or not (an envelope
    //    within a residue of 0 counts as 0), and the spacing from the highest rank; with no
    //    room for a column per rank (s = 0, or no harmonic at all) only the caption follows.
    // 4. The caption "à la date <t> s".
    // 5. Per-bar rank labels when "44" fits in a rank's spacing, else every n-th rank.
    // 6. A bar for each active harmonic, standing on the baseline.
    if (picture.isNull())
        return;
    const QSize size = LogicalSize(picture);
    const int W = size.width();
    const int H = size.height();
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::TextAntialiasing, false);
    ClearPicture(painter, W, H);
    FillBlock(painter, FrameLeft, FrameTop, W - 1, H - BaselineFromBottom, Black);
    Frame(painter, FrameLeft, FrameTop, W - 1, H - BaselineFromBottom, White);
    painter.setFont(PictureFont());

    const int wA = (9 * W) / 10;
    const int hA = H - UnusedHeight;
    if (wA < 0 || std::size_t(wA) < Harmonics.size() || H <= UnusedHeight)
        return;

    long double largest = 0;
    int highestRank = 0;
    std::vector<long double> amplitude(Harmonics.size());
    for (std::size_t i = 0; i < Harmonics.size(); ++i) {
        const tharmonique& h = Harmonics[i];
        const long double envelope = EnvelopeAt(h.Envelope, Duration, t);
        amplitude[i] = envelope * h.Amplitude;
        if (std::fabs(envelope) >= SilentEnvelope)
            largest = std::max(largest, amplitude[i]);
        highestRank = std::max(highestRank, int(h.Rank));
    }
    if (largest == 0)
        largest = SilentScale;
    const long double vs = hA / largest;

    TextOpaque(painter, CaptionX, H - CaptionFromBottom,
               QStringLiteral("à la date ") + numfmt::General(t, CaptionDigits) + QStringLiteral(" s"),
               White);

    if (highestRank == 0 || wA / highestRank == 0)
        return;
    const int s = wA / highestRank;
    const int bw = s < MaxBarWidth ? s : MaxBarWidth;
    const int baseline = H - BaselineFromBottom;
    const int labelsTop = H - LabelsFromBottom;
    const int wide = TextWidth(painter, QStringLiteral("44"));
    const bool perBar = wide <= s;

    for (std::size_t i = 0; i < Harmonics.size(); ++i) {
        const tharmonique& h = Harmonics[i];
        if (h.Active == 0)
            continue;
        const int x = FirstBarX + (int(h.Rank) - 1) * s;
        if (perBar)
            TextOpaque(painter, x, labelsTop, QString::number(int(h.Rank)), White);
        FillBlock(painter, x, baseline, x + bw, baseline - RoundToPixel(amplitude[i] * vs), LightGreen);
    }

    if (!perBar) {
        const int n = wide / s + 1;
        for (int r = n; r <= highestRank; r += n)
            TextOpaque(painter, FirstBarX + (r - 1) * s, labelsTop, QString::number(r), White);
    }
}
