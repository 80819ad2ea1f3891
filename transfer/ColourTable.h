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
// Colours are grouped in cells of 4 x 4 x 4; only the cells the picture
// touches get storage.  A cell first holds the l, alpha, beta of its 64
// colours (updated in place as the decorrelation goes on), then the output
// of each colour: the blended R, G, B and the faded bytes.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace transfer_detail {

class CWorkerThreads;

// Hands source row y to `use` for the length of the call.
using SourceRowAccess = std::function<void(int y, const std::function<void(const std::uint8_t* row)>& use)>;

class CColourTable {
 public:
  static constexpr int kCellBits = 2;                            // bits of a channel inside a cell
  static constexpr int kCellColours = 1 << (3 * kCellBits);      // 64
  static constexpr int kCells = 1 << (3 * (8 - kCellBits));      // 262144

  struct OutputEntry {
    double blended[3];    // R, G, B before the fade
    std::uint8_t bgr[4];  // the faded bytes B, G, R
  };
  union Cell {
    struct {
      float l[kCellColours];
      float alpha[kCellColours];
      float beta[kCellColours];
    } lab;
    OutputEntry out[kCellColours];
  };

  // Marks need one array per thread (`workers` threads); false when memory
  // ran out.
  bool StartMarking(int workers);
  // Marks the cells of one row (1, 3 or 4 bytes per pixel) for `worker`.
  void MarkRow(const std::uint8_t* row, int bytesPerPixel, int width, int worker);
  // Gathers the marks; answers the number of cells touched.
  int FinishMarking();
  // Storage for the touched cells; false when memory ran out.
  bool Allocate();
  void Free();

  int CellCount() const { return static_cast<int>(m_cellColour.size()); }
  static std::size_t CellBytes() { return sizeof(Cell); }
  Cell& CellAt(int slot) { return m_cells[static_cast<std::size_t>(slot)]; }
  const Cell& CellAt(int slot) const { return m_cells[static_cast<std::size_t>(slot)]; }
  // The 64 colours of the cell in `slot` as B, G, R bytes, colour i at 3i.
  void CellColours(int slot, std::uint8_t bgr[3 * kCellColours]) const;

  // The cell of a colour and the colour's place in it; Slots()[cell] is the
  // cell's slot.
  static int CellOf(int r, int g, int b) {
    return ((r >> kCellBits) << (2 * (8 - kCellBits))) | ((g >> kCellBits) << (8 - kCellBits)) | (b >> kCellBits);
  }
  const std::int32_t* Slots() const { return m_slot.data(); }
  const Cell* Cells() const { return m_cells.get(); }
  static int PlaceOf(int r, int g, int b) {
    constexpr int kMask = (1 << kCellBits) - 1;
    return ((r & kMask) << (2 * kCellBits)) | ((g & kMask) << kCellBits) | (b & kMask);
  }
  // A colour's number: its cell's slot times 64 plus its place, below 2^24,
  // so that it fits in the three colour bytes of a pixel.  The passes after
  // the first read it there instead of working it out again.
  static std::uint32_t NumberOf(const std::int32_t* slots, int r, int g, int b) {
    return (static_cast<std::uint32_t>(slots[CellOf(r, g, b)]) << (3 * kCellBits)) |
           static_cast<std::uint32_t>(PlaceOf(r, g, b));
  }

 private:
  std::vector<std::vector<std::uint8_t>> m_marks;  // per thread, one byte per cell
  std::vector<std::int32_t> m_slot;                // per cell, its storage slot (-1 none)
  std::vector<std::int32_t> m_cellColour;          // per slot, its cell number
  // Not cleared when allocated: every cell is written by the fill before
  // anything reads it.
  std::unique_ptr<Cell[]> m_cells;
};

}  // namespace transfer_detail
