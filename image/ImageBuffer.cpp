#include "image/ImageBuffer.h"

#include <climits>
#include <cstring>
#include <new>
#include <utility>

#include "host/MemoryManager.h"
#include "image/BlockCopy_p.h"
#include "image/ImageBand_p.h"
#include "image/Palette.h"
#include "image/RowConverters_p.h"

namespace {

constexpr std::uint64_t kBandGranularity = 65536;
// The memory manager's diagnostics name band memory with this tag and line.
constexpr const char kBandTag[] = "Row";
constexpr int kBandLine = 2864;

std::uint32_t ReadU32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::int32_t ReadI32(const std::uint8_t* p) { return static_cast<std::int32_t>(ReadU32(p)); }
std::uint16_t ReadU16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

// Copies `pixels` pixels of `bpp` bits (1 or 4) between rows that start at
// pixel phases of their first bytes, keeping every other bit of the target.
void CopySubBytePixels(std::uint8_t* target, int targetPhase, const std::uint8_t* source,
                       int sourcePhase, int pixels, int bpp) {
  const int mask = (1 << bpp) - 1;
  const int perByte = 8 / bpp;
  for (int i = 0; i < pixels; ++i) {
    const int s = sourcePhase + i, t = targetPhase + i;
    const int sShift = 8 - bpp * (s % perByte + 1), tShift = 8 - bpp * (t % perByte + 1);
    const int v = (source[s / perByte] >> sShift) & mask;
    std::uint8_t& byte = target[t / perByte];
    byte = static_cast<std::uint8_t>((byte & ~(mask << tShift)) | (v << tShift));
  }
}

}  // namespace

CImageBand::~CImageBand() {
  mapping.Unmap();
  ReleaseMemoryBlock(block);
}

// ===========================================================================
// Life cycle
// ===========================================================================

CImageBuffer::CImageBuffer() = default;

CImageBuffer::~CImageBuffer() { Clear(); }

CImageBuffer::CImageBuffer(const CImageBuffer& other) { Share(other).RaiseIfError(); }

CImageBuffer& CImageBuffer::operator=(const CImageBuffer& other) {
  Share(other).RaiseIfError();
  return *this;
}

CImageBuffer::CImageBuffer(CImageBuffer&& other) noexcept { *this = std::move(other); }

CImageBuffer& CImageBuffer::operator=(CImageBuffer&& other) noexcept {
  if (this == &other) return *this;
  Clear();
  m_format = other.m_format;
  m_bands = std::move(other.m_bands);
  m_palette = std::move(other.m_palette);
  m_paletteSize = other.m_paletteSize;
  m_storageWidth = other.m_storageWidth;
  m_storageHeight = other.m_storageHeight;
  m_readConverter = other.m_readConverter;
  m_writeConverter = other.m_writeConverter;
  m_rowTable = std::move(other.m_rowTable);
  m_bounds = other.m_bounds;
  m_originX = other.m_originX;
  m_originY = other.m_originY;
  m_bitsPerPixel = other.m_bitsPerPixel;
  m_accessMode = other.m_accessMode;
  m_channel = other.m_channel;
  m_accessFormat = other.m_accessFormat;
  m_rowCache = std::move(other.m_rowCache);
  m_channelOffset = other.m_channelOffset;
  other.m_rowCache.clear();
  other.Clear();
  return *this;
}

void CImageBuffer::Clear() {
  DropRowCache();
  m_bands.reset();
  m_rowTable.reset();
  m_palette.reset();
  m_format = keFormatNone;
  m_paletteSize = 0;
  m_storageWidth = m_storageHeight = 0;
  m_readConverter = m_writeConverter = nullptr;
  m_bounds = ImageRect{};
  m_originX = m_originY = 0;
  m_bitsPerPixel = 0;
  m_accessMode = keAccessReadWrite;
  m_channel = keChannelPixel;
  m_accessFormat = keFormatNone;
  m_channelOffset = 0;
}

