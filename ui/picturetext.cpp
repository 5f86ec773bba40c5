#include "ui/picturetext.h"

#include <QStringList>
#include <algorithm>

#include "model/draw_components.h"
#include "model/drawing.h"
#include "model/numfmt.h"
#include "ui/sonvelia7.h"

namespace picturetext {

namespace {

constexpr int TimeDigits = 15;    // significant digits of the window's ends, as "0,99"
constexpr int InstantDigits = 3;  // significant digits of an instant, as the spectrum's caption
constexpr int CursorDigits = 5;   // the cursor's readout: 1,0000E-01
constexpr int CursorExponentDigits = 2;

QString Seconds(double value, int digits)
{
    return numfmt::General(value, digits) + QStringLiteral(" s");
}

QString Window(double start, double end)
{
    return WaveformName + QStringLiteral(" de ") + Seconds(start, TimeDigits) + QStringLiteral(" à ") +
           Seconds(end, TimeDigits);
}

QString AtInstant(const QString& name, double t)
{
    return name + QStringLiteral(" à la date ") + Seconds(t, InstantDigits);
}

// "name : parts" or, with no part, "name : aucune harmonique active".
QString Listing(const QString& head, const QStringList& parts)
{
    return head + QStringLiteral(" : ") +
           (parts.isEmpty() ? QStringLiteral("aucune harmonique active") : parts.join(QStringLiteral(", ")));
}

}  // namespace

QString Waveform(double start, double end, double cursor)
{
    return Window(start, end) + QStringLiteral(", curseur à ") +
           numfmt::Scientific(cursor, CursorDigits, CursorExponentDigits) + QStringLiteral(" s");
}

QString SeriesWaveform(double start, double end)
{
    return Window(start, end);
}

QString Spectrum(const tmodele& model, double t)
{
    QStringList parts;
    for (const tharmonique& h : model.Harmonics)
        if (h.Active != 0)
            parts << QStringLiteral("rang ") + QString::number(int(h.Rank)) + QStringLiteral(" amplitude ") +
                         numfmt::General(ReportedAmplitude(model, h, t), 15);
    return Listing(AtInstant(SpectrumName, t), parts);
}

QString Sonogram(const tmodele& model)
{
    QStringList parts;
    for (const tharmonique& h : model.Harmonics) {
        if (h.Active == 0)
            continue;
        // The level of the brightest cell of the row, as the sonogram colours it.
        int peak = 0;
        for (std::uint8_t point : h.Envelope)
            peak = std::max(peak, drawing::RoundToPixel(static_cast<long double>(point) * h.Amplitude));
        parts << QStringLiteral("rang ") + QString::number(int(h.Rank)) + QStringLiteral(" niveau maximal ") +
                     QString::number(peak);
    }
    return Listing(SonogramName, parts);
}

QString Components(const tmodele& model, double t, int height)
{
    QStringList ranks;
    const std::size_t rows = ComponentsRows(model, height);
    for (std::size_t i = 0; i < rows; ++i)
        if (model.Harmonics[i].Active != 0)
            ranks << QString::number(int(model.Harmonics[i].Rank));
    const QString head = AtInstant(ComponentsName, t);
    if (ranks.isEmpty())
        return Listing(head, ranks);
    return head + (ranks.size() == 1 ? QStringLiteral(" : rang ") : QStringLiteral(" : rangs ")) +
           ranks.join(QStringLiteral(", "));
}

QString Envelope(const tenveloppe& envelope, int chosen)
{
    QStringList points;
    for (std::size_t k = 0; k < envelope.size(); ++k)
        points << QStringLiteral("point ") + QString::number(k) + QStringLiteral(" : ") +
                      QString::number(int(envelope[k]));
    QString text = QString::number(envelope.size()) + QStringLiteral(" points de 0 à 255 ; ") +
                   points.join(QStringLiteral(", "));
    if (chosen >= 0 && std::size_t(chosen) < envelope.size())
        text += QStringLiteral(". Point choisi : ") + QString::number(chosen) + QStringLiteral(", valeur ") +
                QString::number(int(envelope[std::size_t(chosen)]));
    return text;
}

}  // namespace picturetext
