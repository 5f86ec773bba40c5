#pragma once

// What the fuzz targets share: the French locale the program runs in, a GUI application for
// QImage and QPainter (offscreen) where a target draws, and the drawing of a model as the windows
// do it.
#include <QString>

#include "model/tmodele.h"

namespace fuzz {

// Sets the French locale the program's messages and numbers are written in, and nothing more: the
// targets that only read bytes need no application, no fonts, no pictures. Call from
// LLVMFuzzerInitialize.
void StartParsing();

// Creates the application once, on the offscreen platform, in French: every drawing call and
// every number written needs it. Call from LLVMFuzzerInitialize.
void StartApplication();

// Stops the run (libFuzzer reports it with the input) when a property the program relies on
// does not hold: a plain abort() keeps the message on stderr.
void Check(bool condition, const char* what);

// Checks a refusal's text: one of the program's French messages, with the given prefix.
void CheckRefusal(const QString& text, const QString& prefix);

// Renders a model as the load commands do (unless it is rendered already), checks its buffer
// size, then draws the four views the way the model page and the series page do, each into the
// pictures of the window's usual size and into small ones (1 x 1 up to a few pixels).
void RenderAndDrawAll(tmodele& model);

}  // namespace fuzz