// ===========================================================================
// Creation
// ===========================================================================

CStatus CImageBuffer::Create(int width, int height, int format, const CColorRef* fill,
                             const std::uint8_t* palette, int paletteCount) {
  Clear();
  if (format < keFormatIndex1 || format > keFormatBGRxA_u16 || width < 1 || height < 1) {
    return MakeStatus(keErrBadArgument);
  }
  const int bpp = FormatBitsPerPixel(format);
  const std::uint64_t rowPixels = (static_cast<std::uint64_t>(width) + 127) / 128 * 128;
  const std::uint64_t stride = rowPixels * static_cast<std::uint64_t>(bpp) / 8;
  const std::uint64_t bandBytes =
      (stride * kBandRows + kBandGranularity - 1) / kBandGranularity * kBandGranularity;
  // A band must fit the manager's 32-bit sizes and the descriptions' strides.
  if (bandBytes > 0xFFFF0000u || stride > static_cast<std::uint64_t>(INT32_MAX)) {
    return MakeStatus(keErrBadArgument);
  }
  const int bandCount = (height + kBandRows - 1) / kBandRows;
  try {
    auto table = std::make_shared<CImageBandTable>();
    auto rows = std::make_shared<std::vector<std::uint8_t*>>(static_cast<std::size_t>(height));
    table->bands.reserve(static_cast<std::size_t>(bandCount));
    for (int b = 0; b < bandCount; ++b) {
      table->bands.push_back(std::make_unique<CImageBand>());
      CImageBand& band = *table->bands.back();
      band.block = AllocateMemoryBlock(static_cast<std::uint32_t>(bandBytes), fill == nullptr,
                                       keMemoryVirtual, kBandTag, kBandLine);
      auto* base = static_cast<std::uint8_t*>(band.mapping.Map(band.block, 0, 0, kBandTag, kBandLine));
      if (base == nullptr) return MakeStatus(keErrOutOfMemory);
      band.holds = 1;
      band.size = bandBytes;
      const int bandRows = b + 1 < bandCount ? kBandRows : height - b * kBandRows;
      band.desc.format = format;
      band.desc.width = width;
      band.desc.height = bandRows;
      band.desc.bits = base + static_cast<std::size_t>(bandRows - 1) * stride;
      band.desc.stride = -static_cast<std::int32_t>(stride);
      for (int r = 0; r < bandRows; ++r) {
        (*rows)[static_cast<std::size_t>(b * kBandRows + r)] = band.desc.bits - static_cast<std::size_t>(r) * stride;
      }
    }
    if (IsIndexedFormat(format)) {
      const int entries = 1 << FormatBitsPerChannel(format);
      const int count = paletteCount < 0 || paletteCount > entries ? entries : paletteCount;
      const std::uint8_t* from = palette != nullptr ? palette : DefaultPalette(entries);
      m_palette = std::make_shared<std::vector<std::uint8_t>>(static_cast<std::size_t>(entries) * 4, 0);
      std::memcpy(m_palette->data(), from, static_cast<std::size_t>(count) * 4);
      m_paletteSize = entries;
      for (auto& band : table->bands) {
        band->desc.palette = m_palette->data();
        band->desc.paletteCount = entries;
      }
    }
    m_bands = std::move(table);
    m_rowTable = std::move(rows);
  } catch (const CJException&) {
    Clear();
    return MakeStatus(keErrOutOfMemory);
  } catch (const std::bad_alloc&) {
    Clear();
    return MakeStatus(keErrOutOfMemory);
  }
  m_format = m_accessFormat = format;
  m_storageWidth = width;
  m_storageHeight = height;
  m_bitsPerPixel = bpp;
  m_bounds = ImageRect{0, 0, width, height};
  if (fill != nullptr) return Fill(*fill);
  return CStatus();
}

