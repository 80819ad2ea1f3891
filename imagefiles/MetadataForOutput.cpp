#include "imagefiles/MetadataForOutput.h"

#include <cstring>

#include "imagefiles/ExifEditor.h"

namespace {

constexpr unsigned kExifPixelXDimension = 0xA002;
constexpr unsigned kExifPixelYDimension = 0xA003;

// A TIFF source's EXIF pixel size, in the C type libtiff hands it over as
// (a 32-bit number).
void SetPixelSize(std::vector<TiffTagValue>* tags, std::uint32_t width, std::uint32_t height) {
  for (TiffTagValue& tag : *tags) {
    if (!tag.exifDirectory || tag.count != 1 || tag.value.size() != 4) continue;
    if (tag.tag == kExifPixelXDimension) std::memcpy(tag.value.data(), &width, 4);
    if (tag.tag == kExifPixelYDimension) std::memcpy(tag.value.data(), &height, 4);
  }
}

}  // namespace

std::vector<std::uint8_t> XmpWithUprightOrientation(const std::vector<std::uint8_t>& xmp) {
  static const char kName[] = "tiff:Orientation";
  const std::size_t nameLength = sizeof kName - 1;
  std::vector<std::uint8_t> out = xmp;
  std::size_t at = 0;
  while (at + nameLength <= out.size()) {
    if (std::memcmp(out.data() + at, kName, nameLength) != 0) {
      ++at;
      continue;
    }
    // tiff:Orientation="6" or <tiff:Orientation>6</tiff:Orientation>: the
    // value is the first digit after the name's '=' and quote, or its '>'.
    std::size_t p = at + nameLength;
    while (p < out.size() && (out[p] == ' ' || out[p] == '\t' || out[p] == '\r' || out[p] == '\n')) ++p;
    if (p < out.size() && out[p] == '=') {
      ++p;
      while (p < out.size() && (out[p] == ' ' || out[p] == '\t')) ++p;
      if (p < out.size() && (out[p] == '"' || out[p] == '\'')) ++p;
    } else if (p < out.size() && out[p] == '>') {
      ++p;
    } else {
      at = p;
      continue;
    }
    if (p < out.size() && out[p] >= '1' && out[p] <= '8' && (p + 1 >= out.size() || out[p + 1] < '0' || out[p + 1] > '9')) {
      out[p] = '1';
    }
    at = p;
  }
  return out;
}

PictureMetadata MetadataForOutput(const PictureMetadata& source, std::uint32_t width, std::uint32_t height,
                                  const std::string& software) {
  PictureMetadata out = source;
  out.orientation = source.orientation != 0 ? 1 : 0;
  if (!out.exif.empty()) {
    CExifBlock block(out.exif);
    if (block.IsValid()) {
      block.PrepareForOutput(width, height, software);
      out.exif = block.Bytes();
    } else {
      out.exif.clear();
    }
  }
  if (!out.xmp.empty()) out.xmp = XmpWithUprightOrientation(out.xmp);
  SetPixelSize(&out.tiffTags, width, height);
  return out;
}
