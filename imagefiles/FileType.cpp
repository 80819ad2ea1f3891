#include "imagefiles/FileType.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "image/FileStream.h"

namespace {

struct ExtensionEntry {
  const char* extension;
  ImageFileType type;
};

constexpr ExtensionEntry kExtensions[] = {
    {"bmp", keFileTypeBMP},  {"jpg", keFileTypeJPEG}, {"jpeg", keFileTypeJPEG}, {"gif", keFileTypeGIF},
    {"png", keFileTypePNG},  {"ico", keFileTypeICO},  {"tiff", keFileTypeTIFF}, {"tif", keFileTypeTIFF},
    {"tga", keFileTypeTGA},  {"pcx", keFileTypePCX},  {"wbmp", keFileTypeWBMP}, {"wmf", keFileTypeWMF},
    {"emf", keFileTypeWMF},  {"jp2", keFileTypeJP2},  {"j2k", keFileTypeJP2},   {"jpc", keFileTypeJPC},
    {"j2c", keFileTypeJPC},  {"pgx", keFileTypePGX},  {"ras", keFileTypeRAS},   {"pnm", keFileTypePNM},
    {"pgm", keFileTypePNM},  {"ppm", keFileTypePNM},
};

// The head of a file as the probe sees it: 2048 bytes when the file has them,
// else 32, else 16.  Bytes past `size` are zero.
struct FileHead {
  static constexpr std::size_t kCapacity = 2048;
  unsigned char bytes[kCapacity] = {};
  std::size_t size = 0;

  unsigned At(std::size_t i) const { return i < size ? bytes[i] : 0u; }
  unsigned Word(std::size_t i) const { return At(i) | (At(i + 1) << 8); }  // little-endian
  bool StartsWith(const char* signature, std::size_t length) const {
    return size >= length && std::memcmp(bytes, signature, length) == 0;
  }
};

void ReadHead(const std::string& path, FileHead* head) {
  if (path.empty()) RaiseError(keErrBadArgument);
  CFileStream file(path);
  file.Open(keOpenRead);
  const std::size_t got = file.Read(head->bytes, FileHead::kCapacity, false);
  constexpr std::size_t kFallbackSizes[] = {FileHead::kCapacity, 32, 16};
  for (std::size_t size : kFallbackSizes) {
    if (got >= size) {
      head->size = size;
      std::memset(head->bytes + size, 0, FileHead::kCapacity - size);
      return;
    }
  }
  RaiseError(keErrFileRead);
}

// The fixed signatures, tried in this order.
ImageFileType TypeFromSignature(const FileHead& h) {
  if (h.StartsWith("BM", 2)) return keFileTypeBMP;
  if (h.StartsWith("GIF8", 4) && h.At(5) == 'a') return keFileTypeGIF;  // 87a and 89a
  if (h.At(0) == 0xFF && h.At(1) == 0xD8) return keFileTypeJPEG;
  // Manufacturer 10, version 0..5, RLE encoding, 1..8 bits per plane.
  if (h.At(0) == 0x0A && h.At(1) <= 5 && h.At(2) == 1 && h.At(3) <= 8) return keFileTypePCX;
  if (h.StartsWith("\x89PNG\r\n\x1A\n", 8)) return keFileTypePNG;
  if (h.StartsWith("MM\0*", 4) || h.StartsWith("II*\0", 4)) return keFileTypeTIFF;
  // Standard metafile header: type 1 (memory) or 2 (disk), header size 9
  // words, version 0x0100 or 0x0300.
  if ((h.At(0) == 1 || h.At(0) == 2) && h.At(1) == 0 && h.Word(2) == 9 && h.At(4) == 0 &&
      (h.At(5) == 1 || h.At(5) == 3)) {
    return keFileTypeWMF;
  }
  if (h.StartsWith("\xD7\xCD\xC6\x9A", 4)) return keFileTypeWMF;  // placeable metafile key
  return keFileTypeUnknown;
}

// TGA has no signature; its 18-byte header is tested for plausible values.
bool IsTgaHeader(const FileHead& h) {
  const unsigned colorMapType = h.At(1);
  const unsigned imageType = h.At(2);
  const unsigned xOrigin = h.Word(8);
  const unsigned yOrigin = h.Word(10);
  const unsigned width = h.Word(12);
  const unsigned height = h.Word(14);
  const unsigned depth = h.At(16);
  const bool knownImageType = imageType == 1 || imageType == 2 || imageType == 3 || imageType == 9 ||
                              imageType == 10 || imageType == 11;
  const bool knownDepth = depth == 8 || depth == 15 || depth == 16 || depth == 24 || depth == 32;
  return colorMapType <= 1 && knownImageType && knownDepth && width != 0 && height != 0 &&
         (xOrigin == 0 || xOrigin == width) && (yOrigin == 0 || yOrigin == height);
}

}  // namespace

std::string ExtensionOf(const std::string& path) {
  const std::size_t dot = path.rfind('.');
  return dot == std::string::npos ? std::string() : path.substr(dot + 1);
}

std::string LowerCaseAscii(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

ImageFileType TypeFromExtension(const std::string& extension) {
  for (const ExtensionEntry& entry : kExtensions) {
    if (extension == entry.extension) return entry.type;
  }
  return keFileTypeUnknown;
}

ImageFileType TypeFromContent(const std::string& path) {
  FileHead head;
  ReadHead(path, &head);
  const ImageFileType type = TypeFromSignature(head);
  if (type != keFileTypeUnknown) return type;
  return IsTgaHeader(head) ? keFileTypeTGA : keFileTypeUnknown;
}

CStatus TypeFromContent(const std::string& path, ImageFileType* type) {
  *type = keFileTypeUnknown;
  try {
    *type = TypeFromContent(path);
  } catch (const CJException& e) {
    return CStatus::FromException(e);
  }
  return CStatus();
}
