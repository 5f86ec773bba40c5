#include "ui/help.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QMessageBox>
#include <QUrl>

#include "ui/windowhints.h"

namespace help {

const QString ManualFileName = QStringLiteral("sonveliamde.html");
const QString WebSite = QStringLiteral("https://sonvelia.example.org");
const QString WebHelpPage =
    QStringLiteral("https://sonvelia.example.org/logiciels/sonvelia/sonveliamde.html");
const QString ContactMail = QStringLiteral("mailto:contact@sonvelia.example.org?subject=Sonvelia");

namespace {

bool DesktopOpen(const QString& target)
{
    return QDesktopServices::openUrl(DesktopUrl(target));
}

Opener& CurrentOpener()
{
    static Opener opener = DesktopOpen;
    return opener;
}

QString FolderWithSlash(const QString& programFolder)
{
    QString folder = programFolder;
    folder.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

}  // namespace

QUrl DesktopUrl(const QString& target)
{
    const QString localPrefix = QStringLiteral("file:///");
    if (target.startsWith(localPrefix)) {
        // "file:///C:/..." names a drive; "file:///usr/..." the root folder.
        const QString rest = target.mid(localPrefix.size());
        const bool drive = rest.size() >= 2 && rest[1] == QLatin1Char(':');
        return QUrl::fromLocalFile(drive ? rest : QLatin1Char('/') + rest);
    }
    return QUrl(target, QUrl::TolerantMode);
}

Opener SetOpener(Opener opener)
{
    Opener previous = std::move(CurrentOpener());
    CurrentOpener() = opener ? std::move(opener) : Opener(DesktopOpen);
    return previous;
}

bool Open(const QString& target)
{
    return CurrentOpener()(target);
}

QString LocalTarget(const QString& programFolder)
{
    QString folder = FolderWithSlash(programFolder);
    // A Unix folder already starts with the root slash: "file:///" + "/usr/..." would give
    // four slashes, an address with an empty first path segment.
    if (folder.startsWith(QLatin1Char('/')))
        folder.remove(0, 1);
    return QStringLiteral("file:///") + folder + ManualFileName;
}

QString LocalPath(const QString& programFolder)
{
    return FolderWithSlash(programFolder) + ManualFileName;
}

bool OpenManual(const QString& programFolder)
{
    // The desktop reports success for a file address even when the file is missing (it hands
    // it to a browser that shows an error page), so the file's presence is checked first.
    if (QFileInfo(LocalPath(programFolder)).isFile() && Open(LocalTarget(programFolder)))
        return true;
    return Open(WebHelpPage);
}

void ShowManual(QWidget* parent)
{
    ShowManual(parent, QCoreApplication::applicationDirPath());
}

void ShowManual(QWidget* parent, const QString& programFolder)
{
    if (OpenManual(programFolder))
        return;
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("sonvelia"),
                    QStringLiteral("Le fichier d'aide est introuvable"), QMessageBox::Ok, parent);
    windowhints::ForMessageBox(box);
    box.exec();
}

}  // namespace help
