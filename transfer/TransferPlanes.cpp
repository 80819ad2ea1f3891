#include "transfer/TransferPasses.h"

#include "platform/LargeBlock.h"

namespace transfer_detail {

bool CPlanes::Allocate(int width, int height) {
  Free();
  if (width < 0 || height < 0) return false;
  const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  if ((height != 0 && count / static_cast<std::size_t>(height) != static_cast<std::size_t>(width)) ||
      count > static_cast<std::size_t>(-1) / (3 * sizeof(float))) {
    return false;
  }
  const std::size_t planeSize = count == 0 ? 1 : count;
  m_blockSize = 3 * planeSize * sizeof(float);
  m_block = platform::AllocateLargeBlock(m_blockSize);
  if (m_block == nullptr) {
    m_blockSize = 0;
    return false;
  }
  float* first = static_cast<float*>(m_block);
  for (int p = 0; p < 3; ++p) m_plane[p] = first + p * planeSize;
  m_width = width;
  m_height = height;
  return true;
}

void CPlanes::Free() {
  platform::ReleaseLargeBlock(m_block, m_blockSize);
  m_block = nullptr;
  m_blockSize = 0;
  for (auto& plane : m_plane) plane = nullptr;
  m_width = m_height = 0;
}

}  // namespace transfer_detail
