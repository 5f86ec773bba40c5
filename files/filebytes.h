#pragma once

#include <QByteArray>
#include <QString>

// Reads a whole file into memory, at most maxBytes + 1 bytes: a caller that gets more than
// maxBytes knows the file is too long without reading all of it (a device never ends).
// Throws AppError with the cause's text ("Fichier introuvable", "Accès au fichier refusé", ...).
QByteArray ReadWholeFile(const QString& path, qint64 maxBytes);
