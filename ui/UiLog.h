#pragma once
// A log of what the dialog does, for tests that drive it from outside.
//
// When the environment variable TINTAVO_UI_LOG names a file, the dialog
// appends one line per event to it and flushes each line: the screen
// rectangles of its controls after every layout ("control ID X Y W H"),
// runs ("run start ...", "run done", "run failed TEXT"), zoom changes
// ("zoom PERCENT") and the end ("end ok", "end cancel").  A test driving the
// dialog with synthetic input reads it to find where to click and to learn
// when a run has finished.  Without the variable nothing is written.

#include <string>

#include "ui/Geometry.h"

namespace ui {

// Whether lines are being written.
bool UiLogEnabled();
// Appends one line (a line feed is added).
void UiLogLine(const std::string& line);
// "control ID X Y W H" for a control's screen rectangle.
void UiLogControl(int id, const Rect& screen);

}  // namespace ui
