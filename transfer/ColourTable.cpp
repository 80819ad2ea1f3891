#include "transfer/ColourTable.h"

#include <new>

namespace transfer_detail {

bool CColourTable::StartMarking(int workers) {
  Free();
  try {
    m_marks.assign(static_cast<std::size_t>(workers < 1 ? 1 : workers), std::vector<std::uint8_t>(kCells, 0));
    return true;
  } catch (const std::bad_alloc&) {
    Free();
    return false;
  }
}

void CColourTable::MarkRow(const std::uint8_t* row, int bytesPerPixel, int width, int worker) {
  std::uint8_t* marks = m_marks[static_cast<std::size_t>(worker)].data();
  constexpr int kShift = kCellBits;
  constexpr int kAxis = 8 - kCellBits;
  switch (bytesPerPixel) {
    case 1:
      for (int x = 0; x < width; ++x) {
        const int v = row[x] >> kShift;
        marks[(v << (2 * kAxis)) | (v << kAxis) | v] = 1;
      }
      break;
    case 3:
    case 4:
      for (int x = 0; x < width; ++x, row += bytesPerPixel) {
        marks[((row[2] >> kShift) << (2 * kAxis)) | ((row[1] >> kShift) << kAxis) | (row[0] >> kShift)] = 1;
      }
      break;
    default: break;
  }
}

int CColourTable::FinishMarking() {
  m_slot.assign(kCells, -1);
  m_cellColour.clear();
  for (int cell = 0; cell < kCells; ++cell) {
    bool touched = false;
    for (const auto& marks : m_marks) touched = touched || marks[static_cast<std::size_t>(cell)] != 0;
    if (!touched) continue;
    m_slot[static_cast<std::size_t>(cell)] = static_cast<std::int32_t>(m_cellColour.size());
    m_cellColour.push_back(cell);
  }
  m_marks = {};
  return CellCount();
}

bool CColourTable::Allocate() {
  m_cells.reset(new (std::nothrow) Cell[m_cellColour.size() == 0 ? 1 : m_cellColour.size()]);
  if (m_cells == nullptr) {
    Free();
    return false;
  }
  return true;
}

void CColourTable::Free() {
  m_marks = {};
  m_slot = {};
  m_cellColour = {};
  m_cells.reset();
}

void CColourTable::CellColours(int slot, std::uint8_t bgr[3 * kCellColours]) const {
  constexpr int kAxis = 8 - kCellBits;
  constexpr int kMask = (1 << kCellBits) - 1;
  const int cell = m_cellColour[static_cast<std::size_t>(slot)];
  const int r0 = (cell >> (2 * kAxis)) << kCellBits;
  const int g0 = ((cell >> kAxis) & ((1 << kAxis) - 1)) << kCellBits;
  const int b0 = (cell & ((1 << kAxis) - 1)) << kCellBits;
  for (int i = 0; i < kCellColours; ++i) {
    bgr[3 * i] = static_cast<std::uint8_t>(b0 + (i & kMask));
    bgr[3 * i + 1] = static_cast<std::uint8_t>(g0 + ((i >> kCellBits) & kMask));
    bgr[3 * i + 2] = static_cast<std::uint8_t>(r0 + (i >> (2 * kCellBits)));
  }
}

}  // namespace transfer_detail
