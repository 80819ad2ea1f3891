#pragma once
// The template pictures of one folder, as the template browser lists them:
// files (not folders) ending in .jpg, .jpeg, .png, .bmp, .dib, .gif, .pcx,
// .tif or .tiff in any case, sorted ignoring case.  Subfolders are not
// entered.

#include <string>
#include <vector>

namespace ui {

// Full paths: `folder` (a separator is added when it has none) and the name.
std::vector<std::string> ScanTemplateFolder(const std::string& folder);

// Whether a file name carries one of the extensions above.
bool IsTemplateFileName(const std::string& name);

}  // namespace ui
