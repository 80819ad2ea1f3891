#pragma once
// The pictures of a batch: the sources as given, each folder standing for
// the picture files in it (by their extension, in name order, not its
// subfolders), and the output each one is written to.

#include <string>
#include <vector>

#include "imagefiles/PictureWriter.h"

struct BatchItem {
  std::string source;
  std::string output;
  PictureFormat format = PictureFormat::kUnknown;
  std::string problem;  // why this item cannot be done; "" when it can
};

// The items for `sources`, written into `outputDir` as the source's name
// without its extension, `suffix`, and the extension of `format` (or, when
// kUnknown, the source's own extension if Tintavo writes that type, else
// "png").  An item whose output would replace its source or another item's
// output gets a problem instead; so does a folder without pictures.
std::vector<BatchItem> ListBatch(const std::vector<std::string>& sources, const std::string& outputDir,
                                 const std::string& suffix, PictureFormat format);
