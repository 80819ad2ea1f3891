#pragma once
// The source's l, alpha, beta kept once per colour instead of once per
// pixel.
//
// Why it is built this way: every per-pixel number of the engine - the
// forward lattice's l, alpha, beta, the residuals after decorrelation, the
// moved colour, the blended lookups and the faded bytes - depends only on
// the pixel's bytes and on numbers of the whole image.  A photograph uses
// far fewer colours than it has pixels, so computing those numbers per
// colour and looking them up per pixel saves most of the lattice work and
// the source's float planes (12 bytes a pixel), with the same operations and
// therefore the same bits.  The sums stay per pixel: each row adds its
// pixels' values in pixel order, and the rows are added in row order, as
// over the planes.
//
// Only the colours the picture uses get an entry, numbered densely, so that
// the entries the pixels look up lie close together in the caches.  A
// colour's number is found through its cell of 4 x 4 x 4 colours: the
// cell's first number plus the count of used colours before it in the
// cell's 64-bit mask.  Numbers are below 2^24, so that the passes after the
// first can keep them in the three colour bytes of the destination's
// pixels instead of working them out again.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "transfer/LargeArray.h"

namespace transfer_detail {

class CWorkerThreads;

// Hands row y to `use` for the length of the call.
using SourceRowAccess = std::function<void(int y, const std::function<void(const std::uint8_t* row)>& use)>;

class CColourTable {
 public:
  static constexpr int kCellBits = 2;                        // bits of a channel inside a cell
  static constexpr int kCells = 1 << (3 * (8 - kCellBits));  // 262144 cells of 64 colours

  // A colour's l, alpha, beta side by side (one cache line per lookup),
  // updated in place as the decorrelation goes on.
  enum LabChannel { kL, kAlpha, kBeta };
  struct Lab {
    float value[4];
  };
  // A colour's output: 32 bytes on every platform (where doubles are
  // aligned to 4 bytes too), so that a vector loop takes an entry in one
  // load.
  struct OutputEntry {
    double blended[3];       // R, G, B before the fade
    std::uint8_t bgr[4];     // the faded bytes B, G, R
    std::uint8_t unused[4];
  };
  static_assert(sizeof(OutputEntry) == 32, "an entry is four doubles wide");
  struct CellInfo {
    std::uint64_t used;  // bit i: colour i of the cell is used
    std::int32_t first;  // number of the cell's first used colour
    std::int32_t unused;
  };

  // Marks need one mask array per thread (`workers` threads); false when
  // memory ran out.
  bool StartMarking(int workers);
  // Marks the colours of one row (1, 3 or 4 bytes per pixel) for `worker`.
  void MarkRow(const std::uint8_t* row, int bytesPerPixel, int width, int worker);
  // Gathers the marks and numbers the used colours; answers their count, or
  // -1 when memory ran out.
  std::int64_t FinishMarking();
  // The entries of every used colour; false when memory ran out.
  bool Allocate();
  // Releases everything.
  void Free();
  // Forgets the colours but keeps the blocks for the next picture (the
  // marks too, which are otherwise let go once gathered).
  void Reset();
  void KeepStorage(bool keep) { m_keepStorage = keep; }

  int ColourCount() const { return static_cast<int>(m_colours.size() / 3); }
  // Bytes of table per colour.
  static std::size_t ColourBytes() { return sizeof(Lab) + sizeof(OutputEntry); }
  // The used colours as B, G, R bytes, colour n at 3n.
  const std::uint8_t* Colours() const { return m_colours.data(); }
  Lab* Labs() { return m_lab.data(); }
  const Lab* Labs() const { return m_lab.data(); }
  OutputEntry* Outputs() { return m_out.data(); }
  const OutputEntry* Outputs() const { return m_out.data(); }
  const CellInfo* Cells() const { return m_cells.data(); }

  static int CellOf(int r, int g, int b) {
    return ((r >> kCellBits) << (2 * (8 - kCellBits))) | ((g >> kCellBits) << (8 - kCellBits)) | (b >> kCellBits);
  }
  static int PlaceOf(int r, int g, int b) {
    constexpr int kMask = (1 << kCellBits) - 1;
    return ((r & kMask) << (2 * kCellBits)) | ((g & kMask) << kCellBits) | (b & kMask);
  }
  // The number of a used colour.  kHardwareCount: count the bits with the
  // processor's POPCNT (only in code built for processors that have it).
  template <bool kHardwareCount = false>
  static std::uint32_t NumberOf(const CellInfo* cells, int r, int g, int b) {
    const CellInfo& cell = cells[CellOf(r, g, b)];
    const std::uint64_t before = (std::uint64_t{1} << PlaceOf(r, g, b)) - 1;
    return static_cast<std::uint32_t>(cell.first + CountBits<kHardwareCount>(cell.used & before));
  }
  template <bool kHardwareCount = false>
  static int CountBits(std::uint64_t v) {
#if defined(__GNUC__) || defined(__clang__)
    if (kHardwareCount) return __builtin_popcountll(v);
#endif
#if defined(__POPCNT__)
    return __builtin_popcountll(v);
#else
    v = v - ((v >> 1) & 0x5555555555555555u);
    v = (v & 0x3333333333333333u) + ((v >> 2) & 0x3333333333333333u);
    v = (v + (v >> 4)) & 0x0F0F0F0F0F0F0F0Fu;
    return static_cast<int>((v * 0x0101010101010101u) >> 56);
#endif
  }

 private:
  // The working tables are large blocks: a photograph's take megabytes,
  // which as fresh heap memory would cost more in page faults than their
  // whole use.
  std::vector<CLargeArray<std::uint64_t>> m_marks;  // per thread, one mask per cell
  CLargeArray<CellInfo> m_cells;
  CLargeArray<std::uint8_t> m_colours;  // B, G, R of each used colour, in number order
  CLargeArray<Lab> m_lab;
  CLargeArray<OutputEntry> m_out;
  bool m_keepStorage = false;
};

}  // namespace transfer_detail
