#include "imagefiles/TgaHeader.h"

#include "imagefiles/Decoders_p.h"

bool ReadTgaHeader(const std::uint8_t* data, std::size_t size, TgaHeader* header) {
  const picturedecode::ByteSpan in(data, size);
  if (!in.Has(0, kTgaHeaderSize)) return false;
  header->idLength = in.U8(0);
  header->mapType = in.U8(1);
  header->imageType = in.U8(2);
  header->mapFirst = in.LE16(3);
  header->mapLength = in.LE16(5);
  header->mapEntryBits = in.U8(7);
  header->xOrigin = in.LE16(8);
  header->yOrigin = in.LE16(10);
  header->width = in.LE16(12);
  header->height = in.LE16(14);
  header->depth = in.U8(16);
  header->descriptor = in.U8(17);
  return true;
}

const char* TgaHeaderFault(const TgaHeader& h) {
  if (h.mapType > 1) return "unknown colour-map type";
  const unsigned t = h.imageType;
  if (t != 1 && t != 2 && t != 3 && t != 9 && t != 10 && t != 11) return "unknown image type";
  const unsigned d = h.depth;
  if (d != 8 && d != 15 && d != 16 && d != 24 && d != 32) return "unknown pixel depth";
  if (h.width == 0 || h.height == 0) return "width and height must be greater than zero";
  if ((h.xOrigin != 0 && h.xOrigin != h.width) || (h.yOrigin != 0 && h.yOrigin != h.height)) {
    return "origin neither 0 nor the picture's size";
  }
  return nullptr;
}
