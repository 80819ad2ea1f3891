#pragma once
// Row converters between a buffer's stored format and the format in which
// it hands rows out.  A read converter goes from the stored row to the row
// cache, a write converter back.  Converters never read or write past
// `count` pixels; on a sub-byte stored row they touch only the bits of
// those pixels, starting at pixel `pixelPhase` of the first byte.

#include <cstdint>

struct RowConvertContext {
  const std::uint8_t* palette = nullptr;  // 4-byte entries; full size for the format
  int channelOffset = 0;                  // byte offset of an addressed channel
  int pixelPhase = 0;                     // first pixel within the first stored byte
};

using RowConverter = void (*)(const RowConvertContext& context, std::uint8_t* target,
                              const std::uint8_t* source, int count);

struct ConverterPair {
  RowConverter read = nullptr;
  RowConverter write = nullptr;  // null: the pair is read only
};

// The converters for handing rows of `storage` out as `access`; false when
// the pair is not supported.
bool FindAccessConverters(int storage, int access, ConverterPair* pair);

// The access format, channel byte offset and converters for addressing one
// channel of `storage`.  Whole-pixel cases answer the storage format and no
// converters.  False when the channel cannot be addressed.
bool FindChannelConverters(int storage, int channel, int* accessFormat, int* offset,
                           ConverterPair* pair);

// Premultiplies or unpremultiplies one 8-bit channel value by alpha.
std::uint8_t Premultiply(std::uint8_t value, std::uint8_t alpha);
std::uint8_t Unpremultiply(std::uint8_t value, std::uint8_t alpha);
