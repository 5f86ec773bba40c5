#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <memory>

#include "model/tmodele.h"

// A model file: one model record and nothing else (23 + 64 x C bytes).

// The bytes of the model file of a model.
QByteArray ModelFileBytes(const tmodele& model);
// Builds the model a model file holds, not rendered; throws AppError("Fichier modèle incorrect :
// ...") when the bytes are not exactly one valid record.
std::unique_ptr<tmodele> ParseModelFile(QByteArrayView bytes);

// Writes the model file; a failure leaves any existing file of that name as it was.
void SaveModelFile(const QString& path, const tmodele& model);
// Reads and checks the whole file, then returns the model it holds (not rendered).
std::unique_ptr<tmodele> LoadModelFile(const QString& path);
