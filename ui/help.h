#pragma once

#include <QString>
#include <functional>

class QUrl;
class QWidget;

// Opening the user manual and the About box's links through the desktop's default handler.
namespace help {

// Hands a target (a file:/// address, a web address or a mailto: link) to the desktop;
// true when the desktop took it.
using Opener = std::function<bool(const QString& target)>;

// The maker's site and contact, and the name of the manual looked for beside the program.
extern const QString ManualFileName;  // "sonveliamde.html"
extern const QString WebSite;         // the maker's web site
extern const QString WebHelpPage;     // the manual on the maker's site
extern const QString ContactMail;     // "mailto:" link with its subject

// Replaces the opener every later call uses and returns the previous one, so tests can watch
// the attempts without opening anything. The default opener is QDesktopServices::openUrl.
Opener SetOpener(Opener opener);
// Hands the target to the current opener.
bool Open(const QString& target);

// The manual's local address for a program folder given with or without its trailing
// separator: "file:///" + the folder with forward slashes + "sonveliamde.html". Blanks and
// other characters are kept as they stand.
QString LocalTarget(const QString& programFolder);

// The address handed to the desktop for a target. A local target names the file by its path as
// it stands, so blanks, '#' or '%' in folder names reach the desktop as the same file.
QUrl DesktopUrl(const QString& target);

// The manual's path on disk inside the program folder.
QString LocalPath(const QString& programFolder);

// Tries the manual beside the program (only when the file is there), then the web help page.
// Returns false when neither could be opened.
bool OpenManual(const QString& programFolder);

// The "Aide" command: OpenManual for the program's folder, and the plain message
// "Le fichier d'aide est introuvable" when both attempts failed.
void ShowManual(QWidget* parent);
// The same for a given program folder.
void ShowManual(QWidget* parent, const QString& programFolder);

}  // namespace help
