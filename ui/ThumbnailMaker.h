#pragma once
// Making one thumbnail of a picture file for the template browser.
//
// The file's type comes from its first bytes, not its name.  JPEG files
// give their EXIF thumbnail when there is a fitting one (a photograph of
// 12 megapixels then costs a few kilobytes of decoding) and keep their
// EXIF record for the tooltip; other files are decoded whole.  The picture
// is reduced to fit the thumbnail box - never enlarged - with the area
// average (resampling mode 91); palette pictures are made true colour
// first, and pictures with transparency are laid over white, so every
// thumbnail is an opaque keFormatBGR or keFormatGrey buffer.

#include <cstdint>
#include <memory>
#include <string>

#include "image/ImageBuffer.h"
#include "imagefiles/PictureJpg.h"
#include "platform/FileInfo.h"
#include "ui/Geometry.h"

namespace ui {

// What the tooltip tells about an item besides its name and path.
struct ThumbnailInfo {
  int width = 0;   // the picture's own size, not the thumbnail's
  int height = 0;
  std::shared_ptr<const CPictureJPG::CExifInfo> exif;  // JPEG files only
  int fileType = 0;     // ImageFileType found from the content
  int pixelFormat = 0;  // the decoded picture's PixelFormat; 0 until made
  platform::FileAttributeData file;
};

// The size of the thumbnail of a width x height picture in a box: the
// picture's size when it fits, else scaled to touch the box's longer side
// (the other side cut down to whole pixels, at least 1).
Size FitThumbnailSize(Size picture, Size box);

// Decodes `path` and makes its thumbnail into `*thumbnail`, filling
// `*info`.  Answers 0, or the reason it failed: 101 for an empty path, 201
// when the file cannot be opened or decoded, 202 when it is too short to
// hold a picture, or the framework's error code of a failed image
// operation (102 out of memory, 110 ...).  Raises nothing.
int MakeThumbnailFromFile(const std::string& path, Size box, CImageBuffer* thumbnail, ThumbnailInfo* info);

}  // namespace ui
