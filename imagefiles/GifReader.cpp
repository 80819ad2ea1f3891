// GIF reader (87a and 89a).
//
// The picture is the logical screen at 8 bits per pixel with the colour
// table of the chosen frame (its local table, else the global one).  The
// frame is drawn at its position; the rest of the screen gets the
// transparent index when the frame has one, else the background index.  A
// transparent index becomes an alpha plane.  Frames other than the first are
// drawn on their own, not composed over the frames before them.

#include <cstring>
#include <vector>

#include "imagefiles/Decoders.h"
#include "imagefiles/Decoders_p.h"
#include "imagefiles/Picture.h"

using picturedecode::ByteSpan;
using picturedecode::Fail;
using picturedecode::FailShort;

namespace {

const char kName[] = "GIF";

struct Frame {
  unsigned left = 0, top = 0, width = 0, height = 0;
  bool interlaced = false;
  std::size_t tableAt = 0;  // local colour table, 0 when none
  unsigned tableSize = 0;
  bool transparent = false;
  unsigned transparentIndex = 0;
  unsigned minCodeSize = 0;
  std::size_t dataAt = 0;  // first sub-block of the image data
};

// Skips a chain of sub-blocks starting at `p`; answers the position after
// the terminator, or 0 when the chain runs past the end.
std::size_t SkipSubBlocks(const ByteSpan& in, std::size_t p) {
  while (in.Has(p, 1)) {
    const std::size_t n = in.U8(p);
    if (n == 0) return p + 1;
    if (!in.Has(p + 1, n)) return 0;
    p += 1 + n;
  }
  return 0;
}

// The LZW stream of one frame into `out` (width x height indices).
bool DecodeLzw(const std::vector<std::uint8_t>& data, unsigned minCodeSize, std::uint8_t* out,
               std::size_t pixels, PictureError* error) {
  constexpr unsigned kMaxCodes = 4096;
  std::vector<std::uint16_t> prefix(kMaxCodes);
  std::vector<std::uint8_t> suffix(kMaxCodes);
  std::vector<std::uint8_t> stack(kMaxCodes + 1);
  const unsigned clear = 1u << minCodeSize;
  const unsigned end = clear + 1;
  unsigned codeSize = minCodeSize + 1;
  unsigned next = clear + 2;
  int previous = -1;
  std::uint8_t first = 0;
  for (unsigned i = 0; i < clear; ++i) {
    prefix[i] = 0;
    suffix[i] = static_cast<std::uint8_t>(i);
  }
  std::size_t written = 0;
  std::size_t bitPos = 0;
  const std::size_t totalBits = data.size() * 8;
  while (written < pixels) {
    if (bitPos + codeSize > totalBits) return FailShort(error, kName, "image data ends early");
    unsigned code = 0;
    for (unsigned i = 0; i < codeSize; ++i, ++bitPos) {
      code |= ((data[bitPos >> 3] >> (bitPos & 7)) & 1u) << i;
    }
    if (code == clear) {
      codeSize = minCodeSize + 1;
      next = clear + 2;
      previous = -1;
      continue;
    }
    if (code == end) return FailShort(error, kName, "image data ends early");
    if (previous < 0) {
      if (code >= clear) return Fail(error, kName, "LZW code past the table");
      out[written++] = static_cast<std::uint8_t>(code);
      first = static_cast<std::uint8_t>(code);
      previous = static_cast<int>(code);
      continue;
    }
    if (code > next || (code == next && next >= kMaxCodes)) return Fail(error, kName, "LZW code past the table");
    // Unwind the string of `code` (or of `previous` + its first byte).
    std::size_t depth = 0;
    unsigned c = code;
    if (code == next) {
      stack[depth++] = first;
      c = static_cast<unsigned>(previous);
    }
    while (c >= clear) {
      if (depth >= kMaxCodes) return Fail(error, kName, "LZW string loop");
      stack[depth++] = suffix[c];
      c = prefix[c];
    }
    stack[depth++] = static_cast<std::uint8_t>(c);
    first = static_cast<std::uint8_t>(c);
    while (depth > 0 && written < pixels) out[written++] = stack[--depth];
    if (next < kMaxCodes) {
      prefix[next] = static_cast<std::uint16_t>(previous);
      suffix[next] = first;
      ++next;
      if (next == (1u << codeSize) && codeSize < 12) ++codeSize;
    }
    previous = static_cast<int>(code);
  }
  return true;
}

}  // namespace

