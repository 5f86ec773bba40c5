#include "model/errors.h"

#include <cerrno>

QString IoErrorText(int errorCode)
{
    switch (errorCode) {
        case ENOENT:
            return QStringLiteral("Fichier introuvable");
        case ENOTDIR:
        case EINVAL:
        case ENAMETOOLONG:
        case EISDIR:
            return QStringLiteral("Nom de fichier incorrect");
        case EMFILE:
        case ENFILE:
            return QStringLiteral("Trop de fichiers ouverts");
        case EACCES:
        case EPERM:
        case EROFS:
            return QStringLiteral("Accès au fichier refusé");
        case ENOSPC:
        case EDQUOT:
            return QStringLiteral("Disque plein");
        default:
            return QStringLiteral("Erreur E/S %1").arg(errorCode);
    }
}

AppError IoError(int errorCode)
{
    return AppError(IoErrorText(errorCode));
}

AppError ShortReadError()
{
    return AppError(QStringLiteral("Lecture au-delà de la fin de fichier"));
}

AppError DiskFullError()
{
    return AppError(QStringLiteral("Disque plein"));
}

AppError FloatError()
{
    return AppError(QStringLiteral("Opération en virgule flottante incorrecte"));
}
