#include "image/RowConverters_p.h"

#include <cstring>

#include "image/PixelFormat.h"

namespace {

using u8 = std::uint8_t;

inline u8 Luma(const u8* bgr) {
  return static_cast<u8>((28u * bgr[0] + 151u * bgr[1] + 77u * bgr[2]) >> 8);
}

// ===========================================================================
// Sub-byte indices
// ===========================================================================

void Unpack1(const RowConvertContext& c, u8* t, const u8* s, int n) {
  for (int i = 0; i < n; ++i) {
    const int bit = c.pixelPhase + i;
    t[i] = static_cast<u8>((s[bit >> 3] >> (7 - (bit & 7))) & 1);
  }
}

void Pack1(const RowConvertContext& c, u8* t, const u8* s, int n) {
  for (int i = 0; i < n; ++i) {
    const int bit = c.pixelPhase + i;
    const u8 mask = static_cast<u8>(0x80 >> (bit & 7));
    if (s[i] != 0) t[bit >> 3] |= mask;
    else t[bit >> 3] &= static_cast<u8>(~mask);
  }
}

inline int Nibble(const u8* s, int index) {
  const u8 v = s[index >> 1];
  return (index & 1) ? (v & 0x0F) : (v >> 4);
}

void Unpack4(const RowConvertContext& c, u8* t, const u8* s, int n) {
  for (int i = 0; i < n; ++i) t[i] = static_cast<u8>(Nibble(s, c.pixelPhase + i));
}

void Pack4(const RowConvertContext& c, u8* t, const u8* s, int n) {
  for (int i = 0; i < n; ++i) {
    const int index = c.pixelPhase + i;
    u8& byte = t[index >> 1];
    const u8 v = static_cast<u8>(s[i] & 0x0F);
    byte = (index & 1) ? static_cast<u8>((byte & 0xF0) | v) : static_cast<u8>((byte & 0x0F) | (v << 4));
  }
}

template <int kOut, bool kFour>
void SubBytePalette(const RowConvertContext& c, u8* t, const u8* s, int n) {
  for (int i = 0; i < n; ++i) {
    const int index = c.pixelPhase + i;
    const int v = kFour ? Nibble(s, index) : (s[index >> 3] >> (7 - (index & 7))) & 1;
    const u8* e = c.palette + v * 4;
    t[i * kOut + 0] = e[0];
    t[i * kOut + 1] = e[1];
    t[i * kOut + 2] = e[2];
    if (kOut == 4) t[i * kOut + 3] = 255;
  }
}

// ===========================================================================
// Byte formats
// ===========================================================================

// Palette lookup from 1- or 2-byte pixels (index[, alpha]) to BGR or BGRA.
template <int kIn, int kOut>
void PaletteLookup(const RowConvertContext& c, u8* t, const u8* s, int n) {
  for (int i = 0; i < n; ++i) {
    const u8* e = c.palette + s[i * kIn] * 4;
    t[i * kOut + 0] = e[0];
    t[i * kOut + 1] = e[1];
    t[i * kOut + 2] = e[2];
    if (kOut == 4) t[i * kOut + 3] = kIn == 2 ? s[i * kIn + 1] : 255;
  }
}

// The first byte of each pixel, with an alpha of 255 when kOut is 2.
template <int kIn, int kOut>
void FirstByte(const RowConvertContext&, u8* t, const u8* s, int n) {
  for (int i = 0; i < n; ++i) {
    t[i * kOut] = s[i * kIn];
    if (kOut == 2) t[i * kOut + 1] = 255;
  }
}

// Grey (with or without alpha) to B, G, R (with alpha 255 or kept).
template <int kIn, int kOut>
void GreyToBgr(const RowConvertContext&, u8* t, const u8* s, int n) {
  for (int i = 0; i < n; ++i) {
    const u8 g = s[i * kIn];
    t[i * kOut + 0] = t[i * kOut + 1] = t[i * kOut + 2] = g;
    if (kOut == 4) t[i * kOut + 3] = kIn == 2 ? s[i * kIn + 1] : 255;
  }
}

// B, G, R (with alpha) to grey (with alpha 255 or kept).
template <int kIn, int kOut>
void BgrToGrey(const RowConvertContext&, u8* t, const u8* s, int n) {
  for (int i = 0; i < n; ++i) {
    t[i * kOut] = Luma(s + i * kIn);
    if (kOut == 2) t[i * kOut + 1] = kIn == 4 ? s[i * kIn + 3] : 255;
  }
}

// B, G, R copied between 3- and 4-byte pixels; a 4-byte target gets alpha
// 255, or keeps its own when kKeepAlpha.
template <int kIn, int kOut, bool kKeepAlpha = false>
void BgrCopy(const RowConvertContext&, u8* t, const u8* s, int n) {
  for (int i = 0; i < n; ++i) {
    t[i * kOut + 0] = s[i * kIn + 0];
    t[i * kOut + 1] = s[i * kIn + 1];
    t[i * kOut + 2] = s[i * kIn + 2];
    if (kOut == 4 && !kKeepAlpha) t[i * kOut + 3] = 255;
  }
}

void PremultiplyRow(const RowConvertContext&, u8* t, const u8* s, int n) {
  for (int i = 0; i < n; ++i) {
    const u8 a = s[i * 4 + 3];
    for (int k = 0; k < 3; ++k) t[i * 4 + k] = Premultiply(s[i * 4 + k], a);
    t[i * 4 + 3] = a;
  }
}

void UnpremultiplyRow(const RowConvertContext&, u8* t, const u8* s, int n) {
  for (int i = 0; i < n; ++i) {
    const u8 a = s[i * 4 + 3];
    for (int k = 0; k < 3; ++k) t[i * 4 + k] = Unpremultiply(s[i * 4 + k], a);
    t[i * 4 + 3] = a;
  }
}

// ===========================================================================
// One channel of each pixel
// ===========================================================================

template <int kStride>
void Gather(const RowConvertContext& c, u8* t, const u8* s, int n) {
  const u8* p = s + c.channelOffset;
  for (int i = 0; i < n; ++i) t[i] = p[i * kStride];
}

template <int kStride>
void Scatter(const RowConvertContext& c, u8* t, const u8* s, int n) {
  u8* p = t + c.channelOffset;
  for (int i = 0; i < n; ++i) p[i * kStride] = s[i];
}

struct PairEntry {
  int storage;
  int access;
  ConverterPair pair;
};

const PairEntry kPairs[] = {
    {keFormatIndex1, keFormatIndex8, {Unpack1, Pack1}},
    {keFormatIndex1, keFormatBGR, {SubBytePalette<3, false>, nullptr}},
    {keFormatIndex1, keFormatBGRA, {SubBytePalette<4, false>, nullptr}},
    {keFormatIndex4, keFormatIndex8, {Unpack4, Pack4}},
    {keFormatIndex4, keFormatBGR, {SubBytePalette<3, true>, nullptr}},
    {keFormatIndex4, keFormatBGRA, {SubBytePalette<4, true>, nullptr}},
    {keFormatIndex8, keFormatIndex8A, {FirstByte<1, 2>, FirstByte<2, 1>}},
    {keFormatIndex8, keFormatBGR, {PaletteLookup<1, 3>, nullptr}},
    {keFormatIndex8, keFormatBGRA, {PaletteLookup<1, 4>, nullptr}},
    {keFormatIndex8A, keFormatIndex8, {FirstByte<2, 1>, FirstByte<1, 2>}},
    {keFormatIndex8A, keFormatBGRA, {PaletteLookup<2, 4>, nullptr}},
    {keFormatGrey, keFormatGreyA, {FirstByte<1, 2>, FirstByte<2, 1>}},
    {keFormatGrey, keFormatBGR, {GreyToBgr<1, 3>, BgrToGrey<3, 1>}},
    {keFormatGrey, keFormatBGRA, {GreyToBgr<1, 4>, BgrToGrey<4, 1>}},
    {keFormatGreyA, keFormatBGRA, {GreyToBgr<2, 4>, BgrToGrey<4, 2>}},
    {keFormatBGR, keFormatGrey, {BgrToGrey<3, 1>, GreyToBgr<1, 3>}},
    {keFormatBGR, keFormatGreyA, {BgrToGrey<3, 2>, GreyToBgr<2, 3>}},
    {keFormatBGR, keFormatBGRA, {BgrCopy<3, 4>, BgrCopy<4, 3>}},
    {keFormatBGRA, keFormatGreyA, {BgrToGrey<4, 2>, GreyToBgr<2, 4>}},
    {keFormatBGRA, keFormatBGR, {BgrCopy<4, 3>, BgrCopy<3, 4>}},
    {keFormatBGRA, keFormatBGRxA, {PremultiplyRow, UnpremultiplyRow}},
    {keFormatBGRxA, keFormatBGRA, {UnpremultiplyRow, PremultiplyRow}},
};

}  // namespace

