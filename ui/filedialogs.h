#pragma once

#include <QString>

class QFileDialog;

// How the file commands set up and run the main window's shared file dialogs.
namespace filedialogs {

// Sets the dialog up as the command asks: `filter` as "description|pattern|...", the default
// extension without its dot; a save dialog opens with no name proposed (`emptyName`).
void SetUpDialog(QFileDialog* dialog, const QString& filter, const QString& extension, bool emptyName);

// The chosen file, or an empty name when the user cancelled.
QString RunDialog(QFileDialog* dialog);

}  // namespace filedialogs
