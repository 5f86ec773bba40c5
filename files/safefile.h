#pragma once

#include <QString>
#include <cstddef>

// Writes a file so that a failure never destroys what the name held before: the bytes go to a
// temporary file in the same folder, which replaces the target only once everything is written
// and flushed to the disk. A SafeFile dropped without Commit() removes its temporary file.
class SafeFile {
public:
    // Creates the temporary file beside `path`; throws AppError with the cause's text.
    explicit SafeFile(const QString& path);
    SafeFile(const SafeFile&) = delete;
    SafeFile& operator=(const SafeFile&) = delete;
    ~SafeFile();

    // Appends bytes; throws AppError ("Disque plein", "Accès au fichier refusé", ...).
    void Write(const void* data, std::size_t size);
    // Flushes the bytes to the disk and puts the file in place of the target.
    void Commit();

private:
    void Discard();

    QString target_;     // the name the user chose (a link is followed to the file it names)
    QString temporary_;  // beside the target, so that the final rename stays on one file system
    int fd_ = -1;
};