namespace {

CStatus CreateInFormat(CImageBuffer& buffer, int width, int height, int format,
                       const CColorRef* colour, const CColorRef& fallback) {
  const CColorRef& fill = colour != nullptr ? *colour : fallback;
  if (!buffer.IsEmpty() && buffer.Width() == width && buffer.Height() == height &&
      buffer.AccessFormat() == format) {
    return buffer.Fill(fill);
  }
  return buffer.Create(width, height, format, &fill);
}

}  // namespace

CStatus CImageBuffer::CreateBGR(int width, int height, const CColorRef* colour) {
  return CreateInFormat(*this, width, height, keFormatBGR, colour, CColorRef(0, 0, 0, 255));
}

CStatus CImageBuffer::CreateBGRA(int width, int height, const CColorRef* colour) {
  return CreateInFormat(*this, width, height, keFormatBGRA, colour, CColorRef(0, 0, 0, 0));
}

CStatus CImageBuffer::CreateGrey(int width, int height, const CColorRef* colour) {
  return CreateInFormat(*this, width, height, keFormatGrey, colour, CColorRef(0, 0, 0, 255));
}

CStatus CImageBuffer::CreateGreyA(int width, int height, const CColorRef* colour) {
  return CreateInFormat(*this, width, height, keFormatGreyA, colour, CColorRef(0, 0, 0, 0));
}

CStatus CImageBuffer::CreateFromBits(const BitmapDesc& desc) {
  if (desc.format == keFormatNone || desc.format == keFormatCustom || desc.width <= 0 ||
      desc.height <= 0 || desc.bits == nullptr || desc.stride == 0) {
    return MakeStatus(keErrBadArgument);
  }
  CStatus status = Create(desc.width, desc.height, desc.format, nullptr, desc.palette,
                          desc.palette != nullptr ? desc.paletteCount : -1);
  if (status.IsError()) return status;
  const std::size_t rowBytes = (static_cast<std::size_t>(m_bitsPerPixel) * desc.width + 7) / 8;
  const std::uint8_t* source = desc.bits;
  for (int y = 0; y < desc.height; ++y, source += desc.stride) {
    std::uint8_t* row = nullptr;
    status = GetRow(y, 0, -1, &row);
    if (status.IsError()) {
      Clear();
      return status;
    }
    std::memcpy(row, source, rowBytes);
    ReleaseRow(y);
  }
  return CStatus();
}

