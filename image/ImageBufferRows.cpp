// Row access, the row cache, formats of access and filling.
#include <cstring>
#include <new>

#include "image/ImageBand_p.h"
#include "image/ImageBuffer.h"
#include "image/Palette.h"
#include "image/RowConverters_p.h"

// ===========================================================================
// GetRow / ReleaseRow
// ===========================================================================

std::uint8_t* CImageBuffer::GetRow(int y, int x, int count) {
  std::uint8_t* row = nullptr;
  GetRowInternal(y, x, count, true, &row).RaiseIfError();
  return row;
}

const std::uint8_t* CImageBuffer::GetRow(int y, int x, int count) const {
  std::uint8_t* row = nullptr;
  GetRowInternal(y, x, count, false, &row).RaiseIfError();
  return row;
}

CStatus CImageBuffer::GetRow(int y, int x, int count, std::uint8_t** row) {
  return GetRowInternal(y, x, count, true, row);
}

void CImageBuffer::MakeContext(RowConvertContext* context, int pixelPhase) const {
  context->palette = m_palette != nullptr ? m_palette->data() : nullptr;
  context->channelOffset = m_channelOffset;
  context->pixelPhase = pixelPhase;
}

CStatus CImageBuffer::GetRowInternal(int y, int x, int count, bool forWriting,
                                     std::uint8_t** row) const {
  *row = nullptr;
  if (IsEmpty()) return MakeStatus(keErrNoData);
  if (count == -1) count = Width() - x;
  if (y < 0 || y >= Height() || x < 0 || count <= 0 || x > Width() - count) {
    return MakeStatus(keErrBadArgument);
  }
  int phase = 0;
  std::uint8_t* stored = StoredRow(y, x, &phase);
  if (m_rowCache.empty()) {
    *row = stored;
    return CStatus();
  }
  RowCacheEntry& entry = m_rowCache[static_cast<std::size_t>(y)];
  if (entry.buffer != nullptr) {
    // A held row is handed out again only for the same part.
    if (entry.x != x || entry.count != count) return MakeStatus(keErrBadArgument);
    ++entry.holds;
    entry.dirty = entry.dirty || forWriting;
    *row = entry.buffer;
    return CStatus();
  }
  RowCacheEntry& spare = m_rowCache.back();
  std::uint8_t* buffer = nullptr;
  if (spare.buffer != nullptr && spare.count >= count) {
    buffer = spare.buffer;
    spare.buffer = nullptr;
    spare.count = 0;
  } else {
    const std::size_t bytes =
        (static_cast<std::size_t>(count) * FormatBitsPerPixel(m_accessFormat) + 7) / 8;
    buffer = new (std::nothrow) std::uint8_t[bytes];
    if (buffer == nullptr) return MakeStatus(keErrOutOfMemory);
  }
  entry.buffer = buffer;
  entry.x = x;
  entry.count = count;
  entry.holds = 1;
  entry.dirty = forWriting;
  if (m_readConverter != nullptr) {
    RowConvertContext context;
    MakeContext(&context, phase);
    m_readConverter(context, buffer, stored, count);
  }
  *row = buffer;
  return CStatus();
}

void CImageBuffer::ReleaseRow(int y) const { ReleaseRowInternal(y, false); }

void CImageBuffer::ReleaseRowInternal(int y, bool force) const {
  if (m_rowCache.empty() || y < 0 || y >= Height()) return;
  RowCacheEntry& entry = m_rowCache[static_cast<std::size_t>(y)];
  if (entry.buffer == nullptr) return;
  if (force) entry.holds = 1;
  if (--entry.holds > 0) return;
  if (m_writeConverter != nullptr && entry.dirty) {
    int phase = 0;
    std::uint8_t* stored = StoredRow(y, entry.x, &phase);
    RowConvertContext context;
    MakeContext(&context, phase);
    m_writeConverter(context, stored, entry.buffer, entry.count);
  }
  RowCacheEntry& spare = m_rowCache.back();
  if (spare.buffer != nullptr && spare.count >= entry.count) {
    delete[] entry.buffer;
  } else {
    delete[] spare.buffer;
    spare.buffer = entry.buffer;
    spare.count = entry.count;
  }
  entry = RowCacheEntry{};
}

