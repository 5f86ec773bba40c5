#pragma once

#include <QString>

class TForm1;

// What must hold of the main window after any command, whatever came before: the selector
// mirrors the model, every rendering has its size, the series count matches, the view state
// lies within the sound. Shared by the long random session and the window's fuzz target.
namespace window_checks {

// The first broken rule, in words; empty when the window is consistent. `fromFile`: the current
// model may come from a file of any content (ranks in any order, up to a minute long), not only
// from the page's own commands.
QString Inconsistency(const TForm1& form, bool fromFile);

}  // namespace window_checks