CStatus CImageBuffer::CreateFromDib(const void* dib, std::size_t size, int format) {
  Clear();
  const auto* bytes = static_cast<const std::uint8_t*>(dib);
  if (bytes == nullptr || size < 40) return MakeStatus(keErrBadArgument);
  const std::uint32_t headerSize = ReadU32(bytes);
  const std::int32_t width = ReadI32(bytes + 4);
  const std::int32_t height = ReadI32(bytes + 8);
  const int bitCount = ReadU16(bytes + 14);
  const std::uint32_t compression = ReadU32(bytes + 16);
  const std::uint32_t coloursUsed = ReadU32(bytes + 32);
  // Only uncompressed bitmaps with a header of at least the classic size.
  if (headerSize < 40 || headerSize > size || compression != 0 || width < 0 ||
      height == INT32_MIN) {
    return MakeStatus(keErrBadArgument);
  }
  const std::uint8_t* table = bytes + headerSize;
  const std::size_t tableRoom = (size - headerSize) / 4;
  // Entries the colour table holds for an indexed or 8-bit grey bitmap.
  auto tableEntries = [&](int bits) -> std::size_t {
    const std::size_t full = bits >= 8 ? 256 : (std::size_t{1} << bits);
    return coloursUsed != 0 && coloursUsed < full ? coloursUsed : full;
  };
  if (format == 0) {
    switch (bitCount) {
      case 1: format = keFormatIndex1; break;
      case 4: format = keFormatIndex4; break;
      case 8:
      case 16: {
        const bool ramp = tableEntries(8) == 256 && tableRoom >= 256 && IsGreyRamp(table);
        format = bitCount == 8 ? (ramp ? keFormatGrey : keFormatIndex8)
                               : (ramp ? keFormatGreyA : keFormatIndex8A);
        break;
      }
      case 24: format = keFormatBGR; break;
      case 32: format = keFormatBGRA; break;
      default: return MakeStatus(keErrBadArgument);
    }
  }
  if (FormatBitsPerPixel(format) != bitCount) return MakeStatus(keErrBadArgument);
  const bool hasTable = IsIndexedFormat(format) || format == keFormatGrey || format == keFormatGreyA;
  const std::size_t entries = hasTable ? tableEntries(FormatBitsPerChannel(format)) : 0;
  if (entries > tableRoom) return MakeStatus(keErrBadArgument);
  const int paletteCount = IsIndexedFormat(format) ? static_cast<int>(entries) : 0;
  const std::uint8_t* palette = IsIndexedFormat(format) ? table : nullptr;
  if (width == 0 || height == 0) return Create(1, 1, format, nullptr, palette, paletteCount);

  const std::int64_t rows = height < 0 ? -static_cast<std::int64_t>(height) : height;
  const std::uint64_t rowBytes = (static_cast<std::uint64_t>(bitCount) * width + 31) / 32 * 4;
  const std::uint64_t offset = headerSize + entries * 4;
  if (rowBytes > static_cast<std::uint64_t>(INT32_MAX) ||
      offset + rowBytes * static_cast<std::uint64_t>(rows) > size) {
    return MakeStatus(keErrBadArgument);
  }
  BitmapDesc desc;
  desc.format = format;
  desc.width = width;
  desc.height = static_cast<std::int32_t>(rows);
  const std::uint8_t* bits = bytes + offset;
  if (height > 0) {
    desc.bits = const_cast<std::uint8_t*>(bits + rowBytes * static_cast<std::uint64_t>(rows - 1));
    desc.stride = -static_cast<std::int32_t>(rowBytes);
  } else {
    desc.bits = const_cast<std::uint8_t*>(bits);
    desc.stride = static_cast<std::int32_t>(rowBytes);
  }
  desc.palette = palette;
  desc.paletteCount = paletteCount;
  return CreateFromBits(desc);
}

CStatus CImageBuffer::CreateFromDibBlock(IMemoryBlock* block, int format) {
  if (block == nullptr) return MakeStatus(keErrBadArgument);
  CStatus status;
  {
    CMemoryMapping mapping;
    void* address = mapping.Map(block, 0, 0, "Dib", __LINE__);
    if (address == nullptr) status = MakeStatus(keErrOutOfMemory);
    else status = CreateFromDib(address, mapping.Size(), format);
  }
  ReleaseMemoryBlock(block);
  return status;
}

// ===========================================================================
// Copying and sharing
// ===========================================================================

CStatus CImageBuffer::Copy(const CImageBuffer& source) {
  if (this == &source) return CStatus();
  if (source.IsEmpty()) {
    Clear();
    return MakeStatus(keErrNoData);
  }
  try {
    const std::uint8_t* palette = source.Palette();
    CStatus status = Create(source.Width(), source.Height(), source.AccessFormat(), nullptr,
                            palette, source.PaletteSize());
    if (status.IsError()) return status;
    status = CopyPixels(*this, source);
    if (status.IsError()) return status;
    m_bounds = ImageRect{source.m_bounds.left, source.m_bounds.top,
                         source.m_bounds.left + Width(), source.m_bounds.top + Height()};
    return CStatus();
  } catch (const CJException& e) {
    return CStatus::FromException(e);
  }
}