void CImageBuffer::DropRowCache() {
  if (m_rowCache.empty()) return;
  const int rows = static_cast<int>(m_rowCache.size()) - 1;
  for (int y = 0; y < rows; ++y) ReleaseRowInternal(y, true);
  delete[] m_rowCache.back().buffer;
  m_rowCache.clear();
}

CStatus CImageBuffer::BuildRowCache() {
  DropRowCache();
  try {
    m_rowCache.assign(static_cast<std::size_t>(Height()) + 1, RowCacheEntry{});
  } catch (const std::bad_alloc&) {
    return MakeStatus(keErrOutOfMemory);
  }
  return CStatus();
}

// ===========================================================================
// Formats of access
// ===========================================================================

CStatus CImageBuffer::SetAccessFormat(int format, int mode) {
  if (IsEmpty()) return MakeStatus(keErrNoData);
  if (mode < keAccessRead || mode > keAccessReadWrite) return MakeStatus(keErrBadArgument);
  const bool plain = format == keFormatNone || format == m_format;
  if (m_channel != keChannelPixel) return plain ? CStatus() : MakeStatus(keErrBadArgument);
  if (plain) {
    DropRowCache();
    m_readConverter = m_writeConverter = nullptr;
    m_accessFormat = m_format;
    m_accessMode = mode;
    return CStatus();
  }
  ConverterPair pair;
  if (!FindAccessConverters(m_format, format, &pair)) return MakeStatus(keErrBadArgument);
  if (mode != keAccessRead && pair.write == nullptr) return MakeStatus(keErrBadArgument);
  CStatus status = BuildRowCache();
  if (status.IsError()) return status;
  m_readConverter = mode != keAccessWrite ? pair.read : nullptr;
  m_writeConverter = mode != keAccessRead ? pair.write : nullptr;
  m_accessFormat = format;
  m_accessMode = mode;
  return CStatus();
}

CStatus CImageBuffer::SetChannelAccess(int channel, int mode) {
  if (IsEmpty()) return MakeStatus(keErrNoData);
  if (mode < keAccessRead || mode > keAccessReadWrite) return MakeStatus(keErrBadArgument);
  if (channel != keChannelPixel && m_accessFormat != m_format && m_channel == keChannelPixel) {
    return MakeStatus(keErrBadArgument);
  }
  int accessFormat = m_format, offset = 0;
  ConverterPair pair;
  if (!FindChannelConverters(m_format, channel, &accessFormat, &offset, &pair)) {
    return MakeStatus(keErrBadArgument);
  }
  DropRowCache();
  m_readConverter = m_writeConverter = nullptr;
  if (pair.read != nullptr) {
    CStatus status = BuildRowCache();
    if (status.IsError()) return status;
    m_readConverter = mode != keAccessWrite ? pair.read : nullptr;
    m_writeConverter = mode != keAccessRead ? pair.write : nullptr;
  }
  m_channel = channel;
  m_channelOffset = offset;
  m_accessFormat = accessFormat;
  m_accessMode = mode;
  return CStatus();
}

