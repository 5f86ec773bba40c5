#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <cstdint>
#include <memory>

#include "model/tmodele.h"

// The byte layout of one model in model and series files, little-endian, no padding:
// harmonic count C (int32), Fundamental (double), Glide (double), Duration (uint16),
// SpareFlag (byte), then C harmonic records of Active (byte), Rank (byte), Amplitude (double),
// Phase (double) and the 46 envelope points.
namespace modelrecord {

constexpr qsizetype HeaderBytes = 23;                // bytes before the first harmonic record
constexpr qsizetype HarmonicBytes = 64;              // bytes per harmonic record
constexpr int MaxHarmonics = tmodele::MaxHarmonics;  // list indices are bytes, 255
// Longest model a file may hold, in tenths of a second (one minute). The editor makes 1..40;
// longer ones load, but a buffer of Duration x 8820 bytes rendered at every edit, drawn and
// kept for each of up to 256 series models must stay within what a desktop affords.
constexpr std::uint16_t MaxDuration = 600;
constexpr qsizetype MaxBytes = HeaderBytes + HarmonicBytes * MaxHarmonics;  // 16,343 bytes

// Bytes of the record of a model: 23 + 64 x C.
qsizetype Size(const tmodele& model);

// Appends the record of a model.
void Append(QByteArray& out, const tmodele& model);

// Reads the record that starts at `offset` and advances `offset` past it. The harmonics keep
// the file's order, so that a model saved by the program loads back identical. Refuses, with an
// AppError whose text says what is wrong (in French, no final period), a record cut short, a
// harmonic count below 1 or above 255, a value that is not a finite number, and a duration of 0
// or above MaxDuration. The new model is not rendered.
std::unique_ptr<tmodele> Read(QByteArrayView bytes, qsizetype& offset);

}  // namespace modelrecord
