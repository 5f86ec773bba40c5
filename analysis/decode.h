#pragma once

#include <QString>

#include "analysis/recording.h"

namespace analysis {

// Reads a sound file that libsndfile knows (WAV of any common sample format, FLAC, Ogg Vorbis,
// AIFF), any rate and channel count: channels averaged, resampled to 44100 Hz with
// libsamplerate's best converter when the rate differs, cut to the note (see Recording).
// However long the file, no more than MaxNoteSamples past the note's start are kept.
// Throws AppError with a French text: the file cannot be opened (the system's reason), an
// unknown format, a damaged file, an unsupported encoding, no sound ("Aucun son à analyser
// dans ce fichier"), a note shorter than a tenth of a second.
Recording ReadSoundFile(const QString& path);

// The same from samples already mono at 44100 Hz, model units (the fuzz target and the tests
// start here): finds the peak and the start and applies the same refusals.
Recording RecordingFromSamples(std::vector<double> samples);

}  // namespace analysis
