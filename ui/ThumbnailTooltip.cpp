#include "ui/ThumbnailTooltip.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "image/PixelFormat.h"
#include "imagefiles/FileType.h"

namespace ui {

std::string EscapeMarkup(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '&': out += "&amp;"; break;
      default: out += c;
    }
  }
  return out;
}

std::string ColourDepthText(int pixelFormat) {
  switch (pixelFormat) {
    case keFormatIndex1: return "Monochrome";
    case keFormatIndex4: return "16 colors";
    case keFormatIndex8: return "256 colors";
    case keFormatGrey: return "Greyscale";
    case keFormatGreyA: return "Greyscale with transparency";
    case keFormatBGR: return "True Color";
    case keFormatBGRA: return "True Color with transparency";
    default: return std::string();
  }
}

std::string FileTypeText(int fileType) {
  switch (fileType) {
    case keFileTypeBMP: return "Windows Bitmap";
    case keFileTypeGIF: return "GIF file";
    case keFileTypeJPEG: return "JPEG file";
    case keFileTypePNG: return "PNG file";
    case keFileTypeTIFF: return "TIFF file";
    case keFileTypePCX: return "PCX file";
    default: return std::string();
  }
}

std::string ByteSizeText(std::uint64_t bytes) {
  char text[64];
  if (bytes <= 1023) {
    std::snprintf(text, sizeof text, "%llu Bytes", static_cast<unsigned long long>(bytes));
  } else if (bytes > 1048575) {
    std::snprintf(text, sizeof text, "%.2f MB", static_cast<double>(bytes) / 1048576.0);
  } else {
    std::snprintf(text, sizeof text, "%.1f KB", static_cast<double>(bytes) / 1024.0);
  }
  return text;
}

bool ParseExifDateTime(const std::string& text, platform::CalendarTime* time) {
  if (text.find(':') == std::string::npos) return false;
  int numbers[6];
  int found = 0;
  for (std::size_t i = 0; i < text.size() && found < 6;) {
    if (!std::isdigit(static_cast<unsigned char>(text[i]))) {
      ++i;
      continue;
    }
    long value = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
      if (value < 100000) value = value * 10 + (text[i] - '0');
    }
    numbers[found++] = static_cast<int>(value);
  }
  if (found < 6) return false;
  *time = platform::CalendarTime{numbers[0], numbers[1], numbers[2], numbers[3], numbers[4], numbers[5]};
  return true;
}

std::string ThumbnailTooltipText(const std::string& name, const std::string& path, const ThumbnailInfo& info) {
  if (info.pixelFormat == 0) return EscapeMarkup(name);

  // The date: when the camera wrote one that is a real calendar time, that
  // one ("Taken On: "), else the file's last change, in local time.
  std::string cameraLine, prefix, date;
  if (info.exif != nullptr && !info.exif->GetCameraModel().empty()) {
    cameraLine = "<b>Camera: <font color=\"#363072\" style=\"b\">" + EscapeMarkup(info.exif->GetCameraModel()) +
                 "</font></b>\n";
  }
  platform::CalendarTime taken;
  if (info.exif != nullptr && ParseExifDateTime(info.exif->GetDateTime(), &taken)) {
    date = platform::FormatDateTime(taken);
    if (!date.empty()) prefix = "Taken On: ";
  }
  platform::CalendarTime written;
  if (date.empty() && platform::LocalCalendarTime(info.file.lastWriteTime, &written)) {
    date = platform::FormatDateTime(written);
  }

  const std::size_t slash = path.find_last_of("\\/");
  const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash);
  return "<b>" + EscapeMarkup(name) + "</b>\n" + std::to_string(info.width) + "x" + std::to_string(info.height) +
         " - " + ColourDepthText(info.pixelFormat) + ", " + ByteSizeText(info.file.size) + "\n" +
         FileTypeText(info.fileType) + "\n" + cameraLine + prefix + EscapeMarkup(date) + "\nFolder: " +
         EscapeMarkup(folder);
}

}  // namespace ui
