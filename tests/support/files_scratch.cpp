#include "support/files_scratch.h"

#include <sys/mount.h>
#include <unistd.h>

#include <gtest/gtest.h>
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
