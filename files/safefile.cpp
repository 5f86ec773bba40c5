#include "files/safefile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>

#include "model/errors.h"

namespace {

QByteArray Native(const QString& path)
{
    return QFile::encodeName(path);
}

}  // namespace

SafeFile::SafeFile(const QString& path) : target_(path)
{
    if (target_.isEmpty())
        throw IoError(ENOENT);
    // Replacing a link would cut it; the file it names is the one to replace.
    const QFileInfo info(target_);
    if (info.isSymLink() && info.exists())
        target_ = info.canonicalFilePath();

    struct stat existing {};
    const bool exists = ::stat(Native(target_).constData(), &existing) == 0;
    if (exists) {
        if (S_ISDIR(existing.st_mode))
            throw IoError(EISDIR);
        // A file the user may not write stays as it is, although its folder would let us
        // replace it by renaming.
        const int probe = ::open(Native(target_).constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (probe < 0)
            throw IoError(errno);
        ::close(probe);
    }

    const QFileInfo targetInfo(target_);
    const QString folder = targetInfo.absolutePath();
    for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
        temporary_ = folder + QStringLiteral("/.") + targetInfo.fileName() + QStringLiteral(".") +
                     QString::number(QRandomGenerator::global()->generate(), 36) + QStringLiteral(".tmp");
        // 0666 under the user's umask, like any new file; an existing file's mode is kept below.
        fd_ = ::open(Native(temporary_).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ < 0 && errno != EEXIST)
            throw IoError(errno);
    }
    if (fd_ < 0)
        throw IoError(EEXIST);
    if (exists) {
        // The replacement keeps the old file's owner (when allowed) and permissions.
        [[maybe_unused]] const int owned = ::fchown(fd_, existing.st_uid, existing.st_gid);
        ::fchmod(fd_, existing.st_mode & 07777);
    }
}

SafeFile::~SafeFile()
{
    Discard();
}

void SafeFile::Discard()
{
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
        ::unlink(Native(temporary_).constData());
    }
}

void SafeFile::Write(const void* data, std::size_t size)
{
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t written = ::write(fd_, bytes, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            const int cause = errno;
            Discard();
            throw cause == ENOSPC ? DiskFullError() : IoError(cause);
        }
        if (written == 0) {
            Discard();
            throw DiskFullError();
        }
        bytes += written;
        size -= std::size_t(written);
    }
}

void SafeFile::Commit()
{
    // The bytes must be on the disk before the old file goes, or a crash could leave neither.
    if (::fsync(fd_) != 0 && errno != EINVAL) {
        const int cause = errno;
        Discard();
        throw cause == ENOSPC ? DiskFullError() : IoError(cause);
    }
    if (::close(fd_) != 0) {
        const int cause = errno;
        fd_ = -1;
        ::unlink(Native(temporary_).constData());
        throw cause == ENOSPC ? DiskFullError() : IoError(cause);
    }
    fd_ = -1;
    if (::rename(Native(temporary_).constData(), Native(target_).constData()) != 0) {
        const int cause = errno;
        ::unlink(Native(temporary_).constData());
        throw IoError(cause);
    }
}
