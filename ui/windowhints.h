#pragma once

class QMessageBox;
class QWidget;

// What the program asks of the window manager for its fixed-size windows, and where they open.
namespace windowhints {

// A fixed-size dialog or message box: a title bar with the close button only, so that the
// window manager leaves the caption the room the minimise and maximise buttons would take.
void CloseButtonOnly(QWidget* window);

// A window whose only way out is its own button: a title bar without any button.
void NoSystemButtons(QWidget* window);

// Moves the window so that its frame is centred on the screen it is on (the primary screen
// before it has been shown on one).
void CentreOnScreen(QWidget* window);

// A message box: the close button only, and, when its caption needs it, wide enough for the
// window manager to show the caption whole beside its window-menu and close buttons.
void ForMessageBox(QMessageBox& box);

}  // namespace windowhints
