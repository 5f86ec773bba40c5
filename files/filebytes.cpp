#include "files/filebytes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <cerrno>

#include "model/errors.h"

namespace {

// Closes the descriptor on every way out.
struct Descriptor {
    int fd;
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

}  // namespace

QByteArray ReadWholeFile(const QString& path, qint64 maxBytes)
{
    if (path.isEmpty())
        throw IoError(ENOENT);
    // Non-blocking open: a named pipe with no writer must not hang the window.
    const Descriptor file{::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)};
    if (file.fd < 0)
        throw IoError(errno);
    struct stat info {};
    if (::fstat(file.fd, &info) != 0)
        throw IoError(errno);
    if (S_ISDIR(info.st_mode))
        throw IoError(EISDIR);
    ::fcntl(file.fd, F_SETFL, ::fcntl(file.fd, F_GETFL) & ~O_NONBLOCK);

    QByteArray bytes;
    const qint64 limit = maxBytes + 1;
    bytes.resize(qsizetype(S_ISREG(info.st_mode) ? std::min<qint64>(info.st_size, limit) : 0));
    qint64 filled = 0;
    for (;;) {
        if (filled == bytes.size()) {
            if (filled >= limit)
                break;
            bytes.resize(qsizetype(std::min<qint64>(limit, std::max<qint64>(4096, filled * 2))));
        }
        const ssize_t got = ::read(file.fd, bytes.data() + filled, std::size_t(bytes.size() - filled));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            throw IoError(errno);
        }
        if (got == 0)
            break;
        filled += got;
    }
    bytes.resize(qsizetype(filled));
    return bytes;
}
