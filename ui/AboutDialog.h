#pragma once
// The modal about dialog: four centred lines.  On Windows dialog 107 from the
// module's resources, closed by a left-button release anywhere or Escape; on
// POSIX (and with TINTAVO_HEADLESS set) the lines go to the message-box
// handler.

#include <array>
#include <string>

void ShowAboutDialog(const std::array<std::string, 4>& lines);

// The four lines as one text, for a message box.
std::string AboutText(const std::array<std::string, 4>& lines);
