#include "ui/AboutDialog.h"

void ShowAboutText(const std::array<std::string, 4>& lines);

void ShowAboutDialog(const std::array<std::string, 4>& lines) { ShowAboutText(lines); }
