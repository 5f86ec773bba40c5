#pragma once

#include <QString>

#include "model/tmodele.h"

// What each picture shows, in words, for those who hear the screen rather than see it. Plain
// functions over the model and the view state: the windows set these texts as the pictures'
// accessible descriptions each time they draw them. Numbers follow the program's own
// notations (model/numfmt), as the pictures and the readouts write them.
namespace picturetext {

// The pictures' names; on the "Série" page each is followed by SeriesSuffix.
inline const QString WaveformName = QStringLiteral("Forme d'onde");
inline const QString SpectrumName = QStringLiteral("Spectre");
inline const QString SonogramName = QStringLiteral("Sonagramme");
inline const QString ComponentsName = QStringLiteral("Composantes");
inline const QString EnvelopeName = QStringLiteral("Enveloppe");
inline const QString SeriesSuffix = QStringLiteral(" de la série");

// "Forme d'onde de 0 s à 0,99 s, curseur à 1,0000E-01 s": the window shown (s) and the time
// cursor as its readout writes it.
QString Waveform(double start, double end, double cursor);
// The series page's waveform has no cursor: "Forme d'onde de 0 s à 1 s".
QString SeriesWaveform(double start, double end);

// "Spectre à la date 0,1 s : rang 1 amplitude 255, rang 3 amplitude 128": every active
// harmonic's amplitude at t (s) on the 0..255 scale of the spectral report.
QString Spectrum(const tmodele& model, double t);

// "Sonagramme : rang 1 niveau maximal 255, rang 3 niveau maximal 128": every active
// harmonic's row with the brightest level its cells reach (0..255).
QString Sonogram(const tmodele& model);

// "Composantes à la date 0,1 s : rangs 1, 3": the ranks whose curves a picture `height`
// pixels high draws.
QString Components(const tmodele& model, double t, int height);

// The 46 values of an envelope, "point 0 : 0, point 1 : 255, ...", then the point chosen from
// the keyboard (0..45; -1: none yet) with its value.
QString Envelope(const tenveloppe& envelope, int chosen);

}  // namespace picturetext