bool DecodeGif(const std::uint8_t* data, std::size_t size, int frame, CPicture* picture, PictureError* error) {
  const ByteSpan in(data, size);
  if (!in.Has(0, 6) || std::memcmp(data, "GIF8", 4) != 0 || (data[4] != '7' && data[4] != '9') ||
      data[5] != 'a') {
    return Fail(error, kName, "not a GIF file");
  }
  if (!in.Has(0, 13)) return FailShort(error, kName, "truncated header");
  unsigned screenWidth = in.LE16(6);
  unsigned screenHeight = in.LE16(8);
  const unsigned packed = in.U8(10);
  const unsigned background = in.U8(11);
  std::size_t p = 13;
  std::size_t globalAt = 0;
  unsigned globalSize = 0;
  if (packed & 0x80) {
    globalSize = 2u << (packed & 7);
    if (!in.Has(p, globalSize * 3)) return FailShort(error, kName, "truncated global colour table");
    globalAt = p;
    p += globalSize * 3;
  }

  // Walk the blocks: count the frames and remember the chosen one.
  Frame chosen;
  bool found = false;
  int frames = 0;
  bool gceTransparent = false;
  unsigned gceIndex = 0;
  bool truncated = false;
  while (true) {
    if (!in.Has(p, 1)) {
      truncated = true;
      break;
    }
    const unsigned introducer = in.U8(p);
    if (introducer == 0x3B) break;  // trailer
    if (introducer == 0x21) {
      if (!in.Has(p, 2)) {
        truncated = true;
        break;
      }
      const unsigned label = in.U8(p + 1);
      if (label == 0xF9 && in.Has(p + 2, 6) && in.U8(p + 2) >= 4) {
        gceTransparent = (in.U8(p + 3) & 1) != 0;
        gceIndex = in.U8(p + 6);
      }
      const std::size_t after = SkipSubBlocks(in, p + 2);
      if (after == 0) {
        truncated = true;
        break;
      }
      p = after;
      continue;
    }
    if (introducer != 0x2C) {
      if (frames == 0) return Fail(error, kName, "unknown block type");
      break;  // junk after the frames: keep what was found
    }
    if (!in.Has(p, 10)) {
      truncated = true;
      break;
    }
    Frame f;
    f.left = in.LE16(p + 1);
    f.top = in.LE16(p + 3);
    f.width = in.LE16(p + 5);
    f.height = in.LE16(p + 7);
    const unsigned fp = in.U8(p + 9);
    f.interlaced = (fp & 0x40) != 0;
    f.transparent = gceTransparent;
    f.transparentIndex = gceIndex;
    gceTransparent = false;
    p += 10;
    if (fp & 0x80) {
      f.tableSize = 2u << (fp & 7);
      if (!in.Has(p, f.tableSize * 3)) {
        truncated = true;
        break;
      }
      f.tableAt = p;
      p += f.tableSize * 3;
    }
    if (!in.Has(p, 1)) {
      truncated = true;
      break;
    }
    f.minCodeSize = in.U8(p);
    f.dataAt = p + 1;
    const std::size_t after = SkipSubBlocks(in, p + 1);
    if (frames == frame) {
      chosen = f;
      found = true;
    }
    ++frames;
    if (after == 0) {
      truncated = true;
      break;
    }
    p = after;
  }
  if (!found) {
    if (frames == 0 && truncated) return FailShort(error, kName, "truncated before the first frame");
    if (frames == 0) return Fail(error, kName, "no frames");
    return picturedecode::FailFrame(error, kName, frame);
  }
  const Frame& f = chosen;
  if (f.width == 0 || f.height == 0) return Fail(error, kName, "width and height must be greater than zero");
  if (f.minCodeSize < 2 || f.minCodeSize > 8) return Fail(error, kName, "bad LZW code size");
  // Some writers give a screen smaller than their frames: widen it.
  if (f.left + f.width > screenWidth) screenWidth = f.left + f.width;
  if (f.top + f.height > screenHeight) screenHeight = f.top + f.height;

  // Gather the frame's sub-blocks into one stream.
  std::vector<std::uint8_t> lzw;
  for (std::size_t q = f.dataAt; in.Has(q, 1) && in.U8(q) != 0;) {
    const std::size_t n = in.U8(q);
    if (!in.Has(q + 1, n)) return FailShort(error, kName, "truncated image data");
    lzw.insert(lzw.end(), data + q + 1, data + q + 1 + n);
    q += 1 + n;
  }
  // One code (at least 3 bits) yields at most 4096 pixels: a frame or screen
  // larger than the data can fill is refused before anything is allocated.
  const std::uint64_t framePixels = std::uint64_t(f.width) * f.height;
  const std::uint64_t maxPixels = (std::uint64_t(lzw.size()) * 8 / (f.minCodeSize + 1) + 1) * 4096;
  if (framePixels > maxPixels) return FailShort(error, kName, "frame larger than its data can fill");
  const std::uint64_t screenPixels = std::uint64_t(screenWidth) * screenHeight;
  if (screenPixels > (std::uint64_t(size) * 8 / 3 + 1) * 4096) {
    return FailShort(error, kName, "logical screen larger than the file can fill");
  }
  if (!CPicture::CheckSize(screenWidth, screenHeight, 8, error)) return false;

  std::vector<std::uint8_t> indices(static_cast<std::size_t>(framePixels));
  if (!DecodeLzw(lzw, f.minCodeSize, indices.data(), indices.size(), error)) return false;

  if (!picture->Create(screenWidth, screenHeight, 8, error)) return false;
  picture->SetNumFrames(frames);
  const std::size_t tableAt = f.tableAt != 0 ? f.tableAt : globalAt;
  const unsigned tableSize = f.tableAt != 0 ? f.tableSize : globalSize;
  if (tableSize == 0) {
    picture->SetGreyPalette();  // no colour table at all: show the indices as greys
  } else {
    for (unsigned i = 0; i < tableSize; ++i) {
      picture->SetPaletteColor(i, in.U8(tableAt + 3 * i), in.U8(tableAt + 3 * i + 1), in.U8(tableAt + 3 * i + 2));
    }
  }
  if (f.transparent && !picture->AlphaCreate(error)) return false;

  const auto fill = static_cast<std::uint8_t>(f.transparent ? f.transparentIndex : background);
  const bool coversScreen = f.left == 0 && f.top == 0 && f.width == screenWidth && f.height == screenHeight;
  if (!coversScreen) {
    for (unsigned y = 0; y < screenHeight; ++y) {
      std::memset(picture->GetBits(y), fill, screenWidth);
      if (f.transparent) std::memset(picture->AlphaGetPointer(0, y), 0, screenWidth);
    }
  }
  // Rows in stored order; interlaced frames store every 8th row from 0,
  // every 8th from 4, every 4th from 2, then every 2nd from 1.
  static const unsigned kPassStart[4] = {0, 4, 2, 1};
  static const unsigned kPassStep[4] = {8, 8, 4, 2};
  unsigned pass = 0;
  unsigned row = 0;
  for (unsigned i = 0; i < f.height; ++i) {
    unsigned frameRow = i;
    if (f.interlaced) {
      while (row >= f.height) {
        ++pass;
        row = kPassStart[pass];
      }
      frameRow = row;
      row += kPassStep[pass];
    }
    const unsigned y = screenHeight - 1 - (f.top + frameRow);
    std::uint8_t* dst = picture->GetBits(y) + f.left;
    const std::uint8_t* src = indices.data() + static_cast<std::size_t>(i) * f.width;
    std::memcpy(dst, src, f.width);
    if (f.transparent) {
      std::uint8_t* a = picture->AlphaGetPointer(static_cast<long>(f.left), static_cast<long>(y));
      for (unsigned x = 0; x < f.width; ++x) a[x] = src[x] == f.transparentIndex ? 0 : 255;
    }
  }
  return true;
}
