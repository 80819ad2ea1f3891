#include "imagefiles/FileType.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "image/FileStream.h"
#include "imagefiles/Decoders_p.h"
#include "imagefiles/TgaHeader.h"

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
// else 32, else 16.  Bytes past `size` read as zero.
struct FileHead {
  static constexpr std::size_t kCapacity = 2048;
  std::uint8_t bytes[kCapacity] = {};
  std::size_t size = 0;

  picturedecode::ByteSpan Span() const { return {bytes, size}; }
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
  const picturedecode::ByteSpan in = h.Span();
  if (h.StartsWith("BM", 2)) return keFileTypeBMP;
  if (h.StartsWith("GIF8", 4) && in.U8(5) == 'a') return keFileTypeGIF;  // 87a and 89a
  if (in.U8(0) == 0xFF && in.U8(1) == 0xD8) return keFileTypeJPEG;
  // Manufacturer 10, version 0..5, RLE encoding, 1..8 bits per plane.
  if (in.U8(0) == 0x0A && in.U8(1) <= 5 && in.U8(2) == 1 && in.U8(3) <= 8) return keFileTypePCX;
  if (h.StartsWith("\x89PNG\r\n\x1A\n", 8)) return keFileTypePNG;
  if (h.StartsWith("MM\0*", 4) || h.StartsWith("II*\0", 4)) return keFileTypeTIFF;
  // Standard metafile header: type 1 (memory) or 2 (disk), header size 9
  // words, version 0x0100 or 0x0300.
  if ((in.U8(0) == 1 || in.U8(0) == 2) && in.U8(1) == 0 && in.LE16(2) == 9 && in.U8(4) == 0 &&
      (in.U8(5) == 1 || in.U8(5) == 3)) {
    return keFileTypeWMF;
  }
  if (h.StartsWith("\xD7\xCD\xC6\x9A", 4)) return keFileTypeWMF;  // placeable metafile key
  return keFileTypeUnknown;
}

// TGA has no signature; its header is judged as the TGA reader judges it.
bool IsTgaHeader(const FileHead& h) {
  TgaHeader header;
  return ReadTgaHeader(h.bytes, h.size, &header) && TgaHeaderFault(header) == nullptr;
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

ImageFileType TypeFromBytes(const std::uint8_t* data, std::size_t size) {
  // The head as the file probe reads it.
  FileHead head;
  constexpr std::size_t kFallbackSizes[] = {FileHead::kCapacity, 32, 16};
  for (std::size_t fallback : kFallbackSizes) {
    if (size >= fallback) {
      head.size = fallback;
      std::memcpy(head.bytes, data, fallback);
      break;
    }
  }
  if (head.size == 0) return keFileTypeUnknown;
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