std::uint8_t Premultiply(std::uint8_t value, std::uint8_t alpha) {
  if (alpha == 255) return value;
  if (alpha == 0) return 0;
  const unsigned t = static_cast<unsigned>(value) * alpha;
  return static_cast<std::uint8_t>(((t >> 8) + t + 128) >> 8);
}

std::uint8_t Unpremultiply(std::uint8_t value, std::uint8_t alpha) {
  // 256 x 256 answers, built on first use (thread-safe static).
  struct Table {
    std::uint8_t v[256][256];
    Table() {
      for (int a = 0; a < 256; ++a) {
        for (int x = 0; x < 256; ++x) {
          int r;
          if (a == 0) r = 0;
          else if (a == 255) r = x;
          else r = (x * 255 + a / 2) / a;
          v[a][x] = static_cast<std::uint8_t>(r > 255 ? 255 : r);
        }
      }
    }
  };
  static const Table s_table;
  return s_table.v[alpha][value];
}

bool FindAccessConverters(int storage, int access, ConverterPair* pair) {
  for (const PairEntry& e : kPairs) {
    if (e.storage == storage && e.access == access) {
      *pair = e.pair;
      return true;
    }
  }
  return false;
}

bool FindChannelConverters(int storage, int channel, int* accessFormat, int* offset,
                           ConverterPair* pair) {
  *pair = ConverterPair{};
  *offset = 0;
  *accessFormat = storage;
  const bool wholePixel = channel == keChannelPixel ||
                          (storage == keFormatGrey && channel == keChannelGrey) ||
                          (storage == keFormatBGR && channel == keChannelColour) ||
                          (storage == keFormatIndex8 && channel == keChannelIndex);
  if (wholePixel) return true;
  switch (storage) {
    case keFormatBGR:
      if (channel < 0 || channel > 2) return false;
      *pair = {Gather<3>, Scatter<3>};
      break;
    case keFormatBGRA:
      if (channel == keChannelColour) {
        *accessFormat = keFormatBGR;
        *pair = {BgrCopy<4, 3>, BgrCopy<3, 4, true>};
        return true;
      }
      if (channel < 0 || channel > 3) return false;
      *pair = {Gather<4>, Scatter<4>};
      break;
    case keFormatIndex8A:
      if (channel == keChannelAlpha) {
        *offset = 1;
        *accessFormat = keFormatGrey;
        *pair = {Gather<2>, Scatter<2>};
        return true;
      }
      if (channel != keChannelIndex) return false;
      *accessFormat = keFormatIndex8;
      *pair = {Gather<2>, Scatter<2>};
      return true;
    case keFormatGreyA:
      if (channel == keChannelAlpha) *offset = 1;
      else if (channel != keChannelGrey) return false;
      *accessFormat = keFormatGrey;
      *pair = {Gather<2>, Scatter<2>};
      return true;
    default:
      return false;
  }
  *offset = channel;
  *accessFormat = keFormatGrey;
  return true;
}
