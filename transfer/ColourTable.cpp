#include "transfer/ColourTable.h"

#include <new>

namespace transfer_detail {

namespace {

// The place of the lowest set bit of v (not 0).
inline int LowestBit(std::uint64_t v) {
#if defined(__GNUC__) || defined(__clang__)
  return __builtin_ctzll(v);
#else
  return CColourTable::CountBits(~v & (v - 1));
#endif
}

}  // namespace

bool CColourTable::StartMarking(int workers) {
  Reset();
  try {
    m_marks.resize(static_cast<std::size_t>(workers < 1 ? 1 : workers));
  } catch (const std::bad_alloc&) {
    Free();
    return false;
  }
  for (CLargeArray<std::uint64_t>& marks : m_marks) {
    if (!marks.Allocate(kCells)) {  // zero-filled: no colour marked
      Free();
      return false;
    }
  }
  return true;
}

void CColourTable::MarkRow(const std::uint8_t* row, int bytesPerPixel, int width, int worker) {
  std::uint64_t* marks = m_marks[static_cast<std::size_t>(worker)].data();
  switch (bytesPerPixel) {
    case 1:
      for (int x = 0; x < width; ++x) {
        const int v = row[x];
        marks[CellOf(v, v, v)] |= std::uint64_t{1} << PlaceOf(v, v, v);
      }
      break;
    case 3:
    case 4:
      for (int x = 0; x < width; ++x, row += bytesPerPixel) {
        const int r = row[2], g = row[1], b = row[0];
        marks[CellOf(r, g, b)] |= std::uint64_t{1} << PlaceOf(r, g, b);
      }
      break;
    default: break;
  }
}

std::int64_t CColourTable::FinishMarking() {
  if (!m_cells.Allocate(kCells, false)) {  // every cell is written below
    Free();
    return -1;
  }
  std::int64_t count = 0;
  for (int cell = 0; cell < kCells; ++cell) {
    std::uint64_t used = 0;
    for (const auto& marks : m_marks) used |= marks[static_cast<std::size_t>(cell)];
    m_cells[static_cast<std::size_t>(cell)] = CellInfo{used, static_cast<std::int32_t>(count), 0};
    count += CountBits(used);
  }
  if (!m_keepStorage) m_marks.clear();
  if (!m_colours.Allocate(static_cast<std::size_t>(count) * 3, false)) {  // every colour is written below
    Free();
    return -1;
  }
  constexpr int kAxis = 8 - kCellBits;
  constexpr int kMask = (1 << kCellBits) - 1;
  std::uint8_t* out = m_colours.data();
  for (int cell = 0; cell < kCells; ++cell) {
    const int r0 = (cell >> (2 * kAxis)) << kCellBits;
    const int g0 = ((cell >> kAxis) & ((1 << kAxis) - 1)) << kCellBits;
    const int b0 = (cell & ((1 << kAxis) - 1)) << kCellBits;
    // The used colours of the cell in place order, lowest bit first.
    for (std::uint64_t used = m_cells[static_cast<std::size_t>(cell)].used; used != 0; used &= used - 1) {
      const int i = LowestBit(used);
      *out++ = static_cast<std::uint8_t>(b0 + (i & kMask));
      *out++ = static_cast<std::uint8_t>(g0 + ((i >> kCellBits) & kMask));
      *out++ = static_cast<std::uint8_t>(r0 + (i >> (2 * kCellBits)));
    }
  }
  return count;
}

bool CColourTable::Allocate() {
  const std::size_t count = m_colours.size() / 3;
  // Not cleared: the fill writes every entry before anything reads it.
  if (!m_lab.Allocate(count, false) || !m_out.Allocate(count, false)) {
    Free();
    return false;
  }
  return true;
}

void CColourTable::Reset() {
  if (!m_keepStorage) {
    Free();
    return;
  }
  m_colours.Empty();
}

void CColourTable::Free() {
  m_marks.clear();
  m_cells.Free();
  m_colours.Free();
  m_lab.Free();
  m_out.Free();
}

}  // namespace transfer_detail
