#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <ostream>
#include <vector>

// Places where saving must fail, for the tests of the file commands. The tests run as root in CI,
// and root ignores permission bits, so a refused write is made real with a small tmpfs mounted
// for the test (read-only, or too small for the data) when the process may mount; otherwise
// permission bits stand in for the read-only cases, which holds for any other user.
class ScratchMount {
public:
    // A tmpfs of `kilobytes` at a fresh folder, or a plain folder when mounting is refused.
    explicit ScratchMount(int kilobytes);
    ScratchMount(const ScratchMount&) = delete;
    ScratchMount& operator=(const ScratchMount&) = delete;
    ~ScratchMount();

    bool Mounted() const { return mounted_; }
    QString Path() const { return dir_.path() + QStringLiteral("/mnt"); }
    // Makes the whole folder read-only: a read-only remount, else permission bits.
    // Returns false when neither can refuse this process a write.
    bool MakeReadOnly();

private:
    QTemporaryDir dir_;
    bool mounted_ = false;
};

// The whole content of a file, or a null array when it cannot be read.
QByteArray FileContent(const QString& path);
// Writes a file directly (test set-up), failing the test when it cannot.
void WriteContent(const QString& path, const QByteArray& bytes);
// The names in a folder other than . and .., sorted.
QStringList FolderNames(const QString& path);

// Readable texts in test failures.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

// Writes interleaved 16-bit frames through libsndfile in `format` (SF_FORMAT_* of sndfile.h), or
// floats of value / 32768 for a float format.
void WriteSound(const QString& path, int format, int rate, int channels,
                const std::vector<short>& interleaved);
