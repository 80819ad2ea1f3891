#pragma once
// The help page lives beside the plug-in file: "Help\tintavo.html" in the
// plug-in's folder.

#include <string>

namespace ui {

// The page's path for the plug-in file `modulePath` (its full path, however
// long); "" when the path has no folder.
std::string HelpPagePath(const std::string& modulePath);

}  // namespace ui
