#pragma once
// CImageBuffer: the one image type of the system.
//
// A buffer is a rectangle of pixels in one PixelFormat.  Storage is cut into
// bands of 128 rows whose memory comes from the memory manager; rows are
// padded to 128 pixels and lie bottom-up within a band, so every band is a
// ready-made bottom-up device-independent bitmap.  A table of row pointers
// gives direct access to every stored row.
//
// Bands, row table and palette are shared by reference count between buffers
// made from one another (Share, View, copy construction and assignment), so
// handing a buffer around or taking a view costs no pixel copy; Copy
// duplicates pixels.
//
// A buffer can hand rows out in another format than it stores (the access
// format) or one channel at a time.  It then keeps a row cache: GetRow
// converts the stored row into a cached row, ReleaseRow converts it back
// (when the access mode allows writing) and keeps one spare row buffer for
// reuse.  Every GetRow is paired with a ReleaseRow, cache or not.
//
// Buffers carry no locks: a buffer and all buffers sharing its storage are
// used by one thread at a time.  Operations that can fail answer a CStatus
// with 101 (bad argument), 102 (out of memory) or 110 (no storage, or format
// not supported).

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "image/BitmapDesc.h"
#include "image/ColorRef.h"
#include "image/PixelFormat.h"
#include "image/Status.h"

class IMemoryBlock;
struct CImageBandTable;
struct RowConvertContext;

enum AccessMode : int {
  keAccessRead = 0,
  keAccessWrite = 1,
  keAccessReadWrite = 2,
};

// Rows per band.
constexpr int kBandRows = 128;

class CImageBuffer {
 public:
  CImageBuffer();
  ~CImageBuffer();
  // Copying and assignment share storage (see Share); they raise on failure.
  CImageBuffer(const CImageBuffer& other);
  CImageBuffer& operator=(const CImageBuffer& other);
  CImageBuffer(CImageBuffer&& other) noexcept;
  CImageBuffer& operator=(CImageBuffer&& other) noexcept;

  // ---- creation and copying ---------------------------------------------

  // New storage of formats 1 to 14.  Without a fill colour the pixels are
  // zero.  Indexed formats get 2^bits-per-channel palette entries from
  // `palette` (or the default palette when none), at most `paletteCount`
  // of them (negative: all); the rest are zero.
  CStatus Create(int width, int height, int format, const CColorRef* fill = nullptr,
                 const std::uint8_t* palette = nullptr, int paletteCount = -1);
  // Only fill when the buffer already has this size and access format.
  // Defaults: opaque black for BGR and Grey, transparent black otherwise.
  CStatus CreateBGR(int width, int height, const CColorRef* colour = nullptr);
  CStatus CreateBGRA(int width, int height, const CColorRef* colour = nullptr);
  CStatus CreateGrey(int width, int height, const CColorRef* colour = nullptr);
  CStatus CreateGreyA(int width, int height, const CColorRef* colour = nullptr);
  // A copy of the described pixels (and palette for indexed formats).
  CStatus CreateFromBits(const BitmapDesc& desc);
  // From a packed device-independent bitmap of `size` bytes (header, colour
  // table, bits).  Format 0 derives the format from the bit count.
  CStatus CreateFromDib(const void* dib, std::size_t size, int format = 0);
  // As CreateFromDib from a memory block; takes the caller's reference.
  CStatus CreateFromDibBlock(IMemoryBlock* block, int format = 0);
  // A deep copy of the visible part in the source's access format; the copy
  // keeps the source's bounds position.
  CStatus Copy(const CImageBuffer& source);
  // As Copy, but when this buffer alone holds storage that takes the
  // source's pixels as they are (the source's size and format, no palette,
  // all of it visible, nothing converted on access) the pixels are copied
  // into that storage: for a result made again and again (a dialog's
  // runs), whose new storage would be fresh memory page by page.
  CStatus CopyReusingStorage(const CImageBuffer& source);
  // New storage like `source` (storage format, palette, access format or
  // channel, bounds position) but of the given size.
  CStatus CreateLike(const CImageBuffer& source, int width, int height,
                     int accessMode = keAccessReadWrite, const CColorRef* fill = nullptr);
  // Same width, height and access format required.
  static CStatus CopyPixels(CImageBuffer& target, const CImageBuffer& source);
  CStatus Share(const CImageBuffer& source);
  // Shares `source` and shows only the given part of its bounds (in the
  // source's buffer coordinates).
  CStatus View(const CImageBuffer& source, int left, int top, int right, int bottom);
  // Writes back and drops the row cache, releases the storage.
  void Clear();

  // ---- rows --------------------------------------------------------------

  // Row `y` from column `x`, `count` pixels (-1: to the right edge).
  // Raises CJException on failure.
  std::uint8_t* GetRow(int y, int x = 0, int count = -1);
  // For reading only: a cached row taken this way is never written back.
  const std::uint8_t* GetRow(int y, int x = 0, int count = -1) const;
  // The status form: *row is null on failure.
  CStatus GetRow(int y, int x, int count, std::uint8_t** row);
  void ReleaseRow(int y) const;
  // The direct storage address of pixel (x, y) (no conversion).
  std::uint8_t* PixelAddress(int x, int y) const;