CStatus CImageBuffer::Retag(int format) {
  if (IsEmpty()) return MakeStatus(keErrNoData);
  // The bits stay as they are, so the new format must read them the same way.
  if (FormatBitsPerPixel(format) != m_bitsPerPixel || format < keFormatIndex1) {
    return MakeStatus(keErrBadArgument);
  }
  DropRowCache();
  m_readConverter = m_writeConverter = nullptr;
  m_channel = keChannelPixel;
  m_channelOffset = 0;
  if (IsIndexedFormat(format)) {
    if (IsGreyFormat(m_format)) {
      try {
        m_palette = std::make_shared<std::vector<std::uint8_t>>(GreyRampPalette(), GreyRampPalette() + 256 * 4);
      } catch (const std::bad_alloc&) {
        return MakeStatus(keErrOutOfMemory);
      }
      m_paletteSize = 256;
    }
  } else {
    m_palette.reset();
    m_paletteSize = 0;
  }
  m_format = m_accessFormat = format;
  for (auto& band : m_bands->bands) {
    band->desc.format = format;
    band->desc.palette = m_palette != nullptr ? m_palette->data() : nullptr;
    band->desc.paletteCount = m_palette != nullptr ? m_paletteSize : 0;
  }
  return CStatus();
}

// ===========================================================================
// Fill
// ===========================================================================

namespace {

// Sets `pixels` pixels of a sub-byte row from pixel `phase` on to `value`,
// keeping every other bit.
void FillSubByte(std::uint8_t* row, int phase, int pixels, int bpp, int value) {
  const int perByte = 8 / bpp, mask = (1 << bpp) - 1;
  for (int i = 0; i < pixels; ++i) {
    const int p = phase + i;
    const int shift = 8 - bpp * (p % perByte + 1);
    std::uint8_t& byte = row[p / perByte];
    byte = static_cast<std::uint8_t>((byte & ~(mask << shift)) | ((value & mask) << shift));
  }
}

}  // namespace

CStatus CImageBuffer::Fill(const CColorRef& colour) {
  if (IsEmpty()) return MakeStatus(keErrNoData);
  const int width = Width(), height = Height();
  if (width < 1 || height < 1) return CStatus();
  const int format = m_accessFormat;
  if (format == keFormatNone || format == keFormatBGRxA_u16 || format >= keFormatGrey_f32) {
    return CStatus();
  }
  std::uint8_t pixel[16] = {};
  CStatus status = colour.Deliver(format, Palette(), PaletteSize(), pixel);
  if (status.IsError()) return status;
  const int bpp = FormatBitsPerPixel(format);
  std::uint8_t* first = nullptr;
  status = GetRow(0, 0, -1, &first);
  if (status.IsError()) return status;
  const int phase = bpp < 8 ? (m_originX * bpp % 8) / bpp : 0;
  const std::size_t bytesPerPixel = static_cast<std::size_t>(bpp) / 8;
  if (bpp < 8) {
    FillSubByte(first, phase, width, bpp, pixel[0]);
  } else {
    for (int x = 0; x < width; ++x) std::memcpy(first + x * bytesPerPixel, pixel, bytesPerPixel);
  }
  for (int y = 1; y < height; ++y) {
    std::uint8_t* row = nullptr;
    status = GetRow(y, 0, -1, &row);
    if (status.IsError()) {
      ReleaseRow(0);
      return status;
    }
    if (bpp < 8) FillSubByte(row, phase, width, bpp, pixel[0]);
    else std::memcpy(row, first, bytesPerPixel * width);
    ReleaseRow(y);
  }
  ReleaseRow(0);
  return CStatus();
}

// ===========================================================================
// Row scopes
// ===========================================================================

CRowReader::CRowReader(const CImageBuffer& buffer, int y) : m_buffer(buffer), m_y(y) {
  if (!buffer.IsEmpty() && y >= 0 && y < buffer.Height()) m_row = buffer.GetRow(y);
}

CRowReader::~CRowReader() {
  if (m_row != nullptr) m_buffer.ReleaseRow(m_y);
}

CRowWriter::CRowWriter(CImageBuffer& buffer, int y) : m_buffer(buffer), m_y(y) {
  if (!buffer.IsEmpty() && y >= 0 && y < buffer.Height()) m_row = buffer.GetRow(y);
}

CRowWriter::~CRowWriter() {
  if (m_row != nullptr) m_buffer.ReleaseRow(m_y);
}
