#pragma once

#include <QString>
#include <QStringList>

class QFileDialog;
class QWidget;

// The shared open and save dialogs of the main window: the desktop's own file chooser where the
// desktop offers one (a platform theme or the desktop portal), Qt's own dialog otherwise.
namespace filedialogs {

// A save dialog that never asks before replacing a file, and an open dialog for one existing file.
QFileDialog* MakeSaveDialog(QWidget* owner);
QFileDialog* MakeOpenDialog(QWidget* owner);

// Whether the dialog is Qt's own (its widgets can be reached), not the desktop's chooser.
bool IsOwnDialog(const QFileDialog* dialog);

// "description|pattern|description|pattern": one filter per pair, the pattern in brackets after
// the description unless the description already shows it.
QStringList NameFilters(const QString& filter);

// Sets the dialog up as a command asks: its filter, its default extension and, when `emptyName`,
// no file name proposed.
void SetUp(QFileDialog* dialog, const QString& filter, const QString& extension, bool emptyName);

// Shows the dialog; the chosen file, or an empty name when the user cancelled. Nothing the
// dialog opened stays on screen after it.
QString Run(QFileDialog* dialog);

}  // namespace filedialogs