CStatus CImageBuffer::CopyReusingStorage(const CImageBuffer& source) {
  if (this == &source) return CStatus();
  const bool reusable =
      !IsEmpty() && !source.IsEmpty() && m_bands.use_count() == 1 && m_palette == nullptr &&
      source.Palette() == nullptr && m_format == m_accessFormat && m_accessFormat == source.m_accessFormat &&
      m_channel == keChannelPixel && m_accessMode == keAccessReadWrite && m_originX == 0 && m_originY == 0 &&
      m_storageWidth == source.Width() && m_storageHeight == source.Height() && Width() == m_storageWidth &&
      Height() == m_storageHeight;
  if (!reusable) return Copy(source);
  DropRowCache();
  const CStatus status = CopyPixels(*this, source);
  if (status.IsError()) return status;
  m_bounds = ImageRect{source.m_bounds.left, source.m_bounds.top, source.m_bounds.left + Width(),
                       source.m_bounds.top + Height()};
  return CStatus();
}

CStatus CImageBuffer::CreateLike(const CImageBuffer& source, int width, int height,
                                 int accessMode, const CColorRef* fill) {
  if (source.IsEmpty()) return MakeStatus(keErrNoData);
  const int sourceFormat = source.m_format;
  const int sourceAccess = source.m_accessFormat;
  const int sourceChannel = source.m_channel;
  const int left = source.m_bounds.left, top = source.m_bounds.top;
  std::vector<std::uint8_t> palette;
  if (source.Palette() != nullptr) {
    palette.assign(source.Palette(), source.Palette() + source.PaletteSize() * 4);
  }
  CStatus status = Create(width, height, sourceFormat, fill, palette.empty() ? nullptr : palette.data(),
                          source.PaletteSize());
  if (status.IsError()) return status;
  status = sourceChannel != keChannelPixel ? SetChannelAccess(sourceChannel, accessMode)
                                           : SetAccessFormat(sourceAccess, accessMode);
  if (status.IsError()) return status;
  m_bounds = ImageRect{left, top, left + width, top + height};
  return CStatus();
}

CStatus CImageBuffer::CopyPixels(CImageBuffer& target, const CImageBuffer& source) {
  if (target.IsEmpty() || source.IsEmpty() || target.Width() != source.Width() ||
      target.Height() != source.Height() || target.m_accessFormat != source.m_accessFormat ||
      target.Width() < 1 || target.Height() < 1) {
    return MakeStatus(keErrBadArgument);
  }
  const int width = target.Width(), height = target.Height();
  const int bpp = FormatBitsPerPixel(target.m_accessFormat);
  const bool converts = target.m_format != target.m_accessFormat ||
                        source.m_format != source.m_accessFormat ||
                        target.m_channel != keChannelPixel || source.m_channel != keChannelPixel;
  if (!converts && target.m_format == source.m_format && bpp >= 8) {
    // Band by band: each stretch lies within one band of either side, where
    // rows are evenly spaced, and is copied as one block.
    const std::size_t bytesPerRow = static_cast<std::size_t>(width) * bpp / 8;
    const std::uint64_t total = static_cast<std::uint64_t>(bytesPerRow) * height;
    const CpuVectors& cpu = ProcessorVectors();
    int y = 0;
    while (y < height) {
      const int sy = source.m_originY + y, ty = target.m_originY + y;
      const int sLeft = source.BandRows(sy / kBandRows) - sy % kBandRows;
      const int tLeft = target.BandRows(ty / kBandRows) - ty % kBandRows;
      int rows = sLeft < tLeft ? sLeft : tLeft;
      if (rows > height - y) rows = height - y;
      const std::uint8_t* from = source.PixelAddress(0, y);
      std::uint8_t* to = target.PixelAddress(0, y);
      const std::ptrdiff_t fromStride = (*source.m_bands).bands[sy / kBandRows]->desc.stride;
      const std::ptrdiff_t toStride = (*target.m_bands).bands[ty / kBandRows]->desc.stride;
      const CopyRoutine routine =
          ChooseCopyRoutine(cpu, bytesPerRow, to, toStride, from, fromStride, total);
      CopyBlock(routine, to, toStride, from, fromStride, bytesPerRow, rows);
      y += rows;
    }
    return CStatus();
  }
  for (int y = 0; y < height; ++y) {
    std::uint8_t* to = nullptr;
    CStatus status = target.GetRow(y, 0, -1, &to);
    if (status.IsError()) return status;
    const std::uint8_t* from = nullptr;
    status = source.GetRowInternal(y, 0, -1, false, const_cast<std::uint8_t**>(&from));
    if (status.IsError()) {
      target.ReleaseRow(y);
      return status;
    }
    if (bpp >= 8) {
      std::memcpy(to, from, static_cast<std::size_t>(width) * bpp / 8);
    } else {
      // Sub-byte rows are never cached: their phases follow the origins.
      const int perByte = 8 / bpp;
      CopySubBytePixels(to, target.m_originX % perByte, from, source.m_originX % perByte, width, bpp);
    }
    source.ReleaseRow(y);
    target.ReleaseRow(y);
  }
  return CStatus();
}

