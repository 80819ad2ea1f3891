#pragma once
// The text of a thumbnail's tooltip, in the tooltip's mark-up
// (ui/TooltipMarkup.h):
//
//   <b>name</b>
//   WIDTHxHEIGHT - colour depth, byte size
//   file type
//   [<b>Camera: <font color="#363072" style="b">model</font></b>]
//   [Taken On: ]date
//   Folder: folder
//
// Names, folders and camera texts come from files of any origin, so their
// "<", ">" and "&" are escaped before they go into the mark-up.

#include <cstdint>
#include <string>

#include "platform/DateText.h"
#include "ui/ThumbnailMaker.h"

namespace ui {

// "<" ">" "&" as "&lt;" "&gt;" "&amp;".
std::string EscapeMarkup(const std::string& text);

// "Monochrome", "16 colors", "256 colors", "Greyscale", "Greyscale with
// transparency", "True Color", "True Color with transparency" by pixel
// format; "" for others.
std::string ColourDepthText(int pixelFormat);
// "Windows Bitmap", "GIF file", "JPEG file", "PNG file", "TIFF file", "PCX
// file" by file type; "" for others.
std::string FileTypeText(int fileType);
// "512 Bytes" up to 1023 bytes, "%.1f KB" up to 1048575, "%.2f MB" above.
std::string ByteSizeText(std::uint64_t bytes);
// The time an EXIF date text names: the first six numbers of "year:month:day
// hour:minute:second" (or of the ISO form some programs write).  False for
// a text without ":" and one with fewer than six numbers.
bool ParseExifDateTime(const std::string& text, platform::CalendarTime* time);

// The whole tooltip of a made item; for an item not made yet (format 0),
// just its name.
std::string ThumbnailTooltipText(const std::string& name, const std::string& path, const ThumbnailInfo& info);

}  // namespace ui
