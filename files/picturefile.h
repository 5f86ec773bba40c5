#pragma once

#include <QString>

class QImage;

// Writes a picture as a PNG file holding exactly its pixels. An existing file of that name is
// replaced only once the whole new file is on the disk; a failure leaves it as it was and throws
// AppError with the cause's text ("Accès au fichier refusé", "Disque plein", ...).
void SavePngFile(const QString& path, const QImage& picture);
