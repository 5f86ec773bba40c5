#include "files/picturefile.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageWriter>

#include "files/safefile.h"
#include "model/errors.h"

void SavePngFile(const QString& path, const QImage& picture)
{
    // Encoded whole in memory first: nothing is created on the disk for a picture that cannot
    // be encoded.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (picture.isNull() || !writer.write(picture))
        throw AppError(QStringLiteral("L'image ne peut pas être codée en PNG"));
    SafeFile file(path);
    file.Write(bytes.constData(), std::size_t(bytes.size()));
    file.Commit();
}
