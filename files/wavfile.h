#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <vector>

#include "model/tmodele.h"

// WAV files: RIFF/WAVE, PCM, mono, 44100 Hz, 16 bits, a 44-byte header ahead of the samples.

constexpr int WavHeaderBytes = 44;

// The header for dataBytes bytes of samples.
QByteArray WavHeader(std::uint32_t dataBytes);

// Writes the renderings of the models joined end to end, in the order given; models not yet
// rendered are rendered first. No model gives a header alone. A failure leaves any existing
// file of that name as it was.
void ExportWav(const QString& path, const std::vector<tmodele*>& models);