void CImageBuffer::CopyStorageFrom(const CImageBuffer& source) {
  m_format = source.m_format;
  m_bands = source.m_bands;
  m_palette = source.m_palette;
  m_paletteSize = source.m_paletteSize;
  m_storageWidth = source.m_storageWidth;
  m_storageHeight = source.m_storageHeight;
  m_rowTable = source.m_rowTable;
  m_bounds = source.m_bounds;
  m_originX = source.m_originX;
  m_originY = source.m_originY;
  m_bitsPerPixel = source.m_bitsPerPixel;
  m_accessFormat = m_format;
}

CStatus CImageBuffer::ApplyAccessOf(const CImageBuffer& source) {
  if (source.m_channel != keChannelPixel) return SetChannelAccess(source.m_channel, source.m_accessMode);
  return SetAccessFormat(source.m_accessFormat, source.m_accessMode);
}

CStatus CImageBuffer::Share(const CImageBuffer& source) {
  if (this == &source) return CStatus();
  // Hold the storage while clearing, in case this buffer is its last owner.
  CImageBuffer keep;
  keep.CopyStorageFrom(source);
  Clear();
  if (source.IsEmpty()) return CStatus();
  CopyStorageFrom(source);
  return ApplyAccessOf(source);
}

CStatus CImageBuffer::View(const CImageBuffer& source, int left, int top, int right, int bottom) {
  // The part must lie inside the source: rows outside it are not storage.
  if (source.IsEmpty()) return MakeStatus(keErrNoData);
  const ImageRect& b = source.m_bounds;
  if (left < b.left || top < b.top || right > b.right || bottom > b.bottom || left >= right ||
      top >= bottom) {
    return MakeStatus(keErrBadArgument);
  }
  if (this == &source) {
    CImageBuffer copy;
    CStatus status = copy.Share(source);
    if (status.IsError()) return status;
    return View(copy, left, top, right, bottom);
  }
  Clear();
  CopyStorageFrom(source);
  m_bounds = ImageRect{left, top, right, bottom};
  m_originX = source.m_originX + (left - b.left);
  m_originY = source.m_originY + (top - b.top);
  return ApplyAccessOf(source);
}

// ===========================================================================
// Bands
// ===========================================================================

int CImageBuffer::BandCount() const {
  return m_bands != nullptr ? static_cast<int>(m_bands->bands.size()) : 0;
}

int CImageBuffer::BandRows(int band) const {
  return m_bands->bands[static_cast<std::size_t>(band)]->desc.height;
}

CStatus CImageBuffer::BandOf(int x, int y, int* column, int* row) const {
  if (IsEmpty() || x < 0 || y < 0 || x >= Width() || y >= Height()) {
    *column = *row = INT_MIN;
    return MakeStatus(keErrBadArgument);
  }
  *column = 0;
  *row = (m_originY + y) / kBandRows;
  return CStatus();
}

