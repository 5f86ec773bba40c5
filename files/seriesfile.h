#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <memory>
#include <span>
#include <vector>

#include "model/tmodele.h"

// A series file: the model count N (int32) and N model records, in series order.

using SeriesModels = std::vector<std::unique_ptr<tmodele>>;

constexpr int MaxSeriesModels = 256;  // positions 0..255 of the series page

// The bytes of the series file of some models.
QByteArray SeriesFileBytes(std::span<const std::unique_ptr<tmodele>> models);
// Builds the models a series file holds, none rendered; throws AppError("Fichier série
// incorrect : ...") unless the bytes are a count of 1..256 and exactly that many valid records.
SeriesModels ParseSeriesFile(QByteArrayView bytes);

// Writes the series file; a failure leaves any existing file of that name as it was.
void SaveSeriesFile(const QString& path, std::span<const std::unique_ptr<tmodele>> models);
// Reads and checks the whole file, then returns its models (not rendered).
SeriesModels LoadSeriesFile(const QString& path);
