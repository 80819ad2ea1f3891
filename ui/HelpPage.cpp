#include "ui/HelpPage.h"

namespace ui {

std::string HelpPagePath(const std::string& modulePath) {
  const std::size_t slash = modulePath.find_last_of("\\/");
  if (slash == std::string::npos) return std::string();
  const char separator = modulePath[slash];
  return modulePath.substr(0, slash + 1) + "Help" + separator + "tintavo.html";
}

}  // namespace ui