  // ---- formats of access -------------------------------------------------

  // 0 or the storage format: no conversion.
  CStatus SetAccessFormat(int format, int mode = keAccessReadWrite);
  // One channel per pixel as a row of its own; keChannelPixel ends it.
  CStatus SetChannelAccess(int channel, int mode = keAccessReadWrite);
  // New format codes for the same bits (same bits per pixel required).
  CStatus Retag(int format);
  // Every visible pixel in the access format.
  CStatus Fill(const CColorRef& colour);

  // ---- bands ---------------------------------------------------------------

  CStatus BandOf(int x, int y, int* column, int* row) const;
  CStatus BandRect(int column, int row, ImageRect* rect) const;
  // Half-open band ranges covering `rect`.
  CStatus BandRange(const ImageRect& rect, int* firstColumn, int* endColumn, int* firstRow,
                    int* endRow) const;
  CStatus LockBand(int column, int row, BitmapDesc* desc);
  CStatus UnlockBand(int column, int row);
  int BandCount() const;

  // ---- queries -------------------------------------------------------------

  bool IsEmpty() const { return m_bands == nullptr; }
  int Width() const { return m_bounds.Width(); }
  int Height() const { return m_bounds.Height(); }
  ImageRect Bounds() const { return m_bounds; }
  int StorageFormat() const { return m_format; }
  int AccessFormat() const { return m_accessFormat; }
  int AccessModeOf() const { return m_accessMode; }
  int Channel() const { return m_channel; }
  // Whether rows may be fetched from several threads at once: the buffer
  // hands out its stored rows (a buffer that converts rows for access keeps
  // one row cache for all callers).
  bool RowsShareable() const { return m_accessFormat == m_format && m_channel == keChannelPixel; }
  int StorageWidth() const { return m_storageWidth; }
  int StorageHeight() const { return m_storageHeight; }
  int BitsPerPixel() const { return m_bitsPerPixel; }
  // Column and row of the bounds' top-left corner in storage; sub-byte
  // formats take a pixel's bit position from the column.
  int OriginX() const { return m_originX; }
  int OriginY() const { return m_originY; }
  // The grey ramp for keFormatGrey and keFormatGreyA.
  const std::uint8_t* Palette() const;
  int PaletteSize() const;

 private:
  struct RowCacheEntry {
    std::uint8_t* buffer = nullptr;
    int x = 0;          // first pixel of the held part
    int count = 0;      // pixels held (for the spare: its capacity)
    int holds = 0;
    bool dirty = false; // taken for writing at least once
  };

  void CopyStorageFrom(const CImageBuffer& source);
  CStatus ApplyAccessOf(const CImageBuffer& source);
  CStatus GetRowInternal(int y, int x, int count, bool forWriting, std::uint8_t** row) const;
  void ReleaseRowInternal(int y, bool force) const;
  void DropRowCache();
  CStatus BuildRowCache();
  void MakeContext(RowConvertContext* context, int pixelPhase) const;
  std::uint8_t* StoredRow(int y, int x, int* pixelPhase) const;
  int BandRows(int band) const;

  int m_format = keFormatNone;
  std::shared_ptr<CImageBandTable> m_bands;
  std::shared_ptr<std::vector<std::uint8_t>> m_palette;
  int m_paletteSize = 0;
  int m_storageWidth = 0;
  int m_storageHeight = 0;
  void (*m_readConverter)(const RowConvertContext&, std::uint8_t*, const std::uint8_t*, int) = nullptr;
  void (*m_writeConverter)(const RowConvertContext&, std::uint8_t*, const std::uint8_t*, int) = nullptr;
  std::shared_ptr<std::vector<std::uint8_t*>> m_rowTable;
  ImageRect m_bounds;
  int m_originX = 0;
  int m_originY = 0;
  int m_bitsPerPixel = 0;
  int m_accessMode = keAccessReadWrite;
  int m_channel = keChannelPixel;
  int m_accessFormat = keFormatNone;
  mutable std::vector<RowCacheEntry> m_rowCache;  // height + 1 entries, or empty
  int m_channelOffset = 0;
};

// Scope objects for one whole row.  Both release the row when they go.
class CRowReader {
 public:
  CRowReader(const CImageBuffer& buffer, int y);
  ~CRowReader();
  CRowReader(const CRowReader&) = delete;
  CRowReader& operator=(const CRowReader&) = delete;
  const std::uint8_t* Row() const { return m_row; }
  explicit operator bool() const { return m_row != nullptr; }

 private:
  const CImageBuffer& m_buffer;
  int m_y;
  const std::uint8_t* m_row = nullptr;
};

class CRowWriter {
 public:
  CRowWriter(CImageBuffer& buffer, int y);
  ~CRowWriter();
  CRowWriter(const CRowWriter&) = delete;
  CRowWriter& operator=(const CRowWriter&) = delete;
  std::uint8_t* Row() const { return m_row; }
  explicit operator bool() const { return m_row != nullptr; }

 private:
  CImageBuffer& m_buffer;
  int m_y;
  std::uint8_t* m_row = nullptr;
};