CStatus CImageBuffer::BandRect(int column, int row, ImageRect* rect) const {
  *rect = ImageRect{};
  if (IsEmpty() || column != 0 || row < 0 || row >= BandCount()) return MakeStatus(keErrBadArgument);
  const int first = row * kBandRows - m_originY;
  const int end = first + BandRows(row);
  ImageRect part{0, first < 0 ? 0 : first, Width(), end > Height() ? Height() : end};
  if (part.IsEmpty()) return MakeStatus(keErrBadArgument);
  *rect = part;
  return CStatus();
}

CStatus CImageBuffer::BandRange(const ImageRect& rect, int* firstColumn, int* endColumn,
                                int* firstRow, int* endRow) const {
  *firstColumn = *endColumn = *firstRow = *endRow = 0;
  if (IsEmpty() || rect.IsEmpty() || rect.left < 0 || rect.top < 0 || rect.right > Width() ||
      rect.bottom > Height()) {
    return MakeStatus(keErrBadArgument);
  }
  *endColumn = 1;
  *firstRow = (m_originY + rect.top) / kBandRows;
  *endRow = (m_originY + rect.bottom - 1) / kBandRows + 1;
  return CStatus();
}

CStatus CImageBuffer::LockBand(int column, int row, BitmapDesc* desc) {
  *desc = BitmapDesc{};
  if (IsEmpty()) return MakeStatus(keErrNoData);
  ImageRect part;
  if (column != 0 || row < 0 || row >= BandCount()) return MakeStatus(keErrBadArgument);
  CStatus status = BandRect(column, row, &part);
  if (status.IsError()) return status;
  CImageBand& band = *m_bands->bands[static_cast<std::size_t>(row)];
  if (band.block == nullptr || band.desc.bits == nullptr || band.desc.stride == 0) {
    return MakeStatus(keErrNoData);
  }
  if (band.holds == 0 && band.mapping.Map(band.block, 0, 0, kBandTag, kBandLine) == nullptr) {
    return MakeStatus(keErrOutOfMemory);
  }
  ++band.holds;
  desc->format = m_format;
  desc->width = part.Width();
  desc->height = part.Height();
  desc->bits = PixelAddress(0, part.top);
  desc->stride = band.desc.stride;
  if (IsIndexedFormat(m_format)) {
    desc->palette = Palette();
    desc->paletteCount = PaletteSize();
  }
  return CStatus();
}

CStatus CImageBuffer::UnlockBand(int column, int row) {
  if (IsEmpty()) return MakeStatus(keErrNoData);
  if (column != 0 || row < 0 || row >= BandCount()) return MakeStatus(keErrBadArgument);
  CImageBand& band = *m_bands->bands[static_cast<std::size_t>(row)];
  // The storage's own hold stays until the storage goes: the row table
  // points into the mapping.
  if (band.holds <= 1) return MakeStatus(keErrBadArgument);
  if (--band.holds == 0) band.mapping.Unmap();
  return CStatus();
}

// ===========================================================================
// Queries
// ===========================================================================

const std::uint8_t* CImageBuffer::Palette() const {
  if (m_format == keFormatGrey || m_format == keFormatGreyA) return GreyRampPalette();
  return m_palette != nullptr ? m_palette->data() : nullptr;
}

int CImageBuffer::PaletteSize() const {
  if (m_format == keFormatGrey || m_format == keFormatGreyA) return 256;
  return m_palette != nullptr ? m_paletteSize : 0;
}

std::uint8_t* CImageBuffer::PixelAddress(int x, int y) const {
  int phase = 0;
  return StoredRow(y, x, &phase);
}

std::uint8_t* CImageBuffer::StoredRow(int y, int x, int* pixelPhase) const {
  const std::int64_t bit = static_cast<std::int64_t>(m_originX + x) * m_bitsPerPixel;
  *pixelPhase = m_bitsPerPixel > 0 && m_bitsPerPixel < 8 ? static_cast<int>(bit % 8) / m_bitsPerPixel : 0;
  return (*m_rowTable)[static_cast<std::size_t>(m_originY + y)] + bit / 8;
}
