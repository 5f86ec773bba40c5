#include "support/files_scratch.h"

#include <sys/mount.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <sndfile.h>
#include <QDir>
#include <QFile>

ScratchMount::ScratchMount(int kilobytes)
{
    QDir().mkpath(Path());
    const QByteArray options = "size=" + QByteArray::number(kilobytes) + "k,mode=0777";
    mounted_ = ::mount("tmpfs", QFile::encodeName(Path()).constData(), "tmpfs", 0, options.constData()) == 0;
}

ScratchMount::~ScratchMount()
{
    if (mounted_)
        ::umount2(QFile::encodeName(Path()).constData(), MNT_DETACH);
    else
        QFile::setPermissions(Path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

bool ScratchMount::MakeReadOnly()
{
    if (mounted_)
        return ::mount("tmpfs", QFile::encodeName(Path()).constData(), "tmpfs", MS_REMOUNT | MS_RDONLY,
                       nullptr) == 0;
    if (::geteuid() == 0)
        return false;  // root writes through permission bits
    for (const QString& name : FolderNames(Path()))
        QFile::setPermissions(Path() + "/" + name, QFile::ReadOwner);
    return QFile::setPermissions(Path(), QFile::ReadOwner | QFile::ExeOwner);
}

QByteArray FileContent(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

void WriteContent(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QStringList FolderNames(const QString& path)
{
    return QDir(path).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                QDir::Name);
}

void WriteSound(const QString& path, int format, int rate, int channels,
                const std::vector<short>& interleaved)
{
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* file = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    const sf_count_t frames = sf_count_t(interleaved.size()) / channels;
    if ((format & SF_FORMAT_SUBMASK) == SF_FORMAT_FLOAT) {
        std::vector<float> floats(interleaved.begin(), interleaved.end());
        for (float& f : floats)
            f /= 32768;
        EXPECT_EQ(sf_writef_float(file, floats.data(), frames), frames);
    } else {
        EXPECT_EQ(sf_writef_short(file, interleaved.data(), frames), frames);
    }
    sf_close(file);
}
